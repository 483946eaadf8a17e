// Ordered subscriptions to the chat events. A service subscribes a
// reaction under its step (core/order.h); the core runs the reactions of
// an event in the order of their steps, and in the order of subscription
// within one step. A reaction that returns Flow::Halt ends the run: the
// later steps of that event do not see it. Main thread only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/chat_event.h"
#include "core/order.h"

namespace pelmo {

enum class Flow { Continue, Halt };

template <typename Step>
class Reactions {
 public:
  using Handler = std::function<Flow(const ChatEvent& event)>;

  // A reaction that may halt the run.
  void Add(Step step, Handler handler) {
    auto at = std::upper_bound(
        m_entries.begin(), m_entries.end(), step,
        [](Step wanted, const Entry& entry) { return wanted < entry.step; });
    m_entries.insert(at, Entry{step, std::move(handler)});
  }
  // A reaction that never halts.
  template <typename F>
    requires std::is_void_v<std::invoke_result_t<F, const ChatEvent&>>
  void Add(Step step, F reaction) {
    Add(step, Handler([reaction = std::move(reaction)](const ChatEvent& event) {
          reaction(event);
          return Flow::Continue;
        }));
  }

  // Runs every reaction in order. False when one halted. A reaction's
  // error ends the run and reaches the caller.
  bool Run(const ChatEvent& event) const {
    for (const Entry& entry : m_entries) {
      if (entry.handler(event) == Flow::Halt) return false;
    }
    return true;
  }
  bool Empty() const { return m_entries.empty(); }

 private:
  struct Entry {
    Step step;
    Handler handler;
  };
  std::vector<Entry> m_entries;
};

// The steps of the program's and the bot's life that services take part
// in. They run in the order of installation (fixed by the program); a
// failing one is logged and does not keep the others from running, except
// in settingsReloaded, whose errors reach the window's error report.
struct Lifecycle {
  // Program start, before the settings load: lists kept in memory.
  std::vector<std::function<void()>> loadLists;
  // After a successful start (texts loaded) and a successful stop.
  std::vector<std::function<void()>> started;
  std::vector<std::function<void()>> stopped;
  // The program closes: after the stop, before the start counter is written.
  std::vector<std::function<void()>> closing;
  // The settings page's "Cancel", after the settings are loaded again.
  std::vector<std::function<void()>> settingsReloaded;
  // The files are read again while the bot runs (SIGHUP), after the
  // settings and the loadLists steps: what a start loads.
  std::vector<std::function<void()>> reloaded;
};

// Everything a service can subscribe to.
struct Subscriptions {
  Reactions<SeenStep> seen;
  Reactions<GreetingStep> greeting;
  Reactions<JoinStep> join;
  Reactions<LeaveStep> leave;
  Reactions<LineStep> line;
  Reactions<PasswordLineStep> passwordLine;
  Lifecycle life;
};

}  // namespace pelmo
