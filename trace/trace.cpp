#include "trace/trace.h"

#include "game/form1.h"
#include "trace/fields.h"

namespace zorvane {

void TraceWriter::number(float v) { out.single(v); }

void TraceWriter::number(double v) { out.real(v); }

void TraceWriter::box(const Control& c) {
  out.put('[');
  number(c.Left);
  out.put(',');
  number(c.Top);
  out.put(',');
  number(c.Width);
  out.put(',');
  number(c.Height);
  out.put(']');
}

void TraceWriter::line(const Form1& form, std::string_view ev) {
  const GameFields& s = form.fields();
  JsonBuffer& o = out;

  o.raw("{\"t\":");
  o.integer(form.now());
  o.raw(",\"ev\":");
  o.string(ev);
#define ZORVANE_TRACE_INTEGER(name) \
  o.raw(",\"" #name "\":");           \
  o.integer(s.name);
  ZORVANE_TRACE_INTEGERS(ZORVANE_TRACE_INTEGER)
#undef ZORVANE_TRACE_INTEGER
  reals(s);
  shapes(s);
  words(s);
  bricks(form);
  o.raw("}\n");
}

// The fields in window units and the speeds.
void TraceWriter::reals(const GameFields& s) {
  JsonBuffer& o = out;
  o.raw(",\"brickWidth\":");
  number(s.brickWidth);
  o.raw(",\"brickHeight\":");
  number(s.brickHeight);
  o.raw(",\"boardLeft\":");
  number(s.boardLeft);
  o.raw(",\"boardTop\":");
  number(s.boardTop);
  o.raw(",\"boardBottom\":");
  number(s.boardBottom);
  o.raw(",\"ballVelocityX\":");
  number(s.ballVelocityX);
  o.raw(",\"baseSpeed\":");
  number(s.baseSpeed);
  o.raw(",\"speedFactorX\":");
  number(s.speedFactorX);
  o.raw(",\"speedFactorY\":");
  number(s.speedFactorY);
  o.raw(",\"logoBallStepX\":[");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) o.put(',');
    number(s.logoBallStepX[i]);
  }
  o.raw("],\"logoBallStepY\":[");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) o.put(',');
    o.integer(s.logoBallStepY[i]);
  }
  o.put(']');
}

// The ball, the paddle, the logo's balls and the lives shown.
void TraceWriter::shapes(const GameFields& s) {
  JsonBuffer& o = out;
  o.raw(",\"ball\":");
  box(s.ball);
  o.raw(",\"paddle\":");
  box(s.paddle);
  o.raw(",\"logoball\":[");
  bool first = true;
  s.logoball.forEach([&](int, const Shape& b) {
    if (!first) o.put(',');
    first = false;
    box(b);
  });
  o.raw("],\"life\":[");
  for (int i = 1; i <= 6; ++i) {
    if (i > 1) o.put(',');
    o.boolean(s.life.exists(i) && s.life(i).Visible);
  }
  o.put(']');
}

// The captions, the buttons shown and the timers.
void TraceWriter::words(const GameFields& s) {
  JsonBuffer& o = out;
  o.raw(",\"showscore\":");
  o.string(s.showscore.Caption);
  o.raw(",\"highscore\":");
  o.string(s.highscore.Caption);
  o.raw(",\"numbricks\":");
  o.string(s.numbricks.Caption);
  o.raw(",\"pause\":");
  o.boolean(s.pause.Visible);
  o.raw(",\"gameover\":");
  o.boolean(s.gameover.Visible);
  o.raw(",\"nextlevel\":[");
  o.boolean(s.nextlevel.Visible);
  o.put(',');
  o.string(s.nextlevel.Caption);
  o.raw("],\"timers\":[");
  o.integer(s.Timer1.Interval());
  o.put(',');
  o.integer(s.Timer2.Interval());
  o.put(',');
  o.integer(s.Timer3.Interval());
  o.put(']');
}

// Compares every cell with the last scan and writes the changed ones, if any.
void TraceWriter::bricks(const Form1& form) {
  const GameFields& s = form.fields();
  static const Label absent = [] {  // a cell without a brick object shows hidden and blank
    Label l;
    l.Visible = false;
    return l;
  }();
  // Only cells marked since the last scan can differ; after a rebuild every brick is new.
  const bool all = !haveCells || form.rebuilds() != rebuildsSeen;
  const uint64_t codesSeen = codeEditsSeen, bricksSeen = brickEditsSeen;
  if (!all && s.brickCode.edits() == codesSeen && s.brick.edits() == bricksSeen) return;
  rebuildsSeen = form.rebuilds();
  codeEditsSeen = s.brickCode.edits();
  brickEditsSeen = s.brick.edits();
  size_t count = 0;
  for (int y = 1, i = 1; y <= gridRows; ++y) {
    for (int x = 1; x <= gridColumns; ++x, ++i) {
      if (!all && !s.brickCode.editedSince(x, y, codesSeen) && !s.brick.editedSince(i, bricksSeen)) continue;
      const int16_t code = s.brickCode[x][y];
      const Label& b = s.brick.exists(i) ? s.brick(i) : absent;
      Cell& c = cells[i];
      const bool same = c.code == code && c.visible == b.Visible && c.color == b.BackColor && c.caption == b.Caption;
      if (haveCells && same) continue;
      c.code = code;
      c.visible = b.Visible;
      c.color = b.BackColor;
      c.caption = b.Caption;
      changed[count++] = static_cast<uint16_t>(i);
    }
  }
  haveCells = true;
  if (count == 0) return;

  JsonBuffer& o = out;
  o.raw(",\"bricks\":[");
  for (size_t k = 0; k < count; ++k) {
    const int i = changed[k];
    const Cell& c = cells[i];
    if (k > 0) o.put(',');
    o.put('[');
    o.integer(i);
    o.put(',');
    o.integer(c.code);
    o.put(',');
    o.boolean(c.visible);
    o.put(',');
    o.string(c.caption);
    o.put(',');
    o.integer(c.color);
    o.put(']');
  }
  o.put(']');
}

}  // namespace zorvane
