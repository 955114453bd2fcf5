#include "tests/soak/invariants.h"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "game/form1.h"

namespace zorvane::soak {
namespace {

template <class... Values>
bool fail(std::string& broken, const char* what, const Values&... values) {
  std::ostringstream s;
  s << std::setprecision(17) << what;
  ((s << ' ' << values), ...);
  broken = s.str();
  return false;
}

bool finite(const Control& c) {
  return std::isfinite(c.Left) && std::isfinite(c.Top) && std::isfinite(c.Width) && std::isfinite(c.Height);
}

bool digits(const std::string& text, size_t count) {
  if (text.size() != count) return false;
  for (const char ch : text)
    if (ch < '0' || ch > '9') return false;
  return true;
}

// The caption a shown brick of code c carries: hits still needed, '?' or '!'.
char captionOf(int c) {
  if (c >= 28 && c <= 76) return static_cast<char>('0' + c / 7 - 2);
  if (c >= 77 && c <= 98) return '?';
  if (c == 99) return '!';
  return '1';
}

bool codeAllowed(int x, int y, int c) {
  const bool field = x >= 1 && x <= 20 && y >= 3 && y <= 12;
  return field ? c >= 0 && c <= 99 : c == 0;
}

bool checkBricks(const Form1& f, std::string& broken) {
  const GameFields& s = f.fields();
  if (s.brick.upperBound() != 500) return fail(broken, "brick members beyond 500: upper bound", s.brick.upperBound());
  if (!s.brick.exists(0) || s.brick(0).Visible) return fail(broken, "design brick(0) missing or shown");
  // Codes 0..99 in the layout rows and 0 everywhere else: a quick pass, then the cell.
  bool codes = true;
  for (int x = 0; x <= 30; ++x)
    for (int y = 0; y <= 35; ++y) codes &= codeAllowed(x, y, s.brickCode[x][y]);
  if (!codes) {
    for (int x = 0; x <= 30; ++x)
      for (int y = 0; y <= 35; ++y)
        if (!codeAllowed(x, y, s.brickCode[x][y]))
          return fail(broken, "brickCode out of range (0..99 in the layout rows, 0 elsewhere): x y code", x, y,
                      s.brickCode[x][y]);
  }
  int members = 0, wrong = 0;
  s.brick.forEach([&](int i, const Label& b) {
    ++members;
    if (i == 0 || wrong != 0) return;
    const int c = s.brickCode[(i - 1) % 20 + 1][(i - 1) / 20 + 1];
    if (b.Visible != (c > 0) || (c > 0 && !(b.Caption.size() == 1 && b.Caption[0] == captionOf(c))) || !finite(b))
      wrong = i;
  });
  if (members != 501) return fail(broken, "brick members 0..500 are not all there: members", members);
  if (wrong != 0) {
    const Label& b = s.brick(wrong);
    return fail(broken, "brick shown, captioned or placed against its code: i code visible caption left top", wrong,
                s.brickCode[(wrong - 1) % 20 + 1][(wrong - 1) / 20 + 1], b.Visible, b.Caption, b.Left, b.Top);
  }
  return true;
}

bool checkMotion(const Form1& f, std::string_view ev, bool overflowed, std::string& broken) {
  const GameFields& s = f.fields();
  if (s.baseSpeed != s.brickWidth / 4) return fail(broken, "baseSpeed is not brickWidth / 4:", s.baseSpeed);
  const float vx = s.ballVelocityX, speed = s.baseSpeed;
  if (!(vx == 0 || vx == speed || vx == -speed)) return fail(broken, "ballVelocityX not 0 or +-baseSpeed:", vx);
  const int vy = s.ballVelocityY, rounded = static_cast<int>(std::nearbyint(speed));
  if (!(vy == 0 || vy == rounded || vy == -rounded)) return fail(broken, "ballVelocityY not 0 or +-round(baseSpeed):", vy);
  if (!(s.speedFactorX > 0.69 && s.speedFactorX <= 1)) return fail(broken, "speedFactorX outside (0.69, 1]:", s.speedFactorX);
  if (!(s.speedFactorY > 0.5 && s.speedFactorY <= 1)) return fail(broken, "speedFactorY outside (0.5, 1]:", s.speedFactorY);
  if (s.paddleDirection < 0 || s.paddleDirection > 2) return fail(broken, "paddleDirection outside 0..2:", s.paddleDirection);

  const Shape& ball = s.ball;
  const Shape& paddle = s.paddle;
  for (const float size : {ball.Width, ball.Height, paddle.Width})
    if (std::isnan(size) || size < 0) return fail(broken, "ball or paddle size NaN or negative:", size);
  if (overflowed) return true;
  if (!finite(ball) || !finite(paddle))
    return fail(broken, "ball or paddle not finite: ball", ball.Left, ball.Top, ball.Width, ball.Height, "paddle",
                paddle.Left, paddle.Top, paddle.Width);
  if (paddle.Top != 23 * s.brickHeight + s.board.Top || paddle.Height != std::floor(0.75 * s.brickHeight))
    return fail(broken, "paddle Top or Height moved:", paddle.Top, paddle.Height);

  // The walls keep a ball of ordinary size inside; a hit since it was placed may have
  // grown it by 1.1 (never more than one hit per tick), so its right side gets that slack.
  const float width = static_cast<float>(s.boardRight) - s.boardLeft;
  if (ball.Width <= 0.9f * width && ball.Height <= 20 * s.brickHeight) {
    if (ball.Left < s.boardLeft || ball.Top < s.boardTop)
      return fail(broken, "ball beyond the left or top wall:", ball.Left, ball.Top);
    if (ball.Left + ball.Width > s.boardRight + ball.Width / 11 + 0.5f)
      return fail(broken, "ball beyond the right wall:", ball.Left, ball.Width);
  }
  // A ball tick that leaves the game running has dealt with a ball on the floor.
  if (ev == "Timer2" && s.Timer2.Interval() > 0 && ball.Top + ball.Height >= s.boardBottom)
    return fail(broken, "ball on the floor after a ball tick, and play goes on:", ball.Top, ball.Height);
  return true;
}

bool checkCaptions(const Form1& f, std::string& broken) {
  const GameFields& s = f.fields();
  if (!digits(s.showscore.Caption, 6)) return fail(broken, "showscore not six digits:", s.showscore.Caption);
  if (s.highscore.Caption != sixDigits(s.bestScore))
    return fail(broken, "highscore does not show bestScore:", s.highscore.Caption, s.bestScore);
  if (!digits(s.numbricks.Caption, 3) && s.numbricks.Caption != "1")
    return fail(broken, "numbricks not three digits nor \"1\":", s.numbricks.Caption);
  if (s.nextlevel.Caption != "Level: " + std::to_string(s.levelNumber))
    return fail(broken, "nextlevel caption against levelNumber:", s.nextlevel.Caption, s.levelNumber);
  return true;
}

bool checkLogo(const Form1& f, std::string& broken) {
  const GameFields& s = f.fields();
  if (s.logoball.upperBound() != 2) return fail(broken, "logo balls beyond 2:", s.logoball.upperBound());
  const Shape& box = s.logobox;
  constexpr float slack = 0.01f;  // a step that lands inside is rounded to single afterwards
  for (int i = 0; i <= 2; ++i) {
    if (!s.logoball.exists(i)) return fail(broken, "logo ball missing:", i);
    const Shape& b = s.logoball(i);
    if (!finite(b)) return fail(broken, "logo ball not finite:", i);
    if (b.Left < box.Left || b.Left > box.Left + box.Width - b.Width + slack || b.Top < box.Top ||
        b.Top > box.Top + box.Height - b.Height + slack)
      return fail(broken, "logo ball outside its box: i left top", i, b.Left, b.Top);
  }
  return true;
}

}  // namespace

bool InvariantChecker::check(const Form1& f, std::string_view ev, std::string& broken) {
  if (!f.loaded()) return fail(broken, "the window is not loaded");
  const GameFields& s = f.fields();
  if (ev == "load" || ev == "click gameover") overflowed = false;  // a fresh window sizes everything
  if (std::isinf(s.ball.Width) || std::isinf(s.ball.Height) || std::isinf(s.paddle.Width)) overflowed = true;

  // Seven built-in layouts in rotation, or every one of the player's own.
  const bool own = f.layouts() && !f.layouts()->empty();
  const int16_t rotation = own ? static_cast<int16_t>(f.layouts()->size()) : 7;
  if (s.layoutCount != rotation) return fail(broken, "layoutCount is not the number of layouts:", s.layoutCount);
  if (s.layoutIndex < 1 || s.layoutIndex > s.layoutCount) return fail(broken, "layoutIndex outside 1..layoutCount:", s.layoutIndex);
  if (s.levelNumber < 1) return fail(broken, "levelNumber below 1:", s.levelNumber);
  if (s.livesLeft < 0 || s.livesLeft > 6) return fail(broken, "livesLeft outside 0..6:", s.livesLeft);
  // A layout of the player's own may have nothing to clear.
  if (s.bricksAtStart < (own ? 0 : 1) || s.bricksAtStart > 200)
    return fail(broken, "bricksAtStart outside 1..200 (0..200 on the player's layouts):", s.bricksAtStart);
  if (s.extraLifePoints < 0 || s.extraLifePoints > 5000)
    return fail(broken, "extraLifePoints outside 0..5000:", s.extraLifePoints);
  if (s.bestScore < 0) return fail(broken, "bestScore below 0:", s.bestScore);
  if (s.diceRoll < -5 || s.diceRoll > 85) return fail(broken, "diceRoll outside -5..85:", s.diceRoll);

  const int t1 = s.Timer1.Interval(), t2 = s.Timer2.Interval(), t3 = s.Timer3.Interval();
  if (!(t1 == 0 || t1 == 25) || t1 != t2 || t3 != 50) return fail(broken, "timer intervals:", t1, t2, t3);

  const Shape& board = s.board;
  if (s.brickWidth != board.Width / 20 || s.brickHeight != board.Height / 25 || s.boardLeft != board.Left ||
      s.boardTop != board.Top || s.boardBottom != board.Height + board.Top)
    return fail(broken, "playfield measures changed:", s.brickWidth, s.brickHeight, s.boardLeft, s.boardTop, s.boardBottom);

  if (s.life.upperBound() != 6 || s.life.exists(0)) return fail(broken, "life markers other than 1..6");
  for (int i = 1; i <= 6; ++i)
    if (!s.life.exists(i) || !finite(s.life(i))) return fail(broken, "life marker missing or not finite:", i);

  return checkMotion(f, ev, overflowed, broken) && checkCaptions(f, broken) && checkLogo(f, broken) &&
         checkBricks(f, broken);
}

}  // namespace zorvane::soak
