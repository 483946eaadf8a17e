// External commands: extcmds.ini in the working folder maps command names
// to text files (one name=path a line, no sections); a user typing a name
// gets the file's text, and "EXTCMD" or "ДОПКОМ" lists the names. Every
// command text that no row of the command table took comes here. Main
// thread only.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace pelmo {

struct ServiceContext;
class BotLog;
class Replies;
class WorkFolder;

// A command file larger than this is an input/output error.
inline constexpr std::size_t kMaxCommandFileSize = 1024 * 1024;

class ExternalCommands {
 public:
  ExternalCommands(const WorkFolder& folder, Replies& replies, BotLog& log);

  // Runs the command text (prefix removed) from the sender at address:
  // the listing, a command file's text (kind 3, unicast), "Ошибка в
  // команде." for a missing file or an input/output error, or nothing
  // for a word that names no command. A missing extcmds.ini has no names.
  // A command file's path is looked up in the working folder as Windows
  // would (WorkFolder::Locate); one that would leave the folder is refused
  // with a log line. A command file in UTF-8 is sent as Windows-1251.
  // Never throws: it is the last step of a chat line.
  void RunExternalCommand(const std::string& command, std::uint32_t address);

 private:
  void Run(const std::string& command, std::uint32_t address);

  const WorkFolder& m_folder;
  Replies& m_replies;
  BotLog& m_log;
  // The command files already named in the log as UTF-8.
  std::set<std::string> m_toldUtf8;
};

// Fills the service's hook slot.
void InstallExternalCommands(ServiceContext& context, ExternalCommands& commands);

}  // namespace pelmo
