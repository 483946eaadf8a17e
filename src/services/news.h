// News: one item a line in botfile/news.txt (text + " (" + nick + ") " +
// date + time, oldest first) and the nicks that have read them since the
// last item in botfile/seennews.txt. Both files are read afresh at every
// call; neither is ever shortened by a reading. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {

struct ServiceContext;
class Clock;
class LineLog;
class Replies;

// The news shown at most, newest first.
inline constexpr std::size_t kNewsShown = 200;

// What users can add: an item's text of at most kMaxNewsText bytes, while
// news.txt is below kMaxNewsFile bytes; beyond either the item is refused
// with a reply, and nothing in the file is lost. The readers listed in
// seennews.txt are at most kMaxNewsReaders (a reader beyond is simply told
// again at his next entry).
inline constexpr std::size_t kMaxNewsText = 1024;
inline constexpr long long kMaxNewsFile = 1024 * 1024;
inline constexpr std::size_t kMaxNewsReaders = 10000;

// The last count lines of the file (fewer when it has fewer), read from
// its end so a long file costs no more than a short one: at most about
// maxBytes of it are read, and a line cut there is left out unless it is
// the only one. A missing file has no lines. Throws FileError when it
// cannot be read.
std::vector<std::string> ReadLastLines(const std::string& path, std::size_t count,
                                       std::size_t maxBytes = static_cast<std::size_t>(-1));

class News {
 public:
  // newsPath: botfile/news.txt; seenNewsPath: botfile/seennews.txt.
  News(std::string newsPath, std::string seenNewsPath, const Clock& clock, Replies& replies);
  // Where a full news file is reported; none: not reported.
  void SetLog(LineLog* log) { m_log = log; }

  // Appends the item, confirms unicast and leaves the poster the only
  // reader; an item too long or a full file is refused unicast (the file
  // is then also named in the log). A nick holding CR or LF is not written as a reader (the list
  // is emptied). Throws FileError (then nothing is confirmed).
  void AddNews(const std::string& nick, const std::string& text, std::uint32_t address);
  // The heading and the newest items (at most kNewsShown, and no more than
  // kMaxReplyBytes in all, with MoreNotShown() when some were left out),
  // kind 3, unicast;
  // then the nick joins the readers unless it is there already (or holds
  // CR or LF). Throws FileError.
  void ShowNews(const std::string& nick, std::uint32_t address);
  // On entry: tells the nick about unread news when there is any news and
  // the nick is not among the readers. Throws FileError.
  void NotifyUnreadNews(const std::string& nick, std::uint32_t address);

 private:
  std::vector<std::string> Readers() const;

  std::string m_newsPath;
  std::string m_seenNewsPath;
  const Clock& m_clock;
  Replies& m_replies;
  LineLog* m_log = nullptr;
};

// Fills the service's hook slots and adds its rows to the command table.
void InstallNews(ServiceContext& context, News& news);

}  // namespace pelmo
