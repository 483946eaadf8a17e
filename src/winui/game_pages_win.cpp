#include "winui/game_pages_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pages/chatterbox_model.h"
#include "pages/page_defs.h"
#include "winui/controls_win.h"
#include "winui/grid_win.h"
#include "winui/page_message_win.h"
#include "winui/page_render_win.h"
#include "winui/settings_tab_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

constexpr int kEditorWidth = 520;
constexpr int kEditorHeight = 380;
constexpr int kPanelWidth = 300;

class ChatterboxPage {
 public:
  ChatterboxPage(SettingsTab& tab, Chatterbox& chatterbox)
      : m_model(chatterbox),
        m_platform(tab.Platform()),
        m_grid(*tab.Rendered(PageId::kChatterbox).Grid("AQvle")) {
    tab.AddFeature(PageFeature::kChatterbox);
    tab.Form().AttachChatterbox(m_model);
    RenderedPage& page = tab.Rendered(PageId::kChatterbox);
    page.OnAction(PageAction::kDeletePhrase, [this] {
      const int row = m_grid.Current();
      if (m_model.Delete(row)) m_grid.RemoveRow(std::max(row, 0));
    });
    page.OnAction(PageAction::kAddPhrase, [this] {
      if (!m_model.Add().done) return;
      m_grid.AddRow();
      ::SetFocus(m_grid.Field(0));
    });
    page.OnAction(PageAction::kSavePhrases, [this] { Save(); });
    m_grid.onChanged = [this](int row, int column) {
      m_model.SetCell(row, column, Narrow(m_grid.Cell(row, column)));
    };
    tab.Binder().OnShow([this] { ShowRows(); });
  }

 private:
  void ShowRows() {
    m_model.Load();
    m_grid.Clear();
    for (const Phrase& phrase : m_model.Rows()) {
      const int row = m_grid.AddRow();
      m_grid.SetCell(row, 0, Wide(phrase.trigger));
      m_grid.SetCell(row, 1, Wide(phrase.answer));
    }
    if (m_grid.Rows() > 0) m_grid.SetCurrent(0);
  }

  void Save() {
    const PageResult result = m_model.Save();
    if (result.done) ShowRows();
    if (result.row >= 0) m_grid.SetCurrent(result.row);
    if (result.message) ShowPageMessage(m_platform, *result.message);
  }

  ChatterboxModel m_model;
  const WinPlatform& m_platform;
  EditableGrid& m_grid;
};

}  // namespace

std::shared_ptr<void> BuildChatterboxPage(SettingsTab& tab, Chatterbox& chatterbox) {
  return std::make_shared<ChatterboxPage>(tab, chatterbox);
}

