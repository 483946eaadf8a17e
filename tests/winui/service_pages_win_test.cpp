// The pages of the services and games in the Windows window: what each
// button writes into the working folder, and the refusals the operator
// sees.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "core/bot_faces.h"
#include "winui/controls_win.h"
#include "winui/game_pages_win.h"
#include "winui/gui_fixture_win.h"
#include "winui/settings_tab_win.h"

namespace pelmo::winui {
namespace {

void SelectRow(HWND list, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The page's wiring; what the ban model accepts and refuses is tested on
// the model.
TEST(WinServicePages, BansAreAddedAndDeletedInBanTxtAfterTheQuestion) {
  GuiFixture f({.chatKeys = {}, .files = {{"botfile/ban.txt", "[BanList]\r\nOLDPC=01.01.2030 00:00:00\r\n"}}});
  f.SelectPage(PageId::kBans);
  HWND list = f.Named("ListBan");
  EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  // An hour ahead, to the minute.
  EXPECT_EQ(GetText(f.Named("TimebanME")).substr(5), L":00");

  f.Type("HostBanLE", L"ВРЕДНЫЙ");
  SYSTEMTIME date{};
  date.wYear = 2020;
  date.wMonth = 2;
  date.wDay = 3;
  ::SendMessageW(f.Named("DateTimePicker2"), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
  // The field takes digits and ":" only; what the model refuses is said,
  // focused on the time.
  f.Type("TimebanME", L"");
  for (const wchar_t key : std::wstring(L"1a2:")) f.Char("TimebanME", key);
  EXPECT_EQ(GetText(f.Named("TimebanME")), L"12:");
  f.Type("TimebanME", L"123000");
  f.Click("AddBanB");
  f.Type("TimebanME", L"12:30:00");
  f.Click("AddBanB");
  ASSERT_EQ(f.warnings.size(), 2u);
  EXPECT_EQ(f.warnings[0].substr(0, 19), L"Бан лист|Время «123");
  EXPECT_EQ(f.warnings[1].substr(0, 29), L"Бан лист|Срок бана уже прошёл");
  EXPECT_TRUE(Snap(f.window->Window(), "win-ban-page-past-refused"));
  // The refusal in the system's box, for the pictures.
  const auto fakeWarn = f.window->platform.warn;
  f.window->platform.warn = DefaultWinPlatform([&f] { return f.window->Window(); }).warn;
  EXPECT_TRUE(RunWithModal([&] { f.Click("AddBanB"); }, "win-ban-page-past-refused-box",
                           [](HWND box) { ::SendMessageW(ChildWithText(box, L"OK"), BM_CLICK, 0, 0); }));
  f.window->platform.warn = fakeWarn;
  EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);

  date.wYear = 2031;
  ::SendMessageW(f.Named("DateTimePicker2"), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
  f.Click("AddBanB");
  EXPECT_EQ(f.File("botfile/ban.txt"),
            "[BanList]\r\nOLDPC=01.01.2030 00:00:00\r\n" + W("ВРЕДНЫЙ") + "=03.02.2031 12:30:00\r\n");
  EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_TRUE(Snap(f.window->Window(), "win-ban-page-added"));

  // The header line cannot be deleted; a ban line can, once the question
  // is answered.
  HWND page = f.window->Settings().Page(PageId::kBans);
  ::SendMessageW(list, LB_SETCURSEL, 0, 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(ControlId("ListBan"), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_FALSE(::IsWindowEnabled(f.Named("DelBanB")));
  ::SendMessageW(list, LB_SETCURSEL, 1, 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(ControlId("ListBan"), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  f.Click("DelBanB");
  ASSERT_EQ(f.actionsAsked.size(), 1u);
  EXPECT_EQ(f.actionsAsked[0], L"Бан лист|Удалить бан «OLDPC=01.01.2030 00:00:00»?");
  EXPECT_NE(f.File("botfile/ban.txt").find("OLDPC"), std::string::npos);
  f.actionAnswer = true;
  f.Click("DelBanB");
  EXPECT_EQ(f.File("botfile/ban.txt"), "[BanList]\r\n" + W("ВРЕДНЫЙ") + "=03.02.2031 12:30:00\r\n");
  EXPECT_FALSE(::IsWindowEnabled(f.Named("DelBanB")));
  EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST(WinServicePages, AdministratorsAreEditedInTheGridAndSaved) {
  GuiFixture f({.chatKeys = {}, .files = {{"botfile/admin.txt", "Boss#BOSSPC\r\n"}}});
  f.SelectPage(PageId::kAdmins);
  HWND grid = f.Named("ADMvle");
  EXPECT_EQ(::SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 1);
  f.Click("AddADMB");
  f.Type("ADMvleCell0", L"Мастер");
  f.Type("ADMvleCell1", L"MASTERPC");
  // A nick may stand once.
  f.Click("AddADMB");
  f.Type("ADMvleCell0", L"Boss");
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_EQ(f.warnings[0], L"Администраторы|Ник \"Boss\" уже есть в списке.");
  f.Click("RemoveADMB");
  EXPECT_TRUE(Snap(f.window->Window(), "win-admins-page-edited"));
  f.Click("SaveCfgB");
  EXPECT_EQ(f.File("botfile/admin.txt"), "Boss#BOSSPC\r\n" + W("Мастер") + "#MASTERPC\r\n");
}

TEST(WinServicePages, ChatterboxPairsAreAddedAndKeptAfterTheirChecks) {
  GuiFixture f({.chatKeys = {}, .files = {{"botfile/boltun.txt", W("привет^и тебе привет") + "\r\n"}}});
  f.SelectPage(PageId::kChatterbox);
  f.Click("AddAQb");
  f.Type("AQvleCell0", L"как дела");
  f.Type("AQvleCell1", L"лучше всех");
  f.Click("Button1");
  EXPECT_EQ(f.File("botfile/boltun.txt"),
            W("привет^и тебе привет") + "\r\n" + W("как дела^лучше всех") + "\r\n");
  EXPECT_TRUE(f.warnings.empty());
  // A "^" in a trigger could never be read back: refused, file kept.
  f.Click("AddAQb");
  f.Type("AQvleCell0", L"a^b");
  f.Type("AQvleCell1", L"c");
  f.Click("Button1");
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_EQ(f.warnings[0].substr(0, 19), L"Говарилка|Строка 3:");
  EXPECT_EQ(f.File("botfile/boltun.txt"),
            W("привет^и тебе привет") + "\r\n" + W("как дела^лучше всех") + "\r\n");
  EXPECT_TRUE(Snap(f.window->Window(), "win-chatterbox-page-edited"));
}

TEST(WinServicePages, ASubscriberIsAddedThroughItsDialog) {
  GuiFixture f;
  f.SelectPage(PageId::kSubscribers);
  HWND add = f.Named("AddAbonB");
  ASSERT_NE(add, nullptr);
  EXPECT_FALSE(::IsWindowVisible(add)) << "the panel was always hidden";
  const bool opened = RunWithModal([&] { ::SendMessageW(add, BM_CLICK, 0, 0); }, "win-addnew-dialog",
                                   [](HWND dialog) {
    EXPECT_EQ(GetText(dialog), L"Добавление абонента");
    ::SetWindowTextW(ChildNamed(dialog, "UserE"), L"Вася");
    ::SetWindowTextW(ChildNamed(dialog, "PasswordE"), L"secret");
    ::SendMessageW(ChildNamed(dialog, "OkB"), BM_CLICK, 0, 0);
  });
  ASSERT_TRUE(opened);
  f.Settle();
  // One new box beside seen.txt: the masked greeting and the password's sum.
  std::vector<std::string> boxes;
  for (const std::string& name : f.dir.List("user")) {
    if (name != "seen.txt") boxes.push_back(name);
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_GT(f.File("user/" + boxes[0]).size(),
            W("Спасибо за регистрацию в нашей системе!").size());
}

TEST(WinServicePages, TheBirthdayEditorAddsSavesAndRefuses) {
  GuiFixture f;
  f.SelectPage(PageId::kBirthdays);
  f.Click("ShowBDB");
  BirthdayEditor* editor = f.window->Birthdays();
  ASSERT_NE(editor, nullptr);
  HWND window = editor->Window();
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(::GetWindow(window, GW_OWNER), f.window->Window()) << "it must not fall behind";
  ::SendMessageW(ChildNamed(window, "AddButton"), BM_CLICK, 0, 0);
  f.Settle();
  EXPECT_TRUE(::IsWindowVisible(ChildNamed(window, "BDAddPanel")));
  ::SetWindowTextW(ChildNamed(window, "NameEdit"), L"Иван");
  ::SetWindowTextW(ChildNamed(window, "GroupEdit"), L"Бухгалтерия");
  ::SetWindowTextW(ChildNamed(window, "DayEdit"), L"7");
  ::SetWindowTextW(ChildNamed(window, "MonthEdit"), L"x");
  ::SetWindowTextW(ChildNamed(window, "YearEdit"), L"1980");
  ::SendMessageW(ChildNamed(window, "OKAddButton"), BM_CLICK, 0, 0);
  f.Settle();
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_EQ(f.warnings[0].substr(0, 6), L"Error|");
  EXPECT_TRUE(Snap(window, "win-birthday-editor-panel"));
  ::SetWindowTextW(ChildNamed(window, "MonthEdit"), L"3");
  ::SendMessageW(ChildNamed(window, "OKAddButton"), BM_CLICK, 0, 0);
  f.Settle();
  EXPECT_FALSE(::IsWindowVisible(ChildNamed(window, "BDAddPanel")));
  EXPECT_EQ(::SendMessageW(ChildNamed(window, "BDListView"), LVM_GETITEMCOUNT, 0, 0), 1);
  ::SendMessageW(ChildNamed(window, "SaveButton"), BM_CLICK, 0, 0);
  f.Settle();
  // The table of 256 slots, the name among its bytes.
  const std::string table = f.File("botfile/BirthDay.dat");
  EXPECT_GT(table.size(), 256u);
  EXPECT_NE(table.find(W("Иван")), std::string::npos);
  EXPECT_TRUE(Snap(window, "win-birthday-editor"));
  // Delete acts on the chosen row.
  SelectRow(ChildNamed(window, "BDListView"), 0);
  ::SendMessageW(ChildNamed(window, "DeleteButton"), BM_CLICK, 0, 0);
  f.Settle();
  EXPECT_EQ(::SendMessageW(ChildNamed(window, "BDListView"), LVM_GETITEMCOUNT, 0, 0), 0);
  ::SendMessageW(ChildNamed(window, "ExitButton"), BM_CLICK, 0, 0);
  f.Settle();
  EXPECT_FALSE(::IsWindowVisible(window));
}

TEST(WinServicePages, TheWeatherPagePausesAndContinuesItsCountdown) {
  GuiFixture f({.chatKeys = {}, .files = {{"others.ini", "[pogoda]\r\nAutPogoda=1\r\nMin=5\r\nSec=0\r\n"}}});
  f.SelectPage(PageId::kWeather);
  EXPECT_TRUE(f.Pump([&] { return !GetText(f.Named("PogodaTimeL")).empty(); }));
  EXPECT_TRUE(::IsWindowEnabled(f.Named("PausePogodaB")));
  EXPECT_FALSE(::IsWindowEnabled(f.Named("GoPogodaB")));
  f.Click("PausePogodaB");
  EXPECT_FALSE(::IsWindowEnabled(f.Named("PausePogodaB")));
  EXPECT_TRUE(::IsWindowEnabled(f.Named("GoPogodaB")));
  f.Click("GoPogodaB");
  EXPECT_TRUE(::IsWindowEnabled(f.Named("PausePogodaB")));
}

}  // namespace
}  // namespace pelmo::winui
