// Turns each accepted packet into one chat event and handles it: joins,
// leaves, probes, presence replies, colour, topic and channel changes
// here, chat lines in the interpreter. The services' reactions run in the
// order of core/order.h. Main thread only.
#pragma once

namespace pelmo {

struct BotParts;
struct ChatEvent;
struct ReceivedPacket;

class Dispatcher {
 public:
  explicit Dispatcher(BotParts& bot) : m_bot(bot) {}

  // Builds the packet's event and selects the handler by its type. A
  // failing service ends this packet only: the error is logged.
  void DispatchPacket(const ReceivedPacket& packet);
  void Dispatch(const ChatEvent& event);

  // The greeting step that tells a joiner the topic.
  void SendTopicTo(const ChatEvent& event);

  // Clears the roster and probes SendAddress (answers refill it).
  void RefreshRoster();
  // Status panel 1 := "IP:" + the address of roster entry index.
  void UsrLBClick(int index);

 private:
  void OnJoin(const ChatEvent& event);
  void OnLeave(const ChatEvent& event);
  void OnProbe(const ChatEvent& event);
  void OnPresenceReply(const ChatEvent& event);
  // Colour changes and channel joins and leaves: a log line and a sign of
  // life.
  void OnNotice(const ChatEvent& event, const char* what);
  void OnTopic(const ChatEvent& event);

  BotParts& m_bot;
};

}  // namespace pelmo
