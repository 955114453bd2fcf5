#include "trace_reader.h"

#include <cctype>
#include <charconv>
#include <stdexcept>

namespace zorvane::test {
namespace {

[[noreturn]] void fail(const std::string& why) { throw std::runtime_error("trace JSON: " + why); }

class Reader {
 public:
  explicit Reader(std::string_view text) : s(text) {}

  Json document() {
    Json v = value();
    skipSpace();
    if (p != s.size()) fail("text after the value");
    return v;
  }

 private:
  void skipSpace() {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\n' || s[p] == '\r')) ++p;
  }
  bool take(char c) {
    skipSpace();
    if (p < s.size() && s[p] == c) return ++p, true;
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("expected '") + c + "' at " + std::to_string(p));
  }
  bool word(std::string_view w) {
    if (s.substr(p, w.size()) != w) return false;
    p += w.size();
    return true;
  }

  Json value() {
    skipSpace();
    if (p >= s.size()) fail("unexpected end");
    Json v;
    const char c = s[p];
    if (c == '{') {
      ++p;
      v.kind = Json::Kind::Object;
      if (take('}')) return v;
      do {
        skipSpace();
        std::string key = string();
        expect(':');
        v.fields.emplace_back(std::move(key), value());
      } while (take(','));
      expect('}');
    } else if (c == '[') {
      ++p;
      v.kind = Json::Kind::Array;
      if (take(']')) return v;
      do v.items.push_back(value());
      while (take(','));
      expect(']');
    } else if (c == '"') {
      v.kind = Json::Kind::String;
      v.text = string();
    } else if (word("true")) {
      v.kind = Json::Kind::Bool;
      v.boolean = true;
    } else if (word("false")) {
      v.kind = Json::Kind::Bool;
    } else if (word("null")) {
      v.kind = Json::Kind::Null;
    } else {
      const size_t start = p;
      if (p < s.size() && s[p] == '-') ++p;
      while (p < s.size() && (std::isdigit(static_cast<unsigned char>(s[p])) || s[p] == '.' || s[p] == 'e' ||
                              s[p] == 'E' || s[p] == '+' || s[p] == '-'))
        ++p;
      if (p == start) fail("unexpected character at " + std::to_string(p));
      v.kind = Json::Kind::Number;
      v.text = s.substr(start, p - start);
    }
    return v;
  }

  std::string string() {
    if (p >= s.size() || s[p] != '"') fail("expected a string at " + std::to_string(p));
    ++p;
    std::string out;
    while (p < s.size() && s[p] != '"') {
      char c = s[p++];
      if (static_cast<unsigned char>(c) < 0x20) fail("raw control character in a string");
      if (c == '\\') {
        if (p >= s.size()) fail("unfinished escape");
        const char e = s[p++];
        switch (e) {
          case 'n': c = '\n'; break;
          case 't': c = '\t'; break;
          case 'r': c = '\r'; break;
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          case 'u': {
            unsigned code = 0;
            const auto r = std::from_chars(s.data() + p, s.data() + p + 4, code, 16);
            if (r.ptr != s.data() + p + 4 || code > 0x7f) fail("unsupported \\u escape");
            p += 4;
            c = static_cast<char>(code);
            break;
          }
          default: c = e;
        }
      }
      out += c;
    }
    if (p >= s.size()) fail("unterminated string");
    ++p;
    return out;
  }

  std::string_view s;
  size_t p = 0;
};

template <class T>
T number(const Json& j) {
  if (j.kind != Json::Kind::Number) fail("not a number");
  T v{};
  const auto r = std::from_chars(j.text.data(), j.text.data() + j.text.size(), v);
  if (r.ec != std::errc{} || r.ptr != j.text.data() + j.text.size()) fail("bad number " + j.text);
  return v;
}

}  // namespace

bool Json::has(std::string_view key) const {
  for (const auto& [k, v] : fields)
    if (k == key) return true;
  return false;
}

const Json& Json::operator[](std::string_view key) const {
  for (const auto& [k, v] : fields)
    if (k == key) return v;
  fail("no key " + std::string(key));
}

const Json& Json::operator[](size_t i) const {
  if (kind != Kind::Array || i >= items.size()) fail("no item " + std::to_string(i));
  return items[i];
}

float Json::f() const { return number<float>(*this); }
double Json::d() const { return number<double>(*this); }
int64_t Json::i() const { return number<int64_t>(*this); }

bool Json::b() const {
  if (kind != Kind::Bool) fail("not a boolean");
  return boolean;
}

const std::string& Json::s() const {
  if (kind != Kind::String) fail("not a string");
  return text;
}

Json parseJson(std::string_view text) { return Reader(text).document(); }

std::vector<Json> parseTrace(std::string_view lines) {
  std::vector<Json> out;
  while (!lines.empty()) {
    const size_t nl = lines.find('\n');
    if (nl == std::string_view::npos) fail("trace does not end with a newline");
    out.push_back(parseJson(lines.substr(0, nl)));
    lines.remove_prefix(nl + 1);
  }
  return out;
}

}  // namespace zorvane::test