BirthdayEditor::BirthdayEditor(HWND owner, Birthdays& birthdays, const Clock& clock,
                               const WinPlatform& platform)
    : m_model(birthdays, clock), m_platform(platform) {
  const PageDef& def = BirthdayEditorDef();
  m_window = MakeDialogWindow(owner, Wide(def.title), kEditorWidth, kEditorHeight, def.name.c_str());
  // The rows are chosen in the list and edited in the panel.
  m_page = std::make_unique<RenderedPage>(def, m_window, RenderOptions{.margin = 6, .editableGrids = false});
  m_page->Place(kEditorWidth, kEditorHeight);
  m_list = m_page->Named("BDListView");
  m_page->OnAction(PageAction::kAddBirthday, [this] {
    if (m_model.Add()) ShowPanel(true);
  });
  m_page->OnAction(PageAction::kRenameBirthday, [this] {
    const std::optional<BirthdayInput> input = m_model.Rename(FocusedRow());
    if (!input) return;
    SetText(Field("NameEdit"), Wide(input->name));
    SetText(Field("GroupEdit"), Wide(input->group));
    SetText(Field("DayEdit"), Wide(input->day));
    SetText(Field("MonthEdit"), Wide(input->month));
    SetText(Field("YearEdit"), Wide(input->year));
    ShowPanel(true);
  });
  m_page->OnAction(PageAction::kDeleteBirthday, [this] {
    if (m_model.Delete(FocusedRow())) ShowRows();
  });
  m_page->OnAction(PageAction::kSaveBirthdays, [this] {
    m_model.Save();
    ShowRows();
  });
  m_page->OnAction(PageAction::kCloseBirthdays, [this] { ::ShowWindow(m_window, SW_HIDE); });
  OnClose(m_window, [this] { ::ShowWindow(m_window, SW_HIDE); });

  // The input panel, raised over the list while it is shown.
  const PageDef& panelDef = BirthdayPanelDef();
  m_panel = MakePanel(m_window, 0, 0, kPanelWidth, 100);
  ::SetWindowLongPtrW(m_panel, GWLP_ID, ControlId(panelDef.name));
  ::SetWindowLongPtrW(m_panel, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(m_panel, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
  m_panelPage = std::make_unique<RenderedPage>(panelDef, m_panel, RenderOptions{.margin = 6});
  const int panelHeight = m_panelPage->NaturalHeight(kPanelWidth);
  ::SetWindowPos(m_panel, nullptr, (kEditorWidth - kPanelWidth) / 2,
                 (kEditorHeight - panelHeight) / 2, kPanelWidth, panelHeight + 4,
                 SWP_NOZORDER | SWP_FRAMECHANGED);
  RECT client{};
  ::GetClientRect(m_panel, &client);
  m_panelPage->Place(client.right, client.bottom);
  m_panelPage->OnAction(PageAction::kAcceptBirthday, [this] { Accept(); });
  m_panelPage->OnAction(PageAction::kCancelBirthday, [this] {
    m_model.CancelInput();
    ShowPanel(false);
  });
  ::ShowWindow(m_panel, SW_HIDE);
  ShowRows();
}

BirthdayEditor::~BirthdayEditor() {
  if (::IsWindow(m_window)) ::DestroyWindow(m_window);
}

HWND BirthdayEditor::Field(const char* name) const { return m_panelPage->Named(name); }

void BirthdayEditor::Show() {
  ShowRows();
  ::ShowWindow(m_window, SW_SHOW);
  ::SetForegroundWindow(m_window);
}

int BirthdayEditor::FocusedRow() const {
  return static_cast<int>(
      ::SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void BirthdayEditor::ShowRows() {
  const int current = FocusedRow();
  const std::vector<BirthdayRow> rows = m_model.Rows();
  ::SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const BirthdayRow& row = rows[static_cast<std::size_t>(i)];
    const std::wstring cells[] = {std::to_wstring(row.index), Wide(row.group), Wide(row.name),
                                  Wide(row.date)};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(cells[0].c_str());
    ::SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < 4; ++c) {
      LVITEMW sub{};
      sub.iSubItem = c;
      sub.pszText = const_cast<wchar_t*>(cells[c].c_str());
      ::SendMessageW(m_list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    }
    // The check's selection shows whose birthday is near.
    if (row.selected) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED;
      state.state = LVIS_SELECTED;
      ::SendMessageW(m_list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
    }
  }
  if (current >= 0 && current < static_cast<int>(rows.size())) {
    LVITEMW state{};
    state.stateMask = LVIS_FOCUSED;
    state.state = LVIS_FOCUSED;
    ::SendMessageW(m_list, LVM_SETITEMSTATE, current, reinterpret_cast<LPARAM>(&state));
  }
  UpdateButtons();
}

void BirthdayEditor::Accept() {
  const BirthdayInput input{Narrow(GetText(Field("NameEdit"))), Narrow(GetText(Field("GroupEdit"))),
                            Narrow(GetText(Field("DayEdit"))), Narrow(GetText(Field("MonthEdit"))),
                            Narrow(GetText(Field("YearEdit")))};
  const PageResult result = m_model.Accept(input);
  if (result.message) ShowPageMessage(m_platform, *result.message);
  if (!result.done) return;
  ShowPanel(false);
  ShowRows();
}

void BirthdayEditor::ShowPanel(bool shown) {
  ::EnableWindow(m_list, !shown);
  ::ShowWindow(m_panel, shown ? SW_SHOW : SW_HIDE);
  if (shown) {
    ::SetWindowPos(m_panel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetFocus(Field("NameEdit"));
  }
  UpdateButtons();
}

void BirthdayEditor::UpdateButtons() {
  ::EnableWindow(m_page->Named("AddButton"), m_model.CanAdd());
  for (const char* name : {"DeleteButton", "RenameButton", "SaveButton"}) {
    ::EnableWindow(m_page->Named(name), m_model.Idle());
  }
}

void BuildBirthdayPage(SettingsTab& tab, BirthdayEditor& editor) {
  tab.AddFeature(PageFeature::kBirthdays);
  tab.Rendered(PageId::kBirthdays).OnAction(PageAction::kShowBirthdays, [&editor] { editor.Show(); });
}

}  // namespace pelmo::winui
