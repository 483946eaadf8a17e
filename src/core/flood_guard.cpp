#include "core/flood_guard.h"

#include <algorithm>
#include <chrono>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/line_log.h"
#include "transport/net.h"

namespace pelmo {

namespace {

constexpr const char* kSection = "FloodGuard";
constexpr long long kDaySeconds = 86400;
// Each kept sender holds up to this many tick counts.
constexpr long long kMostCommands = 1000;

int ReadClamped(const IniFile& ini, const char* key, int defaultValue, long long most) {
  const long long value = ini.ReadInteger(kSection, key, defaultValue);
  return static_cast<int>(std::clamp<long long>(value, 1, most));
}

}  // namespace

FloodGuardSettings LoadFloodGuardSettings(const IniFile& othersIni) {
  FloodGuardSettings settings;
  settings.Enabled = othersIni.ReadBool(kSection, "Enabled", othersIni.SectionExists(kSection));
  settings.Commands = ReadClamped(othersIni, "Commands", settings.Commands, kMostCommands);
  settings.Seconds = ReadClamped(othersIni, "Seconds", settings.Seconds, kDaySeconds);
  settings.IgnoreSeconds =
      ReadClamped(othersIni, "IgnoreSeconds", settings.IgnoreSeconds, kDaySeconds);
  settings.Replies = ReadClamped(othersIni, "Replies", settings.Replies, 10000);
  settings.Senders =
      std::max(16, ReadClamped(othersIni, "Senders", settings.Senders, 1000000));
  return settings;
}

FloodGuard::FloodGuard(EventLoop& loop, const Clock& clock, LineLog& log, std::size_t capacity)
    : m_loop(loop), m_clock(clock), m_log(log), m_capacity(1), m_fixedCapacity(capacity) {}

FloodGuard::~FloodGuard() { Clear(); }

std::size_t FloodGuard::Capacity() const { return m_capacity; }

void FloodGuard::Configure(const FloodGuardSettings& settings) {
  const std::size_t capacity =
      m_fixedCapacity != 0 ? m_fixedCapacity : static_cast<std::size_t>(settings.Senders);
  // A reload keeps the flooders it knows, unless the counts no longer fit.
  const bool keep = settings.Enabled && m_settings.Enabled &&
                    settings.Commands == m_settings.Commands && capacity == m_capacity;
  if (!keep) Clear();
  m_capacity = std::max<std::size_t>(capacity, 1);
  if (!keep) {
    m_budget = settings.Replies;
    m_budgetTick = m_clock.TickMs();
  }
  m_settings = settings;
}

void FloodGuard::Clear() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  m_timer = 0;
  m_counted.clear();
  m_ignored.clear();
  m_index.clear();
}

bool FloodGuard::Ignored(std::uint32_t address, bool present) const {
  const auto found = m_index.find(Key(address, present));
  if (found == m_index.end()) return false;
  const std::uint64_t until = found->second->ignoredUntil;
  return until != 0 && until > m_clock.TickMs();
}

bool FloodGuard::Admit(std::uint32_t address, const std::string& host, const std::string& nick,
                       bool present) {
  if (!m_settings.Enabled) return true;
  // A period whose timer has not run yet (a busy loop) ends here.
  if (!m_ignored.empty() && m_ignored.front().ignoredUntil <= m_clock.TickMs()) EndDuePeriods();
  const std::uint64_t now = m_clock.TickMs();
  const std::uint64_t key = Key(address, present);

  List::iterator sender;
  if (const auto found = m_index.find(key); found != m_index.end()) {
    sender = found->second;
    if (sender->ignoredUntil != 0) {
      // The excess is refused, not the sender: one command a window gets
      // through, from the budget as for one that has used its allowance.
      const std::uint64_t window = static_cast<std::uint64_t>(m_settings.Seconds) * 1000;
      if (now - sender->admittedInPeriod < window) return false;
      if (!TakeBudget(static_cast<std::size_t>(m_settings.Commands), present, now)) return false;
      sender->admittedInPeriod = now;
      return true;
    }
    m_counted.splice(m_counted.begin(), m_counted, sender);
  } else {
    Track(key, now);
    sender = m_counted.begin();
  }
  sender->host = host;
  const std::size_t used = Recent(*sender, now);
  if (!Count(*sender, now)) {
    StartIgnoring(sender, nick, now);
    return false;
  }
  return TakeBudget(used, present, now);
}

std::size_t FloodGuard::Recent(const Sender& sender, std::uint64_t now) const {
  const std::uint64_t window = static_cast<std::uint64_t>(m_settings.Seconds) * 1000;
  return static_cast<std::size_t>(std::count_if(
      sender.stamps.begin(), sender.stamps.end(),
      [&](std::uint64_t stamp) { return now - stamp < window; }));
}

