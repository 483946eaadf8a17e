// The flood guard: one computer must not make the bot answer many times a
// second to the whole chat. More than Commands commands or chatterbox
// triggers within Seconds seconds from one sender start a period of
// IgnoreSeconds seconds in which that sender's excess is refused: one
// command in Seconds seconds still gets through (its fair share, never
// none), its chatterbox triggers and vote answers are ignored. One log
// line when a period starts and one when it ends. The caller decides what
// counts (administrators, quiz answers and plain lines do not).
//
// A sender is the datagram's source address: the nick and the host name
// inside a packet are whatever the sender writes there, so a flood that
// changes its host name with every line is still one sender, and a
// stranger who writes another user's host name from another address is
// another sender. The source address can be forged as well: so that a
// flood forged from a user's address does not take that user's share, the
// names the roster holds at that address (users who answered the bot's
// probe from there, which shows in the chat) are a sender of their own,
// apart from every other name written from it. A forger who writes both
// the address and the user's names cannot be told from the user.
//
// The work per packet is small and the memory bounded: the guard keeps at
// most Capacity() senders and forgets the least recently seen one for a
// new one. It fails closed: when every kept sender is ignored, the one
// ignored longest makes room, and the new sender is counted as one that
// has a single command left, so that addresses rotated past the table
// cannot come back unlimited.
//
// Above the senders' own limits, the answers of the whole bot have a
// budget (Replies a second, one second's worth at once), shared so that
// many addresses cannot take all of it: a sender that has used little of
// its own allowance may take the budget's last answer, one that has used
// most of it only the budget's upper part; a sender the roster does not
// hold counts one command more, so that a flood of fresh addresses cannot
// crowd out the users present in the chat. The refused answers are logged
// at most every ten seconds with their number.
//
// Settings live in others.ini, section "FloodGuard"; a missing section
// means off, so an existing installation behaves as it always has. A
// reload with the same limits keeps every count and ignore period. Main
// thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

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
  int Replies = 20;      // answers of the whole bot a second
  int Senders = 16384;   // senders kept
};

// Reads "FloodGuard" Enabled, Commands, Seconds, IgnoreSeconds, Replies,
// Senders. Enabled defaults to whether the section exists; the numbers are
// clamped to at least 1, the seconds to a day at most, Commands to 1000,
// Replies to 10000 and Senders to 16-1000000.
FloodGuardSettings LoadFloodGuardSettings(const IniFile& othersIni);

class FloodGuard {
 public:
  // capacity: how many senders are kept at most; 0: the settings' Senders.
  FloodGuard(EventLoop& loop, const Clock& clock, LineLog& log, std::size_t capacity = 0);
  ~FloodGuard();
  FloodGuard(const FloodGuard&) = delete;
  FloodGuard& operator=(const FloodGuard&) = delete;

  // Takes new settings. The same limits keep every count and ignore
  // period (a reload); other limits, or off, forget them silently.
  void Configure(const FloodGuardSettings& settings);
  bool Enabled() const { return m_settings.Enabled; }

  // True while the sender is in its ignore period. present: the packet's
  // names are the roster's at address.
  bool Ignored(std::uint32_t address, bool present = false) const;
  // Counts one command or trigger of the sender at address (nick and host
  // as its packet names them, for the log). True when it may be answered;
  // false when this one is one too many (the ignore period then starts and
  // is logged), when the sender is in its period and has had its one
  // command of the last Seconds, or when the bot's budget has no room for
  // this sender now. Always true when the guard is off.
  bool Admit(std::uint32_t address, const std::string& host, const std::string& nick,
             bool present = false);

  // How many senders the guard keeps now, and at most.
  std::size_t TrackedSenders() const { return m_index.size(); }
  std::size_t Capacity() const;

 private:
  struct Sender {
    std::uint64_t key = 0;  // Key(address, present)
    std::string host;  // as last counted, for the log
    // The tick counts of the last Commands admitted ones, a ring whose
    // oldest entry is at next once it is full.
    std::vector<std::uint64_t> stamps;
    std::size_t next = 0;
    std::uint64_t ignoredUntil = 0;  // 0: not ignored
    std::uint64_t admittedInPeriod = 0;  // the last one let through while ignored
  };
  using List = std::list<Sender>;

  // A kept sender for address, new or reused from the least recently seen
  // one, or from the one ignored longest when all are ignored (then with a
  // single command left).
  static std::uint64_t Key(std::uint32_t address, bool present) {
    return (present ? std::uint64_t{1} << 32 : 0) | address;
  }
  static std::uint32_t AddressOf(const Sender& sender) {
    return static_cast<std::uint32_t>(sender.key);
  }
  Sender* Track(std::uint64_t key, std::uint64_t now);
  bool Count(Sender& sender, std::uint64_t now);
  // How many of the sender's commands lie within the window.
  std::size_t Recent(const Sender& sender, std::uint64_t now) const;
  // Takes one answer from the bot's budget for a sender that has used
  // `used` of its Commands; false when there is no room for it.
  bool TakeBudget(std::size_t used, bool present, std::uint64_t now);
  void StartIgnoring(List::iterator sender, const std::string& nick, std::uint64_t now);
  // Ends the ignore periods due by now, logging each, and arms the timer
  // for the next one.
  void EndDuePeriods();
  void ArmTimer(std::uint64_t now);
  void Clear();

  EventLoop& m_loop;
  const Clock& m_clock;
  LineLog& m_log;
  std::size_t m_capacity;
  FloodGuardSettings m_settings;
  // Counted senders, the most recently seen first; and ignored ones, in
  // the order their periods end (all periods are equally long).
  List m_counted;
  List m_ignored;
  std::unordered_map<std::uint64_t, List::iterator> m_index;
  EventLoop::TimerId m_timer = 0;
  std::size_t m_fixedCapacity;
  // The bot's budget of answers, refilled with time.
  double m_budget = 0;
  std::uint64_t m_budgetTick = 0;
  std::uint64_t m_refused = 0;       // by the budget, not yet logged
  std::uint64_t m_refusedLogTick = 0;
  bool m_refusedLogged = false;
};

}  // namespace pelmo
