// A working folder as a Windows installation leaves it, moved over as it
// is, against the same folder as this bot writes it; and each data file
// deleted under the running bot. The real pelmobot on loopback, talked to
// by Tester (127.0.0.2) and Bob (127.0.0.3); a third socket hears what the
// bot says to everybody.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"
#include "services/offline_messages.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kOldSeed = 0x1BAD'B002u;

// A box file as the box format has it: the text XOR-ed with the draws of
// state := state * 134775813 + 1 (upper 32 bits of state * 255) from the
// seed, then the password's byte sum, little-endian.
std::string BoxBytes(const std::string& text, std::uint32_t seed, const std::string& password) {
  std::string file = text;
  std::uint32_t state = seed;
  for (char& c : file) {
    state = state * 134775813u + 1u;
    c = static_cast<char>(static_cast<unsigned char>(c) ^
                          static_cast<unsigned>((std::uint64_t{state} * 255u) >> 32));
  }
  std::uint32_t sum = 0;
  for (unsigned char c : password) sum += c;
  for (int i = 0; i < 4; ++i) file += static_cast<char>((sum >> (8 * i)) & 0xFF);
  return file;
}

const std::string kGreeting = W("Спасибо за регистрацию в нашей системе!");
const std::string kOldMail = W("\n\r2 мая 2011 г.10:0:0 From Вася: старое письмо");
const std::string kHelp = W("Команды бота:\r\n!help - помощь\r\n");
const std::string kHelpUtf8 = "\xD0\x9A\xD0\xBE\xD0\xBC\xD0\xB0\xD0\xBD\xD0\xB4\xD1\x8B "
                              "\xD0\xB1\xD0\xBE\xD1\x82\xD0\xB0:\r\n!help - "
                              "\xD0\xBF\xD0\xBE\xD0\xBC\xD0\xBE\xD1\x89\xD1\x8C\r\n";
// "Tester" and "Bob" in upper-case hex.
const std::string kTesterBox = "546573746572";
const std::string kBobBox = "426F62";

std::string Separator() {
  std::string separator;
  for (int i = 0; i < 34; ++i) separator += "=+";
  return separator;
}

// The data of one folder, under the names a layout gives them.
struct Layout {
  const char* net;
  const char* others;
  const char* extcmds;
  const char* botfile;
  const char* user;
  const char* help;
  const char* questions;
  bool moved;
};

