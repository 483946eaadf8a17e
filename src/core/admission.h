// The flood guard as the services see it: whether a sender's commands and
// triggers are answered. A sender is the event's source address.
// Administrators are always admitted and never counted. Main thread only.
#pragma once

namespace pelmo {

struct ChatEvent;

class Admission {
 public:
  virtual ~Admission() = default;
  // True while the sender's commands and triggers are ignored.
  virtual bool Ignored(const ChatEvent& event) const = 0;
  // Counts one command or trigger of the sender; true when it may be
  // answered.
  virtual bool Admit(const ChatEvent& event) = 0;
};

}  // namespace pelmo
