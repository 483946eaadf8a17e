// The folder check's look at the files themselves: their names, their code
// page, the settings files' values and sections, and the right to write.
#include <string>
#include <vector>

#include "base/dir_listing.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "core/data_files.h"
#include "core/repeated_sections.h"
#include "core/settings_table.h"
#include "core/utf8_files.h"
#include "program/folder_check_parts.h"

namespace pelmo {

namespace {

// Files the bot reads that no start creates; a missing one is no fault.
const std::vector<std::string> kOptionalFiles = {"botfile/defvhod.ini", "botfile/questions.txt",
                                                 "botfile/stat.ini", "botfile/topvictor.txt"};

void CheckName(FolderFiles& files, FolderReport& report, const std::string& relative,
               const std::string& shipped) {
  const FolderPaths::Found found = files.Folder().Find(relative);
  switch (found.match) {
    case FolderPaths::Match::kExact:
      return;
    case FolderPaths::Match::kOtherCase:
    case FolderPaths::Match::kWindows1251Name:
      report.Note(relative + " is " + Shown(files, found.path) + " on disk: " +
                  MatchText(found.match) + "; the bot finds it as Windows would.");
      return;
    case FolderPaths::Match::kMissing:
      break;
  }
  if (relative == "Net.ini") {
    if (shipped.empty()) {
      report.Note("Net.ini is missing and no shipped working folder is found beside the "
                  "program: at start the folder gets the program's built-in Net.ini (loopback "
                  "multicast), without the other shipped files.");
    } else {
      report.Note("Net.ini is missing: at start the folder gets the shipped working folder's "
                  "settings and data (" + shipped + "; loopback multicast).");
    }
  } else if (relative == "botfile/questions.txt") {
    report.Note("botfile/questions.txt is missing: the quiz has no questions (add lines "
                "\"question|answer\").");
  } else if (relative == "botfile/defvhod.ini") {
    report.Note("botfile/defvhod.ini is missing: the default entry and leave lines read "
                "\"Message not found !\".");
  } else if (relative != "botfile/stat.ini" && relative != "botfile/topvictor.txt") {
    report.Note(relative + " is missing: it is created empty at start.");
  }
}

// Net.ini's values as the settings load reads them (the rows of the
// settings table): each one it cannot read falls back to its default, and
// one the settings page would refuse does not work as written.
void CheckNetValues(FolderFiles& files, FolderReport& report) {
  const IniFile net(files.Path("Net.ini"));
  const SettingRow& mode = NetSetting(NetKey::kMulticast);
  // Only the address of the mode is used.
  const SettingRow& unused = SendAddressSetting(!net.ReadBool(mode.section, mode.key, true));
  for (const SettingRow& row : SettingRows()) {
    if (&row == &unused) continue;
    if (row.file != SettingFile::kNetIni || row.type == SettingType::kText ||
        !net.ValueExists(row.section, row.key)) {
      continue;
    }
    const std::string value = net.ReadString(row.section, row.key, "");
    const std::string shown = "Net.ini [" + std::string(row.section) + "] " + row.key + "=\"" +
                              Shown(files, value) + "\"";
    const bool isAddress = row.type != SettingType::kSwitch && row.type != SettingType::kInteger;
    if (!isAddress && net.IntegerUnreadable(row.section, row.key)) {
      report.Problem(shown + " cannot be read as a number: the default is used. Write a number.");
      continue;
    }
    std::uint32_t address = 0;
    if (isAddress && !ParseDottedAddress(value, address)) {
      report.Problem(shown + " cannot be read as an address (four numbers with dots): " +
                     (row.type == SettingType::kAddress ? "the bot cannot bind its socket."
                                                        : "a default address is used."));
      continue;
    }
    if (row.type == SettingType::kGroup && !SettingAccepts(row, value)) {
      report.Problem(shown + " is no multicast group: in multicast mode the bot cannot join "
                     "it. Write a group from 224.0.0.0 to 239.255.255.255.");
    } else if (row.type == SettingType::kBroadcast && !SettingAccepts(row, value)) {
      report.Problem(shown + " is no broadcast address: in broadcast mode nobody hears the "
                     "bot. Write the broadcast address of the network, such as "
                     "192.168.0.255.");
    } else if (row.type == SettingType::kInteger && row.low <= row.high &&
               !SettingAccepts(row, value)) {
      report.Problem(shown + " is outside " + std::to_string(row.low) + "-" +
                     std::to_string(row.high) +
                     (row.clamped ? ": the nearest of these is used." : ": the bot cannot use it."));
    }
  }
}

}  // namespace

void CheckFileNames(FolderFiles& files, FolderReport& report, const std::string& shipped) {
  CheckName(files, report, "Net.ini", shipped);
  for (const std::string& name : {std::string("botfile"), std::string("user")}) {
    if (DirectoryExists(files.Path(name))) continue;
    if (PathMissing(files.Path(name))) {
      report.Note(name + "/ is missing: it is created at start.");
    } else {
      // A file (or anything else) by that name: no folder can be made there,
      // and no data file read or written.
      report.Problem(Shown(files, files.Path(name)) +
                     " is not a folder: move it away, so that the bot can create the folder.");
    }
  }
  for (const std::string& name : DataFileNames()) CheckName(files, report, name, shipped);
  for (const std::string& name : kOptionalFiles) CheckName(files, report, name, shipped);
  if (DirectoryExists(files.Path("user"))) CheckName(files, report, "user/seen.txt", shipped);
}

void CheckTextEncodings(FolderFiles& files, FolderReport& report) {
  for (const TextDataFile& file : TextDataFiles()) {
    const std::optional<std::string>& bytes = files.Bytes(file.name);
    if (!bytes) continue;
    switch (Utf8ActionFor(file, *bytes)) {
      case Utf8Action::kNone:
        break;
      case Utf8Action::kReadAsUtf8:
        report.Note(Shown(files, files.Path(file.name)) +
                    " is UTF-8: the bot reads it as UTF-8 and sends it as Windows-1251.");
        break;
      case Utf8Action::kConvert:
        report.Note(Shown(files, files.Path(file.name)) +
                    " is UTF-8: converted to Windows-1251 at start (the UTF-8 file is kept "
                    "beside it as .bak).");
        break;
    }
  }
}

void CheckSettingsFiles(FolderFiles& files, FolderReport& report) {
  CheckNetValues(files, report);
  for (const std::string& name : IniFileNames()) {
    const std::string path = files.Path(name);
    for (const std::string& section : IniFile(path).RepeatedSections()) {
      report.Problem(Shown(files, path) + ": section [" + Shown(files, section) +
                     "] appears more than once and the bot reads only the first: move the "
                     "keys of the others into it.");
    }
  }
}

void CheckWritable(FolderFiles& files, FolderReport& report) {
  std::vector<std::string> names = {"", "botfile", "user"};
  for (const TextDataFile& file : TextDataFiles()) {
    if (file.written) names.emplace_back(file.name);
  }
  names.emplace_back("botfile/BirthDay.dat");
  for (const std::string& name : names) {
    const std::string path = name.empty() ? files.Folder().Dir() : files.Path(name);
    if (PathMissing(path) || Writable(path)) continue;
    report.Problem((name.empty() ? "the working folder" : Shown(files, path)) +
                   " cannot be written by this user: give the bot's user the right to write "
                   "it.");
  }
}

}  // namespace pelmo
