// What must hold after every handled event, whatever the player did: indexes in range,
// values in their legal sets, captions in their formats, no NaN where play can't make one.
#pragma once
#include <string>
#include <string_view>

namespace zorvane {

class Form1;

namespace soak {

// Checks a loaded game after each event. It remembers one thing between events: whether
// the ball or the paddle has grown to an infinite size in this window. Special bricks may
// grow both without bound, and from then on positions computed from those sizes may be
// infinite or NaN (an infinite paddle centres the ball at inf - inf); until the next
// restart only the sizes themselves are required to be no NaN.
class InvariantChecker {
 public:
  // On the first broken invariant returns false and says which, with the values involved.
  bool check(const Form1& form, std::string_view ev, std::string& broken);
  bool sizesOverflowed() const { return overflowed; }

 private:
  bool overflowed = false;
};

}  // namespace soak
}  // namespace zorvane
