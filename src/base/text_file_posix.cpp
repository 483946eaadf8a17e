#include "base/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace pelmo {

namespace {

std::string ErrorText(const std::string& what, const std::string& path,
                      int error) {
  return what + " " + path + ": " + std::strerror(error);
}

// Closes the descriptor on every path out of a function.
class FdCloser {
 public:
  explicit FdCloser(int fd) : m_fd(fd) {}
  ~FdCloser() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  // Closes now and reports close()'s own failure (delayed write errors).
  int Close() {
    int result = ::close(m_fd);
    m_fd = -1;
    return result;
  }

 private:
  int m_fd;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

constexpr int kTempNameTries = 1000;

// pid + counter: unique among this process's rewrites and other processes.
std::string TempNameFor(const std::string& path) {
  static std::atomic<unsigned long> counter{0};
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".tmp" + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateDirectory(const std::string& path) {
  ::mkdir(path.c_str(), 0777);
  return DirectoryExists(path);
}

bool PathMissing(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

long long FileSize(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

std::optional<FileVersion> VersionOfFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  FileVersion version;
  version.size = static_cast<long long>(info.st_size);
  // The change time moves with every write and cannot be set back by a
  // program, as the modification time can.
  version.changed = static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL +
                    static_cast<long long>(info.st_ctim.tv_nsec);
  version.id = static_cast<unsigned long long>(info.st_ino);
  return version;
}

std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t cap) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  FdCloser closer(fd);
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<unsigned long long>(info.st_size) > cap) return std::nullopt;

  std::string contents;
  contents.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    // The file may grow while it is read; the cap still holds.
    if (contents.size() + static_cast<std::size_t>(got) > cap) {
      return std::nullopt;
    }
    contents.append(buffer, static_cast<std::size_t>(got));
  }
  return contents;
}

bool ReadFilePart(const std::string& path, long long offset, std::size_t size,
                  std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  FdCloser closer(fd);
  out.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, out.data() + done, size - done,
                                static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  out.resize(done);
  return true;
}

void RewriteFile(const std::string& path, std::string_view contents) {
  std::string temp = TempNameFor(path);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  // A process killed mid-rewrite may have left a file under the name this
  // process would use next, when it had the same pid; take the next name.
  for (int tries = 0; fd < 0 && errno == EEXIST && tries < kTempNameTries; ++tries) {
    temp = TempNameFor(path);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }
  // Named by the file the caller knows, not by the temporary one.
  if (fd < 0) throw FileError(ErrorText("не удалось записать", path, errno));
  FdCloser closer(fd);

  auto fail = [&](const char* what) {
    int error = errno;
    ::unlink(temp.c_str());
    throw FileError(ErrorText(what, path, error));
  };

  // Keep the permissions of the file being replaced.
  struct stat old;
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);
  }
  if (!WriteAll(fd, contents)) fail("не удалось записать");
  if (::fsync(fd) != 0) fail("не удалось сбросить на диск");
  if (closer.Close() != 0) fail("не удалось закрыть");
  if (::rename(temp.c_str(), path.c_str()) != 0) fail("не удалось заменить");

  // Make the rename itself durable; a failure here leaves a valid file.
  int dirFd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

namespace {

// The usual reasons in the operator's language; the system's words else.
std::string ReasonOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "нет права на запись";
    case EROFS:
      return "файловая система только для чтения";
    case EISDIR:
      return "на месте файла стоит папка";
    case ENOSPC:
      return "на диске нет места";
    case ENOENT:
      return "папки нет";
    case ENOTDIR:
      return "на месте папки стоит файл";
    default:
      return std::strerror(error);
  }
}

}  // namespace

std::string WriteProblem(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return ReasonOf(EISDIR);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return ReasonOf(errno);
    ::close(fd);
  }
  const std::string probe = TempNameFor(path);
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return ReasonOf(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return "";
}

int RemoveStaleTempFiles(const std::string& dir) {
  DIR* folder = ::opendir(dir.c_str());
  if (folder == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(folder)) {
    // "." + name + ".tmp" + pid + "-" + counter, as TempNameFor makes it.
    const std::string_view name = entry->d_name;
    const std::size_t mark = name.rfind(".tmp");
    if (name.size() < 2 || name[0] != '.' || mark == 0 || mark == std::string_view::npos) continue;
    const std::string_view tail = name.substr(mark + 4);
    const std::size_t dash = tail.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == tail.size() ||
        tail.find_first_not_of("0123456789-") != std::string_view::npos ||
        tail.find('-', dash + 1) != std::string_view::npos || dash > 9) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(std::string(tail.substr(0, dash))));
    if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat info;
    if (::fstatat(::dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      continue;
    }
    if (::unlinkat(::dirfd(folder), entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(folder);
  return removed;
}

void AppendLine(const std::string& path, std::string_view line) {
  int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(ErrorText("не удалось открыть", path, errno));
  FdCloser closer(fd);
  // One write call, so the line and its end land together.
  std::string text;
  text.reserve(line.size() + 4);
  // A file edited by hand may lack its last line end; the new line must
  // not run on into the old last line.
  struct stat info {};
  char last = '\n';
  if (::fstat(fd, &info) == 0 && info.st_size > 0 &&
      ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n' && last != '\r') {
    text += "\r\n";
  }
  text.append(line);
  text += "\r\n";
  if (!WriteAll(fd, text)) throw FileError(ErrorText("не удалось записать", path, errno));
  if (closer.Close() != 0) throw FileError(ErrorText("не удалось закрыть", path, errno));
}

void WriteFileAt(const std::string& path, long long offset, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(ErrorText("не удалось открыть", path, errno));
  FdCloser closer(fd);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                     static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw FileError(ErrorText("не удалось записать", path, errno));
    done += static_cast<std::size_t>(written);
  }
  if (closer.Close() != 0) throw FileError(ErrorText("не удалось закрыть", path, errno));
}

bool TruncateFile(const std::string& path, long long size) {
  return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

bool CreateEmptyFileIfMissing(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0) ::close(fd);
  return FileExists(path);
}

}  // namespace pelmo