bool FloodGuard::TakeBudget(std::size_t used, bool present, std::uint64_t now) {
  const double most = m_settings.Replies;
  m_budget = std::min(most, m_budget + static_cast<double>(now - m_budgetTick) * most / 1000.0);
  m_budgetTick = now;
  // A user present in the chat who has used nothing may take the last
  // answer; a sender that has used all its commands only the budget's
  // upper half. A stranger to the roster counts one more: the first
  // command of each of a thousand fresh addresses comes after the users'.
  const std::size_t commands = static_cast<std::size_t>(m_settings.Commands);
  const std::size_t weight = std::min(commands, used + (present ? 0 : 1));
  const double share = static_cast<double>(weight) / static_cast<double>(commands);
  if (m_budget >= 1.0 + (most - 1.0) * share / 2.0) {
    m_budget -= 1.0;
    return true;
  }
  ++m_refused;
  if (!m_refusedLogged || now - m_refusedLogTick >= 10000) {
    m_log.LogLine(W("Защита от флуда: бот отвечает не больше ") +
                  std::to_string(m_settings.Replies) + W(" раз в секунду; не отвечено: ") +
                  std::to_string(m_refused) + ".");
    m_refused = 0;
    m_refusedLogged = true;
    m_refusedLogTick = now;
  }
  return false;
}

FloodGuard::Sender* FloodGuard::Track(std::uint64_t key, std::uint64_t now) {
  bool crowded = false;
  if (m_index.size() < m_capacity) {
    m_counted.emplace_front();
  } else if (!m_counted.empty()) {
    // The least recently seen one makes room; its ring keeps its memory.
    m_index.erase(m_counted.back().key);
    m_counted.splice(m_counted.begin(), m_counted, std::prev(m_counted.end()));
  } else {
    // Every kept one is ignored: the one ignored longest makes room, and
    // the newcomer gets one command, not a whole allowance.
    m_index.erase(m_ignored.front().key);
    m_counted.splice(m_counted.begin(), m_ignored, m_ignored.begin());
    crowded = true;
  }
  Sender& sender = m_counted.front();
  sender.stamps.clear();
  sender.next = 0;
  sender.ignoredUntil = 0;
  sender.admittedInPeriod = 0;
  if (crowded) sender.stamps.assign(static_cast<std::size_t>(m_settings.Commands) - 1, now);
  sender.key = key;
  m_index[key] = m_counted.begin();
  return &sender;
}

bool FloodGuard::Count(Sender& sender, std::uint64_t now) {
  const std::size_t limit = static_cast<std::size_t>(m_settings.Commands);
  if (sender.stamps.size() < limit) {
    sender.stamps.push_back(now);
    return true;
  }
  // The ring holds the last limit ones: this one is one too many when the
  // oldest of them is still within the window.
  const std::uint64_t window = static_cast<std::uint64_t>(m_settings.Seconds) * 1000;
  if (now - sender.stamps[sender.next] < window) return false;
  sender.stamps[sender.next] = now;
  sender.next = (sender.next + 1) % limit;
  return true;
}

void FloodGuard::StartIgnoring(List::iterator sender, const std::string& nick,
                               std::uint64_t now) {
  sender->stamps.clear();
  sender->next = 0;
  sender->ignoredUntil = now + static_cast<std::uint64_t>(m_settings.IgnoreSeconds) * 1000;
  sender->admittedInPeriod = now;
  m_ignored.splice(m_ignored.end(), m_counted, sender);
  ArmTimer(now);
  m_log.LogLine(W("Защита от флуда: ") + nick + " (" + sender->host + W(") с адреса ") +
                AddressToText(AddressOf(*sender)) + W(" — больше ") +
                std::to_string(m_settings.Commands) + W(" команд за ") +
                std::to_string(m_settings.Seconds) + W(" с, следующие ") +
                std::to_string(m_settings.IgnoreSeconds) + W(" с принимается одна команда за ") +
                std::to_string(m_settings.Seconds) + W(" с."));
}

void FloodGuard::EndDuePeriods() {
  const std::uint64_t now = m_clock.TickMs();
  while (!m_ignored.empty() && m_ignored.front().ignoredUntil <= now) {
    const Sender& sender = m_ignored.front();
    const std::string line = W("Защита от флуда: с адреса ") + AddressToText(AddressOf(sender)) +
                             " (" + sender.host + W(") команды снова принимаются без ограничения.");
    m_index.erase(sender.key);
    m_ignored.pop_front();
    m_log.LogLine(line);
  }
  ArmTimer(now);
}

void FloodGuard::ArmTimer(std::uint64_t now) {
  // Armed for the first period to end; later ones end after it.
  if (m_timer != 0 || m_ignored.empty()) return;
  const std::uint64_t until = m_ignored.front().ignoredUntil;
  const auto delay = std::chrono::milliseconds(until > now ? until - now : 0);
  m_timer = m_loop.StartTimer(delay, false, [this] {
    m_timer = 0;
    EndDuePeriods();
  });
}

}  // namespace pelmo
