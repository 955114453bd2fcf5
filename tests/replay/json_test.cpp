// Trace numbers and strings: shortest exact text, valid JSON whatever the value.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "trace/json.h"

namespace zorvane {
namespace {

std::string singleText(float v) {
  char buf[maxNumberText];
  return {buf, writeSingle(buf, v)};
}

std::string doubleText(double v) {
  char buf[maxNumberText];
  return {buf, writeDouble(buf, v)};
}

TEST(TraceNumbers, SinglesAreShortestAndPositional) {
  const struct { float v; const char* text; } cases[] = {
      {6649.6f, "6649.6"},        {103.6875f, "103.6875"}, {226.2f, "226.2"},
      {120.0f, "120"},            {-104.0f, "-104"},       {0.0f, "0"},
      {-0.0f, "0"},               {0.1f, "0.1"},           {4569.99f, "4569.99"},
      {1000000.0f, "1000000"},    {16777216.0f, "16777216"},
      {-0.001f, "-0.001"},        {1e-7f, "1e-07"},        {3e38f, "3e+38"},
  };
  for (const auto& c : cases) EXPECT_EQ(singleText(c.v), c.text) << c.text;
}

TEST(TraceNumbers, DoublesAreShortestAndPositional) {
  const struct { double v; const char* text; } cases[] = {
      {1 - 0.5 * 0.31, "0.845"},      {0.1, "0.1"},
      {double(0.1f), "0.10000000149011612"},
      {0.1 + 0.2, "0.30000000000000004"},
      {-165.9, "-165.9"},             {2.0, "2"},
      {9007199254740992.0, "9007199254740992"},
      {1e300, "1e+300"},              {5e-324, "5e-324"},
  };
  for (const auto& c : cases) EXPECT_EQ(doubleText(c.v), c.text) << c.text;
}

// Every finite value must read back bit for bit: the contract's promise to trace readers.
TEST(TraceNumbers, EveryFiniteValueReadsBackExactly) {
  std::mt19937_64 bits(12345);
  int checked = 0;
  for (int i = 0; i < 200000; ++i) {
    const uint64_t b = bits();
    float f;
    const uint32_t fb = static_cast<uint32_t>(b);
    std::memcpy(&f, &fb, sizeof f);
    double d;
    std::memcpy(&d, &b, sizeof d);
    if (std::isfinite(f)) {
      const std::string t = singleText(f);
      float back = 0;
      const auto r = std::from_chars(t.data(), t.data() + t.size(), back);
      ASSERT_TRUE(r.ec == std::errc{} && r.ptr == t.data() + t.size()) << t;
      ASSERT_EQ(back, f) << t;
      ++checked;
    }
    if (std::isfinite(d)) {
      const std::string t = doubleText(d);
      double back = 0;
      const auto r = std::from_chars(t.data(), t.data() + t.size(), back);
      ASSERT_TRUE(r.ec == std::errc{} && r.ptr == t.data() + t.size()) << t;
      ASSERT_EQ(back, d) << t;
    }
  }
  EXPECT_GT(checked, 150000);
}

TEST(TraceNumbers, NonFiniteValuesStayValidJson) {
  EXPECT_EQ(singleText(INFINITY), "1e999");
  EXPECT_EQ(singleText(-INFINITY), "-1e999");
  EXPECT_EQ(doubleText(NAN), "null");
}

TEST(TraceJson, StringsAreEscaped) {
  JsonBuffer out;
  out.string("say \"hi\"\\ \n\t\x01 caf\xC3\xA9 ?!");
  EXPECT_EQ(out.view(), R"("say \"hi\"\\ \u000a\u0009\u0001 café ?!")");
}

// The buffer starts small and grows while lines are written; nothing may be lost on the way.
TEST(TraceJson, BufferKeepsEverythingAcrossGrowth) {
  JsonBuffer out;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    out.integer(i * 7919);
    out.put(',');
    out.single(i + 0.5f);
    out.raw(";");
    out.string(std::string(i % 40, 'x'));
    expected += std::to_string(i * 7919) + "," + std::to_string(i) + ".5;\"" + std::string(i % 40, 'x') + "\"";
  }
  EXPECT_EQ(out.view(), expected);
  out.clear();
  out.boolean(true);
  EXPECT_EQ(out.view(), "true");
}

}  // namespace
}  // namespace zorvane
