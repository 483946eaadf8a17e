#include "core/utf8_files.h"

#include <optional>

#include "base/cp1251.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "core/error_text.h"
#include "core/work_folder.h"

namespace pelmo {

const std::vector<TextDataFile>& TextDataFiles() {
  static const std::vector<TextDataFile> files = {
      {"Net.ini", true},
      {"others.ini", true},
      {"extcmds.ini", false},
      {"botfile/log.txt", true},
      {"botfile/help.txt", false},
      {"botfile/Aforizm.txt", true},
      {"botfile/news.txt", true},
      {"botfile/seen.txt", true, true},
      {"botfile/seen_log.log", true},
      {"botfile/seennews.txt", true, true},
      {"botfile/top.txt", false},
      {"botfile/vhod.txt", false},
      {"botfile/anecdot.txt", true},
      {"botfile/ban.txt", true, true},
      // Read as the information text, and "!info" appends to it.
      {"botfile/welcom.txt", true},
      {"botfile/boltun.txt", true},
      {"botfile/admin.txt", true},
      {"botfile/weather.txt", true},
      {"botfile/defvhod.ini", false},
      {"botfile/stat.ini", true, true},
      {"botfile/questions.txt", false},
      {"botfile/topvictor.txt", true},
      {"user/seen.txt", true, true},
  };
  return files;
}

Utf8Action Utf8ActionFor(const TextDataFile& file, const std::string& contents) {
  if (file.names || !IsUtf8Text(contents)) return Utf8Action::kNone;
  return file.written ? Utf8Action::kConvert : Utf8Action::kReadAsUtf8;
}

std::vector<std::string> PrepareUtf8TextFiles(const WorkFolder& folder) {
  std::vector<std::string> lines;
  for (const TextDataFile& file : TextDataFiles()) {
    const std::string path = folder.Path(file.name);
    const std::optional<std::string> contents = ReadWholeFile(path);
    if (!contents) continue;
    switch (Utf8ActionFor(file, *contents)) {
      case Utf8Action::kNone:
        break;
      case Utf8Action::kReadAsUtf8:
        lines.push_back(W("Файл ") + ToLogText(path) +
                        W(" в кодировке UTF-8: прочитан как UTF-8 и переведён в Windows-1251 "
                          "в памяти."));
        break;
      case Utf8Action::kConvert:
        try {
          RewriteFile(path + ".bak", *contents);
          RewriteFile(path, ToCp1251Text(*contents));
          lines.push_back(W("Файл ") + ToLogText(path) +
                          W(" был в кодировке UTF-8: переведён в Windows-1251 (файл в UTF-8 "
                            "сохранён как ") +
                          ToLogText(path) + ".bak).");
        } catch (const std::exception& e) {
          lines.push_back(W("Файл ") + ToLogText(path) +
                          W(" в кодировке UTF-8 перевести не удалось: ") + ToLogText(e.what()));
        }
        break;
    }
  }
  return lines;
}

}  // namespace pelmo
