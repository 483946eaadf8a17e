// The bot as a console or a window log shows it: a line into the chat, a
// topic, the window log emptied, the roster refreshed and an entry
// selected, the status panels, and the views that are told of each (log
// lines, roster, panels, topic). Main thread only.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

class BotView;
class Clock;
class LineLog;
struct RosterEntry;

class BotConsole {
 public:
  virtual ~BotConsole() = default;

  // A chat line (kind 0) from the operator to the whole chat in "Main".
  virtual void SayConsoleLine(const std::string& text) = 0;
  virtual void ClearWindowLog() = 0;
  // A topic from the operator: text + " (" + the bot's nick + ")".
  virtual void ChangeTopic(const std::string& text) = 0;
  // The roster emptied and asked for again.
  virtual void RefreshRoster() = 0;
  // Status panel 1 shows the entry's address.
  virtual void SelectRosterEntry(int index) = 0;
  virtual const std::vector<RosterEntry>& RosterEntries() const = 0;
  virtual const std::string& StatusPanel(int index) const = 0;
  virtual void SetStatusPanel(int index, const std::string& text) = 0;

  // Registers a view (also with the log); it must outlive the bot or be
  // removed first. The bot does not own it.
  virtual void AddView(BotView* view) = 0;
  virtual void RemoveView(BotView* view) = 0;
  // The bot log (log file and views), for a front-end's own lines.
  virtual LineLog& Log() = 0;
  // The clock the log's times come from.
  virtual const Clock& GetClock() const = 0;
};

}  // namespace pelmo
