// The talker top: the sender's place in botfile/top.txt, a ranking of
// nicks by the characters they typed (nick + " (\xB6" + count per line),
// written by a program outside the bot. Read afresh at every request.
// Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {

struct ServiceContext;
class Replies;

// Only the first lines of the file are ranked.
inline constexpr std::size_t kTopLines = 10000;

struct TopPlace {
  bool found = false;
  std::size_t rank = 0;   // 1-based place of the nick's lowest-ranked row
  std::string countText;  // the count as written on the nick's last line
};

// Ranks the lines (at most kTopLines) by count, highest first, equal
// counts keeping their order in the file, and finds the nick (byte-exact).
// Throws std::invalid_argument for a line without " (\xB6" or with a count
// that is no whole number.
TopPlace FindTopPlace(const std::vector<std::string>& lines, const std::string& nick);

class TalkerTop {
 public:
  TalkerTop(std::string topPath, Replies& replies);
  // nick + ": занимает " + rank + "  место в топе, при " + count + "
  // количестве набранных символов." or "Извините, ничего не найдено.",
  // kind 3, unicast. Throws FileError for a missing or unreadable file and
  // std::invalid_argument as FindTopPlace (nothing said then).
  void ShowMyPlace(std::uint32_t address, const std::string& nick);

 private:
  std::string m_path;
  Replies& m_replies;
};

// Adds the service's row to the command table.
void InstallTalkerTop(ServiceContext& context, TalkerTop& top);

}  // namespace pelmo
