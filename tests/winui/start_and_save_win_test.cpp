// The window after a start that failed and a save that could not be
// written: what it shows and says, with pictures of the window and of its
// real boxes for the operator's eye (PELMO_SCREENSHOT_DIR). What is said
// is the window model's, tested there; this is the Win32 wiring.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fakes/bot_fixture.h"
#include "winui/controls_win.h"
#include "winui/gui_fixture_win.h"

namespace pelmo::winui {
namespace {

std::string NetIni(std::uint16_t port, const std::string& group, bool multicast) {
  return "[net]\r\nip=127.0.0.1\r\nport=" + std::to_string(port) + "\r\nttl=1\r\nnetaddr=" + group +
         "\r\n[socket]\r\nsnifermode=0\r\nREUSEADDR=0\r\nMultiCast=" + (multicast ? "1" : "0") +
         "\r\n[chat]\r\nNick=@Pelmo_bot\r\nHost=Pelmo_bot\r\ninvisible=0\r\nBirthDay=0\r\n";
}

// The operator's Start again, its box on the screen as the system shows it.
void StartAgainAndShootTheBox(GuiFixture& f, const std::string& shot) {
  f.window->platform.warn = DefaultWinPlatform([&f] { return f.window->Window(); }).warn;
  EXPECT_TRUE(RunWithModal([&] { f.Menu(kStartTB); }, shot, [](HWND box) {
    ::SendMessageW(ChildWithText(box, L"OK"), BM_CLICK, 0, 0);
  }));
}

TEST(WinStartAndSave, APortHeldByAnotherProgramIsShownAsItIs) {
  WSADATA data;
  ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
  const std::uint16_t port = FindFreeLoopbackPort();
  const SOCKET holder = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(port);
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  {
    GuiFixture f({.chatKeys = {}, .files = {{"Net.ini", NetIni(port, "234.0.0.1", true)}}});
    f.Settle();
    EXPECT_EQ(f.window->StatusPanel(2), L"Stoped");
    EXPECT_NE(f.window->LogText().find(L"Бот не в чате: порт " + std::to_wstring(port) +
                                       L" занят другой программой"),
              std::wstring::npos)
        << Narrow(f.window->LogText());
    EXPECT_TRUE(Snap(f.window->Window(), "win-start-port-held"));
    StartAgainAndShootTheBox(f, "win-start-port-held-box");
  }
  ::closesocket(holder);
  ::WSACleanup();
}

TEST(WinStartAndSave, AGroupThatIsNoMulticastAddressIsShownAsItIs) {
  GuiFixture f({.chatKeys = {}, .files = {{"Net.ini", NetIni(FindFreeLoopbackPort(), "10.1.1.1", true)}}});
  f.Settle();
  EXPECT_EQ(f.window->StatusPanel(2), L"Stoped");
  EXPECT_NE(f.window->LogText().find(L"Бот не в чате: 10.1.1.1 — не адрес группы"),
            std::wstring::npos);
  EXPECT_TRUE(Snap(f.window->Window(), "win-start-not-a-group"));
  StartAgainAndShootTheBox(f, "win-start-not-a-group-box");
}

// A settings file that cannot be written (a folder in its place): the
// file and the reason are said, the bot goes on.
TEST(WinStartAndSave, ASaveThatCannotBeWrittenKeepsTheBotRunning) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.program->Faces().life.Running(); }));
  ASSERT_EQ(std::remove(f.dir.FilePath("others.ini").c_str()), 0);
  f.dir.WriteFile("others.ini/blocker", "");
  const auto warn = DefaultWinPlatform([&f] { return f.window->Window(); }).warn;
  std::wstring said;
  f.window->platform.warn = [&](const std::wstring& title, const std::wstring& text) {
    said = text;
    warn(title, text);
  };
  f.SelectPage(PageId::kGeneral);
  EXPECT_TRUE(RunWithModal([&] { f.Click("SaveCfgB"); }, "win-save-refused-box", [](HWND box) {
    const std::wstring text = GetText(ChildWithText(box, L"OK"));
    EXPECT_EQ(text, L"OK");
    ::SendMessageW(ChildWithText(box, L"OK"), BM_CLICK, 0, 0);
  }));
  EXPECT_TRUE(f.program->Faces().life.Running());
  // The path as Windows writes it.
  EXPECT_NE(said.find(L"\\others.ini ("), std::wstring::npos) << said;
  EXPECT_EQ(said.find(L'/'), std::wstring::npos) << said;
  EXPECT_TRUE(Snap(f.window->Window(), "win-save-refused"));
}

}  // namespace
}  // namespace pelmo::winui
