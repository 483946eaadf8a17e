#include "core/repeated_sections.h"

#include "base/ini_file.h"
#include "core/error_text.h"
#include "core/work_folder.h"

namespace pelmo {

const std::vector<std::string>& IniFileNames() {
  static const std::vector<std::string> names = {
      "Net.ini", "others.ini", "botfile/defvhod.ini", "botfile/stat.ini", "botfile/topvictor.txt",
      "botfile/ban.txt"};
  return names;
}

std::vector<std::string> RepeatedSectionLines(const WorkFolder& folder) {
  std::vector<std::string> lines;
  for (const std::string& name : IniFileNames()) {
    const std::string path = folder.Path(name);
    for (const std::string& section : IniFile(path).RepeatedSections()) {
      lines.push_back(ToLogText(path) + ": section [" + section +
                      "] appears more than once; the first is used.");
    }
  }
  return lines;
}

}  // namespace pelmo
