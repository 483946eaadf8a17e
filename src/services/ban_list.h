// The ban list: botfile/ban.txt in INI layout ("[BanList]", then
// host=expiry lines) names the computers the bot refuses to serve. The
// checks use the file's banning lines as last read; the file is looked at
// again after a second, or at once after the bot wrote it. Main thread
// only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/date_time.h"
#include "base/text_file.h"

namespace pelmo {

struct ServiceContext;

class Replies;

// The listings show at most this many lines, newest (last) first.
inline constexpr std::size_t kBanListingLines = 15;

// heading + "\r\n" + line for the last 15 lines of the file, the last line
// first. A file of more than 1000 lines shows its own last 15 lines.
std::string BanListingText(const std::vector<std::string>& lines,
                           const std::string& heading);

// True when a line typed after "!ban" bans a computer until a time: host
// + "=" + a date and time that read as the short date and the time do (a
// date alone is midnight). The host is not empty, has no blanks at its ends
// and does not begin with "[".
bool IsBanLine(const std::string& line);

class BanList {
 public:
  // banPath: botfile/ban.txt. replies sends the answers; clock decides
  // whether a ban has expired.
  BanList(std::string banPath, Replies& replies, const Clock& clock);

  // True when some line's key (the text before its first "=", or "" for a
  // line without one) equals host byte for byte; the expiry is not looked
  // at. With reply set, a banned sender is told so at the address (kind
  // 0). Throws FileError when the file cannot be read.
  bool CheckBan(const std::string& host, const std::string& nick,
                std::uint32_t address, bool reply);
  // Removes the host's key from section "BanList" when its value is empty,
  // does not read as a date and time, or is not later than now; then
  // reloads the list box.
  void RefreshBan(const std::string& host);
  // Appends the line as typed, up to its first CR or LF, as a new last
  // line (an empty file gets the section header first, so the line can
  // expire), announces it to everybody and reloads the list box. A line
  // that is no ban (see IsBanLine) is refused: nothing is written, and the
  // administrator at address is told the form expected, "!ban
  // компьютер=дд.мм.гггг чч:мм:сс"; false then. Throws FileError when the
  // file cannot be written.
  bool AddBanLine(const std::string& typed, std::uint32_t address);
  // The last lines under "Бан Лист", kind 3, unicast.
  void SendBanList(std::uint32_t address);
  // The last lines under "Кто забанен", kind 0, unicast.
  void SendBanned(std::uint32_t address);

  // The window's list box: the lines of the file (empty when it is missing).
  void LoadBanListBox();
  const std::vector<std::string>& ListBan() const { return m_listBan; }

  // The ban page's "Add": when both texts are non-empty, writes host =
  // short date of date + " " + timeText into section "BanList" (replacing
  // the host's key), then reloads the list box. False when a text is empty
  // or the INI write refused the key.
  bool AddBanB(const std::string& host, TDateTime date, const std::string& timeText);
  // The ban page's "Delete": removes the first line of the file, after its
  // first line (the header stays), that equals line, and reloads the list
  // box. The file is read afresh: a join's expiry check or a chat "!ban"
  // may have changed it since the page showed it. False when no such line
  // is left (nothing written). Throws FileError when the file cannot be
  // written.
  bool DelBanB(const std::string& line);

  const std::string& Path() const { return m_path; }

 private:
  std::string ListingFor(const std::string& heading) const;
  // The file's lines that ban a computer, by its name (the text before the
  // first "="; the first line of a name counts), read again only when the
  // file changed since the last reading, and its change looked for at most
  // once a second: the list is looked at for every command.
  const std::unordered_map<std::string, std::string>& BannedLines();

  std::string m_path;
  Replies& m_replies;
  const Clock& m_clock;
  std::vector<std::string> m_listBan;
  std::unordered_map<std::string, std::string> m_bannedLines;
  std::optional<FileVersion> m_contentsVersion;
  // When the file was last looked at (the clock's ticks); unset after the
  // bot wrote it.
  std::optional<std::uint64_t> m_lookedAtMs;
};

// Fills the service's hook slots and adds its rows to the command table.
void InstallBanList(ServiceContext& context, BanList& bans);

}  // namespace pelmo
