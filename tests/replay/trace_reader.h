// A small JSON reader for checking traces in tests: numbers keep their text, so a test
// can read them back exactly as float, double or integer.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvane::test {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string text;                                 // a string's value, or a number's text
  std::vector<Json> items;                          // array members
  std::vector<std::pair<std::string, Json>> fields;  // object members, in order

  bool has(std::string_view key) const;
  const Json& operator[](std::string_view key) const;  // fails the test run when missing
  const Json& operator[](size_t i) const;
  size_t size() const { return kind == Kind::Array ? items.size() : fields.size(); }
  float f() const;        // a number read as single precision
  double d() const;       // a number read as double precision
  int64_t i() const;      // an integer, written without fraction or exponent
  bool b() const;
  const std::string& s() const;
};

Json parseJson(std::string_view text);                   // throws std::runtime_error
std::vector<Json> parseTrace(std::string_view lines);    // one object per line

}  // namespace zorvane::test
