// stb_truetype, built once. Its signed-distance helpers are the only code of it that uses
// inexact library functions (pow, cos, acos): the painter never calls them, and they stop
// the program if anything ever does, so that no picture can depend on a C library.
#include <cmath>
#include <cstdlib>

#define STBTT_pow(x, y) (std::abort(), 0.0)
#define STBTT_cos(x) (std::abort(), 0.0)
#define STBTT_acos(x) (std::abort(), 0.0)
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
