// Numbers as text, one code path for every build: shortest digits from fmt, laid out in
// positional form where sensible, and decimal text read back with a strict grammar.
#pragma once
#include <charconv>
#include <cstddef>

namespace zorvane {

// Longest text writeSingle or writeDouble can produce.
constexpr size_t maxNumberText = 32;

// Shortest text that reads back as exactly `v`, positional where sensible ("6649.6", "120").
// Infinities are written 1e999 / -1e999 and NaN as null, so the line stays valid JSON.
char* writeSingle(char* out, float v);
// The shortest text of a draw in [0, 1) that reads back as exactly `v`: "0", or its shortest
// digits in positional form without the leading zero (".5", ".000015") or in exponent form
// ("1.5e-9"), whichever is shorter; never longer than any other decimal text of `v`.
char* writeDraw(char* out, float v);
char* writeDouble(char* out, double v);

// Reads decimal text as std::from_chars(…, chars_format::general) does: an optional '-',
// digits with an optional point and exponent, or inf, infinity, nan; no hex, no spaces, no
// '+'. Rounds correctly. result_out_of_range when the value overflows or rounds to zero.
std::from_chars_result readSingle(const char* first, const char* last, float& value);

}  // namespace zorvane
