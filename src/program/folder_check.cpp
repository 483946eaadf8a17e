#include "program/folder_check.h"

#include <algorithm>
#include <cstdio>

#include "base/cp1251.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "program/folder_check_parts.h"
#include "program/new_folder.h"

namespace pelmo {

const std::optional<std::string>& FolderFiles::Bytes(const std::string& relative) {
  const auto found = m_bytes.find(relative);
  if (found != m_bytes.end()) return found->second;
  return m_bytes[relative] = ReadWholeFile(Path(relative));
}

std::string FolderFiles::Text(const std::string& relative) {
  const std::optional<std::string>& bytes = Bytes(relative);
  return bytes ? ToCp1251Text(*bytes) : std::string();
}

std::string Shown(const FolderFiles& files, const std::string& path) {
  std::string shown = path;
  const std::string& root = files.Folder().Dir();
  if (shown.size() > root.size() && shown.compare(0, root.size(), root) == 0 &&
      (shown[root.size()] == '/' || root.back() == '/')) {
    shown.erase(0, root.size() + (root.back() == '/' ? 0 : 1));
  }
  return IsValidUtf8(shown) ? shown : Cp1251ToUtf8(shown);
}

int FolderReport::Problems() const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                        [](const Finding& f) { return f.problem; }));
}

FolderReport CheckWorkFolder(const std::string& dir, const std::string& shipped) {
  FolderReport report;
  report.dir = dir;
  if (!DirectoryExists(dir)) {
    report.Problem("there is no folder " + dir + ": create it, or name another with --dir.");
    return report;
  }
  FolderFiles files(dir);
  CheckFileNames(files, report, shipped);
  CheckTextEncodings(files, report);
  CheckSettingsFiles(files, report);
  CheckWritable(files, report);
  CountLists(files, report);
  CheckBirthdays(files, report);
  CheckBoxes(files, report);
  CheckExternalCommands(files, report);
  return report;
}

std::string FormatFolderReport(const FolderReport& report) {
  std::string text = "Working folder " + report.dir + "\n";
  if (!report.counts.empty()) {
    text += "\nWhat the bot will get from it:\n";
    for (const FolderReport::Count& count : report.counts) {
      char line[96];
      std::snprintf(line, sizeof line, "  %-22s %lld\n", count.what.c_str(), count.n);
      text += line;
    }
  }
  for (const bool problems : {true, false}) {
    std::string part;
    for (const FolderReport::Finding& finding : report.findings) {
      if (finding.problem == problems) part += "  - " + finding.text + "\n";
    }
    if (part.empty()) continue;
    text += problems ? "\nProblems (the folder will not work as meant until they are dealt with):\n"
                     : "\nNotes (the bot deals with these itself):\n";
    text += part;
  }
  const int problems = report.Problems();
  text += problems == 0 ? "\nThe folder will work.\n"
                        : "\n" + std::to_string(problems) + " problem(s): see above.\n";
  return text;
}

int RunFolderCheck(const std::string& dir, const std::string& programPath) {
  const FolderReport report = CheckWorkFolder(dir, ShippedWorkFolder(programPath));
  std::fputs(FormatFolderReport(report).c_str(), stdout);
  return report.Problems() == 0 ? 0 : 1;
}

}  // namespace pelmo
