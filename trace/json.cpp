#include "trace/json.h"

#include <charconv>
#include <cstring>

namespace zorvane {

void JsonBuffer::grow(size_t n) {
  size_t bigger = capacity < 4096 ? 4096 : capacity * 2;
  while (bigger - length < n) bigger *= 2;
  auto fresh = std::make_unique<char[]>(bigger);
  if (length > 0) std::memcpy(fresh.get(), data.get(), length);
  data = std::move(fresh);
  capacity = bigger;
}

void JsonBuffer::raw(std::string_view s) {
  room(s.size());
  std::memcpy(data.get() + length, s.data(), s.size());
  length += s.size();
}

void JsonBuffer::integer(int64_t v) {
  room(maxNumberText);
  length = std::to_chars(data.get() + length, data.get() + capacity, v).ptr - data.get();
}

void JsonBuffer::single(float v) {
  room(maxNumberText);
  length = writeSingle(data.get() + length, v) - data.get();
}

void JsonBuffer::real(double v) {
  room(maxNumberText);
  length = writeDouble(data.get() + length, v) - data.get();
}

void JsonBuffer::string(std::string_view s) {
  room(s.size() * 6 + 2);
  char* out = data.get() + length;
  *out++ = '"';
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      *out++ = '\\';
      *out++ = ch;
    } else if (c < 0x20 || c == 0x7f) {
      static constexpr char hex[] = "0123456789abcdef";
      std::memcpy(out, "\\u00", 4);
      out += 4;
      *out++ = hex[c >> 4];
      *out++ = hex[c & 15];
    } else {
      *out++ = ch;
    }
  }
  *out++ = '"';
  length = out - data.get();
}

}  // namespace zorvane
