// The seen tracker: when each nick was last active (botfile/seen.txt, one
// line nick + "\x8F" + "hh:nn" + "/" + "dd.mm.yyyy" per nick) and the
// "seen" query that tells the chat how long ago that was, logging every
// query to botfile/seen_log.log.
//
// The records are held in memory from the first use on: a nick is
// recorded on every chat line, and a disk write there would sit on the
// path of the reply. Changes are written back in a batch, through a
// temporary file and a rename, at most about once a second (a timer on
// the event loop) and whenever Flush() is called (stop, close). A crash
// loses at most the last second. Each start of the bot reads the file
// again, so that edits made while it was stopped are kept. Main thread
// only.
//
// The list holds at most a fixed number of nicks, far more than a local
// chat sees in years: any computer can send lines under ever new names,
// and each would otherwise grow the memory, the file and every rewrite of
// it without end, until the file is too large to be read at the next
// start. A new nick beyond the bound takes the line of the nick seen
// longest ago.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/date_time.h"
#include "base/event_loop.h"

namespace pelmo {

class LineLog;

struct ServiceContext;
class Replies;

// The separator between the nick and its time stamp (Windows-1251 "Џ").
inline constexpr char kSeenSeparator = '\x8F';
// seen_log.log takes no query beyond this size (the bot log says so once
// a run); the operator moves it away to start it again.
inline constexpr long long kMaxSeenLog = 1024 * 1024;

// The word for a count (the words given as UTF-8 source literals, the
// result Windows-1251 with one space before and after): singular for 1, few for 2-4, many for 5-20; above 20 the last
// digit decides (1 singular, 2-4 few, 0 and 5-9 many); "" for 0.
std::string CountWord(long long n, const char* singular, const char* few,
                      const char* many);

// How long ago "seen" lies before "now", as the query words it (each part
// ends with a space), or "0" when it is the same minute. Dates on
// different days give days, months and years (a zero part left out);
// the same day gives hours and minutes. A seen time after now counts as
// now.
std::string SeenPhrase(TDateTime seen, TDateTime now);

class SeenTracker {
 public:
  static constexpr std::size_t kMaxRecords = 100000;

  // seenPath: botfile/seen.txt; logPath: botfile/seen_log.log. replies
  // sends the answers to everybody; loop runs the batched write.
  // maxRecords: the bound on the nicks kept (at least 1); a longer file is
  // read whole and then kept at its length.
  SeenTracker(std::string seenPath, std::string logPath, const Clock& clock,
              Replies& replies, EventLoop& loop, std::size_t maxRecords = kMaxRecords);
  // Writes what is still unwritten (errors dropped) and stops the timer.
  ~SeenTracker();
  SeenTracker(const SeenTracker&) = delete;
  SeenTracker& operator=(const SeenTracker&) = delete;

  // Creates or refreshes the nick's line with the current time (byte-exact
  // match on the text before the first separator; the last such line is
  // the nick's). The nick is taken as a file line holds it (LineName:
  // control characters become blanks); one holding the separator is not
  // recorded, as it could never be found again. Writes nothing to disk
  // itself. A missing file is an empty one; an unreadable one (or one over
  // the size cap) is not recorded into and not rewritten.
  void RecordSeen(const std::string& nick);
  // Answers to everybody where the name (trimmed, upper-cased by the
  // Russian rules) was last seen, then appends the query to the log. Throws
  // FileError when seen.txt exists but cannot be read.
  // Throws std::invalid_argument when the record's time or date does not
  // read (nothing said, nothing logged) and FileError when the log cannot
  // be written.
  void SeenQuery(const std::string& name, const std::string& asker);

  // Writes the records now when something changed since the last write.
  // Throws FileError when the file cannot be written (the changes stay
  // pending).
  void Flush();
  // Writes what is pending, then reads the file again at the next use
  // (the bot's start). Changes that cannot be written are kept in memory
  // rather than lost.
  void Reload();
  bool Pending() const { return m_dirty; }
  // Where a full query log is reported (once a run); none: not reported.
  void SetLog(LineLog* log) { m_log = log; }
  std::size_t Size();

 private:
  void Load();
  void ScheduleFlush();
  // Line index to the most recent end of the age order.
  void MarkRecent(std::size_t index);
  void IndexLine(std::size_t index);
  void UnindexLine(std::size_t index);

  std::string m_path;
  std::string m_logPath;
  const Clock& m_clock;
  Replies& m_replies;
  EventLoop& m_loop;
  bool m_loaded = false;
  bool m_dirty = false;
  EventLoop::TimerId m_timer = 0;
  std::size_t m_maxRecords;
  std::vector<std::string> m_lines;
  // Nick (byte-exact) to the index of its last line.
  std::unordered_map<std::string, std::size_t> m_index;
  // Line indices from the one seen longest ago to the latest, and each
  // line's place in that order.
  std::list<std::size_t> m_byAge;
  std::vector<std::list<std::size_t>::iterator> m_ageOf;
  // The query's form of a record's nick (trimmed, upper-cased) to the
  // indices of the lines holding it, so a query costs no walk of the list.
  std::unordered_map<std::string, std::set<std::size_t>> m_byQueryName;
  LineLog* m_log = nullptr;
  bool m_logFullTold = false;
};

// Fills the service's hook slots and adds its row to the command table.
void InstallSeenTracker(ServiceContext& context, SeenTracker& seen);

}  // namespace pelmo
