#include "core/work_folder.h"

#include "base/text_file.h"

namespace pelmo {

std::string WorkFolder::Path(std::string_view name) const { return JoinPath(m_dir, name); }

std::string WorkFolder::BotFile(std::string_view name) const {
  return JoinPath(BotFileDir(), name);
}

std::string WorkFolder::UserFile(std::string_view name) const { return JoinPath(UserDir(), name); }

}  // namespace pelmo
