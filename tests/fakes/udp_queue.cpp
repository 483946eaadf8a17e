#include "fakes/udp_queue.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace pelmo {

long QueuedBytes(std::uint16_t port) {
  std::ifstream table("/proc/net/udp");
  std::string line;
  std::getline(table, line);
  long total = 0;
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, ":%04X", port);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues;
    fields >> slot >> local >> remote >> state >> queues;
    if (local.size() < 5 || local.substr(local.size() - 5) != wanted) continue;
    total += std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
  }
  return total;
}

}  // namespace pelmo
