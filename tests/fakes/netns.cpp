#include "fakes/netns.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace pelmo {

namespace {

std::atomic<int> g_counter{0};

// Namespaces left behind by a test program that crashed ("pelmo<pid>_..."
// of a process that is gone) are removed before new ones are made.
void RemoveStaleNamespaces() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/var/run/netns", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("pelmo", 0) != 0) continue;
    const std::size_t underscore = name.find('_');
    if (underscore == std::string::npos) continue;
    const std::string pid = name.substr(5, underscore - 5);
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (std::filesystem::exists("/proc/" + pid, error)) continue;
    std::system(("ip netns del " + name + " >/dev/null 2>&1").c_str());
  }
}

}  // namespace

NetnsPair::NetnsPair()
    : m_prefix("pelmo" + std::to_string(getpid()) + "_" + std::to_string(g_counter++)) {
  if (geteuid() != 0) {
    m_why = "network namespaces need root";
    return;
  }
  RemoveStaleNamespaces();
  if (!Run("ip netns add " + Name(kA)) || !Run("ip netns add " + Name(kB))) {
    m_why = "'ip netns add' failed";
    return;
  }
  if (!Ip(kA, "link set lo up") || !Ip(kB, "link set lo up") || !MakePair()) {
    m_why = "could not set up the veth pair";
    return;
  }
  m_ready = true;
}

bool NetnsPair::MakePair() {
  return Run("ip -n " + Name(kA) + " link add veth-a type veth peer name veth-b netns " +
             Name(kB)) &&
         Ip(kA, "addr add 192.0.2.1/24 broadcast 192.0.2.255 dev veth-a") &&
         Ip(kB, "addr add 192.0.2.2/24 broadcast 192.0.2.255 dev veth-b") &&
         Ip(kA, "link set veth-a up") && Ip(kB, "link set veth-b up") &&
         Ip(kA, "route add 224.0.0.0/4 dev veth-a") && Ip(kB, "route add 224.0.0.0/4 dev veth-b");
}

bool NetnsPair::MakePairAgain() {
  // Deleting one end deletes the other.
  return Ip(kA, "link del veth-a") && MakePair();
}

NetnsPair::~NetnsPair() {
  // Deleting a namespace removes its end of the pair and so the other end.
  Run("ip netns del " + Name(kA));
  Run("ip netns del " + Name(kB));
}

std::string NetnsPair::Name(Side side) const { return m_prefix + (side == kA ? "a" : "b"); }

void NetnsPair::RunIn(Side side, const std::function<void()>& fn) const {
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      const int fd = open(("/var/run/netns/" + Name(side)).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) throw std::runtime_error("cannot open namespace " + Name(side));
      const int entered = setns(fd, CLONE_NEWNET);
      close(fd);
      if (entered != 0) throw std::runtime_error("cannot enter namespace " + Name(side));
      fn();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

bool NetnsPair::Ip(Side side, const std::string& arguments) const {
  return std::system(("ip -n " + Name(side) + " " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

bool NetnsPair::Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace pelmo
