// The steps of the folder check (folder_check.h), each adding its counts
// and findings to the report. Files are read once through FolderFiles.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "core/work_folder.h"
#include "program/folder_check.h"

namespace pelmo {

class FolderFiles {
 public:
  explicit FolderFiles(const std::string& dir) : m_folder(dir) {}
  const WorkFolder& Folder() const { return m_folder; }
  // The path of a name relative to the folder, found as the bot finds it.
  std::string Path(const std::string& relative) const { return m_folder.Path(relative); }
  // The file's bytes, read once; nullopt when missing or unreadable.
  const std::optional<std::string>& Bytes(const std::string& relative);
  // The file's text as the bot's text readers give it (Windows-1251).
  std::string Text(const std::string& relative);

 private:
  WorkFolder m_folder;
  std::map<std::string, std::optional<std::string>> m_bytes;
};

// A name for the report (UTF-8): a path as it is on disk, relative to the
// folder when inside it, its Windows-1251 bytes shown as such.
std::string Shown(const FolderFiles& files, const std::string& path);

// folder_check_files.cpp
void CheckFileNames(FolderFiles& files, FolderReport& report, const std::string& shipped);
void CheckTextEncodings(FolderFiles& files, FolderReport& report);
void CheckSettingsFiles(FolderFiles& files, FolderReport& report);
void CheckWritable(FolderFiles& files, FolderReport& report);

// folder_check_lists.cpp
void CountLists(FolderFiles& files, FolderReport& report);
void CheckBirthdays(FolderFiles& files, FolderReport& report);
void CheckBoxes(FolderFiles& files, FolderReport& report);
void CheckExternalCommands(FolderFiles& files, FolderReport& report);

}  // namespace pelmo
