#include "winui/game_pages_win.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "games/birthdays.h"
#include "games/chatterbox.h"
#include "winui/controls_win.h"
#include "winui/field_binder_win.h"
#include "winui/grid_win.h"
#include "winui/settings_tab_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

constexpr int kGap = 6;
enum Field { kName, kGroup, kDay, kMonth, kYear };

class ChatterboxPage {
 public:
  ChatterboxPage(SettingsTab& tab, Chatterbox& chatterbox, const WinPlatform& platform)
      : m_chatterbox(chatterbox),
        m_platform(platform),
        m_grid(tab.Page(7), "AQvle", {L"Вопрос", L"Ответ"}, {"AQTriggerE", "AQAnswerE"}) {
    HWND page = tab.Page(7);
    m_note = MakeLabel(page, L"Когда бот встретит слово Вопрос то пошлет заданный Ответ", 0, 0);
    m_remove = MakeButton(page, L"&Удалить", 0, 0, "DelAQb");
    m_add = MakeButton(page, L"&Добавить", 0, 0, "AddAQb");
    m_save = MakeButton(page, L"&Save", 0, 0, "Button1");
    OnClick(m_remove, [this] {
      if (m_grid.Rows() > 0) m_grid.RemoveRow(std::max(m_grid.Current(), 0));
    });
    OnClick(m_add, [this] {
      if (m_grid.Rows() >= static_cast<int>(Chatterbox::kMaxPhrases)) return;
      m_grid.AddRow();
      ::SetFocus(m_grid.Field(0));
    });
    OnClick(m_save, [this] { Button1Click(); });
    tab.Binder().OnShow([this] { ShowPhrases(); });
    tab.OnPageResize(7, [this](int width, int height) {
      const int top = LineHeight() + kGap;
      const int buttonsY = height - FieldHeight() - 2;
      ::MoveWindow(m_note, 0, 0, width, LineHeight() + 2, TRUE);
      m_grid.Place(0, top, width, buttonsY - top - kGap);
      int x = 0;
      for (HWND button : {m_remove, m_add, m_save}) {
        const int w = ButtonWidth(GetText(button));
        ::MoveWindow(button, x, buttonsY, w, FieldHeight() + 2, TRUE);
        x += w + kGap;
      }
    });
  }

  void ShowPhrases() {
    m_grid.Clear();
    for (const Phrase& phrase : m_chatterbox.Phrases()) {
      const int row = m_grid.AddRow();
      m_grid.SetCell(row, 0, Wide(phrase.trigger));
      m_grid.SetCell(row, 1, Wide(phrase.answer));
    }
    if (m_grid.Rows() > 0) m_grid.SetCurrent(0);
  }

  bool Button1Click() {
    std::vector<Phrase> rows;
    for (int row = 0; row < m_grid.Rows(); ++row) {
      rows.push_back({Narrow(m_grid.Cell(row, 0)), Narrow(m_grid.Cell(row, 1))});
    }
    const int refused = m_chatterbox.SaveRows(rows);
    if (refused < 0) return true;
    m_grid.SetCurrent(refused);
    if (m_platform.warn) {
      m_platform.warn(L"Говарилка", L"Строка " + std::to_wstring(refused + 1) +
                                        L": в вопросе не может быть \"^\", в вопросе и ответе — "
                                        L"перевода строки.");
    }
    return false;
  }

 private:
  Chatterbox& m_chatterbox;
  const WinPlatform& m_platform;
  EditableGrid m_grid;
  HWND m_note, m_remove, m_add, m_save;
};

}  // namespace

std::shared_ptr<void> BuildChatterboxPage(SettingsTab& tab, Chatterbox& chatterbox,
                                          const WinPlatform& platform) {
  return std::make_shared<ChatterboxPage>(tab, chatterbox, platform);
}

