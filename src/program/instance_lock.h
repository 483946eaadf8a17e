// One bot at a time.
// Linux: one bot per working folder, an exclusive flock() on a file in the
// folder held until the process ends; bots in different folders run side
// by side and a lock left by a crashed process goes with it.
// Windows: the named mutex "MyOwnMutex" of the window program, one bot per
// log-on session whatever its folder, so that this program and the window
// program never run together either; the system releases it when the
// process ends.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock without waiting (Linux: opening, creating, the file at
  // path; Windows: path is not used). False with a one-line reason in
  // error when another process holds it or it cannot be had.
  bool Acquire(const std::string& path, std::string& error);

 private:
  std::intptr_t m_held = -1;  // the descriptor or the mutex handle
};

}  // namespace pelmo
