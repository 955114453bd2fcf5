#include "paint/icon.h"

#include <initializer_list>
#include <vector>

#include "paint/painter.h"
#include "platform/contract.h"

namespace zorvane::paint {
namespace {

// The icon's picture: 64 × 64 pixels at scale 1 holding its objects, with a margin of
// `margin` units of the playfield's green on every side.
class IconView : public View {
 public:
  explicit IconView(float margin = 0) : side(960 + 2 * margin) {
    const Color colours[3] = {RGB(255, 0, 0), RGB(255, 128, 0), RGB(0, 128, 255)};
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 4; ++col) {
        if (row == 2 && (col == 1 || col == 2)) continue;  // a gap the ball has knocked out
        Label brick;
        brick.Left = float(60 + col * 210), brick.Top = float(90 + row * 120);
        brick.Width = 210, brick.Height = 120;
        brick.BackColor = colours[row];
        brick.hasBackColor = true;
        brick.border = true;
        brick.z = 2;
        bricks.push_back(brick);
      }
    frame.Left = 15, frame.Top = 15, frame.Width = 930, frame.Height = 930;
    frame.BackColor = RGB(0, 255, 0);
    ball.kind = ShapeKind::Circle;
    ball.Left = 540, ball.Top = 540, ball.Width = 165, ball.Height = 165;
    ball.BackColor = RGB(0, 0, 255);
    ball.z = 3;
    paddle.kind = ShapeKind::RoundedRectangle;
    paddle.Left = 270, paddle.Top = 780, paddle.Width = 420, paddle.Height = 105;
    paddle.BackColor = RGB(255, 255, 0);
    paddle.z = 3;
    for (Control* c : std::initializer_list<Control*>{&frame, &ball, &paddle}) c->Left += margin, c->Top += margin;
    for (Label& b : bricks) b.Left += margin, b.Top += margin;
  }
  void visitControls(ControlVisitor& v) const override {
    v.shape(frame);
    for (const Label& b : bricks) v.label(b);
    v.shape(ball);
    v.shape(paddle);
  }
  std::string_view title() const override { return "icon"; }
  float clientWidth() const override { return side; }
  float clientHeight() const override { return side; }
  Color backColor() const override { return RGB(0, 160, 0); }

 private:
  float side;
  Shape frame, ball, paddle;
  std::vector<Label> bricks;
};

}  // namespace

void drawIcon(const Target& target, bool maskable) {
  // Maskable: the icon's 930 units of frame within the middle 80 % circle (its corners 0.39 of
  // the side from the centre), the green beyond it to the edges.
  const IconView icon(maskable ? 384 : 0);
  const Fonts noText;
  Painter painter(noText);
  painter.draw(icon, placeAtScale(icon, target.width / (icon.clientWidth() / unitsPerPixel)), target);
}

}  // namespace zorvane::paint
