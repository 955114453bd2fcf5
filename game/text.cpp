// Counter texts: a power of ten is added so that the last digits carry leading zeros.
#include <charconv>

#include "game/form1.h"

namespace zorvane {
namespace {

std::string lastDigits(int64_t v, int64_t power, size_t count) {
  char text[24];
  const char* end = std::to_chars(text, text + sizeof text, v + power).ptr;
  const size_t length = static_cast<size_t>(end - text);
  const char* first = length > count ? end - count : text;
  return std::string(first, static_cast<size_t>(end - first));
}

}  // namespace

std::string sixDigits(int64_t v) { return lastDigits(v, 100000000, 6); }

std::string threeDigits(int64_t v) { return lastDigits(v, 10000, 3); }

}  // namespace zorvane
