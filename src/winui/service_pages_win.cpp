#include "winui/service_pages_win.h"

#include <windows.h>
#include <commctrl.h>

#include "base/date_time.h"
#include "pages/admins_model.h"
#include "pages/ban_model.h"
#include "pages/page_defs.h"
#include "pages/subscriber_model.h"
#include "winui/controls_win.h"
#include "winui/grid_win.h"
#include "winui/page_message_win.h"
#include "winui/page_render_win.h"
#include "winui/settings_tab_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

// How often the ban page, while shown, looks whether ban.txt changed.
constexpr UINT kFollowMs = 1000;

class BanPage {
 public:
  BanPage(SettingsTab& tab, BanList& bans, const Clock& clock)
      : m_model(bans, clock),
        m_page(tab.Rendered(PageId::kBans)),
        m_panel(tab.Page(PageId::kBans)),
        m_platform(tab.Platform()) {
    tab.AddFeature(PageFeature::kBans);
    m_list = m_page.Named("ListBan");
    m_page.OnAction(PageAction::kAddBan, [this] { Add(); });
    m_page.OnAction(PageAction::kDeleteBan, [this] { Delete(); });
    OnCommand(m_list, [this](int code) {
      if (code != LBN_SELCHANGE) return;
      m_model.Select(static_cast<int>(::SendMessageW(m_list, LB_GETCURSEL, 0, 0)));
      UpdateButtons();
    });
    tab.OnPageShown(PageId::kBans, [this] { ShowList(); });
    s_following = this;
    m_timer = ::SetTimer(nullptr, 0, kFollowMs, &BanPage::FollowTick);
    Reset();
  }
  ~BanPage() {
    if (m_timer != 0) ::KillTimer(nullptr, m_timer);
    if (s_following == this) s_following = nullptr;
  }
  BanPage(const BanPage&) = delete;
  BanPage& operator=(const BanPage&) = delete;

  void Reset() {
    const DateTimeParts start = m_model.StartDate();
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(start.year);
    time.wMonth = static_cast<WORD>(start.month);
    time.wDay = static_cast<WORD>(start.day);
    ::SendMessageW(m_page.Named("DateTimePicker2"), DTM_SETSYSTEMTIME, GDT_VALID,
                   reinterpret_cast<LPARAM>(&time));
    SetText(m_page.Named("TimebanME"), Wide(m_model.StartTime()));
    ShowList();
  }

 private:
  static void CALLBACK FollowTick(HWND, UINT, UINT_PTR, DWORD) {
    BanPage* page = s_following;
    if (page == nullptr || !::IsWindowVisible(page->m_panel)) return;
    Guarded([page] {
      if (page->m_model.Follow()) page->ShowLines();
    });
  }

  void ShowList() {
    m_model.Reload();
    ShowLines();
  }

  void ShowLines() {
    ::SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : m_model.Lines()) {
      const std::wstring text = Wide(line);
      ::SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    ::SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(m_model.Selected()), 0);
    UpdateButtons();
  }

  void UpdateButtons() { ::EnableWindow(m_page.Named("DelBanB"), m_model.CanDelete()); }

  void Add() {
    SYSTEMTIME date{};
    ::SendMessageW(m_page.Named("DateTimePicker2"), DTM_GETSYSTEMTIME, 0,
                   reinterpret_cast<LPARAM>(&date));
    const PageResult result =
        m_model.Add(Narrow(GetText(m_page.Named("HostBanLE"))), date.wYear, date.wMonth, date.wDay,
                    Narrow(GetText(m_page.Named("TimebanME"))));
    if (result.done) ShowLines();
    if (result.message) ShowPageMessage(m_platform, *result.message, m_page.Named(result.message->focus));
  }

  void Delete() {
    const PageResult question = m_model.Delete();
    if (!question.message || !ShowPageMessage(m_platform, *question.message)) return;
    const PageResult result = m_model.ConfirmDelete();
    ShowLines();
    if (result.message) ShowPageMessage(m_platform, *result.message);
  }

  // The one ban page the timer's tick reaches.
  static inline BanPage* s_following = nullptr;

  BanModel m_model;
  RenderedPage& m_page;
  HWND m_panel;
  const WinPlatform& m_platform;
  HWND m_list = nullptr;
  UINT_PTR m_timer = 0;
};

class SubscriberPage {
 public:
  SubscriberPage(SettingsTab& tab, InstalledServices& services, const WorkFolder& folder)
      : m_model(services, folder), m_platform(tab.Platform()) {
    tab.AddFeature(PageFeature::kSubscribers);
    HWND page = tab.Page(PageId::kSubscribers);
    tab.Rendered(PageId::kSubscribers).OnAction(PageAction::kAddSubscriber, [this, page] {
      AddAbonBClick(::GetAncestor(page, GA_ROOT));
    });
  }

