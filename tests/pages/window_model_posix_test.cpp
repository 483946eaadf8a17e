// The window model over a whole bot on loopback: a start that fails is
// said as it is (why, what to do, a grey icon, a box when asked) and tried
// again; what minimise and close do; the console line; the bounded log.
#include "pages/window_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// What a window would have drawn.
class RecordingScreen final : public WindowScreen {
 public:
  explicit RecordingScreen(WindowModel& model) : m_model(model) {}
  void LineAdded(const WindowLine&) override {}
  void LinesCleared() override {}
  void UsersChanged() override {}
  void PanelChanged(int) override {}
  void TopicChanged() override {}
  void TrayChanged() override { tray = m_model.Tray(); }
  void ShowBox(const std::string& text) override { boxes.push_back(text); }
  void ShowLogPage() override { ++logPages; }
  void FocusConsole() override {}
  void HideToTray() override { hidden.push_back(m_model.Tray().tip); }
  void Minimise() override { ++minimised; }
  void Quit() override { ++quits; }

  std::vector<std::string> boxes;
  std::vector<std::string> hidden;
  TrayIconState tray;
  int logPages = 0;
  int minimised = 0;
  int quits = 0;

 private:
  WindowModel& m_model;
};

bool Has(const std::string& text, const char* utf8) {
  return text.find(W(utf8)) != std::string::npos;
}

class WindowModelTest : public ::testing::Test {
 protected:
  // Net.ini's lines replaced, as {old, new} pairs.
  explicit WindowModelTest(std::vector<std::pair<std::string, std::string>> changes = {}) {
    std::string netIni = LoopbackNetIni(f.Port());
    changes.emplace_back("REUSEADDR=1", "REUSEADDR=0");
    for (const auto& [from, to] : changes) netIni.replace(netIni.find(from), from.size(), to);
    f.dir.WriteFile("Net.ini", netIni);
  }
  void SetUp() override { model.Attach(&screen); }
  void TearDown() override { model.Close(); }
  // The chat port held by another program.
  void HoldPort() {
    holder.emplace();
    ASSERT_TRUE(holder->Bind(0, f.Port(), /*reuse=*/false));
  }
  void StartProgram() {
    f.bot().Open();
    model.ProgramStarted();
  }
  int Lines(const char* utf8) const {
    int n = 0;
    for (const WindowLine& line : model.Lines()) n += Has(line.text, utf8) ? 1 : 0;
    return n;
  }

  BotFixture f;
  WindowModel model{f.bot(), f.bot(), f.loop};
  RecordingScreen screen{model};
  std::optional<UdpPeer> holder;
};

TEST_F(WindowModelTest, ABusyPortIsSaidTriedAgainAndBoxedWhenTheOperatorAsked) {
  HoldPort();
  StartProgram();
  EXPECT_FALSE(model.OnChat());
  EXPECT_EQ(model.Panel(2), "Stoped");
  const std::string port = std::to_string(f.Port());
  EXPECT_TRUE(Has(model.Status(), "Бот не в чате: порт ")) << model.Status();
  EXPECT_TRUE(Has(model.Status(), (port + " занят другой программой").c_str()));
  EXPECT_TRUE(Has(model.Status(), "«Сетевые настройки»"));
  EXPECT_EQ(Lines("занят другой программой"), 1);
  EXPECT_EQ(Lines("Запуск не удался; следующая попытка через 2 с (1 из 5)."), 1);
  // Nobody asked for the program's own start: no box.
  EXPECT_TRUE(screen.boxes.empty());

  model.StartFromTray();
  ASSERT_EQ(screen.boxes.size(), 1u);
  EXPECT_EQ(screen.boxes[0], model.Status());
  EXPECT_EQ(screen.logPages, 1);
  EXPECT_FALSE(screen.tray.green);
  EXPECT_EQ(screen.tray.tip, "Pelmo_bot v 1.3 - [Stoped]");

  // The other program goes: the next try gets the bot onto the chat.
  holder.reset();
  f.loop.Advance(2s);
  EXPECT_TRUE(model.OnChat());
  EXPECT_EQ(model.Panel(2), "Running");
  EXPECT_TRUE(model.Tray().green);
  EXPECT_EQ(model.Status(), W("Бот в чате."));
}

