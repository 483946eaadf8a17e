// The Windows window's dialogs, boxes and menus, opened as the operator
// opens them and pictured while they are up; the error reports with their
// picture, text and mail.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/windows_text_win.h"
#include "core/bot_faces.h"
#include "core/bot_settings.h"
#include "winui/controls_win.h"
#include "winui/error_report_win.h"
#include "winui/gui_fixture_win.h"
#include "winui/settings_tab_win.h"
#include "winui/tray_win.h"

namespace pelmo::winui {
namespace {

TEST(WinDialogs, AboutTabAboutWindowAndTheSystemsAboutBox) {
  GuiFixture f({.chatKeys = {}, .files = {{"others.ini", "[START]\r\nCountStart=41\r\n"}}});
  f.window->SelectTab(kAboutTab);
  f.Settle();
  EXPECT_EQ(GetText(f.Named("CountStartL")), L"41");
  EXPECT_EQ(GetText(f.Named("BuildL")), L"Сборка 268");
  EXPECT_TRUE(Snap(f.window->Window(), "win-about-tab"));
  EXPECT_TRUE(RunWithModal([&] { f.Menu(kAboutTM); }, "win-about-form", [](HWND form) {
    EXPECT_EQ(GetText(form), L"О программе");
    ::SendMessageW(ChildNamed(form, "OKB"), BM_CLICK, 0, 0);
  }));
  EXPECT_TRUE(RunWithModal([&] { f.Menu(kAboutMM); }, "win-about-box", [](HWND box) {
    EXPECT_NE(GetText(box).find(L"Pelmo_bot v 1.3"), std::wstring::npos) << GetText(box);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }));
}

TEST(WinDialogs, TheTrayMenuOffersItsSixItems) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  ::SendMessageW(f.window->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  f.Settle();
  HMENU menu = f.window->TrayIcon().Menu();
  const wchar_t* items[] = {L"Запустить Бота", L"Остановить Бота", L"Развернуть",
                            L"Справка",        L"О программе",     L"Выход"};
  ASSERT_EQ(::GetMenuItemCount(menu), 6);
  for (int i = 0; i < 6; ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), items[i]);
  }
  // The right button's release on the icon opens it; pictured, then left.
  EXPECT_TRUE(RunWithModal(
      [&] { ::SendMessageW(f.window->Window(), Tray::kCallbackMessage, Tray::kIconId, WM_RBUTTONUP); },
      "win-tray-menu", [](HWND) { ::EndMenu(); }));
  EXPECT_TRUE(f.window->TrayIcon().Shown());
  EXPECT_FALSE(f.window->Closed());
}

TEST(WinDialogs, HelpOpensTheGuideAndSaysWhenNothingCan) {
  GuiFixture f;
  std::wstring opened;
  f.window->platform.openDocument = [&](const std::wstring& path) {
    opened = path;
    return false;
  };
  f.Menu(kHelpMM);
  EXPECT_EQ(opened.substr(opened.size() - 16), L"\\help\\index.html");
  EXPECT_NE(::GetFileAttributesW(opened.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_NE(f.warnings[0].find(L"нет программы для просмотра страниц"), std::wstring::npos);
  EXPECT_NE(f.warnings[0].find(opened), std::wstring::npos);
}

TEST(WinDialogs, TheSaveBoxOffersTheStart) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.program->Faces().life.Running(); }));
  f.window->platform.askAction = [&f](const std::wstring& title, const std::wstring& text,
                                      const std::wstring& accept, const std::wstring& reject) {
    return ActionBox(f.window->Window(), title, text, accept, reject);
  };
  f.SelectPage(PageId::kChat);
  EXPECT_TRUE(RunWithModal([&] { f.Click("SaveCfgB"); }, "win-save-box", [](HWND box) {
    EXPECT_EQ(GetText(ChildNamed(box, "AcceptB")), L"&Запустить бота");
    ::SendMessageW(ChildNamed(box, "AcceptB"), BM_CLICK, 0, 0);
  }));
  EXPECT_TRUE(f.Pump([&] { return f.program->Faces().life.Running(); }));
}

