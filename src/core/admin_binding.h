// Where each administrator may speak from. The chat has no authentication:
// a packet's nick and host are whatever its sender writes, so an
// administrator's row (nick#host in admin.txt) alone would make anybody who
// types them an administrator. Rights therefore hold only from one place:
// - pinned: botfile/admin_addresses.txt, one line per address, the address
//   in dotted form, blanks, then the administrator as admin.txt writes it
//   ("192.168.1.5 Boss#BOSSPC"); lines beginning with ";" are comments.
//   A pinned administrator is one only from a pinned address.
// - otherwise bound: to the address the nick and host last joined from,
//   or, before any join, to the first address seen under them (a presence
//   reply to the bot's probe at start, or a first command). A join from
//   another address moves the binding; it is a visible event in the chat
//   and is logged.
// The file is this installation's own: admin.txt keeps the format other
// installations read. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/bot_settings.h"

namespace pelmo {

class LineLog;
struct ChatEvent;

class AdminBinding {
 public:
  explicit AdminBinding(LineLog& log) : m_log(log) {}

  // Reads the pins anew; a missing file pins nobody. Lines that do not read
  // as an address and a name are skipped with one log line each. Bindings
  // learnt from the chat are kept.
  void LoadPins(const std::string& path);

  // Learns from a join (type 0) or a presence reply (type 130) of an
  // administrator's nick and host where that administrator is.
  void Observe(const std::vector<AdminEntry>& admins, const ChatEvent& event);

  // True when the event's nick and host are an administrator's row and its
  // address is where that administrator is pinned or bound; a row never
  // seen before is bound to this address now. With logRefusal, a row's
  // name from another address is logged.
  bool IsAdmin(const std::vector<AdminEntry>& admins, const ChatEvent& event, bool logRefusal);

 private:
  static std::string Key(const std::string& nick, const std::string& host) {
    return nick + '#' + host;
  }

  LineLog& m_log;
  // nick#host -> the addresses it is pinned to.
  std::unordered_map<std::string, std::vector<std::uint32_t>> m_pins;
  // nick#host -> the address it is bound to (only administrators' names,
  // so at most as many as admin.txt has had rows).
  std::unordered_map<std::string, std::uint32_t> m_bound;
};

}  // namespace pelmo
