// The flood statistics ("Счетовод флуда"): every command line counts its
// characters per host and nick, per day, per week (from Monday) and in
// total, in botfile/stat.ini (through the shared StatStore); "stat", "top",
// "htop" and "ttop" report them to the sender. Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "base/date_time.h"
#include "services/top_index.h"

namespace pelmo {

struct ServiceContext;
class Replies;
class StatStore;

class FloodStats {
 public:
  FloodStats(StatStore& store, Replies& replies, const Clock& clock);

  // Adds the text's length to "Day-" + today, "Week-" + this Monday,
  // "User-" + nick and "Total" of the host's section. A host that the file
  // cannot hold as itself (see StatStore::SafeSection) counts nothing; a
  // nick that cannot be a key (control characters become blanks first, see
  // LineName) leaves out only its "User-" key. Only memory is touched; the
  // file follows within about a second. Throws FileError when stat.ini
  // cannot be read.
  void Count(const std::string& host, const std::string& nick, const std::string& text);

  // A report command ("stat", "top", "htop", "ttop" and their other-layout
  // words, the word lower-cased): the report is sent with SayText(kind 3)
  // to the address. True when the word was one of these. Throws FileError
  // when stat.ini cannot be read.
  bool Command(const std::string& text, const std::string& senderHost, std::uint32_t address);

  // The texts, as sent. StatReport: empty when the section is missing.
  std::string StatReport(const std::string& section);
  // mode 0: nicks, 1: hosts, 2: idlers (frame and heading only).
  std::string TableReport(int mode, long long rows);

 private:
  StatStore& m_store;
  Replies& m_replies;
  const Clock& m_clock;
  TopIndex m_top{m_store};  // the tables in order, kept between requests
};

// "Day-" and "Week-" keys of a moment: today's date and this week's
// Monday's, in the short date format.
std::string DayKey(TDateTime now);
std::string WeekKey(TDateTime now);

// Fills the counting and report slots. stat.ini is read again when the bot
// starts and its pending counts are written when it stops and when the
// program closes.
// True when the command text's first word (case ignored) is one of the
// statistics': "stat", "top", "htop", "ttop" or the same typed on the
// other layout.
bool IsStatisticsCommand(const std::string& text);

void InstallFloodStats(ServiceContext& context, FloodStats& stats, StatStore& store);

}  // namespace pelmo