TEST_F(WindowModelTest, AStopEndsTheTriesAndTheConsoleLineWaits) {
  HoldPort();
  StartProgram();
  model.Stop();
  holder.reset();
  f.loop.Advance(600s);
  EXPECT_FALSE(model.OnChat());
  EXPECT_EQ(model.Status(), W("Бот остановлен."));

  EXPECT_FALSE(model.ConsoleLine(W("Всем привет")));
  EXPECT_TRUE(Has(model.Lines().back().text, "Строка не отправлена: бот не в чате."));
  EXPECT_EQ(model.Lines().back().color, 0x0000C0u);
}

class BadGroupTest : public WindowModelTest {
 protected:
  BadGroupTest()
      : WindowModelTest({{"MultiCast=0", "MultiCast=1"},
                         {"netaddr=127.255.255.255", "netaddr=10.1.1.1"}}) {}
};

TEST_F(BadGroupTest, AGroupOutsideTheMulticastRangeIsSaidWithTheRange) {
  StartProgram();
  EXPECT_FALSE(model.OnChat());
  EXPECT_EQ(f.bot().LastStartFault().kind, StartFault::Kind::kNotGroup);
  EXPECT_TRUE(Has(model.Status(), "Бот не в чате: 10.1.1.1 — не адрес группы.")) << model.Status();
  EXPECT_TRUE(Has(model.Status(), "от 224.0.0.0 до 239.255.255.255"));
  model.Start();
  ASSERT_EQ(screen.boxes.size(), 1u);
  EXPECT_EQ(screen.boxes[0], model.Status());
}

TEST_F(WindowModelTest, MinimiseAndCloseFollowTheRunStateAndTheTray) {
  // Before the first start or stop there is nothing to hide into.
  model.WindowCommand(/*close=*/false, /*trayAvailable=*/true);
  EXPECT_EQ(screen.minimised, 1);
  StartProgram();
  ASSERT_TRUE(model.OnChat());
  model.WindowCommand(true, true);
  ASSERT_EQ(screen.hidden.size(), 1u);
  EXPECT_EQ(screen.hidden[0], "[Pelmo_bot v 1.3]\nUser: 0");
  EXPECT_TRUE(model.Tray().green);
  model.Stop();
  model.WindowCommand(false, true);
  EXPECT_EQ(screen.hidden.back(), "[Pelmo_bot v 1.3] - [Stoped]");
  EXPECT_FALSE(model.Tray().green);
  // Without a notification area close ends the program, once.
  model.WindowCommand(true, false);
  model.WindowCommand(true, false);
  EXPECT_EQ(screen.quits, 1);
  EXPECT_TRUE(model.Closed());
}

TEST(WindowModelTips, Tips) {
  EXPECT_EQ(HiddenTip(true, 12), "[Pelmo_bot v 1.3]\nUser: 12");
  EXPECT_EQ(HiddenTip(false, 12), "[Pelmo_bot v 1.3] - [Stoped]");
  EXPECT_EQ(MenuTip(true, 0), "Pelmo_bot v 1.3\nUser: 0");
  EXPECT_EQ(MenuTip(false, 3), "Pelmo_bot v 1.3 - [Stoped]");
  EXPECT_EQ(DecideWindowAction(false, "", false), WindowAction::kMinimise);
  EXPECT_EQ(DecideWindowAction(false, "Running", false), WindowAction::kMinimise);
}

TEST_F(WindowModelTest, TheLogKeepsItsLastFiveThousandLines) {
  f.PrepareOffline();
  for (int i = 0; i < 5003; ++i) model.Note("line " + std::to_string(i));
  ASSERT_EQ(model.Lines().size(), 5000u);
  EXPECT_EQ(model.Lines().front().text, "line 3");
  EXPECT_EQ(model.Lines().back().text, "line 5002");
}

}  // namespace
}  // namespace pelmo
