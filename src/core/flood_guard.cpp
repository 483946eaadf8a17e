#include "core/flood_guard.h"

#include <algorithm>
#include <chrono>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/line_log.h"

namespace pelmo {

namespace {

constexpr const char* kSection = "FloodGuard";
constexpr long long kDaySeconds = 86400;
// Past this many remembered hosts, those with nothing left to remember go.
constexpr std::size_t kSweepAbove = 256;

int ReadClamped(const IniFile& ini, const char* key, int defaultValue) {
  const long long value = ini.ReadInteger(kSection, key, defaultValue);
  return static_cast<int>(std::clamp<long long>(value, 1, kDaySeconds));
}

}  // namespace

FloodGuardSettings LoadFloodGuardSettings(const IniFile& othersIni) {
  FloodGuardSettings settings;
  settings.Enabled = othersIni.ReadBool(kSection, "Enabled", othersIni.SectionExists(kSection));
  settings.Commands = ReadClamped(othersIni, "Commands", settings.Commands);
  settings.Seconds = ReadClamped(othersIni, "Seconds", settings.Seconds);
  settings.IgnoreSeconds = ReadClamped(othersIni, "IgnoreSeconds", settings.IgnoreSeconds);
  return settings;
}

FloodGuard::FloodGuard(EventLoop& loop, const Clock& clock, LineLog& log)
    : m_loop(loop), m_clock(clock), m_log(log) {}

FloodGuard::~FloodGuard() { Clear(); }

void FloodGuard::Configure(const FloodGuardSettings& settings) {
  Clear();
  m_settings = settings;
}

void FloodGuard::Clear() {
  for (auto& [host, state] : m_hosts) {
    if (state.ignoreTimer != 0) m_loop.StopTimer(state.ignoreTimer);
  }
  m_hosts.clear();
}

bool FloodGuard::Ignored(const std::string& host) const {
  const auto found = m_hosts.find(host);
  return found != m_hosts.end() && found->second.ignoreTimer != 0;
}

bool FloodGuard::Admit(const std::string& host, const std::string& nick) {
  if (!m_settings.Enabled) return true;
  const std::uint64_t now = m_clock.TickMs();
  if (m_hosts.size() > kSweepAbove) Sweep(now);
  HostState& state = m_hosts[host];
  if (state.ignoreTimer != 0) return false;
  DropOld(state, now);
  state.stamps.push_back(now);
  if (state.stamps.size() <= static_cast<std::size_t>(m_settings.Commands)) return true;
  StartIgnoring(host, nick, state);
  return false;
}

void FloodGuard::DropOld(HostState& state, std::uint64_t now) const {
  const std::uint64_t window = static_cast<std::uint64_t>(m_settings.Seconds) * 1000;
  while (!state.stamps.empty() && now - state.stamps.front() >= window) {
    state.stamps.pop_front();
  }
}

void FloodGuard::Sweep(std::uint64_t now) {
  for (auto it = m_hosts.begin(); it != m_hosts.end();) {
    DropOld(it->second, now);
    if (it->second.ignoreTimer == 0 && it->second.stamps.empty()) {
      it = m_hosts.erase(it);
    } else {
      ++it;
    }
  }
}

void FloodGuard::StartIgnoring(const std::string& host, const std::string& nick,
                               HostState& state) {
  state.stamps.clear();
  state.ignoreTimer = m_loop.StartTimer(
      std::chrono::seconds(m_settings.IgnoreSeconds), false, [this, host] { StopIgnoring(host); });
  m_log.LogLine(W("Защита от флуда: ") + nick + " (" + host + W(") — больше ") +
                std::to_string(m_settings.Commands) + W(" команд за ") +
                std::to_string(m_settings.Seconds) + W(" с, команды не принимаются ") +
                std::to_string(m_settings.IgnoreSeconds) + W(" с."));
}

void FloodGuard::StopIgnoring(const std::string& host) {
  const auto found = m_hosts.find(host);
  if (found == m_hosts.end()) return;
  m_hosts.erase(found);
  m_log.LogLine(W("Защита от флуда: с ") + host + W(" команды снова принимаются."));
}

}  // namespace pelmo
