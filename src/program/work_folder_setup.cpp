#include "program/work_folder_setup.h"

#include <filesystem>
#include <system_error>

#include "base/text_file.h"

namespace pelmo {

namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 on every platform.
fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// With "/" between names on every platform, as the rest of the program
// joins paths.
std::string TextOf(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

std::string InstalledWorkFolder(const std::string& programPath) {
  const fs::path folder =
      (PathOf(programPath).parent_path() / ".." / "share" / "pelmobot" / "workdir").lexically_normal();
  std::error_code error;
  return fs::is_directory(folder, error) ? TextOf(folder) : std::string();
}

bool CreateWorkFolder(const std::string& from, const std::string& to, std::string& error) {
  const fs::path source = PathOf(from);
  const fs::path target = PathOf(to);
  std::error_code code;
  if (fs::exists(target, code)) {
    error = to + " exists already";
    return false;
  }
  if (!fs::is_directory(source, code)) {
    error = "no folder " + from + " to copy";
    return false;
  }
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), code);
  if (!code) fs::copy(source, target, fs::copy_options::recursive, code);
  if (code) {
    error = "cannot copy " + from + " to " + to + ": " + code.message();
    std::error_code ignored;
    fs::remove_all(target, ignored);
    return false;
  }
  return true;
}

std::string MakeMissingWorkFolder(const std::string& dir, const std::string& programPath) {
  if (DirectoryExists(dir)) return "";
  const std::string from = InstalledWorkFolder(programPath);
  std::string error;
  if (from.empty() || !CreateWorkFolder(from, dir, error)) return "";
  return "Рабочей папки " + dir + " не было: она создана из " + from +
         ". Настройки бота — на вкладке «Настройки».";
}

}  // namespace pelmo
