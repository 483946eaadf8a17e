#include "winui/service_pages_win.h"

#include <windows.h>
#include <commctrl.h>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/text_file.h"
#include "core/admins.h"
#include "core/bot_settings.h"
#include "core/work_folder.h"
#include "services/ban_list.h"
#include "services/install_services.h"
#include "services/offline_messages.h"
#include "winui/controls_win.h"
#include "winui/field_binder_win.h"
#include "winui/grid_win.h"
#include "winui/settings_tab_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

constexpr int kGap = 6;

class BanPage {
 public:
  BanPage(SettingsTab& tab, BanList& bans, const Clock& clock, const WinPlatform& platform)
      : m_bans(bans), m_clock(clock), m_platform(platform) {
    HWND page = tab.Page(5);
    m_list = MakeControl(page, L"LISTBOX", L"", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT,
                         0, 0, 100, 100, "ListBan", WS_EX_CLIENTEDGE);
    m_hostLabel = MakeLabel(page, L"Имя компьютера:", 0, 0);
    m_host = MakeEdit(page, 0, 0, FieldWidth(sample::kName), "HostBanLE");
    m_dateLabel = MakeLabel(page, L"Дата:", 0, 0);
    m_date = MakeControl(page, DATETIMEPICK_CLASSW, L"", DTS_SHORTDATEFORMAT | WS_TABSTOP, 0, 0,
                         FieldWidth(L"88.88.8888") + 24, FieldHeight(), "DateTimePicker2");
    // The bot's own short date, not the desktop's.
    ::SendMessageW(m_date, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"dd.MM.yyyy"));
    m_timeLabel = MakeLabel(page, L"Время:", 0, 0);
    m_time = MakeEdit(page, 0, 0, FieldWidth(sample::kTime), "TimebanME");
    ::SendMessageW(m_time, EM_LIMITTEXT, 8, 0);
    m_add = MakeButton(page, L"До&бавить", 0, 0, "AddBanB");
    m_delete = MakeButton(page, L"Уда&лить", 0, 0, "DelBanB");
    OnClick(m_add, [this] { AddBanBClick(); });
    OnClick(m_delete, [this] { DelBanBClick(); });
    OnCommand(m_list, [this](int code) {
      if (code == LBN_SELCHANGE) UpdateButtons();
    });
    tab.OnPageResize(5, [this](int width, int height) { Place(width, height); });
    tab.OnPageShown(5, [this] { ShowList(); });
    Reset();
  }

  void Place(int width, int height) {
    const int row = FieldHeight() + kGap;
    const int formHeight = 3 * row + FieldHeight() + 2 + kGap;
    const int listHeight = std::max(60, height - formHeight - kGap);
    ::MoveWindow(m_list, 0, 0, width, listHeight, TRUE);
    const int column = TextWidth(L"Имя компьютера:") + 12;
    int y = listHeight + kGap;
    const HWND rows[][2] = {{m_hostLabel, m_host}, {m_dateLabel, m_date}, {m_timeLabel, m_time}};
    for (const auto& pair : rows) {
      RECT rect{};
      ::GetWindowRect(pair[1], &rect);
      ::MoveWindow(pair[0], 0, y + 4, column, LineHeight(), TRUE);
      ::MoveWindow(pair[1], column, y, rect.right - rect.left, FieldHeight(), TRUE);
      y += row;
    }
    ::MoveWindow(m_add, 0, y, ButtonWidth(L"До&бавить"), FieldHeight() + 2, TRUE);
    ::MoveWindow(m_delete, ButtonWidth(L"До&бавить") + kGap, y, ButtonWidth(L"Уда&лить"),
                 FieldHeight() + 2, TRUE);
  }

  void Reset() {
    const DateTimeParts today = DecodeDateTime(m_clock.Now());
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(today.year);
    time.wMonth = static_cast<WORD>(today.month);
    time.wDay = static_cast<WORD>(today.day);
    ::SendMessageW(m_date, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    SetText(m_time, L"00:00:00");
    ShowList();
  }

  void ShowList() {
    const auto row = ::SendMessageW(m_list, LB_GETCURSEL, 0, 0);
    m_bans.LoadBanListBox();
    ::SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : m_bans.ListBan()) {
      const std::wstring text = Wide(line);
      ::SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (row >= 0 && row < ::SendMessageW(m_list, LB_GETCOUNT, 0, 0)) {
      ::SendMessageW(m_list, LB_SETCURSEL, row, 0);
    }
    UpdateButtons();
  }

  bool AddBanBClick() {
    const std::string host = Narrow(GetText(m_host));
    if (host.empty()) {
      if (m_platform.warn) m_platform.warn(L"Бан лист", L"Введите имя компьютера.");
      ::SetFocus(m_host);
      return false;
    }
    SYSTEMTIME date{};
    ::SendMessageW(m_date, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
    if (!m_bans.AddBanB(host, EncodeDate(date.wYear, date.wMonth, date.wDay),
                        Narrow(GetText(m_time)))) {
      // The list keeps what it showed: an unreadable file would empty it.
      if (m_platform.warn) {
        m_platform.warn(L"Бан лист",
                        L"Бан не записан в файл " + Wide(Utf8ToCp1251(m_bans.Path())) +
                            L".\nПроверьте, что файл доступен для записи и что в имени "
                            L"компьютера нет знаков «=», «[» и «]».");
      }
      return false;
    }
    ShowList();
    return true;
  }

  bool DelBanBClick() {
    const auto row = ::SendMessageW(m_list, LB_GETCURSEL, 0, 0);
    if (row <= 0) return false;
    const auto length = ::SendMessageW(m_list, LB_GETTEXTLEN, row, 0);
    std::wstring chosen(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(m_list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(chosen.data()));
    chosen.resize(static_cast<std::size_t>(length));
    const bool deleted = m_bans.DelBanB(Narrow(chosen));
    ShowList();
    if (!deleted && m_platform.warn) {
      m_platform.warn(L"Бан лист", L"Строки «" + chosen +
                                       L"» в файле уже нет (её убрала проверка срока или "
                                       L"команда из чата). Список показан заново.");
    }
    return deleted;
  }

  void UpdateButtons() {
    // The section header (the first line) stays.
    ::EnableWindow(m_delete, ::SendMessageW(m_list, LB_GETCURSEL, 0, 0) > 0);
  }

 private:
  BanList& m_bans;
  const Clock& m_clock;
  const WinPlatform& m_platform;
  HWND m_list, m_hostLabel, m_host, m_dateLabel, m_date, m_timeLabel, m_time, m_add, m_delete;
};

class SubscriberPage {
 public:
  SubscriberPage(SettingsTab& tab, InstalledServices& services, const WorkFolder& folder,
                 const WinPlatform& platform)
      : m_services(services), m_folder(folder), m_platform(platform) {
    HWND page = tab.Page(6);
    // The panel that was always hidden: built, never shown.
    HWND panel = MakePanel(page, 0, 4 * LineHeight(), 300, 200);
    MakeControl(panel, L"LISTBOX", L"", WS_VSCROLL, 0, 0, 300, 160, "AbonLB", WS_EX_CLIENTEDGE);
    HWND add = MakeButton(panel, L"Добавить", 0, 166, "AddAbonB");
    HWND remove = MakeButton(panel, L"Удалить", ButtonWidth(L"Добавить") + kGap, 166, "DelAbonB");
    ::EnableWindow(remove, FALSE);
    OnClick(add, [this, page] { AddAbonBClick(::GetAncestor(page, GA_ROOT)); });
    ::ShowWindow(panel, SW_HIDE);
  }

  bool AddAbonBClick(HWND owner) {
    const int width = 320;
    HWND dialog = MakeDialogWindow(owner, L"Добавление абонента", width, 120, "AddNewF");
    const int column = TextWidth(L"Password:") + 20;
    MakeLabel(dialog, L"User:", 12, 12);
    HWND user = MakeEdit(dialog, column, 12, width - column - 12, "UserE");
    MakeLabel(dialog, L"Password:", 12, 16 + FieldHeight());
    HWND password = MakeEdit(dialog, column, 16 + FieldHeight(), width - column - 12, "PasswordE",
                             ES_PASSWORD);
    const int buttonsY = 28 + 2 * FieldHeight();
    const int buttonWidth = ButtonWidth(L"Cancel");
    HWND ok = MakeControl(dialog, L"BUTTON", L"Ok", BS_DEFPUSHBUTTON | WS_TABSTOP,
                          width - 12 - 2 * buttonWidth - kGap, buttonsY, buttonWidth,
                          FieldHeight() + 2, "OkB");
    // Enter in the password field is OK, as in a dialog.
    SetDefaultButton(dialog, ok);
    HWND cancel = MakeButton(dialog, L"Cancel", width - 12 - buttonWidth, buttonsY, "CancelB");
    bool done = false;
    bool accepted = false;
    std::wstring userText;
    std::wstring passwordText;
    OnClick(ok, [&] {
      userText = GetText(user);
      passwordText = GetText(password);
      accepted = true;
      done = true;
    });
    OnClick(cancel, [&] { done = true; });
    OnClose(dialog, [&] { done = true; });
    ::SetFocus(user);
    RunModal(dialog, owner, [&] { return done; });
    if (!accepted || userText.empty() || passwordText.empty()) return false;
    const std::string nick = Narrow(userText);
    if (FileExists(m_folder.UserFile(BoxFileName(nick)))) {
      // A new box would throw away the subscriber's messages.
      const bool overwrite =
          m_platform.askYesNo &&
          m_platform.askYesNo(L"Добавление абонента",
                              L"У абонента \"" + userText +
                                  L"\" уже есть ящик. Заменить его? Сообщения в нём пропадут.");
      if (!overwrite) return false;
    }
    if (!m_services.WriteBox(nick, Narrow(passwordText), W("Спасибо за регистрацию в нашей системе!"))) {
      throw FileError("Cannot write the box of " + Cp1251ToUtf8(nick));
    }
    return true;
  }

 private:
  InstalledServices& m_services;
  const WorkFolder& m_folder;
  const WinPlatform& m_platform;
};

class AdminsPage {
 public:
  AdminsPage(SettingsTab& tab, const WinPlatform& platform)
      : m_settings(tab.Binder().Settings()),
        m_platform(platform),
        m_grid(tab.Page(10), "ADMvle", {L"Nick", L"Comp Name"}, {"ADMNickE", "ADMCompE"}) {
    HWND page = tab.Page(10);
    m_add = MakeButton(page, L"&Add", 0, 0, "AddADMB");
    m_remove = MakeButton(page, L"&Remove", 0, 0, "RemoveADMB");
    OnClick(m_add, [this] { AddADMBClick(); });
    OnClick(m_remove, [this] { RemoveADMBClick(); });
    m_grid.onChanged = [this](int row, int column) { OnCellChanged(row, column); };
    tab.Binder().OnShow([this] { ShowAdmins(); });
    tab.OnPageResize(10, [this](int width, int height) {
      const int buttonsY = height - FieldHeight() - 2;
      m_grid.Place(0, 0, width, buttonsY - kGap);
      ::MoveWindow(m_add, 0, buttonsY, ButtonWidth(L"&Add"), FieldHeight() + 2, TRUE);
      ::MoveWindow(m_remove, ButtonWidth(L"&Add") + kGap, buttonsY, ButtonWidth(L"&Remove"),
                   FieldHeight() + 2, TRUE);
    });
  }

  void ShowAdmins() {
    m_grid.Clear();
    for (const AdminEntry& entry : m_settings.ADMvle) {
      const int row = m_grid.AddRow();
      m_grid.SetCell(row, 0, Wide(entry.Nick));
      m_grid.SetCell(row, 1, Wide(entry.CompName));
    }
    if (m_grid.Rows() > 0) m_grid.SetCurrent(0);
  }

  bool AddADMBClick() {
    if (m_grid.Rows() >= static_cast<int>(kMaxAdmins)) {
      if (m_platform.warn) {
        m_platform.warn(L"Администраторы",
                        L"Больше " + std::to_wstring(kMaxAdmins) + L" администраторов не сохраняется.");
      }
      return false;
    }
    m_grid.AddRow();
    ::SetFocus(m_grid.Field(0));
    return true;
  }

  void RemoveADMBClick() {
    const int row = m_grid.Current();
    if (row < 0) return;
    m_grid.RemoveRow(row);
    StoreRows();
  }

  void OnCellChanged(int row, int column) {
    if (column == 0) {
      const std::wstring nick = m_grid.Cell(row, 0);
      for (int other = 0; other < m_grid.Rows(); ++other) {
        if (other == row || nick.empty() || m_grid.Cell(other, 0) != nick) continue;
        // The nicks are the grid's keys: one row per nick.
        m_grid.SetCell(row, 0, L"");
        SetText(m_grid.Field(0), L"");
        if (m_platform.warn) {
          m_platform.warn(L"Администраторы", L"Ник \"" + nick + L"\" уже есть в списке.");
        }
        break;
      }
    }
    StoreRows();
  }

  void StoreRows() {
    m_settings.ADMvle.clear();
    for (int row = 0; row < m_grid.Rows(); ++row) {
      AdminEntry entry{Narrow(m_grid.Cell(row, 0)), Narrow(m_grid.Cell(row, 1))};
      // A row left empty names nobody and is not written.
      if (entry.Nick.empty() && entry.CompName.empty()) continue;
      m_settings.ADMvle.push_back(std::move(entry));
    }
  }

 private:
  BotSettings& m_settings;
  const WinPlatform& m_platform;
  EditableGrid m_grid;
  HWND m_add;
  HWND m_remove;
};

}  // namespace

std::shared_ptr<void> BuildBanPage(SettingsTab& tab, BanList& bans, const Clock& clock,
                                   const WinPlatform& platform, std::function<void()>& reset) {
  auto page = std::make_shared<BanPage>(tab, bans, clock, platform);
  reset = [raw = page.get()] { raw->Reset(); };
  return page;
}

std::shared_ptr<void> BuildSubscriberPage(SettingsTab& tab, InstalledServices& services,
                                          const WorkFolder& folder, const WinPlatform& platform) {
  return std::make_shared<SubscriberPage>(tab, services, folder, platform);
}

std::shared_ptr<void> BuildAdminsPage(SettingsTab& tab, const WinPlatform& platform) {
  return std::make_shared<AdminsPage>(tab, platform);
}

}  // namespace pelmo::winui
