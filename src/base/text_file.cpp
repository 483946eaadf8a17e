#include "base/text_file.h"

#include "base/text_encoding.h"

namespace pelmo {

std::vector<std::string> ReadLines(const std::string& path) {
  std::optional<std::string> contents = ReadTextFile(path);
  if (!contents) {
    throw FileError("не удалось прочитать " + path +
                    (FileExists(path) ? " (нет доступа или слишком большой)" : " (файла нет)"));
  }
  return SplitLines(*contents);
}

std::optional<std::string> ReadTextFile(const std::string& path, std::size_t cap) {
  std::optional<std::string> contents = ReadWholeFile(path, cap);
  if (!contents) return std::nullopt;
  return ToCp1251Text(std::move(*contents));
}

std::vector<std::string> ReadDataLines(const std::string& path) {
  if (PathMissing(path)) return {};
  return ReadLines(path);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void RewriteLines(const std::string& path,
                  const std::vector<std::string>& lines) {
  RewriteFile(path, JoinLines(lines));
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  std::string path(dir);
  if (path.back() != '/') path += '/';
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  path.append(name);
  return path;
}

}  // namespace pelmo
