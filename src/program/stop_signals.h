// SIGTERM and SIGINT as requests to close the program, for a front-end
// whose loop watches descriptors (the window program on Linux): the
// signals are blocked and arrive on a descriptor instead; SIGHUP is
// ignored. Make it before any other thread starts, so that no thread takes
// them the old way.
#pragma once

namespace pelmo {

class StopSignals {
 public:
  // Throws std::runtime_error when the signals cannot be redirected.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Readable while a request waits.
  int Descriptor() const { return m_fd; }
  // Takes the waiting requests; call when the descriptor is readable.
  void Drain();

 private:
  int m_fd = -1;
};

}  // namespace pelmo
