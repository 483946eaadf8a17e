// The real pelmobot killed with SIGKILL at random moments while peers on
// loopback keep it writing every data file it has; after each kill every
// file must hold its old content plus whole new entries (never half an
// entry, never a cut file) and the restarted bot must answer. Seeded, with
// a bounded number of kills; PELMO_CRASH_SEED picks another seed.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
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
using Clock = std::chrono::steady_clock;

constexpr int kKills = 12;
constexpr const char* kBanDate = "=31.12.2030 23:59:00";

bool EndsWithLineEnd(const std::string& text) { return text.empty() || text.back() == '\n'; }

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// Ids of the entries that text holds, in order; the entries are those sent
// (id, the bytes one entry adds). Text must be whole entries from the list,
// each at most once and in the order sent; nullopt otherwise.
std::optional<std::vector<int>> WholeEntries(const std::string& text,
                                             const std::vector<std::pair<int, std::string>>& sent) {
  std::vector<int> ids;
  std::size_t at = 0;
  std::size_t next = 0;
  while (at < text.size()) {
    while (next < sent.size() &&
           text.compare(at, sent[next].second.size(), sent[next].second) != 0) {
      ++next;
    }
    if (next == sent.size()) return std::nullopt;
    ids.push_back(sent[next].first);
    at += sent[next].second.size();
    ++next;
  }
  return ids;
}

