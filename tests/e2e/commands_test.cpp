// The real pelmobot on loopback, talked to by one chat participant: a peer
// socket on 127.0.0.2 (its unicast replies) and a socket on the broadcast
// address 127.255.255.255 (what the bot says to everybody).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kBotAddress = 0x7F000001;   // 127.0.0.1
constexpr std::uint32_t kPeerAddress = 0x7F000002;  // 127.0.0.2

// pelmobot as a child process; its standard output is collected by a
// reader thread.
class BotProcess {
 public:
  bool Start(const std::string& dir) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    m_pid = ::fork();
    if (m_pid < 0) return false;
    if (m_pid == 0) {
      ::dup2(pipeFds[1], STDOUT_FILENO);
      int null = ::open("/dev/null", O_RDONLY);
      ::dup2(null, STDIN_FILENO);
      ::execl(PELMOBOT_PATH, PELMOBOT_PATH, "--dir", dir.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_readFd = pipeFds[0];
    m_reader = std::thread([this] { ReadAll(); });
    return true;
  }

  ~BotProcess() {
    Stop();
    if (m_reader.joinable()) m_reader.join();
    if (m_readFd >= 0) ::close(m_readFd);
  }

  // SIGTERM as the system stops it; SIGKILL if it does not end in time.
  void Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = 0;
        return;
      }
      std::this_thread::sleep_for(30ms);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = 0;
  }

  // True once the output holds text (UTF-8).
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
      return m_output.find(text) != std::string::npos;
    });
  }
  std::string Output() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_output;
  }

 private:
  void ReadAll() {
    char buffer[4096];
    for (;;) {
      ssize_t count = ::read(m_readFd, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) return;
      std::lock_guard<std::mutex> lock(m_mutex);
      m_output.append(buffer, static_cast<std::size_t>(count));
      m_changed.notify_all();
    }
  }

  pid_t m_pid = 0;
  int m_readFd = -1;
  std::thread m_reader;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::string m_output;
};

class CommandsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0", "Flood=10"}));
    dir.WriteFile("botfile/admin.txt", "Tester#TESTPC\r\n");
    dir.WriteFile("botfile/help.txt", W("Команды бота:\r\n!help - помощь\r\n"));
    dir.WriteFile("botfile/weather.txt", W("Облачно, -3\r\n"));
    dir.WriteFile("botfile/welcom.txt", W("Добро пожаловать\r\n"));
    dir.WriteFile("botfile/vhod.txt", W("Tester: Тестер вошёл в чат\r\n"));
    std::string defaults = "[Messages]\r\n";
    for (int k = 0; k < 15; ++k) {
      defaults += "QuitMessage" + std::to_string(k) + W("=%s покинул чат\r\n");
    }
    dir.WriteFile("botfile/defvhod.ini", defaults);
    dir.WriteFile("botfile/ban.txt", "[BanList]\r\nOTHERPC=31.12.2030 23:59:00\r\n");

    ASSERT_TRUE(peer.Bind(kPeerAddress, port)) << std::strerror(errno);
    ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port)) << std::strerror(errno);
    ASSERT_TRUE(bot.Start(dir.Path()));
    ASSERT_TRUE(bot.WaitForOutput("Started.")) << bot.Output();
  }

  void Send(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    ASSERT_TRUE(peer.SendPacket(kBotAddress, port, type, payload));
  }
  void Say(const std::string& text) { Send(kPacketChatLine, ChatLinePayload("Main", text)); }

  // The next chat line or topic packet on the socket; probes, joins and
  // presence packets are passed over.
  static std::optional<PeerPacket> NextSaid(UdpPeer& socket) {
    auto deadline = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < deadline) {
      std::optional<PeerPacket> packet = socket.ReceivePacket(500ms);
      if (!packet) continue;
      std::uint8_t type = packet->Header.PacketType;
      if (type == kPacketChatLine || type == kPacketTopic) return packet;
    }
    return std::nullopt;
  }
  struct Said {
    std::uint8_t type = 0;
    std::uint8_t kind = 0;
    std::string channel;
    std::string text;
  };
  static Said Read(const PeerPacket& packet) {
    Said said;
    said.type = packet.Header.PacketType;
    const std::vector<std::uint8_t>& p = packet.Payload;
    if (p.size() < 2) return said;
    said.kind = p[0];
    std::size_t at = 2 + p[1];
    said.channel.assign(p.begin() + 2, p.begin() + std::min(at, p.size()));
    if (said.type == kPacketTopic) {
      if (at < p.size()) said.text.assign(p.begin() + at + 1, p.begin() + std::min(p.size(), at + 1 + p[at]));
      return said;
    }
    std::size_t end = at;
    while (end < p.size() && p[end] != 0) ++end;
    said.text.assign(p.begin() + std::min(at, p.size()), p.begin() + end);
    return said;
  }
  Said ToMe() {
    std::optional<PeerPacket> packet = NextSaid(peer);
    EXPECT_TRUE(packet) << "no unicast reply";
    if (!packet) return {};
    EXPECT_EQ(packet->SrcAddr, kBotAddress);
    return Read(*packet);
  }
  Said ToAll() {
    std::optional<PeerPacket> packet = NextSaid(everybody);
    EXPECT_TRUE(packet) << "nothing said to everybody";
    return packet ? Read(*packet) : Said{};
  }
  // The next thing said to everybody is a packet of this type with this text.
  void ExpectToAll(std::uint8_t type, const std::string& text) {
    Said said = ToAll();
    EXPECT_EQ(said.type, type) << text;
    EXPECT_EQ(said.text, text);
  }
  void ExpectNote(const std::string& note) {
    EXPECT_TRUE(bot.WaitForOutput("Tester (TESTPC" + note)) << note << "\n" << bot.Output();
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer peer;        // Tester on TESTPC, 127.0.0.2
  UdpPeer everybody;   // hears the broadcasts
  BotProcess bot;
};

