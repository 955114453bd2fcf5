// Writing JSON text fast into one reusable buffer: numbers in their shortest exact form.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "trace/numtext.h"

namespace zorvane {

// A growing text buffer; it allocates only when it needs more room than ever before.
class JsonBuffer {
 public:
  JsonBuffer() { grow(4096); }

  void raw(std::string_view s);          // text as it stands (keys, punctuation)
  void put(char c) { room(1); data[length++] = c; }  // one character as it stands
  void integer(int64_t v);               // a whole number
  void single(float v);                  // single-precision number
  void real(double v);                   // double-precision number
  void boolean(bool v) { raw(v ? std::string_view("true") : std::string_view("false")); }
  void string(std::string_view s);       // quoted and escaped

  std::string_view view() const { return {data.get(), length}; }  // the text so far
  size_t size() const { return length; }  // its bytes
  void clear() { length = 0; }           // empties it, keeping the room

 private:
  void room(size_t n) {
    if (capacity - length < n) grow(n);
  }
  void grow(size_t n);

  std::unique_ptr<char[]> data;
  size_t length = 0;
  size_t capacity = 0;
};

}  // namespace zorvane
