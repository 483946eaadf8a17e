// Where the bot's files live: the working folder holds Net.ini, others.ini,
// extcmds.ini, botfile/ and user/. Names are looked up as Windows looks
// them up (folder_paths.h), so that a folder moved over from Windows works
// as it is: "botfile/questions.txt" finds botfile/Questions.txt, and a
// file that is not there is created under the name the bot asks for. Each
// call looks afresh (a file renamed or replaced while the bot runs is
// found). Copies share one lookup. Any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/folder_paths.h"

namespace pelmo {

class WorkFolder {
 public:
  explicit WorkFolder(std::string dir);
  const std::string& Dir() const { return m_paths->Root(); }
  std::string NetIni() const { return Path("Net.ini"); }
  std::string OthersIni() const { return Path("others.ini"); }
  std::string ExtCmdsIni() const { return Path("extcmds.ini"); }
  std::string BotFileDir() const { return Path("botfile"); }
  std::string UserDir() const { return Path("user"); }
  // botfile/<name>
  std::string BotFile(std::string_view name) const;
  // user/<name>
  std::string UserFile(std::string_view name) const;
  // <dir>/<name>; name relative to the folder ("botfile/ban.txt").
  std::string Path(std::string_view name) const;

  // How a name relative to the folder was found (for the folder check).
  FolderPaths::Found Find(std::string_view name) const;
  // write() creates or replaces the file at path: see FolderPaths::Write.
  void Write(const std::string& path, const std::function<void()>& write) const;
  // A path named by a data file (extcmds.ini): see FolderPaths::Locate.
  FolderPaths::Located Locate(std::string_view written) const;

 private:
  std::shared_ptr<const FolderPaths> m_paths;
};

}  // namespace pelmo
