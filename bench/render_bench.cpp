// A whole frame of the game drawn by the painter into a buffer of the picture's size, as
// the window, the page and the replay tool's screenshots draw it.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "editor/screen.h"
#include "image/image.h"
#include "paint/painter.h"
#include "platform/keys.h"
#include "script/script.h"
#include "tests/core/test_door.h"

namespace zorvane {
namespace {

const paint::Fonts& fonts() { return paint::Fonts::installed(); }

// A game in play on layout 1 with the ball served, on a target of the picture's size.
struct Scene {
  OpenForm1 form;
  paint::Placement placement;
  std::vector<uint32_t> pixels;
  paint::Painter painter{fonts()};

  explicit Scene(double scale) {
    form.fixSeed(1);
    form.Show();
    form.keyDown(keys::Left);
    for (int k = 0; k < 8; ++k) form.Timer2_Timer();
    placement = paint::placeAtScale(form, scale);
    pixels.resize(size_t(placement.targetWidth) * placement.targetHeight);
    draw();  // captions drawn once and kept, as in the window
  }
  size_t draw() {
    const paint::Target t{pixels.data(), placement.targetWidth, placement.targetHeight, placement.targetWidth, paint::xrgb};
    return painter.draw(form, placement, t).size();
  }
};

// Every pixel of the picture painted again: the cost of a frame when everything changed.
void FullFrame(benchmark::State& state) {
  Scene scene(static_cast<double>(state.range(0)));
  for (auto _ : state) {
    scene.painter.invalidate();
    benchmark::DoNotOptimize(scene.draw());
  }
  state.counters["pixels"] = scene.placement.targetWidth * scene.placement.targetHeight;
}
BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The frame the window draws after a ball tick and a logo tick: only what moved.
void FrameAfterTicks(benchmark::State& state) {
  Scene scene(static_cast<double>(state.range(0)));
  OpenForm1& f = scene.form;
  f.paddle.Left = f.boardLeft - 1;  // the paddle spans the playfield: the ball stays in flight
  f.paddle.Width = f.boardRight - f.boardLeft + 2;
  for (auto _ : state) {
    f.Timer2_Timer();
    f.Timer3_Timer();
    benchmark::DoNotOptimize(scene.draw());
  }
}
BENCHMARK(FrameAfterTicks)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// One cell painted in the layout editor (a click), then the frame the window draws: the cell's
// patch and a line of words.
struct EditorScene {
  EditorScreen editor{{}, "bench.layouts"};
  paint::Placement placement;
  std::vector<uint32_t> pixels;
  paint::Painter painter{fonts()};
  int code = 5;

  explicit EditorScene(double scale) : placement(paint::placeAtScale(editor, scale)) {
    pixels.resize(size_t(placement.targetWidth) * placement.targetHeight);
    draw();
  }
  size_t draw() {
    const paint::Target t{pixels.data(), placement.targetWidth, placement.targetHeight, placement.targetWidth, paint::xrgb};
    return painter.draw(editor, placement, t).size();
  }
  size_t paintCell() {
    editor.editor.beginStroke();
    editor.editor.put(7, 4, code = code == 5 ? 12 : 5);
    editor.editor.endStroke();
    return draw();
  }
};

void EditorPaintsACell(benchmark::State& state) {
  EditorScene scene(double(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(scene.paintCell());
}
BENCHMARK(EditorPaintsACell)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The same beside FrameAfterTicks/1, taken in turn so that a machine's changing load falls on
// both alike: `ratio` is the cell's time over the frame's. Its target: at most 1.
void EditorCellOverFrameAfterTicks(benchmark::State& state) {
  EditorScene editing(1);
  Scene playing(1);
  OpenForm1& f = playing.form;
  f.paddle.Left = f.boardLeft - 1;
  f.paddle.Width = f.boardRight - f.boardLeft + 2;
  using Clock = std::chrono::steady_clock;
  Clock::duration cell{}, frame{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(editing.paintCell());
    const auto t1 = Clock::now();
    f.Timer2_Timer();
    f.Timer3_Timer();
    benchmark::DoNotOptimize(playing.draw());
    frame += Clock::now() - t1;
    cell += t1 - t0;
  }
  state.counters["ratio"] = double(cell.count()) / double(frame.count());
}
BENCHMARK(EditorCellOverFrameAfterTicks)->Unit(benchmark::kMicrosecond);

// A layout file of 100 layouts read, checked and opened in the editor, its first picture
// painted. Its target: under 20 ms.
void EditorOpensAHundredLayouts(benchmark::State& state) {
  const std::string path = "/tmp/zorvane-bench-" + std::to_string(::getpid()) + ".layouts";
  {
    std::ofstream out(path);
    Layouts all(mostLayouts);
    for (size_t i = 0; i < all.size(); ++i)
      for (int y = 0; y < layoutRowCount; ++y)
        for (size_t x = 0; x < layoutRowDigits; ++x) all[i][size_t(y)] += char('0' + (i + size_t(y) + x) % 10);
    for (const LayoutRows& l : all) out << layoutLine(l);
  }
  const paint::Placement placement = paint::placeAtScale(EditorScreen({}, ""), 1);
  std::vector<uint32_t> pixels(size_t(placement.targetWidth) * placement.targetHeight);
  const paint::Target t{pixels.data(), placement.targetWidth, placement.targetHeight, placement.targetWidth, paint::xrgb};
  for (auto _ : state) {
    Layouts read;
    std::string error;
    if (loadLayouts(path, read, error) != 0) state.SkipWithError(error.c_str());
    EditorScreen editor(read, path);
    paint::Painter painter{fonts()};
    benchmark::DoNotOptimize(painter.draw(editor, placement, t).size());
  }
  std::remove(path.c_str());
}
BENCHMARK(EditorOpensAHundredLayouts)->Unit(benchmark::kMillisecond);

// A screenshot from nothing: target, painter and every caption's text made afresh.
void Screenshot(benchmark::State& state) {
  OpenForm1 form;
  form.fixSeed(1);
  form.Show();
  for (auto _ : state) {
    const image::Image image = image::renderPicture(form, paint::placeAtScale(form, double(state.range(0))), fonts());
    benchmark::DoNotOptimize(image.pixels.data());
  }
}
BENCHMARK(Screenshot)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvane
