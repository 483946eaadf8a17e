#include "fakes/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace pelmo {

namespace fs = std::filesystem;

TempDir::TempDir() {
  // A random name, taken only when this call creates it (as mkdtemp does),
  // in the system's folder for temporary files.
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) throw std::runtime_error("no folder for temporary files");
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "pelmo-test-%012llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    const fs::path path = base / name;
    if (fs::create_directory(path, error)) {
      m_path = path.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

std::string TempDir::FilePath(std::string_view name) const {
  return m_path + "/" + std::string(name);
}

void TempDir::WriteFile(std::string_view name, std::string_view bytes) const {
  fs::path path = FilePath(name);
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string TempDir::ReadFile(std::string_view name) const {
  std::string path = FilePath(name);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::Exists(std::string_view name) const {
  std::error_code error;
  return fs::exists(FilePath(name), error);
}

std::vector<std::string> TempDir::List(std::string_view dir) const {
  std::vector<std::string> names;
  std::error_code error;
  fs::path root = dir.empty() ? fs::path(m_path) : fs::path(FilePath(dir));
  for (const auto& entry : fs::directory_iterator(root, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace pelmo
