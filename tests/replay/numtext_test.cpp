// Numbers as text: the shared writer must give exactly the text the standard library's
// shortest formatting gave before (positional where the trace has always been positional),
// and the reader must accept exactly what std::from_chars accepts, and nothing more.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>

#include "trace/numtext.h"

namespace zorvane {
namespace {

// The trace's number text as std::to_chars lays it out: whole values as integers, fractions
// from 1e-5 up in fixed form, the rest in whichever form is shorter.
template <class F>
std::string reference(F v) {
  using Int = std::conditional_t<sizeof(F) == 4, int32_t, int64_t>;
  constexpr F wholeLimit = F(Int{1} << (sizeof(F) == 4 ? 24 : 53));
  char buf[64];
  const F magnitude = std::fabs(v);
  if (magnitude < wholeLimit) {
    const Int whole = static_cast<Int>(v);
    if (static_cast<F>(whole) == v) return {buf, std::to_chars(buf, buf + 64, whole).ptr};
    if (magnitude >= F(1e-5)) return {buf, std::to_chars(buf, buf + 64, v, std::chars_format::fixed).ptr};
  }
  return {buf, std::to_chars(buf, buf + 64, v).ptr};
}

template <class F>
std::string written(F v) {
  char buf[maxNumberText];
  if constexpr (sizeof(F) == 4) {
    return {buf, writeSingle(buf, v)};
  } else {
    return {buf, writeDouble(buf, v)};
  }
}

template <class F>
std::from_chars_result read(const std::string& t, F& v) {
  if constexpr (sizeof(F) == 4) {
    return readSingle(t.data(), t.data() + t.size(), v);
  } else {
    return std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  }
}

// Checks one bit pattern; returns false (after one failure message) on the first mismatch.
template <class F, class Bits>
bool sameTextAndExact(Bits bits) {
  F v;
  std::memcpy(&v, &bits, sizeof v);
  if (!std::isfinite(v)) return true;
  const std::string text = written(v);
  const std::string expected = reference(v);
  EXPECT_EQ(text, expected) << "bits " << std::hex << uint64_t(bits);
  if (text != expected) return false;
  F back = 0;
  const auto r = read(text, back);
  const bool exact = r.ec == std::errc{} && r.ptr == text.data() + text.size() &&
                     (back == v || (back == 0 && v == 0));
  EXPECT_TRUE(exact) << text;
  return exact;
}

TEST(NumberText, SinglesMatchTheStandardTextAndReadBack) {
  std::mt19937_64 random(7);
  // Every exponent with the extreme and some random mantissas, then random bit patterns.
  for (uint32_t e = 0; e < 255; ++e) {
    for (int k = 0; k < 300; ++k) {
      uint32_t m = static_cast<uint32_t>(random()) & 0x7fffff;
      if (k < 24) m = 0x7fffff - ((1u << k) - 1);
      if (k >= 24 && k < 48) m = k - 24;
      for (const uint32_t sign : {0u, 0x80000000u})
        ASSERT_TRUE((sameTextAndExact<float, uint32_t>(sign | e << 23 | m)));
    }
  }
  for (int i = 0; i < 300000; ++i) ASSERT_TRUE((sameTextAndExact<float, uint32_t>(static_cast<uint32_t>(random()))));
  // The game's own kind of values: multiples of small powers of two near the field's size.
  for (const float f : {1e-5f, -1e-5f, std::nextafter(1e-5f, 0.0f), 16777216.0f, 16777218.0f, 1e13f})
    ASSERT_TRUE((sameTextAndExact<float, float>(f)));
  for (int i = -40000; i <= 40000; ++i) ASSERT_TRUE((sameTextAndExact<float, float>(static_cast<float>(i) / 64)));
}

TEST(NumberText, DoublesMatchTheStandardTextAndReadBack) {
  std::mt19937_64 random(11);
  for (uint64_t e = 0; e < 2047; ++e) {
    for (int k = 0; k < 120; ++k) {
      uint64_t m = random() & ((uint64_t{1} << 52) - 1);
      if (k < 53) m = (uint64_t{1} << 52) - (uint64_t{1} << k);
      if (k >= 53 && k < 60) m = static_cast<uint64_t>(k - 53);
      ASSERT_TRUE((sameTextAndExact<double, uint64_t>(e << 52 | m)));
    }
  }
  for (int i = 0; i < 300000; ++i) ASSERT_TRUE((sameTextAndExact<double, uint64_t>(random())));
  for (const double d : {0.845, 0.1, 0.1 + 0.2, -165.9, 1.1 * 1.1, 0.9 * 0.9 * 0.9, 1e22, 1.2345678901234568e20, 1e-5, -1e-5})
    ASSERT_TRUE((sameTextAndExact<double, double>(d)));
}

TEST(NumberText, ReaderAcceptsWhatFromCharsAccepts) {
  const char* texts[] = {
      "0.5", ".5", "5e-1", "5E-1", "1.", "-0", "-0.25", "0.99999999", "1e50", "1e-40", "1e-46",
      "1e-400", "3.4028235e38", "3.4028236e38", "1e400", "0.000000000000000000000000000000000000000000001",
      "00012.5000", "inf", "-INF", "infinity", "nan", "NaN(12_ab)", "nan(", "infx", "0x1p-2", " 1", "+1",
      "1e", "1e+", "1ex", "1e+x", "1e-5", "0.5e-", ".", "-", "", "e5", ".e1", "1..2", "1e5.5", "12345678901234567890123456789",
      "0.100000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001"};
  for (const char* t : texts) {
    const std::string text = t;
    const char* first = text.data();
    const char* last = first + text.size();
    float expectedF = 123, gotF = 123;
    const auto a = std::from_chars(first, last, expectedF, std::chars_format::general);
    const auto b = readSingle(first, last, gotF);
    EXPECT_EQ(b.ec, a.ec) << '"' << t << '"';
    EXPECT_EQ(b.ptr - first, a.ptr - first) << '"' << t << '"';
    if (a.ec == std::errc{}) {
      EXPECT_TRUE(std::memcmp(&gotF, &expectedF, sizeof gotF) == 0 || std::isnan(gotF)) << t;
    }
  }
}

}  // namespace
}  // namespace zorvane
