#include "platform/controls.h"

namespace zorvane {

void Control::ZOrder(int position) {
  if (position == 0 && stacking) z = ++stacking->top;
}

}  // namespace zorvane
