#include "fakes/bot_fixture.h"

#include <stdexcept>

#include "base/random.h"
#include "core/bot_log.h"
#include "core/data_files.h"
#include "fakes/recording_log.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {

// Records every datagram; forwards it to the real socket layer when told.
class BotFixture::Recorder final : public DatagramSender {
 public:
  int SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr,
                   std::uint16_t srcPort, std::uint16_t dstPort,
                   const std::uint8_t* bytes, std::size_t length) override {
    record.SendDatagram(srcAddr, dstAddr, srcPort, dstPort, bytes, length);
    if (next == nullptr) return 0;
    return next->SendDatagram(srcAddr, dstAddr, srcPort, dstPort, bytes, length);
  }
  RecordingSender record;
  DatagramSender* next = nullptr;
};

namespace {

void KeyWithChatKey(BlowfishContext& cipher) {
  ChatKey key = BuiltInChatKey();
  BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
}

void PushShortString(std::vector<std::uint8_t>& out, const std::string& text) {
  std::size_t length = text.size() > 255 ? 255 : text.size();
  out.push_back(static_cast<std::uint8_t>(length));
  out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

// A length-prefixed string at pos; false when it runs past the end.
bool ReadShortString(const std::vector<std::uint8_t>& in, std::size_t& pos,
                     std::string& out) {
  if (pos >= in.size()) return false;
  std::size_t length = in[pos++];
  if (length > in.size() - pos) return false;
  out.assign(in.begin() + static_cast<std::ptrdiff_t>(pos),
             in.begin() + static_cast<std::ptrdiff_t>(pos + length));
  pos += length;
  return true;
}

std::string TextToZero(const std::vector<std::uint8_t>& in, std::size_t pos) {
  std::string text;
  while (pos < in.size() && in[pos] != 0) text.push_back(static_cast<char>(in[pos++]));
  return text;
}

}  // namespace

// --- RecordingView ---

void RecordingView::OnLogLine(const std::string& prefix, const std::string& text,
                              std::uint32_t color) {
  lines.push_back({prefix, text, color});
}

void RecordingView::OnStatusPanel(int panel, const std::string& text) {
  panels.emplace_back(panel, text);
}

std::vector<std::string> RecordingView::Texts() const {
  std::vector<std::string> texts;
  for (const Line& line : lines) texts.push_back(line.text);
  return texts;
}

bool RecordingView::Contains(const std::string& text) const { return IndexOf(text) >= 0; }

int RecordingView::IndexOf(const std::string& text, int from) const {
  for (std::size_t i = from < 0 ? 0 : static_cast<std::size_t>(from); i < lines.size(); ++i) {
    if (lines[i].text == text) return static_cast<int>(i);
  }
  return -1;
}

// --- free helpers ---

std::string LoopbackNetIni(std::uint16_t port, const std::vector<std::string>& chatKeys) {
  std::string text =
      "[net]\r\nip=127.0.0.1\r\nport=" + std::to_string(port) +
      "\r\nttl=1\r\nIpBroadcast=127.255.255.255\r\nnetaddr=127.255.255.255\r\n"
      "[socket]\r\nsnifermode=0\r\nREUSEADDR=1\r\nMultiCast=0\r\n"
      "[chat]\r\nNick=@Pelmo_bot\r\nHost=Pelmo_bot\r\ninvisible=0\r\nBirthDay=0\r\n";
  for (const std::string& line : chatKeys) text += line + "\r\n";
  return text;
}

bool DecodeSentPacket(const std::vector<std::uint8_t>& bytes, SentPacket& packet) {
  BlowfishContext cipher{};
  KeyWithChatKey(cipher);
  NetSettings settings;
  OutgoingState out;
  RecordingLog log;
  FakeClock clock;
  Random random;
  auto codec = std::make_unique<PacketCodec>(cipher, settings, out, log, clock, random);
  std::vector<std::uint8_t> data = bytes;
  if (data.size() > 65535) return false;
  TIncomingPacket record;
  if (codec->DecodePacket(data.data(), static_cast<std::uint16_t>(data.size()), record) != 0) {
    return false;
  }
  packet.type = record.PacketType;
  packet.nick = record.SenderNick;
  packet.host = record.SenderHost;
  packet.color = record.SenderColor;
  packet.payload.assign(codec->PacketBody.begin(),
                        codec->PacketBody.begin() + codec->PacketBodyLength);
  const std::vector<std::uint8_t>& p = packet.payload;
  if (packet.type == kPacketChatLine && !p.empty()) {
    packet.kind = p[0];
    std::size_t pos = 1;
    if (ReadShortString(p, pos, packet.channel)) {
      if (packet.kind == 2) ReadShortString(p, pos, packet.password);
      packet.text = TextToZero(p, pos);
    }
  } else if (packet.type == kPacketTopic && !p.empty()) {
    std::size_t pos = 1;
    if (ReadShortString(p, pos, packet.channel)) ReadShortString(p, pos, packet.text);
  }
  return true;
}

std::vector<std::uint8_t> EncodePeerPacket(const ChatPeer& peer, std::uint8_t type,
                                           const std::vector<std::uint8_t>& payload,
                                           std::uint32_t dstAddr, std::uint16_t port,
                                           const Clock& clock) {
  BlowfishContext cipher{};
  KeyWithChatKey(cipher);
  NetSettings settings;
  settings.Port = port;
  settings.MulticastMode = false;
  settings.BotNick = peer.nick;
  settings.BotHost = peer.host;
  OutgoingState out;
  out.NickColor = peer.color;
  RecordingLog log;
  Random random;
  RecordingSender sender;
  auto codec = std::make_unique<PacketCodec>(cipher, settings, out, log, clock, random);
  codec->SetSender(&sender);
  codec->EncodeAndSend(peer.host, peer.nick, peer.address,
                       static_cast<std::uint16_t>(payload.size()), payload.data(), type,
                       dstAddr);
  if (sender.Sent().empty()) throw std::runtime_error("peer packet not built");
  return sender.Last().Bytes;
}

std::vector<std::uint8_t> ChatLinePayload(std::uint8_t kind, const std::string& channel,
                                          const std::string& text) {
  std::vector<std::uint8_t> payload{kind};
  PushShortString(payload, channel);
  payload.insert(payload.end(), text.begin(), text.end());
  payload.push_back(0);
  return payload;
}

std::vector<std::uint8_t> PasswordLinePayload(const std::string& channel,
                                              const std::string& password,
                                              const std::string& text) {
  std::vector<std::uint8_t> payload{2};
  PushShortString(payload, channel);
  PushShortString(payload, password);
  payload.insert(payload.end(), text.begin(), text.end());
  payload.push_back(0);
  return payload;
}

std::vector<std::uint8_t> TopicPayload(const std::string& channel, const std::string& topic) {
  std::vector<std::uint8_t> payload{0};
  PushShortString(payload, channel);
  PushShortString(payload, topic);
  return payload;
}

// --- BotFixture ---

BotFixture::BotFixture(BotFixtureOptions options)
    : m_port(options.port != 0 ? options.port : FindFreeLoopbackPort()),
      m_recorder(std::make_unique<Recorder>()) {
  if (!options.noNetIni) dir.WriteFile("Net.ini", LoopbackNetIni(m_port, options.chatKeys));
  BotOptions botOptions;
  botOptions.workDir = dir.Path();
  botOptions.configDir = dir.FilePath("config");
  botOptions.programPath = "/usr/bin/pelmobot";
  botOptions.interfaces = {Loopback(1)};
  m_bot = std::make_unique<Bot>(loop, clock, botOptions);
  m_bot->AddView(&view);
}

BotFixture::~BotFixture() {
  // The network stops without announcing when the bot goes.
  m_bot.reset();
}

void BotFixture::PrepareOffline() {
  CreateMissingDataFiles(m_bot->Parts().folder);
  m_bot->Parts().store.LoadSettings(m_bot->Parts().options.interfaces);
  KeyWithChatKey(m_bot->Parts().cipher);
  RecordSends(false);
}

void BotFixture::RecordSends(bool forward) {
  m_recorder->next = forward ? &m_bot->Parts().net : nullptr;
  m_bot->Parts().codec.SetSender(m_recorder.get());
}

void BotFixture::Inject(const ChatPeer& peer, std::uint8_t type,
                        const std::vector<std::uint8_t>& payload) {
  clock.AdvanceMs(1);
  TRecvInfo info;
  info.Data = EncodePeerPacket(peer, type, payload, m_bot->Parts().netSettings.SendAddress,
                               m_port, clock);
  info.SrcAddr = peer.address;
  info.DstAddr = m_bot->Parts().netSettings.LocalAddress;
  info.SrcPort = static_cast<std::uint16_t>(m_port + 1);
  info.DstPort = m_port;
  info.DataLength = static_cast<std::uint16_t>(info.Data.size());
  m_bot->Parts().codec.HandlePacket(info);
}

void BotFixture::ReceiveJoin(const ChatPeer& peer) { Inject(peer, kPacketJoin, {3, 0}); }
void BotFixture::ReceiveLeave(const ChatPeer& peer) { Inject(peer, kPacketLeave, {3, 0}); }

void BotFixture::ReceiveProbe(const ChatPeer& peer) {
  Inject(peer, kPacketProbe, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
}

void BotFixture::ReceivePresence(const ChatPeer& peer) {
  std::vector<std::uint8_t> payload(20, 0);
  for (int i = 0; i < 12; ++i) payload[i] = static_cast<std::uint8_t>(0x40 + i);
  Inject(peer, kPacketPresenceReply, payload);
}

void BotFixture::ReceiveColor(const ChatPeer& peer) { Inject(peer, kPacketColor, {0}); }

void BotFixture::ReceiveTopic(const ChatPeer& peer, const std::string& topic,
                              const std::string& channel) {
  Inject(peer, kPacketTopic, TopicPayload(channel, topic));
}

void BotFixture::ReceiveChannelJoin(const ChatPeer& peer, const std::string& channel) {
  std::vector<std::uint8_t> payload;
  PushShortString(payload, channel);
  Inject(peer, kPacketChannelJoin, payload);
}

void BotFixture::ReceiveChannelLeave(const ChatPeer& peer, const std::string& channel) {
  std::vector<std::uint8_t> payload;
  PushShortString(payload, channel);
  Inject(peer, kPacketChannelLeave, payload);
}

void BotFixture::ReceiveLine(const ChatPeer& peer, const std::string& text,
                             const std::string& channel, std::uint8_t kind) {
  Inject(peer, kPacketChatLine, ChatLinePayload(kind, channel, text));
}

void BotFixture::ReceivePasswordLine(const ChatPeer& peer, const std::string& text,
                                     const std::string& channel,
                                     const std::string& password) {
  Inject(peer, kPacketChatLine, PasswordLinePayload(channel, password, text));
}

std::vector<SentPacket> BotFixture::Sent() const {
  std::vector<SentPacket> packets;
  for (const SentDatagram& datagram : m_recorder->record.Sent()) {
    SentPacket packet;
    if (!DecodeSentPacket(datagram.Bytes, packet)) continue;
    packet.dstAddr = datagram.DstAddr;
    packet.dstPort = datagram.DstPort;
    packets.push_back(std::move(packet));
  }
  return packets;
}

std::vector<std::string> BotFixture::TakeSentTexts() {
  std::vector<std::string> texts;
  for (const SentPacket& packet : Sent()) texts.push_back(packet.text);
  ClearSent();
  return texts;
}

std::vector<SentPacket> BotFixture::SentOfType(std::uint8_t type) const {
  std::vector<SentPacket> packets;
  for (SentPacket& packet : Sent()) {
    if (packet.type == type) packets.push_back(std::move(packet));
  }
  return packets;
}

void BotFixture::ClearSent() { m_recorder->record.Clear(); }

ChatPeer BotFixture::Self() const {
  ChatPeer self;
  self.nick = m_bot->Parts().netSettings.BotNick;
  self.host = m_bot->Parts().netSettings.BotHost;
  self.address = Loopback(1);
  self.color = m_bot->Parts().out.NickColor;
  return self;
}

}  // namespace pelmo
