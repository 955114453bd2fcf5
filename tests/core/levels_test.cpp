#include <gtest/gtest.h>

#include "tests/core/game_fixture.h"

namespace zorvane {
namespace {

using testing::Game;

TEST(Levels, EachLayoutLaysAndCountsItsBricks) {
  Game g;
  OpenForm1& f = g.form;
  const struct { int layout, shown, counted; const char* caption; } layouts[] = {
      {1, 200, 200, "200"}, {2, 120, 120, "120"}, {3, 164, 164, "164"}, {4, 164, 164, "164"},
      {5, 114, 114, "114"}, {6, 104, 104, "104"}, {7, 128, 104, "104"}, {8, 54, 21, "021"}};
  for (const auto& l : layouts) {
    f.layoutIndex = l.layout;
    f.grid();
    f.grid();  // a second build does not add to the first
    EXPECT_EQ(g.shownBricks(), l.shown) << "layout " << l.layout;
    EXPECT_EQ(f.bricksLeft, l.counted) << "layout " << l.layout;
    EXPECT_EQ(f.bricksAtStart, l.counted) << "layout " << l.layout;
    EXPECT_EQ(f.numbricks.Caption, l.caption) << "layout " << l.layout;
  }
}

TEST(Levels, FirstFieldStandsOnRowsThreeToTwelve) {
  Game g;
  const OpenForm1& f = g.form;
  for (int i = 1; i <= 500; ++i) EXPECT_EQ(f.brick(i).Visible, i >= 41 && i <= 240) << i;
  EXPECT_EQ(f.brick(41).Left, 120.0f);
  EXPECT_EQ(f.brick(41).Top, 2012.4f);
  EXPECT_EQ(f.brick(500).Left, 8000.25f);
  EXPECT_EQ(f.brick(500).Top, 6988.8f);
  EXPECT_EQ(f.brick(500).Left + f.brick(500).Width, 8415.0f);
  EXPECT_EQ(f.brick(500).Top + f.brick(500).Height, 7215.0f);
  // Codes outside the layout rows stay 0.
  for (int x = 0; x <= 30; ++x) {
    for (int y = 0; y <= 35; ++y) {
      if (x < 1 || x > 20 || y < 3 || y > 12) {
        EXPECT_EQ(f.brickCode[x][y], 0) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(f.brickCode[1][3], 41);  // "41" leads the first row
  EXPECT_EQ(f.brickCode[1][4], 9);   // "09": a leading zero
  // Bricks and then logo balls are in front of every design shape and label.
  EXPECT_GT(f.brick(1).z, f.ball.z);
  EXPECT_GT(f.logoball(0).z, f.brick(500).z);
}

TEST(Levels, ColoursAndCaptionsFollowTheCode) {
  Game g;
  OpenForm1& f = g.form;
  f.bricksAtStart = 0;  // building
  const struct { int16_t code; Color color; const char* caption; } cases[] = {
      {1, RGB(255, 0, 0), "1"},       {2, RGB(255, 127, 0), "1"},     {13, RGB(255, 255, 255), "1"},
      {21, RGB(0, 0, 0), "1"},        {27, RGB(0, 127, 0), "1"},      {28, RGB(255, 0, 0), "2"},
      {34, RGB(127, 127, 127), "2"},  {41, RGB(127, 127, 127), "3"},  {45, RGB(0, 255, 255), "4"},
      {67, RGB(0, 0, 255), "7"},      {76, RGB(127, 127, 127), "8"},  {77, RGB(0, 0, 255), "?"},
      {82, RGB(255, 255, 0), "?"},    {85, RGB(0, 255, 0), "?"},      {88, RGB(255, 0, 255), "?"},
      {89, RGB(255, 0, 0), "?"},      {90, RGB(255, 0, 0), "?"},      {91, RGB(255, 255, 255), "?"},
      {98, RGB(255, 255, 255), "?"},  {99, RGB(255, 255, 255), "!"}};
  for (const auto& c : cases) {
    f.bricksLeft = 0;
    f.brickCode[5][5] = c.code;
    f.brick(85).Visible = false;
    f.colorbricks(85, 5, 5);
    EXPECT_TRUE(f.brick(85).Visible) << c.code;
    EXPECT_EQ(f.brick(85).BackColor, c.color) << c.code;
    EXPECT_EQ(f.brick(85).Caption, c.caption) << c.code;
    EXPECT_EQ(f.bricksLeft, c.code == 99 ? 0 : 1) << c.code;
  }
  // Code 0 while building: stays hidden, keeps its colour, caption "1", not counted.
  f.bricksLeft = 0;
  f.brickCode[5][5] = 0;
  f.brick(85).Visible = false;
  f.brick(85).Caption = "x";
  f.colorbricks(85, 5, 5);
  EXPECT_FALSE(f.brick(85).Visible);
  EXPECT_EQ(f.brick(85).BackColor, RGB(255, 255, 255));
  EXPECT_EQ(f.brick(85).Caption, "1");
  EXPECT_EQ(f.bricksLeft, 0);
}

TEST(Levels, RemovingTheLastBrickInPlayClearsTheLevel) {
  Game g;
  OpenForm1& f = g.form;
  f.bricksLeft = 1;
  f.brickCode[3][4] = 0;
  f.colorbricks(63, 3, 4);
  EXPECT_FALSE(f.brick(63).Visible);
  EXPECT_EQ(f.bricksLeft, 0);
  EXPECT_EQ(f.numbricks.Caption, "000");
  EXPECT_TRUE(f.nextlevel.Visible);
  EXPECT_EQ(f.nextlevel.Caption, "Level: 2");
  EXPECT_EQ(f.Timer2.Interval(), 0);
  // A step-down in play keeps the brick and never raises the count.
  f.bricksLeft = 5;
  f.brickCode[3][5] = 28;
  f.colorbricks(83, 3, 5);
  EXPECT_TRUE(f.brick(83).Visible);
  EXPECT_EQ(f.brick(83).BackColor, RGB(255, 0, 0));
  EXPECT_EQ(f.bricksLeft, 5);
  // A count below zero shows its last three digits.
  f.bricksLeft = 0;
  f.brickCode[3][5] = 0;
  f.colorbricks(83, 3, 5);
  EXPECT_EQ(f.numbricks.Caption, "999");
}

}  // namespace
}  // namespace zorvane