  void AddAbonBClick(HWND owner) {
    const PageDef& def = SubscriberDialogDef();
    const int width = 320;
    HWND dialog = MakeDialogWindow(owner, Wide(def.title), width, 100, def.name.c_str());
    std::wstring user;
    std::wstring password;
    bool done = false;
    bool accepted = false;
    {
      RenderedPage rendered(def, dialog, {.margin = 12});
      const int height = rendered.NaturalHeight(width);
      RECT frame{0, 0, width, height};
      ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
      ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER);
      rendered.Place(width, height);
      // Enter in the password field is OK, as in a dialog.
      SetDefaultButton(dialog, rendered.Named("OkB"));
      rendered.OnAction(PageAction::kAcceptDialog, [&] {
        user = GetText(rendered.Named("UserE"));
        password = GetText(rendered.Named("PasswordE"));
        accepted = true;
        done = true;
      });
      rendered.OnAction(PageAction::kCancelDialog, [&] { done = true; });
      OnClose(dialog, [&] { done = true; });
      ::SetFocus(rendered.Named("UserE"));
      RunModal(dialog, owner, [&] { return done; });
    }
    if (!accepted) return;
    PageResult result = m_model.Add(Narrow(user), Narrow(password));
    if (result.message && ShowPageMessage(m_platform, *result.message)) {
      m_model.Add(Narrow(user), Narrow(password), true);
    }
  }

 private:
  SubscriberModel m_model;
  const WinPlatform& m_platform;
};

class AdminsPage {
 public:
  AdminsPage(SettingsTab& tab, BotSettings& settings)
      : m_model(settings),
        m_platform(tab.Platform()),
        m_grid(*tab.Rendered(PageId::kAdmins).Grid("ADMvle")) {
    RenderedPage& page = tab.Rendered(PageId::kAdmins);
    page.OnAction(PageAction::kAddAdmin, [this] { Add(); });
    page.OnAction(PageAction::kRemoveAdmin, [this] { Remove(); });
    m_grid.onChanged = [this](int row, int column) { CellChanged(row, column); };
    tab.Binder().OnShow([this] { ShowRows(); });
  }

 private:
  void ShowRows() {
    m_model.Load();
    m_grid.Clear();
    for (const AdminEntry& entry : m_model.Rows()) {
      const int row = m_grid.AddRow();
      m_grid.SetCell(row, 0, Wide(entry.Nick));
      m_grid.SetCell(row, 1, Wide(entry.CompName));
    }
    if (m_grid.Rows() > 0) m_grid.SetCurrent(0);
  }

  void Add() {
    const PageResult result = m_model.Add();
    if (result.message) ShowPageMessage(m_platform, *result.message);
    if (!result.done) return;
    m_grid.AddRow();
    ::SetFocus(m_grid.Field(0));
  }

  void Remove() {
    const int row = m_grid.Current();
    if (row < 0) return;
    m_model.Remove(row);
    m_grid.RemoveRow(row);
  }

  void CellChanged(int row, int column) {
    const PageResult result = m_model.SetCell(row, column, Narrow(m_grid.Cell(row, column)));
    if (!result.message) return;
    // The refused nick is gone from the row: the grid shows the row again.
    const AdminEntry& entry = m_model.Rows()[static_cast<std::size_t>(row)];
    m_grid.SetCell(row, 0, Wide(entry.Nick));
    if (m_grid.Current() == row) SetText(m_grid.Field(0), Wide(entry.Nick));
    ShowPageMessage(m_platform, *result.message);
  }

  AdminsModel m_model;
  const WinPlatform& m_platform;
  EditableGrid& m_grid;
};

}  // namespace

std::shared_ptr<void> BuildBanPage(SettingsTab& tab, BanList& bans, const Clock& clock,
                                   std::function<void()>& reset) {
  auto page = std::make_shared<BanPage>(tab, bans, clock);
  reset = [raw = page.get()] { raw->Reset(); };
  return page;
}

std::shared_ptr<void> BuildSubscriberPage(SettingsTab& tab, InstalledServices& services,
                                          const WorkFolder& folder) {
  return std::make_shared<SubscriberPage>(tab, services, folder);
}

std::shared_ptr<void> BuildAdminsPage(SettingsTab& tab, BotSettings& settings) {
  return std::make_shared<AdminsPage>(tab, settings);
}

}  // namespace pelmo::winui
