// The settings tab of the Windows window, driven as the operator does:
// every node of the tree, fields typed into, Save, Cancel and the colour
// button, against the files the save writes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "core/bot_faces.h"
#include "core/bot_settings.h"
#include "winui/controls_win.h"
#include "winui/gui_fixture_win.h"
#include "winui/settings_tab_win.h"

namespace pelmo::winui {
namespace {

const wchar_t* const kTitles[] = {
    L"Настройки",         L"Настройки чата", L"Общие",          L"Связь",
    L"Сетевые настройки", L"Бан лист",       L"Отложенные сообщения", L"Болтун",
    L"Погода",            L"Настройка погоды", L"Администраторы", L"Birth Day",
    L"Анекдот",           L"Викторина",      L"Проверка лог файла",
};

// A control of the page that is shown.
HWND OnPage(GuiFixture& f, int page, const char* name) {
  return ChildNamed(f.window->Settings().Page(SettingsPageDefs()[static_cast<std::size_t>(page)].id), name);
}

TEST(WinSettingsPages, EveryNodeShowsItsPageUnderItsTitle) {
  GuiFixture f;
  f.window->SelectTab(kSettingsTab);
  f.Settle();
  // The tab opens on the first node.
  EXPECT_EQ(f.window->Settings().CurrentPage(), 0);
  for (int node = 0; node < 15; ++node) {
    f.SelectPage(SettingsPageDefs()[static_cast<std::size_t>(node)].id);
    EXPECT_EQ(f.window->Settings().CurrentPage(), node);
    EXPECT_EQ(GetText(f.Named("PageTitleL")), kTitles[node]);
    for (int page = 0; page < 15; ++page) {
      EXPECT_EQ(::IsWindowVisible(f.window->Settings().Page(SettingsPageDefs()[static_cast<std::size_t>(page)].id)) != FALSE, page == node)
          << "node " << node << " page " << page;
    }
    EXPECT_TRUE(Snap(f.window->Window(), "win-page-" + std::to_string(node)));
  }
  // The tree cannot be collapsed, and the page left is the one found again.
  HWND tree = f.Named("OptionsTV");
  f.SelectPage(PageId::kLink);
  ::SendMessageW(tree, WM_KEYDOWN, VK_LEFT, 0);
  f.SelectPage(PageId::kRoot);
  ::SendMessageW(tree, WM_KEYDOWN, VK_LEFT, 0);
  f.Settle();
  int visible = 0;
  for (auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
       item != nullptr;
       item = reinterpret_cast<HTREEITEM>(
           ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
    ++visible;
  }
  EXPECT_EQ(visible, 15);
  f.SelectPage(PageId::kChatterbox);
  f.window->SelectTab(kLogTab);
  f.window->SelectTab(kSettingsTab);
  EXPECT_EQ(f.window->Settings().CurrentPage(), 7);
}

TEST(WinSettingsPages, SaveWritesWhatWasTypedAndOffersToStartTheBotAgain) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  f.SelectPage(PageId::kChat);
  f.Type("NickE", L"@Пельмень");
  f.Type("HostE", L"KUHNYA");
  f.Type("FloodE", L"750");
  f.SelectPage(PageId::kGeneral);
  f.Click("BoltunCB");
  f.Click("InvisibleCB");
  f.SelectPage(PageId::kWeatherSettings);
  f.Type("edProxyServer", L"proxy.local");
  f.Type("edProxyPort", L"3128");
  f.SelectPage(PageId::kQuiz);
  f.Type("NameChanVicE", L"Викторина");
  f.SelectPage(PageId::kAnecdote);
  f.Type("AnecChannelE", L"Шутки");
  f.actionAnswer = true;
  f.Click("SaveCfgB");

  const IniFile net(f.dir.FilePath("Net.ini"));
  EXPECT_EQ(net.ReadString("chat", "Nick", ""), W("@Пельмень"));
  EXPECT_EQ(net.ReadString("chat", "Host", ""), "KUHNYA");
  EXPECT_EQ(net.ReadString("chat", "Flood", ""), "750");
  EXPECT_EQ(net.ReadString("chat", "Boltun", ""), "0");
  EXPECT_EQ(net.ReadString("chat", "invisible", ""), "1");
  const IniFile others(f.dir.FilePath("others.ini"));
  EXPECT_EQ(others.ReadString("proxy", "edProxyServer", ""), "proxy.local");
  EXPECT_EQ(others.ReadString("proxy", "edProxyPort", ""), "3128");
  EXPECT_EQ(others.ReadString("Vic", "ChanName", ""), W("Викторина"));
  EXPECT_EQ(others.ReadString("anecdot", "Channel", ""), W("Шутки"));
  // The stop is said, and the operator's "yes" starts the bot again.
  ASSERT_EQ(f.actionsAsked.size(), 1u);
  EXPECT_NE(f.actionsAsked[0].find(L"Бот остановлен"), std::wstring::npos);
  EXPECT_TRUE(f.Pump([&] { return f.program->Faces().life.Running(); }));
  EXPECT_EQ(f.window->StatusPanel(2), L"Running");
}

TEST(WinSettingsPages, FieldsFilterAndCheckWhatIsTyped) {
  GuiFixture f;
  f.SelectPage(PageId::kChat);
  // A letter turns the flood limit into 0.
  f.Type("FloodE", L"5x");
  EXPECT_EQ(GetText(f.Named("FloodE")), L"0");
  EXPECT_EQ(f.program->Faces().settings.Settings().FloodE, 0);
  // The number fields take digits only.
  f.SelectPage(PageId::kNetwork);
  f.Type("PortE", L"");
  f.Char("PortE", L'4');
  f.Char("PortE", L'a');
  f.Char("PortE", L'.');
  f.Char("PortE", L'2');
  EXPECT_EQ(GetText(f.Named("PortE")), L"42");
  // Five digits fit in the port field, with room for the caret.
  const HWND port = f.Named("PortE");
  RECT inside{};
  ::SendMessageW(port, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&inside));
  HDC dc = ::GetDC(port);
  const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(port, WM_GETFONT, 0, 0)));
  SIZE digits{};
  ::GetTextExtentPoint32W(dc, L"65535", 5, &digits);
  ::SelectObject(dc, old);
  ::ReleaseDC(port, dc);
  EXPECT_GE(inside.right - inside.left, digits.cx + 4);

  // An unsound field refuses the save, names the field and keeps the bot.
  ASSERT_TRUE(f.Pump([&] { return f.program->Faces().life.Running(); }));
  const std::string before = f.File("Net.ini");
  f.Type("PortE", L"99999");
  f.Click("SaveCfgB");
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_NE(f.warnings[0].find(L"\"Порт:\""), std::wstring::npos) << f.warnings[0];
  EXPECT_TRUE(f.program->Faces().life.Running());
  EXPECT_EQ(f.File("Net.ini"), before);
  EXPECT_EQ(::GetFocus(), f.Named("PortE"));
  f.Type("PortE", std::to_wstring(f.port));
  f.SelectPage(PageId::kLogFile);
  f.Type("CheckLogFileSizeE", L"");
  f.Click("SaveCfgB");
  ASSERT_EQ(f.warnings.size(), 2u);
  EXPECT_NE(f.warnings[1].find(L"\"Если лог файл больше\""), std::wstring::npos);

  // Cancel brings back what the files hold.
  f.Click("LoadCfgB");
  EXPECT_EQ(GetText(f.Named("CheckLogFileSizeE")), L"220000");
  // The tests' Net.ini has no Flood: the unsaved 0 gives way to the default.
  EXPECT_EQ(GetText(OnPage(f, 1, "FloodE")), L"10");
}

