// A fresh directory for one test in the system's folder for temporary
// files ($TMPDIR or /tmp; on Windows %TEMP%, "/" as separator): created by
// the constructor, removed with everything in it by the destructor. Files are written and
// read as raw bytes (no line-end or code-page conversion).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmo {

class TempDir {
 public:
  // Throws std::runtime_error when the directory cannot be created.
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a trailing slash.
  const std::string& Path() const { return m_path; }
  // Path() + "/" + name; name may hold subdirectories ("botfile/ban.txt").
  std::string FilePath(std::string_view name) const;

  // Replaces the file with exactly these bytes, creating missing parent
  // directories. Throws std::runtime_error on failure.
  void WriteFile(std::string_view name, std::string_view bytes) const;
  // The file's bytes. Throws std::runtime_error when it cannot be read.
  std::string ReadFile(std::string_view name) const;
  bool Exists(std::string_view name) const;
  // Names of the entries directly inside dir (relative to Path(); "" for
  // Path() itself), sorted, hidden ones included.
  std::vector<std::string> List(std::string_view dir = "") const;

 private:
  std::string m_path;
};

}  // namespace pelmo
