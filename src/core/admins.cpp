#include "core/admins.h"

#include "base/cp1251.h"
#include "base/text_file.h"

namespace pelmo {

std::vector<AdminEntry> LoadAdmins(const std::string& path) {
  std::vector<AdminEntry> admins;
  if (!FileExists(path)) return admins;
  for (const std::string& line : ReadLines(path)) {
    if (admins.size() >= kMaxAdmins) break;
    std::size_t hash = line.find('#');
    if (hash == std::string::npos) {
      admins.push_back(AdminEntry{"", line});
    } else {
      admins.push_back(AdminEntry{line.substr(0, hash), line.substr(hash + 1)});
    }
  }
  return admins;
}

void SaveAdmins(const std::string& path, const std::vector<AdminEntry>& admins) {
  std::vector<std::string> lines;
  for (const AdminEntry& admin : admins) {
    if (lines.size() >= kMaxAdmins) break;
    lines.push_back(admin.Nick + "#" + admin.CompName);
  }
  RewriteLines(path, lines);
}

bool IsAdmin(const std::vector<AdminEntry>& admins, const std::string& nick,
             const std::string& host) {
  // A blank line or a "#" alone in the file (and an empty row of the grid)
  // names nobody; it must not make a sender with no nick and no host an
  // administrator.
  if (TrimControls(nick).empty() && TrimControls(host).empty()) return false;
  for (const AdminEntry& admin : admins) {
    if (admin.Nick == nick && admin.CompName == host) return true;
  }
  return false;
}

}  // namespace pelmo
