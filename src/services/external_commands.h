// External commands: extcmds.ini in the working folder maps command names
// to text files (one name=path a line, no sections); a user typing a name
// gets the file's text, and "EXTCMD" or "ДОПКОМ" lists the names. Every
// command text that no row of the command table took comes here. Main
// thread only.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

struct ServiceContext;
class BotLog;
class Replies;
class WorkFolder;

// A command file larger than this is an input/output error.
inline constexpr std::size_t kMaxCommandFileSize = 1024 * 1024;

// A path from extcmds.ini as a path on this system: "\" becomes "/", and
// a relative path is taken from the working folder.
std::string CommandFilePath(const std::string& workDir, const std::string& path);

class ExternalCommands {
 public:
  ExternalCommands(const WorkFolder& folder, Replies& replies, BotLog& log);

  // Runs the command text (prefix removed) from the sender at address:
  // the listing, a command file's text (kind 3, unicast), "Ошибка в
  // команде." for a missing file or an input/output error, or nothing
  // for a word that names no command. A missing extcmds.ini has no names.
  // Never throws: it is the last step of a chat line.
  void RunExternalCommand(const std::string& command, std::uint32_t address);

 private:
  void Run(const std::string& command, std::uint32_t address);

  const WorkFolder& m_folder;
  Replies& m_replies;
  BotLog& m_log;
};

// Fills the service's hook slot.
void InstallExternalCommands(ServiceContext& context, ExternalCommands& commands);

}  // namespace pelmo
