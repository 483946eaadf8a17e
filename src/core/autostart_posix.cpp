#include "core/autostart.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/ini_file.h"
#include "base/text_file.h"

namespace pelmo {

namespace fs = std::filesystem;

namespace {

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool MakeDirectories(const std::string& dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  return !error && DirectoryExists(dir);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) return path;
  std::string text = absolute.lexically_normal().string();
  // "dir/." normalises to "dir/"; the entry reads better without it.
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace

std::string DefaultConfigDir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Relative values are invalid by the base directory rules and ignored.
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return JoinPath(home, ".config");
  if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
    return JoinPath(user->pw_dir, ".config");
  }
  return ".config";
}

std::string AutostartEntryPath(const std::string& configDir) {
  return JoinPath(JoinPath(configDir, "autostart"), "pelmobot.desktop");
}

std::string AutostartSwitchCopyPath(const std::string& configDir) {
  return JoinPath(JoinPath(configDir, "pelmobot"), "pelmobot.ini");
}

bool AutostartEntryExists(const std::string& configDir) {
  return FileExists(AutostartEntryPath(configDir));
}

std::string DesktopExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '%') value += '%';
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

bool WriteAutostartEntry(const std::string& configDir, const std::string& programPath,
                         const std::string& workDir) {
  std::string program = programPath;
  if (program.empty()) {
    std::error_code error;
    program = fs::read_symlink("/proc/self/exe", error).string();
    if (error || program.empty()) return false;
  }
  program = AbsolutePath(program);
  const std::string dir = AbsolutePath(workDir);
  if (HasLineBreak(program) || HasLineBreak(dir)) return false;
  if (!MakeDirectories(JoinPath(configDir, "autostart"))) return false;
  // Desktop entries are read by the session, not by the bot: LF line ends.
  const std::string exec = DesktopExecArgument(program) + " --dir " + DesktopExecArgument(dir);
  const std::string entry =
      "[Desktop Entry]\nType=Application\nName=Pelmo_bot\nExec=" + exec + "\nTerminal=false\n";
  try {
    RewriteFile(AutostartEntryPath(configDir), entry);
  } catch (const FileError&) {
    return false;
  }
  return true;
}

bool RemoveAutostartEntry(const std::string& configDir) {
  std::error_code error;
  fs::remove(AutostartEntryPath(configDir), error);
  return !error;
}

bool WriteAutostartSwitchCopy(const std::string& configDir, bool checked) {
  if (!MakeDirectories(JoinPath(configDir, "pelmobot"))) return false;
  IniFile copy(AutostartSwitchCopyPath(configDir));
  return copy.WriteString("Bot", "Checked", checked ? "true" : "false");
}

}  // namespace pelmo
