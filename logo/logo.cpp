// The title logo: three small balls bouncing inside the red logo box.
#include <cmath>

#include "game/form1.h"

namespace zorvane {

void Form1::initlogo() {
  const double u = brickWidth / 2.5;
  logoBallStepX = {1.1 * u, -u, 0.9 * u};
  logoBallStepY = {static_cast<int16_t>(std::nearbyint(0.9 * u)), static_cast<int16_t>(std::nearbyint(-u)),
                   static_cast<int16_t>(std::nearbyint(-1.1 * u))};
  Load(logoball, 1);
  Load(logoball, 2);
  for (int i = 0; i <= 2; ++i) {
    Shape& b = logoball(i);
    b.Width = brickHeight / 3;
    b.Height = brickHeight / 3;
    b.Top = logobox.Height / 2 + logobox.Top;
    b.Left = logobox.Width / 2 + logobox.Left;
    b.Visible = true;
    ZOrder(b, 0);
  }
}

// Each ball steps on; one that would leave the box is put on the edge and turned back.
void Form1::Timer3_Timer() {
  for (int i = 0; i <= 2; ++i) {
    Shape& b = logoball(i);
    double nx = b.Left + logoBallStepX[i];
    float ny = logoBallStepY[i] + b.Top;
    if (ny < logobox.Top) {
      ny = logobox.Top;
      logoBallStepY[i] = static_cast<int16_t>(-logoBallStepY[i]);
    }
    if (ny + b.Height > logobox.Top + logobox.Height) {
      ny = logobox.Height + logobox.Top - b.Height;
      logoBallStepY[i] = static_cast<int16_t>(-logoBallStepY[i]);
    }
    if (nx < logobox.Left) {
      nx = logobox.Left;
      logoBallStepX[i] = -logoBallStepX[i];
    }
    if (nx + b.Width > logobox.Left + logobox.Width) {
      nx = logobox.Width + logobox.Left - b.Width;
      logoBallStepX[i] = -logoBallStepX[i];
    }
    b.Move(static_cast<float>(nx), ny);
  }
}

}  // namespace zorvane