TEST_F(CommandsEndToEnd, JoinGreetsAndLeaveSaysGoodbye) {
  Send(kPacketTopic, TopicPayload("Main", W("Тема дня")));
  ASSERT_TRUE(bot.WaitForOutput("Tester сменил тему на: Тема дня"));
  Send(kPacketJoin, {3, 0});

  Said entry = ToAll();
  EXPECT_EQ(entry.text, W("Тестер вошёл в чат"));
  EXPECT_EQ(entry.channel, "Main");
  Said topic = ToMe();
  EXPECT_EQ(topic.type, kPacketTopic);
  EXPECT_EQ(topic.text, W("Тема дня"));
  EXPECT_EQ(ToMe().text, W("Канал для анекдотов: Anecdot"));
  EXPECT_EQ(ToMe().text, W("Канал Викторины: Victorina"));
  EXPECT_EQ(ToAll().text, "\r\n\r\n" + std::string(64, ' ') +
                              W("(*)   И Н Ф О Р М А Ц И Я   (*)\r\nДобро пожаловать\r\n"));
  Said banned = ToMe();
  EXPECT_EQ(banned.kind, 0);
  EXPECT_EQ(banned.text, "\r\n\r\n" + std::string(64, ' ') + W("(*)   Кто забанен   (*)\r\n") +
                             "\r\nOTHERPC=31.12.2030 23:59:00\r\n[BanList]");

  Send(kPacketLeave, {3, 0});
  EXPECT_EQ(ToAll().text, W("Tester покинул чат"));
}

TEST_F(CommandsEndToEnd, EverydayCommands) {
  const std::string help = W("Команды бота:\r\n!help - помощь\r\n");
  Say("!Help");  // capitalised: not a command, and nothing comes back
  Say("!HELP");
  Say("!help");
  Said said = ToMe();
  EXPECT_EQ(said.text, help);
  EXPECT_EQ(said.kind, 3);
  ExpectNote(") команда помощь.");
  EXPECT_EQ(bot.Output().find("Tester (TESTPC) команда помощь.\n"),
            bot.Output().rfind("Tester (TESTPC) команда помощь.\n"));

  Say("\\help");
  EXPECT_EQ(ToMe().text, help);

  Say(W("!погода"));
  said = ToMe();
  EXPECT_EQ(said.text, "\r\n" + std::string(64, ' ') + W("(*)   Погода   (*)\r\nОблачно, -3\r\n"));
  EXPECT_EQ(said.kind, 0);
  ExpectNote(") команда показать погоду.");

  Say(W("!me улыбается"));
  EXPECT_EQ(ToAll().text, W("Tester улыбается%cf%"));
  ExpectNote(") команда me.");

  Say(W("!и 3"));
  said = ToMe();
  EXPECT_EQ(said.kind, 3);
  // The last three log-file lines, oldest first, each "\r\n[hh:nn]" + line:
  // the me command, the bot's own line heard back, and this command.
  std::vector<std::string> lines;
  for (std::size_t at = 0; (at = said.text.find("\r\n[", at)) != std::string::npos; at += 2) {
    std::size_t end = said.text.find("\r\n[", at + 2);
    lines.push_back(said.text.substr(at + 9, end == std::string::npos ? end : end - at - 9));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{W("Tester (TESTPC): !me улыбается"),
                                             W("@Pelmo_bot (Pelmo_bot): Tester улыбается%cf%"),
                                             W("Tester (TESTPC): !и 3")}))
      << said.text;
  ExpectNote(") команда выдать последние N строк.(Ограничение на 99 строк)");
}

