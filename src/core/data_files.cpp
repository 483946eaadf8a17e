#include "core/data_files.h"

#include "base/text_file.h"
#include "core/work_folder.h"

namespace pelmo {

const std::vector<std::string>& DataFileNames() {
  static const std::vector<std::string> names = {
      "botfile/log.txt",      "botfile/help.txt",     "botfile/Aforizm.txt",
      "botfile/news.txt",     "botfile/seen.txt",     "botfile/seen_log.log",
      "botfile/seennews.txt", "botfile/top.txt",      "botfile/vhod.txt",
      "botfile/anecdot.txt",  "botfile/ban.txt",      "botfile/welcom.txt",
      "botfile/BirthDay.dat", "botfile/boltun.txt",   "botfile/admin.txt",
      "botfile/weather.txt",  "others.ini",           "extcmds.ini",
  };
  return names;
}

std::vector<std::string> CreateMissingDataFiles(const WorkFolder& folder) {
  std::vector<std::string> failed;
  // A fresh working folder has no botfile/ yet; without it every file
  // below would fail.
  if (!CreateDirectory(folder.BotFileDir())) failed.push_back(folder.BotFileDir());
  for (const std::string& name : DataFileNames()) {
    std::string path = folder.Path(name);
    if (!CreateEmptyFileIfMissing(path)) failed.push_back(path);
  }
  if (!DirectoryExists(folder.UserDir()) && CreateDirectory(folder.UserDir())) {
    std::string seen = folder.UserFile("seen.txt");
    if (!CreateEmptyFileIfMissing(seen)) failed.push_back(seen);
  }
  return failed;
}

}  // namespace pelmo
