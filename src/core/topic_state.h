// The channel topic as last received and the administrators' lock on it.
// Shared by the event dispatch (which stores the topic) and the
// interpreter (which sets and clears the lock). Main thread only.
#pragma once

#include <string>

namespace pelmo {

struct TopicState {
  std::string Topic;
  bool TopicLocked = false;
};

}  // namespace pelmo