TEST_F(CommandsEndToEnd, BanRefusalAndRefresh) {
  // Lines that would ban nobody, or only until the host's next join, are
  // refused with the form expected; the file keeps none of them.
  for (const std::string& typed : {std::string("BADPC"), W("PERMPC=навсегда")}) {
    Say("!ban " + typed);
    Said refusal = ToMe();
    EXPECT_EQ(refusal.text, W("Бан не добавлен. Нужно так: !ban компьютер=дд.мм.гггг чч:мм:сс"));
    EXPECT_EQ(refusal.kind, 0);
  }
  EXPECT_EQ(dir.ReadFile("botfile/ban.txt"), "[BanList]\r\nOTHERPC=31.12.2030 23:59:00\r\n");

  Say("!ban NEWPC=31.12.2030 23:59:00");
  EXPECT_EQ(ToAll().text, W("NEWPC=31.12.2030 23:59:00%cf% Добавлен в Бан лист"));
  ExpectNote(") команда Администратора БАН.");

  Say("!banlist");
  Said list = ToMe();
  EXPECT_EQ(list.kind, 3);
  EXPECT_EQ(list.text, "\r\n\r\n" + std::string(64, ' ') + W("(*)   Бан Лист   (*)\r\n") +
                           "\r\nNEWPC=31.12.2030 23:59:00\r\nOTHERPC=31.12.2030 23:59:00\r\n[BanList]");
  ExpectNote(") команда показать банлист.");

  // The tester bans his own computer with a date already past.
  Say("!ban TESTPC=01.01.2001 00:00:00");
  ToAll();
  Say("!help");
  EXPECT_EQ(ToMe().text,
            W("Tester, Вам отказано в использовании бота, ваш бан до: 01.01.2001 00:00:00\n\r"
              "Ручная проверка бана (!refreshban или !проверить бан)"));
  Say(W("!проверить бан"));
  ExpectNote(") команда проверить истечение бана.");
  Say("!help");
  EXPECT_EQ(ToMe().text, W("Команды бота:\r\n!help - помощь\r\n"));
  EXPECT_EQ(dir.ReadFile("botfile/ban.txt"),
            "[BanList]\r\nOTHERPC=31.12.2030 23:59:00\r\nNEWPC=31.12.2030 23:59:00\r\n");
}

// A default entry line that does not fit the nick costs only itself: the
// rest of the join goes on, and the log names the pattern once.
TEST_F(CommandsEndToEnd, ABadEntryPatternCostsOnlyItsLine) {
  std::string defaults = "[Messages]\r\n";
  for (int k = 0; k < 15; ++k) defaults += "EnterMessage" + std::to_string(k) + W("=%d ник %s\r\n");
  dir.WriteFile("botfile/defvhod.ini", defaults);
  Send(kPacketTopic, TopicPayload("Main", W("Тема дня")));
  ASSERT_TRUE(bot.WaitForOutput("Tester сменил тему на: Тема дня"));
  peer.Nick = "Newbie";  // no line of his own in vhod.txt
  for (int join = 0; join < 2; ++join) {
    Send(kPacketJoin, {3, 0});
    Said topic = ToMe();
    EXPECT_EQ(topic.type, kPacketTopic);
    EXPECT_EQ(topic.text, W("Тема дня"));
    EXPECT_EQ(ToMe().text, W("Канал для анекдотов: Anecdot"));
    EXPECT_EQ(ToMe().text, W("Канал Викторины: Victorina"));
    // The first thing said to everybody is the start message: no entry line.
    EXPECT_EQ(ToAll().text, "\r\n\r\n" + std::string(64, ' ') +
                                W("(*)   И Н Ф О Р М А Ц И Я   (*)\r\nДобро пожаловать\r\n"));
    EXPECT_EQ(ToMe().text, "\r\n\r\n" + std::string(64, ' ') + W("(*)   Кто забанен   (*)\r\n") +
                               "\r\nOTHERPC=31.12.2030 23:59:00\r\n[BanList]");
  }
  const std::string named = "defvhod.ini: строка EnterMessage";
  ASSERT_TRUE(bot.WaitForOutput(named));
  const std::string output = bot.Output();
  EXPECT_EQ(output.find(named), output.rfind(named)) << output;
  EXPECT_NE(output.find("%d ник %s"), std::string::npos);
}

TEST_F(CommandsEndToEnd, TopicLockFlows) {
  Send(kPacketTopic, TopicPayload("Main", "Friday"));
  ASSERT_TRUE(bot.WaitForOutput("Tester сменил тему на: Friday"));

  Say("!t_fix");
  ExpectToAll(kPacketTopic, "Friday (Fiksed)");
  ExpectNote(") команда от администратора: заблокировать тему.");

  Say("!t Saturday");
  ExpectToAll(kPacketChatLine, W("Нельзя сменить тему."));

  Send(kPacketTopic, TopicPayload("Main", "Sunday"));
  ExpectToAll(kPacketChatLine, W("Нельзя сменить тему!"));
  ExpectToAll(kPacketTopic, "Friday (Fixed)");

  Say("!t_unfix");
  ExpectToAll(kPacketTopic, "Friday");
  ExpectNote(") команда от администратора: разблокировать тему.");

  Say("!t Saturday");
  ExpectToAll(kPacketTopic, "Saturday (Tester)");
  ExpectNote(") команда сменить тему.");
}

}  // namespace
}  // namespace pelmo
