// The folder check's look inside the lists: how many entries the bot will
// have, the birthday table, the boxes and the external commands.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/dir_listing.h"
#include "base/ini_file.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "core/admins.h"
#include "games/birthday_table.h"
#include "games/chatterbox.h"
#include "games/quiz_rules.h"
#include "program/folder_check_parts.h"
#include "services/box_seeds.h"
#include "services/jokes.h"
#include "services/offline_messages.h"
#include "services/stat_store.h"

namespace pelmo {

namespace {

void Add(FolderReport& report, const char* what, std::size_t n) {
  report.counts.push_back({what, static_cast<long long>(n)});
}

std::size_t CountLines(const std::string& text, bool (*take)(const std::string&)) {
  std::size_t n = 0;
  for (const std::string& line : SplitLines(text)) n += take(line) ? 1 : 0;
  return n;
}

// A box file's name: the nick's bytes in hexadecimal.
bool IsBoxName(const std::string& name) {
  return !name.empty() && name.size() % 2 == 0 &&
         std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string NickOfBox(const std::string& name) {
  std::string nick;
  for (std::size_t i = 0; i + 1 < name.size(); i += 2) {
    nick += static_cast<char>(std::stoi(name.substr(i, 2), nullptr, 16));
  }
  return Cp1251ToUtf8(nick);
}

std::string Megabytes(std::size_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

// An anecdote or aphorism file at or past what the chat may add to, or
// past what the bot reads; the number of entries it gives.
std::size_t CheckJokeFile(FolderFiles& files, FolderReport& report, const std::string& relative,
                          std::vector<std::string> (*parse)(std::string_view)) {
  const std::string path = files.Path(relative);
  const long long size = FileSize(path);
  const std::string shown = Shown(files, path) + " is " + std::to_string(size) + " bytes";
  if (size > static_cast<long long>(kMaxJokesFileSize)) {
    report.Note(shown + ": the bot reads the entries in its first " +
                Megabytes(kMaxJokesFileSize) + " and takes no \"!add\".");
  } else if (size >= static_cast<long long>(kMaxJokesAdded)) {
    report.Note(shown + ", not below the " + Megabytes(kMaxJokesAdded) +
                " the chat may add to: \"!add\" is refused until it is smaller.");
  }
  std::string text;
  if (size > static_cast<long long>(kMaxFileSize)) {
    if (!ReadFilePart(path, 0, std::min<std::size_t>(static_cast<std::size_t>(size), kMaxJokesFileSize), text)) {
      return 0;
    }
    text = ToCp1251Text(text);
  } else {
    text = files.Text(relative);
  }
  const std::size_t entries = parse(text).size();
  if (entries >= kMaxJokes) {
    report.Note(Shown(files, path) + ": the bot keeps its first " + std::to_string(kMaxJokes) +
                " entries.");
  }
  return entries;
}

}  // namespace

void CountLists(FolderFiles& files, FolderReport& report) {
  // The statistics are read whole; a file the bot cannot read leaves
  // "!stat", the tops and "!mess" unavailable.
  const std::string stat = files.Path("botfile/stat.ini");
  if (!PathMissing(stat) && !ReadWholeFile(stat)) {
    report.Problem(Shown(files, stat) +
                   (FileSize(stat) > static_cast<long long>(kMaxFileSize)
                        ? " is " + std::to_string(FileSize(stat)) + " bytes, more than the " +
                              std::to_string(kMaxFileSize >> 20) + " MB the bot reads"
                        : std::string(" cannot be read")) +
                   ": statistics and notes are unavailable until it can be.");
  }
  const IniFile statIni(stat);
  const std::size_t hosts = statIni.ReadSections().size();
  if (hosts > kMaxStatHosts) {
    report.Note(Shown(files, stat) + " has " + std::to_string(hosts) + " hosts, more than the " +
                std::to_string(kMaxStatHosts) + " the bot keeps: at start it drops the first " +
                std::to_string(hosts - kMaxStatHosts) +
                " in the file, with their counts and notes, at its next rewrite.");
  }
  Add(report, "anecdotes", CheckJokeFile(files, report, "botfile/anecdot.txt", ParseAnecdotes));
  Add(report, "aphorisms", CheckJokeFile(files, report, "botfile/Aforizm.txt", ParseAphorisms));
  Add(report, "quiz questions", CountLines(files.Text("botfile/questions.txt"), [](const std::string& l) {
        return ParseQuestionLine(l).has_value();
      }));
  Add(report, "news", CountLines(files.Text("botfile/news.txt"),
                                 [](const std::string& l) { return !l.empty(); }));
  Add(report, "chatterbox pairs",
      std::min(SplitLines(files.Text("botfile/boltun.txt")).size(), Chatterbox::kMaxPhrases));
  // A ban is a "host=until" line; the header and comments are none.
  Add(report, "bans", CountLines(files.Text("botfile/ban.txt"), [](const std::string& l) {
        return l.find('=') != std::string::npos && l.front() != '[' && l.front() != ';';
      }));
  try {
    // A blank line (or "#" alone) names nobody, as the bot reads it.
    const std::vector<AdminEntry> admins = LoadAdmins(files.Path("botfile/admin.txt"));
    Add(report, "administrators",
        static_cast<std::size_t>(std::count_if(admins.begin(), admins.end(), [](const AdminEntry& a) {
          return !TrimControls(a.Nick).empty() || !TrimControls(a.CompName).empty();
        })));
  } catch (const std::exception&) {
    report.Problem(Shown(files, files.Path("botfile/admin.txt")) +
                   " cannot be read: the bot has no administrators.");
  }
}

void CheckBirthdays(FolderFiles& files, FolderReport& report) {
  const std::string path = files.Path("botfile/BirthDay.dat");
  BirthdayTable table;
  const BirthdayTable::LoadResult result = table.Load(path);
  Add(report, "birthdays", static_cast<std::size_t>(table.Count()));
  const std::string size = std::to_string(FileSize(path)) + " bytes, not " +
                           std::to_string(kBirthdayFileSize);
  if (result == BirthdayTable::LoadResult::Longer) {
    report.Note(Shown(files, path) + " is " + size + ": the first " +
                std::to_string(kBirthdayFileSize) + " bytes are the table.");
  } else if (result == BirthdayTable::LoadResult::WrongSize) {
    report.Problem(Shown(files, path) + " is " + size +
                   ": the bot starts with an empty birthday table (keeping a copy as .bak). "
                   "Restore the file from a backup, or delete it for an empty table.");
  }
}

void CheckBoxes(FolderFiles& files, FolderReport& report) {
  const std::string userDir = files.Path("user");
  std::vector<std::string> names = ListDirectory(userDir);
  std::sort(names.begin(), names.end());
  BoxSeeds seeds(kBoxMaskSeed);
  std::vector<std::uint32_t> known = {kBoxMaskSeed};
  const IniFile others(files.Path("others.ini"));
  for (const std::string& key : others.ReadSection(kBoxSeedSection)) {
    const long long seed = others.ReadInteger(kBoxSeedSection, key, -1);
    if (seed < 0 || seed > 0xFFFFFFFFll) continue;
    seeds.Know(static_cast<std::uint32_t>(seed));
    known.push_back(static_cast<std::uint32_t>(seed));
  }
  std::size_t boxes = 0;
  for (const std::string& name : names) {
    const std::string path = JoinPath(userDir, name);
    if (!IsBoxName(name) || !FileExists(path)) continue;
    ++boxes;
    const std::string shown = Shown(files, path) + " (" + NickOfBox(name) + ")";
    const long long size = FileSize(path);
    if (size > static_cast<long long>(kMaxBoxBytes)) {
      report.Note(shown + " is " + std::to_string(size) + " bytes, past the " +
                  Megabytes(kMaxBoxBytes) + " a box may reach: deliveries to it are refused "
                  "until its owner empties it (\"!d\"); \"!r\" shows its newest part.");
      if (size > static_cast<long long>(kMaxFileSize)) continue;  // the seeds need it whole
    }
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
      report.Problem(shown + " cannot be read: give the bot's user the right to read it.");
      continue;
    }
    if (bytes->size() < 4) {
      report.Problem(shown + " is shorter than a box (4 bytes): it opens with no password. "
                             "Restore it from a backup or delete it.");
      continue;
    }
    const std::optional<BoxSeeds::Seed> seed =
        seeds.SeedFor(path, bytes->substr(0, bytes->size() - 4));
    if (!seed) {
      report.Problem(shown + ": no mask seed opens it; the bot leaves it alone and its owner "
                             "cannot read it. Restore it from a backup or delete it.");
    } else if (std::find(known.begin(), known.end(), seed->read) == known.end() &&
               bytes->size() > 5) {
      known.push_back(seed->read);
      report.Note(shown + " was written by another installation (mask seed " +
                  std::to_string(seed->read) + "): recovered; the bot remembers the seed in "
                  "others.ini at its first read of such a box.");
    }
  }
  Add(report, "message boxes", boxes);
  Add(report, "statistics hosts", IniFile(files.Path("botfile/stat.ini")).ReadSections().size());
}

void CheckExternalCommands(FolderFiles& files, FolderReport& report) {
  std::size_t commands = 0;
  for (const std::string& line : SplitLines(files.Text("extcmds.ini"))) {
    const std::size_t equals = line.find('=');
    const std::string name = line.substr(0, equals);
    if (name.empty()) continue;
    ++commands;
    const std::string written = equals == std::string::npos ? "" : line.substr(equals + 1);
    const std::string what = "external command \"" + Cp1251ToUtf8(name) + "\"";
    if (written.empty()) {
      report.Problem(what + " names no file: it answers \"Ошибка в команде.\". Add =path.");
      continue;
    }
    const FolderPaths::Located located = files.Folder().Locate(written);
    if (!located.found) {
      report.Problem(what + ": " + Cp1251ToUtf8(written) + " is refused (" + located.refusal +
                     "): it answers \"Ошибка в команде.\". Put the file in the working folder.");
      continue;
    }
    const FolderPaths::Found& found = *located.found;
    if (found.match == FolderPaths::Match::kMissing || !FileExists(found.path)) {
      report.Problem(what + ": its file " + Cp1251ToUtf8(written) +
                     " is missing: it answers \"Ошибка в команде.\".");
      continue;
    }
    if (found.match != FolderPaths::Match::kExact) {
      report.Note(what + ": " + Cp1251ToUtf8(written) + " is " + Shown(files, found.path) +
                  " on disk (" + MatchText(found.match) + ").");
    }
    const std::optional<std::string> text = ReadWholeFile(found.path);
    if (text && IsUtf8Text(*text)) {
      report.Note(what + ": " + Shown(files, found.path) +
                  " is UTF-8: the bot sends it as Windows-1251.");
    }
  }
  Add(report, "external commands", commands);
}

}  // namespace pelmo