TEST(WinSettingsPages, NetworkPageOffersTheMachinesAddressesAndSwitchesMode) {
  GuiFixture f;
  f.SelectPage(PageId::kNetwork);
  HWND interfaces = f.Named("InterfacesCB");
  const auto count = ::SendMessageW(interfaces, CB_GETCOUNT, 0, 0);
  EXPECT_GE(count, 1);
  bool loopback = false;
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    ::SendMessageW(interfaces, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (std::wstring(text) == L"127.0.0.1") loopback = true;
  }
  EXPECT_TRUE(loopback);
  // Broadcast mode (the tests' Net.ini): the TTL is off and the caption says so.
  EXPECT_EQ(GetText(f.Named("MulticastModeCB")), L"UDP Broadcasts");
  EXPECT_FALSE(::IsWindowEnabled(f.Named("TTLe")));
  EXPECT_FALSE(::IsWindowEnabled(f.Named("Label17")));
  f.Click("MulticastModeCB");
  EXPECT_EQ(GetText(f.Named("MulticastModeCB")), L"IP Multicast mode");
  EXPECT_TRUE(::IsWindowEnabled(f.Named("TTLe")));
  EXPECT_TRUE(::IsWindowEnabled(f.Named("Label17")));
  EXPECT_TRUE(Snap(f.window->Window(), "win-page-4-multicast"));
}

TEST(WinSettingsPages, TheColourDialogsChoiceIsShownAndSavedAtOnce) {
  GuiFixture f;
  f.SelectPage(PageId::kGeneral);
  // The real dialog, pictured, then cancelled: nothing changes.
  f.window->platform = DefaultWinPlatform([&f] { return f.window->Window(); });
  const bool opened = RunWithModal([&] { f.Click("NickColB"); }, "win-colour-dialog",
                                   [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_TRUE(opened);
  EXPECT_EQ(IniFile(f.dir.FilePath("Net.ini")).ReadString("chat", "Color", ""), "");
  f.window->platform.askColor = [](COLORREF) { return std::optional<COLORREF>(RGB(0, 128, 255)); };
  f.Click("NickColB");
  EXPECT_EQ(IniFile(f.dir.FilePath("Net.ini")).ReadInteger("chat", "Color", -1), 0xFF8000);
}

TEST(WinSettingsPages, FieldsShowTheirUsualContentWhole) {
  GuiFixture f;
  struct Sample {
    int page;
    const char* name;
    std::wstring text;
  };
  const Sample samples[] = {
      {1, "HostE", std::wstring(20, L'Ш')},  {1, "NickE", L"@" + std::wstring(19, L'Ш')},
      {4, "NetAddrE", L"239.255.255.255"},   {4, "PortE", L"65535"},
      {8, "URLe", L"http://informer.example/informer/forecast.js?city=27612"},
      {9, "edProxyServer", L"proxy.office.example.local"},
      {12, "AnecChannelE", std::wstring(20, L'Ш')}, {13, "NameChanVicE", std::wstring(20, L'Ш')},
      {5, "HostBanLE", std::wstring(20, L'Ш')},
  };
  for (const Sample& sample : samples) {
    HWND field = OnPage(f, sample.page, sample.name);
    ASSERT_NE(field, nullptr) << sample.name;
    RECT client{};
    ::GetClientRect(field, &client);
    // The text in the field's own font, inside the edit's margins.
    HDC dc = ::GetDC(field);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(field, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, sample.text.c_str(), static_cast<int>(sample.text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(field, dc);
    const DWORD margins = static_cast<DWORD>(::SendMessageW(field, EM_GETMARGINS, 0, 0));
    EXPECT_GE(client.right - LOWORD(margins) - HIWORD(margins), size.cx) << sample.name;
  }
}

}  // namespace
}  // namespace pelmo::winui
