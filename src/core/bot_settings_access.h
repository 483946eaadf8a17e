// The bot's settings as the settings pages reach them: the live record the
// fields bind to, save and load again, and the few edits that act at once
// (nick and host, colour, the interface). Whether a field's text is sound
// is the settings table's (settings_table.h), asked by the page model.
// Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {

class WorkFolder;
struct BotSettings;

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

class BotSettingsAccess {
 public:
  virtual ~BotSettingsAccess() = default;

  // The live settings the pages bind their fields to.
  virtual BotSettings& Settings() = 0;
  // Save: refuses an unsound network field (kUnsound, bot left running),
  // writes every settings file first, and only when all are written stops
  // a running bot so that its next start takes them; a file that cannot
  // be written leaves the bot running on the settings it had.
  virtual SaveOutcome SaveSettings() = 0;
  // Loads the settings again, unsaved edits thrown away; a file error is
  // thrown to the caller's error report.
  virtual void LoadSettings() = 0;
  // The nick and host fields changed: the bot's packets carry them.
  virtual void ApplyNickAndHost() = 0;
  // The bot's colour, shown and saved at once.
  virtual void SaveColor(std::uint32_t color) = 0;
  // The address the bot sends from.
  virtual void SelectInterface(std::uint32_t address) = 0;
  // The group (multicast) or broadcast address as Net.ini holds it.
  virtual std::string StoredSendAddress(bool multicast) const = 0;
  // The machine's interface addresses of this run.
  virtual const std::vector<std::uint32_t>& Interfaces() const = 0;
  // The working folder, where the settings and the lists are.
  virtual const WorkFolder& Folder() const = 0;
};

}  // namespace pelmo