TEST(WinDialogs, AnErrorIsReportedWithPictureTextAndTheMailQuestion) {
  GuiFixture f;
  ErrorReporter reporter(f.clock, f.program->Faces().settings.Settings(), f.dir.FilePath("Errors"),
                         "pelmobot-gui", "Pelmo_bot v 1.3");
  std::vector<std::wstring> mailed;
  std::wstring info;
  reporter.platform.sendMail = [&](const std::string& subject, const std::string& body,
                                   const std::wstring& report, const std::wstring& picture) {
    mailed = {Wide(subject), Wide(body), report, picture};
    return false;
  };
  reporter.platform.showInfo = [&](const std::wstring&, const std::wstring& text) { info = text; };
  SetErrorHandler([&](const std::exception& e) {
    reporter.Report(W("Сбой при записи"), ::GetActiveWindow(), f.window->Window());
    (void)e;
  });
  // A handler's error, as a failing save gives: the real Yes/No box.
  f.window->platform.askColor = [](COLORREF) -> std::optional<COLORREF> {
    throw std::runtime_error("colour");
  };
  f.SelectPage(PageId::kGeneral);
  ::SetForegroundWindow(f.window->Window());
  f.Settle();
  EXPECT_TRUE(RunWithModal([&] { f.Click("NickColB"); }, "win-error-box", [](HWND box) {
    EXPECT_EQ(GetText(box), L"Pelmo_bot v 1.3. Ошибка !!!");
    ::SendMessageW(ChildWithText(box, L"Yes"), BM_CLICK, 0, 0);
  }));
  const std::vector<std::string> files = f.dir.List("Errors");
  ASSERT_EQ(files.size(), 2u);
  const std::string stem = files[0].substr(0, files[0].size() - 4);
  EXPECT_EQ(stem.substr(0, 22), "pelmobot-gui_MainForm_");
  EXPECT_EQ(stem.substr(stem.size() - 6), "_Error");
  const std::string picture = f.File("Errors/" + stem + ".jpg");
  ASSERT_GT(picture.size(), 3u);
  EXPECT_EQ(picture.substr(0, 3), "\xFF\xD8\xFF");
  const std::string report = f.File("Errors/" + stem + ".txt");
  EXPECT_EQ(report.substr(0, 80),
            W("------------- Этот отчет создан автоматически отчетной системой ошибок -------\r\n").substr(0, 80));
  EXPECT_NE(report.find("\r\n" + W("Сбой при записи") + "\r\n"), std::string::npos);
  EXPECT_NE(report.find(W("Пользователь: [")), std::string::npos);
  ASSERT_EQ(mailed.size(), 4u);
  EXPECT_EQ(mailed[0], L"Ошибка. Программа=Pelmo_bot v 1.3");
  EXPECT_EQ(mailed[1], Wide(report));
  EXPECT_EQ(mailed[2].substr(mailed[2].size() - 4), L".txt");
  EXPECT_EQ(mailed[3].substr(mailed[3].size() - 4), L".jpg");
  EXPECT_NE(info.find(L"Нет почтовой программы"), std::wstring::npos);
  SetErrorHandler(nullptr);
}

TEST(WinDialogs, WithReportsOffTheErrorIsOnlyShown) {
  GuiFixture f;
  f.program->Faces().settings.Settings().OnErrorCB = false;
  ErrorReporter reporter(f.clock, f.program->Faces().settings.Settings(), f.dir.FilePath("Errors"),
                         "pelmobot-gui", "Pelmo_bot v 1.3");
  std::wstring shown;
  reporter.platform.showError = [&](const std::wstring&, const std::wstring& text) { shown = text; };
  reporter.Report(W("Сбой"), nullptr, f.window->Window());
  EXPECT_EQ(shown, L"Сбой");
  EXPECT_FALSE(f.dir.Exists("Errors"));
}

}  // namespace
}  // namespace pelmo::winui
