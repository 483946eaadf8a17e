// What the front-ends show: the window log, the roster, the status bar
// panels and the topic label. The core keeps the state; a front-end (the
// standard-output log of the headless program, the Qt window) observes it.
// Main thread only.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

class BotView {
 public:
  virtual ~BotView() = default;
  // One window-log line: prefix "[hh:nn] " (black) and text (colour).
  virtual void OnLogLine(const std::string& prefix, const std::string& text,
                         std::uint32_t color) { (void)prefix; (void)text; (void)color; }
  virtual void OnLogCleared() {}
  virtual void OnRosterChanged() {}
  // Panel 0..3 of the status bar changed.
  virtual void OnStatusPanel(int panel, const std::string& text) { (void)panel; (void)text; }
  virtual void OnTopicChanged(const std::string& topic) { (void)topic; }
};

}  // namespace pelmo
