// Turns each accepted packet into one event: joins, leaves, probes,
// presence replies, colour, topic and channel changes are handled here;
// chat lines go to the interpreter. Main thread only.
#pragma once

namespace pelmo {

class Bot;

class Dispatcher {
 public:
  explicit Dispatcher(Bot& bot) : m_bot(bot) {}

  // Selects the handler by CurrentPacket.PacketType.
  void DispatchPacket();

  void OnJoin();
  void OnLeave();
  void OnProbe();
  void OnPresenceReply();
  void OnColorChange();
  void OnTopic();
  void OnChannelJoin();
  void OnChannelLeave();

  // Clears the roster and probes SendAddress (answers refill it).
  void RefreshRoster();
  // Status panel 1 := "IP:" + the address of roster entry index.
  void UsrLBClick(int index);

 private:
  bool IsSelf() const;
  Bot& m_bot;
};

}  // namespace pelmo