void WriteFolder(const TempDir& dir, std::uint16_t port, const Layout& l) {
  const std::string b = std::string(l.botfile) + "/";
  dir.WriteFile(l.net, LoopbackNetIni(port, {"StartMsgPrivate=1", "Flood=500", "AnecInterval=0"}));
  dir.WriteFile(l.others, "[Vic]\r\nChanName=Victorina\r\n");
  dir.WriteFile(b + l.help, l.moved ? kHelpUtf8 : kHelp);
  const std::string aphorism = W("Тише едешь - дальше будешь");
  dir.WriteFile(b + (l.moved ? "AFORIZM.TXT" : "Aforizm.txt"), aphorism + "\r\n" + aphorism + "\r\n");
  const std::string joke = W("Штирлиц шёл по лесу") + "\r\n" + Separator() + "\r\n";
  dir.WriteFile(b + (l.moved ? "Anecdot.txt" : "anecdot.txt"), joke + joke);
  dir.WriteFile(b + (l.moved ? "News.txt" : "news.txt"),
                W("Пельмени в пятницу (Ann) 4 декабря 2026 г.9:0:0\r\n"));
  dir.WriteFile(b + (l.moved ? "Weather.TXT" : "weather.txt"), W("Облачно, -3\r\n"));
  dir.WriteFile(b + (l.moved ? "Top.txt" : "top.txt"), "Ann (\xB6" "90\r\nTester (\xB6" "42\r\n");
  dir.WriteFile(b + (l.moved ? "Seen.txt" : "seen.txt"), "Ghost\x8F" "10:00/01.12.2020\r\n");
  dir.WriteFile(b + (l.moved ? "VHOD.txt" : "vhod.txt"), W("Tester: Тестер вошёл в чат\r\n"));
  dir.WriteFile(b + (l.moved ? "Welcom.txt" : "welcom.txt"), W("Добро пожаловать\r\n"));
  dir.WriteFile(b + (l.moved ? "Ban.txt" : "ban.txt"), "[BanList]\r\nOTHERPC=31.12.2030 23:59:00\r\n");
  dir.WriteFile(b + l.questions, W("Столица России?|Москва\r\n"));
  // "Кино" in the command list; the file in Windows-1251 bytes when moved.
  if (l.moved) {
    dir.WriteFile(l.extcmds, W("Кино=botfile\\КИНО.txt\r\nRules=C:\\Pelmo_bot\\botfile\\Rules.txt\r\n"));
    dir.WriteFile(b + W("Кино.TXT"), W("Сегодня: Чапаев\r\n"));
    dir.WriteFile(b + "rules.txt", W("Не флудить\r\n"));
  } else {
    dir.WriteFile(l.extcmds, W("Кино=botfile/кино.txt\r\nRules=botfile/rules.txt\r\n"));
    dir.WriteFile(b + "\xD0\xBA\xD0\xB8\xD0\xBD\xD0\xBE.txt", W("Сегодня: Чапаев\r\n"));
    dir.WriteFile(b + "rules.txt", W("Не флудить\r\n"));
  }
  const std::string u = std::string(l.user) + "/";
  dir.WriteFile(u + (l.moved ? "Seen.txt" : "seen.txt"), "");
  if (l.moved) {
    dir.WriteFile(u + kTesterBox, BoxBytes(kGreeting + kOldMail, kOldSeed, "testpw"));
    dir.WriteFile(u + kBobBox, BoxBytes(kGreeting, kOldSeed, "bobpw"));
  } else {
    std::string tester = kGreeting + kOldMail;
    MaskBox(tester, tester.size());
    dir.WriteFile(u + kTesterBox, tester + BoxBytes("", 0, "testpw"));
    std::string bob = kGreeting;
    MaskBox(bob, bob.size());
    dir.WriteFile(u + kBobBox, bob + BoxBytes("", 0, "bobpw"));
  }
}

const Layout kReference{"Net.ini", "others.ini", "extcmds.ini", "botfile", "user",
                        "help.txt", "questions.txt", false};
const Layout kMoved{"NET.INI", "Others.ini", "ExtCmds.INI", "BotFile", "User",
                    "Help.txt", "Questions.txt", true};

class MovedFolderEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built";
    port = FindFreeLoopbackPort();
    ASSERT_TRUE(BindTesterBobAndEverybody(tester, bob, everybody, port));
  }

  void Start(const TempDir& dir) {
    bot.emplace(kPelmobotProgram, std::vector<std::string>{"--dir", dir.Path()});
    ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));
  }
  void Stop() {
    bot->Signal(SIGTERM);
    ASSERT_TRUE(bot->Wait(10s));
  }

  // Each peer stamps its packets with the time in milliseconds; the bot
  // drops a packet stamped as the last one it took.
  void Send(UdpPeer& who, std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(who.SendPacket(kBotAddress, port, type, payload));
  }
  void Say(UdpPeer& who, const std::string& text, const std::string& channel = "Main") {
    Send(who, kPacketChatLine, ChatLinePayload(0, channel, text));
  }
  void SayInRoom(UdpPeer& who, const std::string& text, const std::string& password) {
    Send(who, kPacketChatLine, PasswordLinePayload(who.Nick + "Room", password, text));
  }
  // The next line the bot says on the socket ("" when none comes).
  std::string Next(UdpPeer& socket) {
    std::optional<PeerPacket> packet = FromBot(socket, kPacketChatLine, 5s);
    if (!packet) return "";
    std::optional<HeardLine> line = ParseHeardLine(*packet);
    return line ? line->channel + "|" + line->text : "";
  }
  // Lines on the socket up to and with the first that ends with last.
  std::vector<std::string> Until(UdpPeer& socket, const std::string& last) {
    std::vector<std::string> lines;
    for (;;) {
      std::string line = Next(socket);
      if (line.empty()) {
        ADD_FAILURE() << "no line ending in " << Cp1251ToUtf8(last);
        return lines;
      }
      lines.push_back(line);
      if (line.size() >= last.size() && line.compare(line.size() - last.size(), last.size(), last) == 0) {
        return lines;
      }
    }
  }

  // Every command of the help, a join and the box, as one user sees them.
  std::vector<std::string> Session() {
    std::vector<std::string> heard;
    const auto mine = [&](const std::string& text, const std::string& channel = "Main") {
      Say(tester, text, channel);
      heard.push_back(Next(tester));
      EXPECT_FALSE(heard.back().empty()) << Cp1251ToUtf8(text);
    };
    const auto all = [&](const std::string& text, const std::string& channel = "Main") {
      Say(tester, text, channel);
      heard.push_back(Next(everybody));
      EXPECT_FALSE(heard.back().empty()) << Cp1251ToUtf8(text);
    };
    mine("!help");
    mine(W("!погода"));
    mine(W("!нов"));
    all("!a");
    all("!w", "Anecdot");
    all(W("!me улыбается"));
    mine("!mytop");
    mine("!banlist");
    all("!seen Ghost");
    mine("!extcmd");
    mine(W("!кино"));
    mine("!rules");
    mine(W("!информация"), "Victorina");
    Say(tester, W("!старт"), "Victorina");
    for (const std::string& line : Until(everybody, W("Викторина запущена..."))) heard.push_back(line);
    all(W("!стоп"), "Victorina");

    // A join: the unread notice, the entry line, the channels, the
    // information; the help and an aphorism mark the ends.
    Send(tester, kPacketJoin, {3, 0});
    Say(tester, "!help");
    for (const std::string& line : Until(tester, kHelp)) heard.push_back(line);
    Say(tester, "!a");
    for (const std::string& line : Until(everybody, W("Тише едешь - дальше будешь"))) {
      heard.push_back(line);
    }

    SayInRoom(tester, "!r", "testpw");
    heard.push_back(Next(everybody));
    return heard;
  }

  std::uint16_t port = 0;
  UdpPeer tester;
  UdpPeer bob;
  UdpPeer everybody;
  std::optional<ChildProcess> bot;
};

