#include "core/admin_binding.h"

#include <algorithm>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "base/line_name.h"
#include "base/text_file.h"
#include "core/admins.h"
#include "core/chat_event.h"
#include "transport/net.h"
#include "transport/packet_codec.h"

namespace pelmo {

namespace {

constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;
// Names learnt beyond this many (rows removed and added again and again)
// start the table afresh rather than grow it.
constexpr std::size_t kMostBound = 4 * kMaxAdmins;

std::string Named(const ChatEvent& event) {
  return LineName(event.nick) + " (" + LineName(event.host) + ")";
}

}  // namespace

void AdminBinding::LoadPins(const std::string& path) {
  m_pins.clear();
  if (!FileExists(path)) return;
  for (const std::string& line : ReadDataLines(path)) {
    const std::string text(TrimControls(line));
    if (text.empty() || text[0] == ';') continue;
    const std::size_t blank = text.find_first_of(" \t");
    const std::size_t name = blank == std::string::npos ? blank : text.find_first_not_of(" \t", blank);
    const std::uint32_t address =
        blank == std::string::npos ? kNoAddress : TextToAddress(std::string_view(text).substr(0, blank));
    const std::size_t hash = name == std::string::npos ? name : text.find('#', name);
    if (address == kNoAddress || hash == std::string::npos) {
      m_log.LogLine(W("admin_addresses.txt: строка не прочитана (адрес, пробел, ник#компьютер): ") +
                    LineName(text));
      continue;
    }
    std::vector<std::uint32_t>& addresses = m_pins[text.substr(name)];
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
      addresses.push_back(address);
    }
  }
}

void AdminBinding::Observe(const std::vector<AdminEntry>& admins, const ChatEvent& event) {
  if (event.type != kPacketJoin && event.type != kPacketPresenceReply) return;
  if (!pelmo::IsAdmin(admins, event.nick, event.host)) return;
  const std::string key = Key(event.nick, event.host);
  if (const auto pinned = m_pins.find(key); pinned != m_pins.end()) {
    const auto& addresses = pinned->second;
    if (event.type == kPacketJoin &&
        std::find(addresses.begin(), addresses.end(), event.address) == addresses.end()) {
      m_log.LogLine(W("Вход под именем администратора ") + Named(event) + W(" с адреса ") +
                    AddressToText(event.address) +
                    W(", не закреплённого за ним: его команды отсюда не принимаются."));
    }
    return;
  }
  const auto bound = m_bound.find(key);
  if (bound == m_bound.end()) {
    if (m_bound.size() >= kMostBound) m_bound.clear();
    m_bound.emplace(key, event.address);
    return;
  }
  if (event.type != kPacketJoin || bound->second == event.address) return;
  m_log.LogLine(W("Администратор ") + Named(event) + W(" вошёл с адреса ") +
                AddressToText(event.address) + W(" (прежде был на ") +
                AddressToText(bound->second) + W("): его команды принимаются теперь только оттуда."));
  bound->second = event.address;
}

bool AdminBinding::IsAdmin(const std::vector<AdminEntry>& admins, const ChatEvent& event,
                           bool logRefusal) {
  if (!pelmo::IsAdmin(admins, event.nick, event.host)) return false;
  const std::string key = Key(event.nick, event.host);
  std::uint32_t where = kNoAddress;
  if (const auto pinned = m_pins.find(key); pinned != m_pins.end()) {
    const auto& addresses = pinned->second;
    if (std::find(addresses.begin(), addresses.end(), event.address) != addresses.end()) {
      return true;
    }
    where = addresses.front();
  } else if (const auto bound = m_bound.find(key); bound != m_bound.end()) {
    if (bound->second == event.address) return true;
    where = bound->second;
  } else {
    if (m_bound.size() >= kMostBound) m_bound.clear();
    m_bound.emplace(key, event.address);
    return true;
  }
  if (!logRefusal) return false;
  m_log.LogLine(Named(event) + W(" с адреса ") + AddressToText(event.address) +
                W(" — не администратор: администратор с этим ником и компьютером на адресе ") +
                AddressToText(where) + ".");
  return false;
}

}  // namespace pelmo
