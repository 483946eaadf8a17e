#include "core/work_folder.h"

namespace pelmo {

WorkFolder::WorkFolder(std::string dir) : m_paths(std::make_shared<FolderPaths>(std::move(dir))) {}

std::string WorkFolder::Path(std::string_view name) const { return m_paths->Find(name).path; }

std::string WorkFolder::BotFile(std::string_view name) const {
  return Path("botfile/" + std::string(name));
}

std::string WorkFolder::UserFile(std::string_view name) const {
  return Path("user/" + std::string(name));
}

FolderPaths::Found WorkFolder::Find(std::string_view name) const { return m_paths->Find(name); }

void WorkFolder::Write(const std::string& path, const std::function<void()>& write) const {
  m_paths->Write(path, write);
}

FolderPaths::Located WorkFolder::Locate(std::string_view written) const {
  return m_paths->Locate(written);
}

}  // namespace pelmo
