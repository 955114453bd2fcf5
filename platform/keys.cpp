#include "platform/keys.h"

namespace zorvane::keys {

int16_t byName(std::string_view name, Naming naming) {
  const bool page = naming == Naming::Page;
  const std::string_view letter = page ? "Key" : "", digit = page ? "Digit" : "";
  if (name.size() == letter.size() + 1 && name.starts_with(letter) && name.back() >= 'A' && name.back() <= 'Z')
    return int16_t(A + (name.back() - 'A'));
  if (name.size() == digit.size() + 1 && name.starts_with(digit) && name.back() >= '0' && name.back() <= '9')
    return int16_t(Digit0 + (name.back() - '0'));
  if ((name.size() == 2 || name.size() == 3) && name[0] == 'F' && name[1] >= '1' && name[1] <= '9') {
    int n = name[1] - '0';
    if (name.size() == 3) n = name[2] >= '0' && name[2] <= '9' ? 10 * n + (name[2] - '0') : 0;
    if (n >= 1 && n <= 12) return int16_t(F1 + n - 1);
  }
  for (const NamedKey& k : named)
    if ((page ? k.page : k.desktop) == name) return k.code;
  return Unknown;
}

int16_t forGame(int16_t c) {
  const bool own = c == Backspace || c == Tab || c == Enter || (c >= Shift && c <= Alt) || c == Escape || c == Space ||
                   (c >= Left && c <= Down) || (c >= Digit0 && c <= Digit0 + 9) || (c >= A && c <= A + 25) ||
                   (c >= F1 && c <= F1 + 11);
  return own ? c : Unknown;
}

}  // namespace zorvane::keys
