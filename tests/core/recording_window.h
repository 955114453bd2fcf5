// A window for input tests: it writes down the key codes and clicks it receives, and shows
// the buttons a test names.
#pragma once
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace zorvane::testing {

using Log = std::vector<std::string>;

class Recorder : public Window {
 public:
  Log log;
  std::set<std::string> shown;
  Timer timers[3];

  void keyDown(int16_t code) override { log.push_back("down " + std::to_string(code)); }
  void keyUp(int16_t code) override { log.push_back("up " + std::to_string(code)); }
  bool click(std::string_view name) override {
    if (!shown.count(std::string(name))) return false;
    log.push_back("click " + std::string(name));
    return true;
  }
  void visitControls(ControlVisitor&) const override {}
  Timer& timer(int n) override { return timers[n - 1]; }
  std::string_view title() const override { return "recorder"; }
  float clientWidth() const override { return 100; }
  float clientHeight() const override { return 100; }
  Color backColor() const override { return 0; }
  Log take() { return std::exchange(log, {}); }

 protected:
  void buildControls() override {}
  void destroyControls() override {}
  void tick(int) override {}
  void Form_Load() override {}
};

}  // namespace zorvane::testing