TEST_F(MovedFolderEndToEnd, AWindowsFolderAnswersAsTheReferenceAndItsBoxesStayReadable) {
  TempDir reference;
  WriteFolder(reference, port, kReference);
  Start(reference);
  const std::vector<std::string> expected = Session();
  Stop();

  TempDir moved;
  WriteFolder(moved, port, kMoved);
  Start(moved);
  const std::vector<std::string> heard = Session();
  ASSERT_EQ(heard.size(), expected.size());
  for (std::size_t i = 0; i < heard.size(); ++i) {
    EXPECT_EQ(Cp1251ToUtf8(heard[i]), Cp1251ToUtf8(expected[i])) << i;
  }
  // The texts themselves, in Windows-1251 however the files were written.
  EXPECT_EQ(heard[0], "Main|" + kHelp);
  EXPECT_EQ(heard[10], "Main|" + W("Дополнительная команда: Кино\r\nСегодня: Чапаев\r\n"));
  EXPECT_EQ(heard[11], "Main|" + W("Дополнительная команда: Rules\r\nНе флудить\r\n"));
  EXPECT_EQ(heard.back(), "TesterRoom|" + kGreeting + kOldMail);

  // Bob writes into Tester's moved box; both read theirs.
  SayInRoom(bob, "!nick Tester", "bobpw");
  EXPECT_EQ(Next(everybody), "BobRoom|" + W("Ник респондента задан."));
  SayInRoom(bob, W("новое письмо"), "bobpw");
  EXPECT_EQ(Next(everybody), "BobRoom|" + W("Ваше сообщение успешно доставлено."));
  SayInRoom(tester, "!r", "testpw");
  const std::string box = Next(everybody);
  EXPECT_EQ(box.rfind("TesterRoom|" + kGreeting + kOldMail + "\n\r", 0), 0u) << Cp1251ToUtf8(box);
  EXPECT_NE(box.find(W(" From Bob: новое письмо")), std::string::npos) << Cp1251ToUtf8(box);
  SayInRoom(bob, "!r", "bobpw");
  EXPECT_EQ(Next(everybody), "BobRoom|" + kGreeting);
  Stop();

  // The box is still in the old installation's mask, and the seed is
  // remembered for the next start.
  const std::string text = box.substr(std::string("TesterRoom|").size());
  EXPECT_EQ(moved.ReadFile("User/" + kTesterBox), BoxBytes(text, kOldSeed, "testpw"));
  EXPECT_EQ(IniFile(moved.FilePath("Others.ini")).ReadString("BoxMask", "Seed1", ""),
            std::to_string(kOldSeed));
  // Written back under their own names: no second file beside them.
  EXPECT_FALSE(moved.Exists("Net.ini"));
  EXPECT_FALSE(moved.Exists("others.ini"));
  EXPECT_FALSE(moved.Exists("botfile"));
  EXPECT_TRUE(moved.Exists("BotFile/Help.txt"));
}