// An INI file as the bot writes it: sections, keys, empty lines, each line
// ended. Values by "section/key"; nullopt for anything else.
std::optional<std::map<std::string, std::string>> ParseIni(const std::string& text) {
  if (!EndsWithLineEnd(text)) return std::nullopt;
  std::map<std::string, std::string> values;
  std::string section;
  for (const std::string& line : SplitLines(text)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']') return std::nullopt;
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || section.empty()) return std::nullopt;
    values[section + "/" + line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

long long Number(const std::map<std::string, std::string>& values, const std::string& key) {
  auto found = values.find(key);
  return found == values.end() ? 0 : std::atoll(found->second.c_str());
}

// A file the bot rewrites (or appends to) by whole entries: what was there
// at the last check must still be its start, and the rest whole entries.
struct EntryFile {
  std::string name;
  std::string base;                               // content at the last check
  std::vector<std::pair<int, std::string>> sent;  // since the last check
  int kept = 0;                                   // entries found over the run
};

class CrashSafetyEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* seed = std::getenv("PELMO_CRASH_SEED"))
      m_random.seed(std::strtoul(seed, nullptr, 10));
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0", "StartMessage=0",
                                                   "CheckLogFileSize=0"}));
    dir.WriteFile("others.ini", "[START]\r\nCountStart=1\r\n");
    dir.WriteFile("botfile/admin.txt", "Tester#TESTPC\r\n");
    dir.WriteFile("botfile/help.txt", W("Команды бота:\r\n!help - помощь\r\n"));
    // Files of some size: a rewrite takes long enough for kills to land in.
    dir.WriteFile("botfile/ban.txt", "[BanList]\r\n" + Many("OLD#PC" + std::string(kBanDate)));
    dir.WriteFile("botfile/welcom.txt", Many(W("Добро пожаловать #")));
    dir.WriteFile("botfile/news.txt", Many(W("Пельмени #(Ann) 4 декабря 2026 г.9:0:0")));
    dir.WriteFile("botfile/seennews.txt", "Ann\r\n");
    dir.WriteFile("botfile/anecdot.txt", W("Штирлиц шёл по лесу\r\n") + Separator());
    dir.WriteFile("botfile/Aforizm.txt", Many(W("Тише едешь - дальше будешь #")));
    dir.WriteFile("botfile/seen.txt",
                  "Ghost\x8F"
                  "10:00/01.12.2020\r\n" +
                      Many("Old#\x8F"
                           "10:00/01.12.2020",
                           2000));
    dir.WriteFile("botfile/stat.ini",
                  "[OTHERPC]\r\nAnn=3\r\nTotal=3\r\n" + Many("[PC#]\r\nAnn=3\r\nTotal=3", 3000));
    dir.WriteFile("botfile/questions.txt", W("Столица Франции|Париж\r\n"));
    std::string scores = "[users]\r\n";
    for (int i = 0; i < 300; ++i)
      scores += "Player" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    dir.WriteFile("botfile/topvictor.txt", scores);
    m_birthdays = std::string(134148, '\0');
    m_birthdays[134144] = 0;
    dir.WriteFile("botfile/BirthDay.dat", m_birthdays);
    dir.WriteFile("user/seen.txt", "");

    for (const char* name : {"botfile/ban.txt", "botfile/welcom.txt", "botfile/news.txt",
                             "botfile/anecdot.txt", "botfile/Aforizm.txt"}) {
      m_files.push_back(EntryFile{name, dir.ReadFile(name), {}, 0});
    }
    m_log = dir.Exists("botfile/log.txt") ? dir.ReadFile("botfile/log.txt") : std::string();

    ASSERT_TRUE(BindTesterBobAndEverybody(tester, bob, everybody, port));
  }

  // count lines of text, # replaced by the line's number.
  static std::string Many(const std::string& text, int count = 20000) {
    std::string lines;
    const std::size_t mark = text.find('#');
    for (int i = 0; i < count; ++i) {
      lines += text.substr(0, mark) + std::to_string(i) + text.substr(mark + 1) + "\r\n";
    }
    return lines;
  }
  static std::string Separator() {
    std::string s;
    for (int i = 0; i < 34; ++i) s += "=+";
    return s + "\r\n";
  }
  EntryFile& File(const std::string& name) {
    return *std::find_if(m_files.begin(), m_files.end(),
                         [&](const EntryFile& f) { return f.name == name; });
  }

  void Start() {
    bot.emplace(kPelmobotProgram, std::vector<std::string>{"--dir", dir.Path()});
    ASSERT_TRUE(bot->WaitForOutPart("Started.", 5s)) << ::testing::PrintToString(bot->ErrLines());
  }
  void Kill() {
    bot->Signal(SIGKILL);
    ASSERT_EQ(bot->Wait(5s), std::optional<int>(128 + SIGKILL));
  }

  // The bot drops a packet stamped with the same millisecond as the last.
  void Send(UdpPeer& who, const std::vector<std::uint8_t>& payload) {
    std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(who.SendPacket(kBotAddress, port, kPacketChatLine, payload));
  }
  void Say(UdpPeer& who, const std::string& text, const std::string& channel = "Main") {
    Send(who, ChatLinePayload(0, channel, text));
  }
  void SayInRoom(UdpPeer& who, const std::string& room, const std::string& password,
                 const std::string& text) {
    Send(who, PasswordLinePayload(room, password, text));
  }

  // The next line said to the peer whose text begins with head.
  static std::optional<std::string> Hear(UdpPeer& who, const std::string& head,
                                         std::chrono::milliseconds timeout = 3s) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
      std::optional<PeerPacket> packet = who.ReceivePacketOfType(kPacketChatLine, 200ms);
      if (!packet || packet->Header.SenderNick != "@Pelmo_bot") continue;
      const std::vector<std::uint8_t>& p = packet->Payload;
      if (p.size() < 2 || p.size() < 2u + p[1]) continue;
      std::size_t at = 2u + p[1];
      if (p[0] == kKindPassword && at < p.size()) at += 1u + p[at];
      std::size_t end = std::min(at, p.size());
      while (end < p.size() && p[end] != 0) ++end;
      std::string text(p.begin() + static_cast<std::ptrdiff_t>(std::min(at, p.size())),
                       p.begin() + static_cast<std::ptrdiff_t>(end));
      if (StartsWith(text, head)) return text;
    }
    return std::nullopt;
  }
  static void Drain(UdpPeer& who) {
    while (who.Receive(0ms)) {
    }
  }

  // One random command that writes a file; ids count up over the run.
  void RandomCommand() {
    const int id = ++m_id;
    const std::string tag = std::to_string(id);
    switch (m_random() % 9) {
      case 0:
        Say(tester, "!ban H" + tag + kBanDate);
        File("botfile/ban.txt").sent.emplace_back(id, "H" + tag + kBanDate + "\r\n");
        break;
      case 1:
        Say(tester, "!info info " + tag);
        File("botfile/welcom.txt").sent.emplace_back(id, "info " + tag + "\r\n");
        break;
      case 2:
        Say(tester, "!add_news news " + tag);
        File("botfile/news.txt").sent.emplace_back(id, "news " + tag + " (Tester) ");
        break;
      case 3:
        Say(tester, "!add joke " + tag + "\r\nand its end");
        File("botfile/anecdot.txt")
            .sent.emplace_back(id, "joke " + tag + "\r\nand its end (Tester)\r\n" + Separator());
        break;
      case 4:
        Say(tester, "!add saying " + tag);
        File("botfile/Aforizm.txt").sent.emplace_back(id, "saying " + tag + " (Tester)\r\n");
        break;
      case 5: {
        // A new user each time, all with the same password: the same box.
        bob.Nick = "U" + tag;
        Say(bob, "!reg pw");
        bob.Nick = "Bob";
        m_registered.push_back("U" + tag);
        break;
      }
      case 6:
        SayInRoom(tester, "TesterRoom", "secret", "dm " + tag);
        m_delivered.push_back(id);
        break;
      case 7:
        Say(bob, "!mess testpc pn" + tag);
        m_notes.push_back(id);
        break;
      default:
        Say(m_random() % 2 ? tester : bob, "!seen ghost");
        break;
    }
  }

  void CheckEntryFiles() {
    for (EntryFile& file : m_files) {
      SCOPED_TRACE(file.name);
      const std::string text = dir.ReadFile(file.name);
      ASSERT_TRUE(StartsWith(text, file.base)) << "earlier content changed: " << text;
      std::string added = text.substr(file.base.size());
      if (file.name == "botfile/news.txt") {
        // Each news line ends with the time it was added: keep its head.
        ASSERT_TRUE(EndsWithLineEnd(added)) << "cut line: " << added;
        std::string heads;
        for (const std::string& line : SplitLines(added)) {
          const std::size_t end = line.find(") ");
          ASSERT_NE(end, std::string::npos) << line;
          heads += line.substr(0, end + 2);
        }
        added = heads;
      }
      std::optional<std::vector<int>> ids = WholeEntries(added, file.sent);
      ASSERT_TRUE(ids) << "not whole entries: " << added;
      file.kept += static_cast<int>(ids->size());
      file.base = text;
      file.sent.clear();
    }
  }

  void CheckSeenFiles() {
    const std::string seen = dir.ReadFile("botfile/seen.txt");
    ASSERT_TRUE(EndsWithLineEnd(seen)) << seen;
    ASSERT_TRUE(StartsWith(seen,
                           "Ghost\x8F"
                           "10:00/01.12.2020\r\n"))
        << seen;
    std::vector<std::string> lines = SplitLines(seen);
    for (const std::string& line : lines) {
      const std::size_t mark = line.find('\x8F');
      ASSERT_NE(mark, std::string::npos) << line;
      ASSERT_EQ(line.size() - mark - 1, 16u) << line;  // hh:nn/dd.mm.yyyy
    }
    ASSERT_GE(lines.size(), m_seenLines);
    m_seenLines = lines.size();

    // Appended logs may lose their last line, never an earlier one.
    for (auto* log : {&m_seenLog, &m_log}) {
      const std::string name = log == &m_log ? "botfile/log.txt" : "botfile/seen_log.log";
      if (!dir.Exists(name)) continue;
      const std::string text = dir.ReadFile(name);
      ASSERT_TRUE(StartsWith(text, *log)) << name;
      // Only whole lines count as kept: a cut last one may be rewritten.
      *log = text.substr(0, text.find_last_of('\n') + 1);
    }
  }

  void CheckIniFiles() {
    std::optional<std::map<std::string, std::string>> stat =
        ParseIni(dir.ReadFile("botfile/stat.ini"));
    ASSERT_TRUE(stat) << dir.ReadFile("botfile/stat.ini");
    EXPECT_EQ(Number(*stat, "OTHERPC/Total"), 3);
    ASSERT_GE(Number(*stat, "TESTPC/Total"), m_testerCount);
    m_testerCount = Number(*stat, "TESTPC/Total");
    // Private notes: whole, in the order left, none lost once written.
    std::vector<int> notes;
    for (const auto& [key, value] : *stat) {
      if (!StartsWith(key, "TESTPC/Message-")) continue;
      const std::size_t at = value.rfind("pn");
      ASSERT_NE(at, std::string::npos) << value;
      notes.push_back(std::atoi(value.c_str() + at + 2));
    }
    std::sort(notes.begin(), notes.end());
    ASSERT_TRUE(std::includes(notes.begin(), notes.end(), m_notesKept.begin(), m_notesKept.end()));
    for (int note : notes) {
      ASSERT_NE(std::find(m_notes.begin(), m_notes.end(), note), m_notes.end()) << note;
    }
    m_notesKept = notes;

    std::optional<std::map<std::string, std::string>> others = ParseIni(dir.ReadFile("others.ini"));
    ASSERT_TRUE(others) << dir.ReadFile("others.ini");
    const long long starts = Number(*others, "START/CountStart");
    ASSERT_TRUE(starts == m_starts || starts == m_starts + 1) << starts << " after " << m_starts;
    m_starts = starts;

    std::optional<std::map<std::string, std::string>> scores =
        ParseIni(dir.ReadFile("botfile/topvictor.txt"));
    ASSERT_TRUE(scores) << dir.ReadFile("botfile/topvictor.txt");
    for (int i = 0; i < 300; ++i) {
      ASSERT_EQ(Number(*scores, "users/Player" + std::to_string(i)), i);
    }
    ASSERT_GE(Number(*scores, "users/Tester"), m_quizScore);
    m_quizScore = Number(*scores, "users/Tester");

    EXPECT_EQ(dir.ReadFile("botfile/BirthDay.dat"), m_birthdays);
  }

  void CheckBoxes() {
    // A fresh box: missing (not yet written) or whole, like the reference.
    const std::string fresh = dir.ReadFile("user/" + BoxFileName("Ref"));
    for (const std::string& nick : m_registered) {
      const std::string name = "user/" + BoxFileName(nick);
      if (dir.Exists(name)) {
        ASSERT_EQ(dir.ReadFile(name), fresh) << nick;
      }
    }
    // Bob's box: the greeting, then whole deliveries in the order sent.
    std::string box = dir.ReadFile("user/" + BoxFileName("Bob"));
    ASSERT_GE(box.size(), 4u);
    ASSERT_EQ(box.substr(box.size() - 4), m_bobSum);
    std::string text = box.substr(0, box.size() - 4);
    MaskBox(text, text.size());
    ASSERT_TRUE(StartsWith(text, W("Спасибо за регистрацию в нашей системе!"))) << text;
    std::vector<int> found;
    for (std::size_t at = 0; (at = text.find(" From Tester: dm ", at)) != std::string::npos; ++at) {
      const std::size_t end = text.find("\n\r", at);
      const std::string id = text.substr(at + 17, end == std::string::npos ? end : end - at - 17);
      ASSERT_EQ(id.find_first_not_of("0123456789"), std::string::npos) << "cut delivery: " << id;
      found.push_back(std::atoi(id.c_str()));
    }
    ASSERT_TRUE(std::is_sorted(found.begin(), found.end()));
    ASSERT_GE(found.size(), m_deliveredKept);
    ASSERT_TRUE(std::equal(m_deliveredIds.begin(), m_deliveredIds.end(), found.begin()));
    for (int id : found)
      ASSERT_NE(std::find(m_delivered.begin(), m_delivered.end(), id), m_delivered.end());
    m_deliveredIds = found;
    m_deliveredKept = found.size();

    for (const char* list : {"user/seen.txt", "botfile/seennews.txt"}) {
      ASSERT_TRUE(EndsWithLineEnd(dir.ReadFile(list))) << list;
    }
  }

  void CheckFiles() {
    CheckEntryFiles();
    CheckSeenFiles();
    CheckIniFiles();
    CheckBoxes();
  }

  // Temporary files left by writes that the kill cut short.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> found;
    for (const char* folder : {"", "botfile", "user"}) {
      for (const std::string& name : dir.List(folder)) {
        if (name.find(".tmp") != std::string::npos)
          found.push_back(std::string(folder) + "/" + name);
      }
    }
    return found;
  }

  // After a start: the bot answers, and takes the respondent again (that
  // lives in memory only).
  void Greet() {
    Drain(tester);
    Drain(everybody);
    Say(tester, "!help");
    ASSERT_TRUE(Hear(tester, W("Команды бота:"))) << "the restarted bot does not answer";
    SayInRoom(tester, "TesterRoom", "secret", "!nick Bob");
    ASSERT_TRUE(Hear(everybody, W("Ник респондента задан.")));
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer tester;
  UdpPeer bob;
  UdpPeer everybody;  // hears the quiz
  std::optional<ChildProcess> bot;

  std::mt19937 m_random{20261207};
  int m_id = 0;
  std::vector<EntryFile> m_files;
  std::vector<std::string> m_registered;
  std::vector<int> m_delivered;
  std::vector<int> m_deliveredIds;
  std::size_t m_deliveredKept = 0;
  std::vector<int> m_notes;
  std::vector<int> m_notesKept;
  std::string m_bobSum;
  std::string m_birthdays;
  std::string m_seenLog;
  std::string m_log;
  std::size_t m_seenLines = 0;
  long long m_testerCount = 0;
  long long m_starts = 1;
  long long m_quizScore = 0;
};

