#include "replay/json.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zorvane {
namespace {

char* copy(char* out, std::string_view s) {
  std::memcpy(out, s.data(), s.size());
  return out + s.size();
}

// Whole values below 2^digits print as integers: exact, positional, and much faster than
// the shortest-digits search. Fractions print in positional form unless they are tiny.
template <class F, class Int, int digits>
char* writeReal(char* out, F v) {
  if (std::isnan(v)) return copy(out, "null");
  if (std::isinf(v)) return copy(out, v > 0 ? "1e999" : "-1e999");
  constexpr F wholeLimit = F(Int{1} << digits);
  const F magnitude = std::fabs(v);
  if (magnitude < wholeLimit) {
    const Int whole = static_cast<Int>(v);
    if (static_cast<F>(whole) == v) return std::to_chars(out, out + maxNumberText, whole).ptr;
    if (magnitude >= F(1e-5)) return std::to_chars(out, out + maxNumberText, v, std::chars_format::fixed).ptr;
  }
  return std::to_chars(out, out + maxNumberText, v).ptr;
}

}  // namespace

char* writeSingle(char* out, float v) { return writeReal<float, int32_t, 24>(out, v); }
char* writeDouble(char* out, double v) { return writeReal<double, int64_t, 53>(out, v); }

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
      out = copy(out, "\\u00");
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