BirthdayEditor::BirthdayEditor(HWND owner, Birthdays& birthdays, const Clock& clock,
                               const WinPlatform& platform)
    : m_birthdays(birthdays), m_clock(clock), m_platform(platform) {
  const int width = 520;
  const int height = 380;
  m_window = MakeDialogWindow(owner, L"Birth Day", width, height, "BirthDayF");
  m_list = MakeControl(m_window, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP,
                       kGap, kGap, width - 2 * kGap, height - FieldHeight() - 4 * kGap, "BDListView",
                       WS_EX_CLIENTEDGE);
  ::SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const wchar_t* columns[] = {L"#", L"Group", L"Name", L"Birth Day"};
  const int widths[] = {40, 150, 190, 110};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(columns[i]);
    column.cx = widths[i];
    ::SendMessageW(m_list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  struct Button {
    const char* name;
    const wchar_t* text;
    void (BirthdayEditor::*handler)();
    HWND* store;
  };
  HWND exit = nullptr;
  const Button buttons[] = {
      {"AddButton", L"Add", &BirthdayEditor::AddButtonClick, &m_add},
      {"DeleteButton", L"Delete", &BirthdayEditor::DeleteButtonClick, &m_delete},
      {"RenameButton", L"Rename", &BirthdayEditor::RenameButtonClick, &m_rename},
      {"SaveButton", L"Save", &BirthdayEditor::SaveButtonClick, &m_save},
      {"ExitButton", L"Exit", nullptr, &exit},
  };
  int x = kGap;
  const int y = height - FieldHeight() - 2 - kGap;
  for (const Button& button : buttons) {
    *button.store = MakeButton(m_window, button.text, x, y, button.name);
    auto handler = button.handler;
    if (handler != nullptr) OnClick(*button.store, [this, handler] { (this->*handler)(); });
    x += ButtonWidth(button.text) + kGap;
  }
  OnClick(exit, [this] { ::ShowWindow(m_window, SW_HIDE); });
  OnClose(m_window, [this] { ::ShowWindow(m_window, SW_HIDE); });

  // The input panel, raised over the list while it is shown.
  const int panelWidth = 300;
  const int row = FieldHeight() + kGap;
  const int panelHeight = 6 * row + 2 * kGap;
  m_panel = MakePanel(m_window, (width - panelWidth) / 2, (height - panelHeight) / 2, panelWidth,
                      panelHeight);
  ::SetWindowLongPtrW(m_panel, GWLP_ID, ControlId("BDAddPanel"));
  ::SetWindowLongPtrW(m_panel, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(m_panel, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
  const char* names[] = {"NameEdit", "GroupEdit", "DayEdit", "MonthEdit", "YearEdit"};
  const wchar_t* labels[] = {L"Name:", L"Group:", L"Day:", L"Month:", L"Year:"};
  const int column = TextWidth(L"Month:") + 16;
  for (int i = 0; i < 5; ++i) {
    MakeLabel(m_panel, labels[i], kGap, kGap + i * row);
    m_fields[i] = MakeEdit(m_panel, column, kGap + i * row,
                           i <= kGroup ? panelWidth - column - 2 * kGap : FieldWidth(sample::kMinutes),
                           names[i]);
  }
  HWND ok = MakeButton(m_panel, L"OK", column, kGap + 5 * row, "OKAddButton");
  HWND cancel = MakeButton(m_panel, L"Cancel", column + ButtonWidth(L"OK") + kGap, kGap + 5 * row,
                           "CancelAddButton");
  OnClick(ok, [this] { OKAddButtonClick(); });
  OnClick(cancel, [this] { CancelAddButtonClick(); });
  ::ShowWindow(m_panel, SW_HIDE);
  ShowRows();
}

BirthdayEditor::~BirthdayEditor() {
  if (::IsWindow(m_window)) ::DestroyWindow(m_window);
}

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
  const std::vector<BirthdayRow> rows = BirthdayRows(m_birthdays.Table(), m_clock.Now());
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

void BirthdayEditor::AddButtonClick() {
  if (!m_editing && m_birthdays.Table().Count() >= static_cast<int>(kBirthdaySlots)) return;
  if (m_editing) {
    const BirthdayEntry entry = m_birthdays.Table().At(m_editIndex);
    SetText(m_fields[kName], Wide(entry.Name));
    SetText(m_fields[kGroup], Wide(entry.Group));
    SetText(m_fields[kDay], std::to_wstring(entry.Day));
    SetText(m_fields[kMonth], std::to_wstring(entry.Month));
    SetText(m_fields[kYear], std::to_wstring(entry.Year));
  }
  ShowPanel(true);
}

void BirthdayEditor::RenameButtonClick() {
  const int row = FocusedRow();
  if (row < 0 || row >= m_birthdays.Table().Count()) return;
  m_editing = true;
  m_editIndex = row;
  AddButtonClick();
}

void BirthdayEditor::DeleteButtonClick() {
  const int row = FocusedRow();
  if (row < 0 || row >= m_birthdays.Table().Count()) return;
  m_birthdays.Table().Delete(row);
  ShowRows();
}

void BirthdayEditor::SaveButtonClick() {
  m_birthdays.Save();
  ShowRows();
}

bool BirthdayEditor::OKAddButtonClick() {
  BirthdayInput input;
  std::string* texts[] = {&input.name, &input.group, &input.day, &input.month, &input.year};
  for (int i = 0; i < 5; ++i) *texts[i] = Narrow(GetText(m_fields[i]));
  const BirthdayInputCheck check = CheckBirthdayInput(std::move(input));
  if (!check.entry) {
    // The check's lines end with CR, as the system's box shows them.
    std::wstring text = Wide(check.refusal);
    for (wchar_t& c : text) {
      if (c == L'\r') c = L'\n';
    }
    if (m_platform.warn) m_platform.warn(L"Error", text);
    return false;
  }
  if (m_editing) {
    m_birthdays.Table().Set(m_editIndex, *check.entry);
  } else if (!m_birthdays.Table().Add(*check.entry)) {
    if (m_platform.warn) {
      m_platform.warn(L"Error", L"В таблице нет места: не больше " +
                                    std::to_wstring(kBirthdaySlots) + L" записей.");
    }
    return false;
  }
  ShowPanel(false);
  ShowRows();
  return true;
}

void BirthdayEditor::CancelAddButtonClick() { ShowPanel(false); }

void BirthdayEditor::ShowPanel(bool shown) {
  if (!shown) {
    m_editing = false;
    m_editIndex = -1;
  }
  ::EnableWindow(m_list, !shown);
  ::ShowWindow(m_panel, shown ? SW_SHOW : SW_HIDE);
  if (shown) {
    ::SetWindowPos(m_panel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetFocus(m_fields[kName]);
  }
  UpdateButtons();
}

void BirthdayEditor::UpdateButtons() {
  const bool idle = !::IsWindowVisible(m_panel) && !m_editing;
  ::EnableWindow(m_add, idle && m_birthdays.Table().Count() < static_cast<int>(kBirthdaySlots));
  ::EnableWindow(m_delete, idle);
  ::EnableWindow(m_rename, idle);
  ::EnableWindow(m_save, idle);
}

void BuildBirthdayPage(SettingsTab& tab, BirthdayEditor& editor) {
  HWND show = MakeButton(tab.Page(11), L"Пока&зать", 0, 0, "ShowBDB");
  OnClick(show, [&editor] { editor.Show(); });
}

}  // namespace pelmo::winui