TEST_F(CrashSafetyEndToEnd, EveryFileWholeAfterEachKill) {
  const auto deadline = Clock::now() + 50s;
  Start();
  // Users registered before the first kill: Bob receives the deliveries,
  // Tester sends them, and Ref's fresh box is what every later
  // registration must write whole.
  Say(bob, "!reg pw");
  ASSERT_TRUE(Hear(bob, "Bob"));
  bob.Nick = "Ref";
  Say(bob, "!reg pw");
  ASSERT_TRUE(Hear(bob, "Ref"));
  bob.Nick = "Bob";
  Say(tester, "!reg secret");
  ASSERT_TRUE(Hear(tester, "Tester"));
  const std::string bobBox = dir.ReadFile("user/" + BoxFileName("Bob"));
  m_bobSum = bobBox.substr(bobBox.size() - 4);
  Greet();
  // The quiz writes its score file once, on the right answer; the kill
  // comes soon after it.
  Say(tester, W("!старт"), "Victorina");
  ASSERT_TRUE(Hear(everybody, W("\r\rВОПРОС:"), 12s));
  Say(tester, W("Париж"), "Victorina");
  std::this_thread::sleep_for(std::chrono::microseconds(m_random() % 20000));

  int kills = 0;
  for (; kills < kKills && Clock::now() < deadline; ++kills) {
    SCOPED_TRACE("kill " + std::to_string(kills + 1));
    if (kills > 0) {
      // Writes go on until a random moment, past a batched flush or not.
      const auto killAt = Clock::now() + std::chrono::milliseconds(50 + m_random() % 1500);
      while (Clock::now() < killAt) {
        RandomCommand();
        if (HasFatalFailure()) return;
        std::this_thread::sleep_for(std::chrono::microseconds(m_random() % 2000));
      }
    }
    Kill();
    CheckFiles();
    if (HasFatalFailure()) return;
    if (m_random() % 3 == 0) {
      // Killed while it starts, amid the start's own writes.
      bot.emplace(kPelmobotProgram, std::vector<std::string>{"--dir", dir.Path()});
      std::this_thread::sleep_for(std::chrono::milliseconds(m_random() % 150));
      Kill();
      CheckFiles();
      if (HasFatalFailure()) return;
    }
    const std::vector<std::string> before = Leftovers();
    Start();
    if (HasFatalFailure()) return;
    // A write cut short leaves no file behind once the bot is up again.
    EXPECT_EQ(Leftovers(), std::vector<std::string>{})
        << "left by the kill: " << ::testing::PrintToString(before);
    Greet();
    if (HasFatalFailure()) return;
  }
  EXPECT_GE(kills, 4);
  // Notes go to the disk with the statistics' batched rewrite, so a kill
  // may take the last second's; a note confirmed just before a clean stop
  // reaches the disk with the stop.
  const int last = ++m_id;
  Drain(bob);
  Say(bob, "!mess testpc pn" + std::to_string(last));
  const bool added = Hear(bob, W("Сообщение добавлено"), 10s).has_value();
  if (added) m_notes.push_back(last);
  bot->Signal(SIGTERM);
  EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
  CheckIniFiles();
  if (added) {
    EXPECT_NE(std::find(m_notesKept.begin(), m_notesKept.end(), last), m_notesKept.end());
  }

  // The run did write: something of each kind reached its file.
  for (const EntryFile& file : m_files) EXPECT_GT(file.kept, 0) << file.name;
  EXPECT_FALSE(m_deliveredIds.empty());
  EXPECT_FALSE(m_notesKept.empty());
  EXPECT_GT(m_testerCount, 0);
}

}  // namespace
}  // namespace pelmo
