// A whole frame of the game drawn by the SDL backend into an offscreen surface with the
// software renderer, as the window and the replay tool's screenshots draw it.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <memory>

#include "game/form1.h"
#include "platform/keys.h"
#include "sdl/painter.h"
#include "sdl/screenshot.h"

namespace zorvane {
namespace {

sdl::FontBook& fonts() {
  static std::unique_ptr<sdl::FontBook> book = sdl::FontBook::files(sdl::standardFontFiles());
  return *book;
}

// A game in play on layout 1 with the ball served, on a target of the picture's size.
struct Scene {
  Form1 form;
  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
  std::unique_ptr<sdl::Painter> painter;
  sdl::Placement placement;

  explicit Scene(double scale) {
    form.fixSeed(1);
    form.Show();
    form.keyDown(keys::Left);
    for (int k = 0; k < 8; ++k) form.Timer2_Timer();
    placement = sdl::placeAtScale(form, scale);
    surface = SDL_CreateRGBSurfaceWithFormat(0, placement.targetWidth, placement.targetHeight, 32,
                                             SDL_PIXELFORMAT_RGB888);
    renderer = SDL_CreateSoftwareRenderer(surface);
    painter = std::make_unique<sdl::Painter>(renderer, fonts());
    draw();  // captions rendered once and cached, as in the window
  }
  ~Scene() {
    painter.reset();
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
  }
  size_t draw() {
    const size_t patches = painter->draw(form, placement).size();
    SDL_RenderFlush(renderer);
    return patches;
  }
};

// Every pixel of the picture painted again: the cost of a frame when everything changed.
void FullFrame(benchmark::State& state) {
  Scene scene(static_cast<double>(state.range(0)));
  for (auto _ : state) {
    scene.painter->invalidate();
    benchmark::DoNotOptimize(scene.draw());
  }
  state.counters["pixels"] = scene.placement.targetWidth * scene.placement.targetHeight;
}
BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The frame the window draws after a ball tick and a logo tick: only what moved.
void FrameAfterTicks(benchmark::State& state) {
  Scene scene(static_cast<double>(state.range(0)));
  Form1& f = scene.form;
  f.paddle.Left = f.boardLeft - 1;  // the paddle spans the playfield: the ball stays in flight
  f.paddle.Width = f.boardRight - f.boardLeft + 2;
  for (auto _ : state) {
    f.Timer2_Timer();
    f.Timer3_Timer();
    benchmark::DoNotOptimize(scene.draw());
  }
}
BENCHMARK(FrameAfterTicks)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A screenshot from nothing: target, renderer and every caption's text made afresh.
void Screenshot(benchmark::State& state) {
  Form1 form;
  form.fixSeed(1);
  form.Show();
  for (auto _ : state) {
    const sdl::Image image = sdl::renderPicture(form, static_cast<double>(state.range(0)), fonts());
    benchmark::DoNotOptimize(image.pixels.data());
  }
}
BENCHMARK(Screenshot)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvane
