// An input for gamepad tests: it writes down the key codes and clicks it receives, and shows
// the buttons a test names.
#pragma once
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/input.h"

namespace zorvane::testing {

using Log = std::vector<std::string>;

class Recorder : public Input {
 public:
  Log log;
  std::set<std::string> shown;

  void keyDown(int16_t code) override { log.push_back("down " + std::to_string(code)); }
  void keyUp(int16_t code) override { log.push_back("up " + std::to_string(code)); }
  bool click(std::string_view name) override {
    if (!shown.count(std::string(name))) return false;
    log.push_back("click " + std::string(name));
    return true;
  }
  Log take() { return std::exchange(log, {}); }
};

}  // namespace zorvane::testing
