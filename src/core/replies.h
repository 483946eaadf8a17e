// The send operations of all services: chat lines cut to the maximum
// message size, password-channel lines and topic packets, all with the
// outgoing state (OutChannel, OutAddress, NickColor). Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "transport/chat_payload.h"

namespace pelmo {

class BotLog;
class PacketCodec;
struct NetSettings;
struct OutgoingState;

class Replies {
 public:
  Replies(PacketCodec& codec, const NetSettings& settings, OutgoingState& out,
          BotLog& log);

  // Sends the text as chat lines of at most MaxMessageSize characters to
  // OutChannel at OutAddress; an empty text sends nothing.
  void SayText(const std::string& text, std::uint8_t kind);
  // One kind-2 line (text cut to 255) with the password into OutChannel.
  void SendPasswordLine(const std::string& text, const std::string& password);
  // One topic packet (text cut to 255) for OutChannel at OutAddress.
  void SendTopic(const std::string& text);

  // A unicast reply: OutAddress := address, SayText, OutAddress :=
  // SendAddress (also when the send throws).
  void SayTo(std::uint32_t address, const std::string& text, std::uint8_t kind);
  // SayText into another channel; OutChannel is "Main" afterwards.
  void SayInChannel(const std::string& channel, const std::string& text,
                    std::uint8_t kind);
  // The last count ring lines as a unicast kind-3 reply.
  void SendRecentLines(std::uint32_t address, long long count);

  const NetSettings& Settings() const { return m_settings; }

 private:
  PacketCodec& m_codec;
  const NetSettings& m_settings;
  OutgoingState& m_out;
  BotLog& m_log;
};

// Restores the outgoing state when it leaves scope: OutAddress :=
// SendAddress and OutChannel := "Main", whatever happened in between.
class OutStateGuard {
 public:
  OutStateGuard(OutgoingState& out, const NetSettings& settings)
      : m_out(out), m_settings(settings) {}
  ~OutStateGuard();
  OutStateGuard(const OutStateGuard&) = delete;
  OutStateGuard& operator=(const OutStateGuard&) = delete;

 private:
  OutgoingState& m_out;
  const NetSettings& m_settings;
};

// "секунда", "секунды" or "секунд" for n (Windows-1251).
std::string SecondsWord(long long n);
// "человека" when n ends in 2, 3 or 4 but not in 12, 13 or 14, else
// "человек" (Windows-1251).
std::string PeopleWord(long long n);

}  // namespace pelmo
