// The flood guard: one computer must not make the bot answer many times a
// second to the whole chat. Per host name, more than Commands commands or
// chatterbox triggers within Seconds seconds make the bot ignore that
// host's commands and triggers for IgnoreSeconds seconds, with one log line
// when that starts and one when it ends. The caller decides what counts
// (administrators, quiz answers and plain lines do not). Settings live in
// others.ini, section "FloodGuard"; a missing section means off, so an
// existing installation behaves as it always has. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "base/date_time.h"
#include "base/event_loop.h"

namespace pelmo {

class IniFile;
class LineLog;

struct FloodGuardSettings {
  bool Enabled = false;
  int Commands = 8;
  int Seconds = 10;
  int IgnoreSeconds = 60;
};

// Reads "FloodGuard" Enabled, Commands, Seconds, IgnoreSeconds. Enabled
// defaults to whether the section exists; the numbers are clamped to at
// least 1 (and to a day at most).
FloodGuardSettings LoadFloodGuardSettings(const IniFile& othersIni);

class FloodGuard {
 public:
  FloodGuard(EventLoop& loop, const Clock& clock, LineLog& log);
  ~FloodGuard();
  FloodGuard(const FloodGuard&) = delete;
  FloodGuard& operator=(const FloodGuard&) = delete;

  // Takes new settings; forgets every count and ends every ignore period
  // silently.
  void Configure(const FloodGuardSettings& settings);
  bool Enabled() const { return m_settings.Enabled; }

  // True while the host's commands and triggers are ignored.
  bool Ignored(const std::string& host) const;
  // Counts one command or trigger of the host (nick only names it in the
  // log). True when it may be answered; false when the host is ignored,
  // or when this one is one too many: the ignore period then starts and
  // is logged. Always true when the guard is off.
  bool Admit(const std::string& host, const std::string& nick);
  // How many hosts the guard remembers now (counts and ignore periods).
  std::size_t TrackedHosts() const { return m_hosts.size(); }

 private:
  struct HostState {
    std::deque<std::uint64_t> stamps;  // tick counts within the window
    EventLoop::TimerId ignoreTimer = 0;
  };
  void StartIgnoring(const std::string& host, const std::string& nick, HostState& state);
  void StopIgnoring(const std::string& host);
  void DropOld(HostState& state, std::uint64_t now) const;
  void Sweep(std::uint64_t now);
  void Clear();

  EventLoop& m_loop;
  const Clock& m_clock;
  LineLog& m_log;
  FloodGuardSettings m_settings;
  std::map<std::string, HostState> m_hosts;
};

}  // namespace pelmo
