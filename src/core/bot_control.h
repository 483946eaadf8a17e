// How a front-end drives the bot: the program's start and close, the tool
// bar's start and stop, the settings page's save and cancel, the console
// line, the log page's operations, and the views (window log, roster,
// status panels, topic). The headless program and the control windows use
// this alone, never the bot's parts. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/net.h"

namespace pelmo {

class BotView;
class Clock;
class LineLog;
class WorkFolder;
struct BotSettings;
struct RosterEntry;

// What a save did.
struct SaveOutcome {
  enum class Result {
    kSaved,       // every file written; a running bot was stopped
    kUnsound,     // a network field is unsound: nothing written
    kNotWritten,  // file could not be written: the bot goes on as before
  };
  Result result = Result::kSaved;
  std::string file;    // kNotWritten: its path (UTF-8)
  std::string reason;  // kNotWritten: the system's words (UTF-8)
};

class BotControl {
 public:
  virtual ~BotControl() = default;

  // Program start, up to the automatic start of the bot (services are
  // installed before), and the program's close (stop, services' close
  // steps, the start counter).
  virtual void FormCreate() = 0;
  virtual void FormClose() = 0;

  // The tool bar's start and stop; the notification menu's stop keeps the
  // roster and panel 1. True between a successful start and the next stop.
  virtual void StartTBClick() = 0;
  virtual void StopTBClick() = 0;
  virtual void Stop_BotClick() = 0;
  virtual bool Running() const = 0;
  // Why the last start failed.
  virtual StartFault LastStartFault() const = 0;
  // Reads the settings and the data files kept in memory again, as a new
  // start of the program would, without leaving the chat: the network is
  // started again only when what it was started with changed (Net.ini's
  // network values, the cipher key, the bot's nick or host). One log line
  // says which. The headless program's answer to SIGHUP.
  virtual void ReloadFiles() = 0;

  // The live settings the pages bind their fields to.
  virtual BotSettings& Settings() = 0;
  // Save: checks the network fields (kUnsound, bot left running, when one
  // is unsound), writes every settings file first, and only when all are
  // written stops a running bot so that its next start takes them; a file
  // that cannot be written leaves the bot running on the settings it had.
  // Cancel: loads the settings again; a file error is thrown to the
  // caller's error report.
  virtual SaveOutcome SaveSettingsClick() = 0;
  virtual void LoadSettingsClick() = 0;
  // The component name of the first unsound network field, "" if none.
  virtual std::string FirstUnsoundField() const = 0;
  // The nick and host fields changed: the bot's packets carry them.
  virtual void ApplyNickAndHost() = 0;
  // The colour button: the bot's colour, shown and saved at once.
  virtual void SaveColor(std::uint32_t color) = 0;
  // The interface drop-down: the address the bot sends from.
  virtual void SelectInterface(std::uint32_t address) = 0;
  // The group (multicast) or broadcast address as Net.ini holds it.
  virtual std::string StoredSendAddress(bool multicast) const = 0;
  // The machine's interface addresses of this run.
  virtual const std::vector<std::uint32_t>& Interfaces() const = 0;

  // The log page: a console line into the chat, the window log emptied, a
  // topic from the operator, the roster refreshed, an entry selected.
  virtual void ConsoleInput(const std::string& text) = 0;
  virtual void ClearWindowLog() = 0;
  virtual void ChangeTopic(const std::string& text) = 0;
  virtual void RefreshRoster() = 0;
  virtual void UsrLBClick(int index) = 0;
  virtual const std::vector<RosterEntry>& RosterEntries() const = 0;
  virtual const std::string& StatusPanel(int index) const = 0;
  virtual void SetStatusPanel(int index, const std::string& text) = 0;

  // Registers a view (also with the log); it must outlive the bot or be
  // removed first. The bot does not own it.
  virtual void AddView(BotView* view) = 0;
  // The bot log (log file and views), for a front-end's own lines.
  virtual LineLog& Log() = 0;
  virtual void RemoveView(BotView* view) = 0;

  virtual const Clock& GetClock() const = 0;
  virtual const WorkFolder& Folder() const = 0;
};

}  // namespace pelmo