TEST_F(MovedFolderEndToEnd, EachDataFileDeletedUnderTheRunningBotIsAnEmptyOne) {
  TempDir dir;
  WriteFolder(dir, port, kReference);
  dir.WriteFile("botfile/defvhod.ini", "[Messages]\r\nQuitMessage0=%s ушёл\r\n");
  dir.WriteFile("botfile/stat.ini", "[TESTPC]\r\nTotal=5\r\n");
  dir.WriteFile("botfile/topvictor.txt", "[users]\r\nTester=3\r\n");
  Start(dir);

  const struct {
    const char* file;
    std::string command;
    const char* channel;
    bool toAll;
    std::string reply;  // how it ends; "" for any (not for lines to all)
  } cases[] = {
      {"botfile/ban.txt", "!banlist", "Main", false,
       "\r\n\r\n" + std::string(64, ' ') + W("(*)   Бан Лист   (*)\r\n")},
      {"botfile/vhod.txt", "!help", "Main", false, kHelp},
      {"botfile/weather.txt", W("!погода"), "Main", false,
       "\r\n" + std::string(64, ' ') + W("(*)   Погода   (*)\r\n")},
      {"botfile/top.txt", "!mytop", "Main", false, W("Извините, ничего не найдено.")},
      {"botfile/news.txt", W("!нов"), "Main", false, ""},
      {"botfile/seennews.txt", W("!нов"), "Main", false, ""},
      // Kept in memory, written again at the next flush.
      {"botfile/seen.txt", "!seen Ghost", "Main", true, W(" в 10:00)")},
      {"botfile/seen_log.log", "!seen Nobody", "Main", true,
       W("Пользователь Nobody не появлялся здесь")},
      {"botfile/log.txt", W("!и 2"), "Main", false, ""},
      {"botfile/help.txt", "!help", "Main", false, kHelp},
      {"botfile/welcom.txt", "!help", "Main", false, kHelp},
      {"botfile/anecdot.txt", "!w", "Anecdot", true, W("Штирлиц шёл по лесу\r\n")},
      {"botfile/Aforizm.txt", "!a", "Main", true, W("Тише едешь - дальше будешь")},
      {"botfile/boltun.txt", "!help", "Main", false, kHelp},
      {"botfile/admin.txt", "!help", "Main", false, kHelp},
      {"botfile/BirthDay.dat", "!help", "Main", false, kHelp},
      {"botfile/stat.ini", "!stat", "Main", false, ""},
      {"botfile/questions.txt", W("!старт"), "Victorina", true,
       W("Внимание, загрузка вопросов, ждите...")},
      {"botfile/topvictor.txt", W("!лучшие"), "Victorina", false, W("\rЛУЧШИЕ ИГРОКИ:\r")},
      {"botfile/defvhod.ini", "!help", "Main", false, kHelp},
      {"user/seen.txt", "!help", "Main", false, kHelp},
      {"user/546573746572", "", "", false, ""},
      {"extcmds.ini", "!extcmd", "Main", false, W("Дополнительные команды не заданы.")},
      {"others.ini", "!help", "Main", false, kHelp},
      {"Net.ini", "!help", "Main", false, kHelp},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_EQ(std::remove(dir.FilePath(c.file).c_str()), 0);
    if (c.toAll) {
      // Past the greetings and goodbyes said to all since the last look.
      Say(tester, c.command, c.channel);
      const std::vector<std::string> lines = Until(everybody, c.reply);
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines.back().rfind(std::string(c.channel) + "|", 0), 0u);
    } else if (!c.command.empty()) {
      Say(tester, c.command, c.channel);
      const std::string line = Next(tester);
      ASSERT_FALSE(line.empty()) << Cp1251ToUtf8(c.command);
      if (!c.reply.empty()) {
        EXPECT_EQ(line, std::string(c.channel) + "|" + c.reply);
      }
    } else {
      SayInRoom(tester, "!r", "testpw");
      const std::string notRegistered = W("Такой пользователь не зарегестрирован в системе.");
      EXPECT_EQ(Until(everybody, notRegistered).back(), "TesterRoom|" + notRegistered);
    }
    // Joins and commands are still served: Bob comes in again and hears
    // the quiz channel's name (a late step of the greeting).
    Send(bob, kPacketLeave, {3, 0});
    Send(bob, kPacketJoin, {3, 0});
    ASSERT_EQ(Until(bob, W("Канал Викторины: Victorina")).back(),
              "Main|" + W("Канал Викторины: Victorina"));
    Say(tester, "!help");
    ASSERT_EQ(Until(tester, kHelp).back(), "Main|" + kHelp);
  }
  EXPECT_FALSE(bot->WaitForOutPart("Error:", 0ms)) << ::testing::PrintToString(bot->OutLines());
  Stop();
  // Created again by the writes after the deletion.
  EXPECT_TRUE(dir.Exists("botfile/log.txt"));
  EXPECT_TRUE(dir.Exists("botfile/seennews.txt"));
}

