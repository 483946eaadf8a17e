// One bot per working folder: an exclusive flock() on a file in the
// folder, held until the process ends. Bots in different folders run side
// by side; a lock left by a crashed process goes with it.
#pragma once

#include <string>

namespace pelmo {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Opens (creating) path and locks it without waiting. False with a
  // one-line reason in error when another process holds it or the file
  // cannot be opened.
  bool Acquire(const std::string& path, std::string& error);

 private:
  int m_fd = -1;
};

}  // namespace pelmo
