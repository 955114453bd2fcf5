#include "trace/numtext.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include <fmt/format.h>

namespace zorvane {
namespace {

char* copy(char* out, std::string_view s) {
  std::memcpy(out, s.data(), s.size());
  return out + s.size();
}

// Writes `n` in decimal; `width` is its number of digits.
char* digitsOf(char* out, uint64_t n, int width) {
  for (int i = width - 1; i >= 0; --i, n /= 10) out[i] = static_cast<char>('0' + n % 10);
  return out + width;
}

int digitCount(uint64_t n) {
  int count = 1;
  while (n >= 10) n /= 10, ++count;
  return count;
}

// The shortest digits that read back as `v` (v finite, > 0): v = digits × 10^exponent, with
// no trailing zero in digits.
template <class F>
void shortest(F v, uint64_t& digits, int& exponent) {
  const auto d = fmt::detail::dragonbox::to_decimal(v);
  digits = d.significand;
  exponent = d.exponent;
}

// digits × 10^exponent in positional form: "120", "6649.6", "0.000015".
char* positional(char* out, uint64_t digits, int exponent) {
  const int count = digitCount(digits);
  if (exponent >= 0) {
    out = digitsOf(out, digits, count);
    std::memset(out, '0', static_cast<size_t>(exponent));
    return out + exponent;
  }
  const int whole = count + exponent;  // digits before the point
  if (whole <= 0) {
    out = copy(out, "0.");
    std::memset(out, '0', static_cast<size_t>(-whole));
    return digitsOf(out + -whole, digits, count);
  }
  char text[24];
  digitsOf(text, digits, count);
  out = copy(out, std::string_view(text, static_cast<size_t>(whole)));
  *out++ = '.';
  return copy(out, std::string_view(text + whole, static_cast<size_t>(count - whole)));
}

// digits × 10^exponent in exponent form with at least two exponent digits: "1.5e-05".
char* scientific(char* out, uint64_t digits, int exponent) {
  const int count = digitCount(digits);
  char text[24];
  digitsOf(text, digits, count);
  *out++ = text[0];
  if (count > 1) {
    *out++ = '.';
    out = copy(out, std::string_view(text + 1, static_cast<size_t>(count - 1)));
  }
  int e = exponent + count - 1;
  *out++ = 'e';
  *out++ = e < 0 ? '-' : '+';
  if (e < 0) e = -e;
  return digitsOf(out, static_cast<uint64_t>(e), e < 10 ? 2 : digitCount(static_cast<uint64_t>(e)));
}

// The exact whole digits of `v`, a whole value below 10^27 (the shortest form's longest
// positional text has 22): v = mantissa × 2^shift, doubled in base-10^9 limbs. Not through
// fmt's formatter, which would bring its whole format-string machinery into the page.
template <class F, int mantissaDigits>
char* wholeDigits(char* out, F v) {
  constexpr uint32_t base = 1000000000;
  int exponent = 0;
  uint64_t mantissa = static_cast<uint64_t>(std::ldexp(std::frexp(v, &exponent), mantissaDigits));
  uint32_t limbs[3] = {};  // least significant first
  int used = 0;
  for (; mantissa > 0; mantissa /= base) limbs[used++] = static_cast<uint32_t>(mantissa % base);
  for (int shift = exponent - mantissaDigits; shift > 0; --shift) {
    uint32_t carry = 0;
    for (int i = 0; i < used; ++i) {
      const uint64_t doubled = uint64_t{limbs[i]} * 2 + carry;
      limbs[i] = static_cast<uint32_t>(doubled % base);
      carry = static_cast<uint32_t>(doubled / base);
    }
    if (carry > 0) limbs[used++] = carry;
  }
  out = digitsOf(out, limbs[used - 1], digitCount(limbs[used - 1]));
  for (int i = used - 2; i >= 0; --i) out = digitsOf(out, limbs[i], 9);
  return out;
}

// Whole values below 2^digits print as integers: exact, positional, and much faster than
// the shortest-digits search. Fractions print in positional form unless they are tiny; tiny
// and huge values take whichever of the two forms is shorter, positional on a tie, and a
// huge value in positional form shows its exact whole digits.
template <class F, class Int, int mantissaDigits>
char* writeReal(char* out, F v) {
  if (std::isnan(v)) return copy(out, "null");
  if (std::isinf(v)) return copy(out, v > 0 ? "1e999" : "-1e999");
  constexpr F wholeLimit = F(Int{1} << mantissaDigits);
  const F magnitude = std::fabs(v);
  if (magnitude < wholeLimit) {
    const Int whole = static_cast<Int>(v);
    if (static_cast<F>(whole) == v) return std::to_chars(out, out + maxNumberText, whole).ptr;
  }
  if (v < 0) *out++ = '-';
  uint64_t digits = 0;
  int exponent = 0;
  shortest(magnitude, digits, exponent);
  if (magnitude < wholeLimit && magnitude >= F(1e-5)) return positional(out, digits, exponent);

  const int count = digitCount(digits);
  const int power = exponent + count - 1;  // of the leading digit
  const int absPower = power < 0 ? -power : power;
  const int scientificLength = count + (count > 1) + 2 + (absPower < 10 ? 2 : digitCount(static_cast<uint64_t>(absPower)));
  const int positionalLength = power >= 0 ? power + 1 : 1 - power + count;
  if (scientificLength < positionalLength) return scientific(out, digits, exponent);
  if (power < 0) return positional(out, digits, exponent);
  return wholeDigits<F, mantissaDigits>(out, magnitude);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The longest prefix of [first, last) that is a number word: inf, infinity, nan, nan(…).
size_t numberWord(const char* first, const char* last) {
  const auto startsWith = [&](std::string_view word) {
    if (static_cast<size_t>(last - first) < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
      if ((first[i] | 0x20) != word[i]) return false;
    return true;
  };
  if (startsWith("infinity")) return 8;
  if (startsWith("inf")) return 3;
  if (!startsWith("nan")) return 0;
  const char* p = first + 3;
  if (p == last || *p != '(') return 3;
  for (const char* q = p + 1; q != last; ++q) {
    if (*q == ')') return static_cast<size_t>(q + 1 - first);
    if (!isDigit(*q) && !((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') && *q != '_') break;
  }
  return 3;
}

// The longest prefix of [first, last) that is decimal text; 0 for none.
size_t decimalText(const char* first, const char* last, bool& nonZero) {
  const char* p = first;
  size_t mantissa = 0;
  for (; p != last && isDigit(*p); ++p, ++mantissa) nonZero |= *p != '0';
  if (p != last && *p == '.') {
    ++p;
    for (; p != last && isDigit(*p); ++p, ++mantissa) nonZero |= *p != '0';
  }
  if (mantissa == 0) return 0;
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q != last && (*q == '+' || *q == '-')) ++q;
    if (q != last && isDigit(*q)) {
      while (q != last && isDigit(*q)) ++q;
      p = q;
    }
  }
  return static_cast<size_t>(p - first);
}

// The C library reads the text once the grammar above has vouched for it.
template <class F>
std::from_chars_result readReal(const char* first, const char* last, F& value) {
  const char* p = first;
  if (p != last && *p == '-') ++p;
  bool nonZero = false, word = false;
  size_t length = numberWord(p, last);
  if (length > 0) {
    word = true;
  } else {
    length = decimalText(p, last, nonZero);
    if (length == 0) return {first, std::errc::invalid_argument};
  }
  const char* end = p + length;
  char text[128];
  std::string owned;
  const size_t size = static_cast<size_t>(end - first);
  const char* c = text;
  if (size < sizeof text) {
    std::memcpy(text, first, size);
    text[size] = '\0';
  } else {
    owned.assign(first, size);
    c = owned.c_str();
  }
  errno = 0;
  F read;
  if constexpr (std::is_same_v<F, float>) {
    read = std::strtof(c, nullptr);
  } else {
    read = std::strtod(c, nullptr);
  }
  if (!word && (std::isinf(read) || (read == 0 && nonZero))) return {end, std::errc::result_out_of_range};
  value = read;
  return {end, std::errc{}};
}

}  // namespace

char* writeSingle(char* out, float v) { return writeReal<float, int32_t, 24>(out, v); }
char* writeDouble(char* out, double v) { return writeReal<double, int64_t, 53>(out, v); }

std::from_chars_result readSingle(const char* first, const char* last, float& value) {
  return readReal(first, last, value);
}

}  // namespace zorvane