TEST_F(MovedFolderEndToEnd, TheCheckChangesNothingAndANewFolderStartsAsTheShippedOne) {
  const std::string shipped = std::string(PELMO_SOURCE_DIR) + "/dist/workdir";
  ChildProcess good(kPelmobotProgram, {"--check", "--dir", shipped});
  EXPECT_EQ(good.Wait(10s), 0) << ::testing::PrintToString(good.OutLines());
  EXPECT_TRUE(good.WaitForOutPart("The folder will work.", 0ms));

  TempDir broken;
  WriteFolder(broken, port, kMoved);
  broken.WriteFile("NET.INI", "[net]\r\nport=5o138\r\n");
  broken.WriteFile("BotFile/BirthDay.dat", "short");
  ChildProcess bad(kPelmobotProgram, {"--check", "--dir", broken.Path()});
  EXPECT_EQ(bad.Wait(10s), 1);
  for (const char* part : {"Net.ini [net] port=\"5o138\" cannot be read as a number",
                           "BotFile/BirthDay.dat is 5 bytes, not 134148", "2 problem(s)",
                           "user/seen.txt is User/Seen.txt on disk"}) {
    EXPECT_TRUE(bad.WaitForOutPart(part, 0ms)) << part << ::testing::PrintToString(bad.OutLines());
  }
  EXPECT_FALSE(broken.Exists("pelmobot.lock"));
  EXPECT_FALSE(broken.Exists("BotFile/log.txt"));

  // A copy of the program with its shipped folder beside it, on a free
  // port, started on an empty folder.
  TempDir install;
  install.WriteFile("bin/pelmobot", ReadWholeFile(kPelmobotProgram).value_or(""));
  ASSERT_EQ(::chmod(install.FilePath("bin/pelmobot").c_str(), 0755), 0);
  for (const char* name : {"botfile/help.txt", "botfile/Aforizm.txt", "others.ini"}) {
    install.WriteFile(std::string("bin/workdir/") + name, ReadWholeFile(shipped + "/" + name).value_or(""));
  }
  install.WriteFile("bin/workdir/Net.ini", LoopbackNetIni(port));
  TempDir fresh;
  bot.emplace(install.FilePath("bin/pelmobot"), std::vector<std::string>{"--dir", fresh.Path()});
  ASSERT_TRUE(bot->WaitForOutPart("В папке " + fresh.Path() +
                                      " не было Net.ini: скопировано файлов из папки " +
                                      install.FilePath("bin/workdir") + ": 4",
                                  5s));
  ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));
  Say(tester, "!help");
  EXPECT_EQ(Next(tester), "Main|" + install.ReadFile("bin/workdir/botfile/help.txt"));
  Stop();
  EXPECT_EQ(fresh.ReadFile("botfile/Aforizm.txt"), install.ReadFile("bin/workdir/botfile/Aforizm.txt"));
}

}  // namespace
}  // namespace pelmo
