// Where the bot's files live: the working folder holds Net.ini, others.ini,
// extcmds.ini, botfile/ and user/. File names keep their exact case.
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

class WorkFolder {
 public:
  explicit WorkFolder(std::string dir) : m_dir(std::move(dir)) {}
  const std::string& Dir() const { return m_dir; }
  std::string NetIni() const { return Path("Net.ini"); }
  std::string OthersIni() const { return Path("others.ini"); }
  std::string ExtCmdsIni() const { return Path("extcmds.ini"); }
  std::string BotFileDir() const { return Path("botfile"); }
  std::string UserDir() const { return Path("user"); }
  // botfile/<name>
  std::string BotFile(std::string_view name) const;
  // user/<name>
  std::string UserFile(std::string_view name) const;
  // <dir>/<name>
  std::string Path(std::string_view name) const;

 private:
  std::string m_dir;
};

}  // namespace pelmo
