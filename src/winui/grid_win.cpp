#include "winui/grid_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "winui/controls_win.h"

namespace pelmo::winui {

std::string GridCellName(const std::string& grid, int column) {
  return grid + "Cell" + std::to_string(column);
}

EditableGrid::EditableGrid(HWND parent, const std::string& name,
                           const std::vector<std::wstring>& columns, bool editable)
    : m_columns(static_cast<int>(columns.size())) {
  m_list = MakeControl(parent, WC_LISTVIEWW, L"",
                       LVS_REPORT | (editable ? LVS_SINGLESEL : 0) | LVS_SHOWSELALWAYS | WS_TABSTOP,
                       0, 0, 100, 100, name.c_str(), WS_EX_CLIENTEDGE);
  ::SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(columns[i].c_str());
    column.cx = 100;
    ::SendMessageW(m_list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    if (!editable) continue;
    m_labels.push_back(MakeLabel(parent, columns[i] + L":", 0, 0));
    const std::string fieldName = GridCellName(name, static_cast<int>(i));
    HWND field = MakeEdit(parent, 0, 0, 100, fieldName.c_str());
    const int index = static_cast<int>(i);
    OnCommand(field, [this, field, index](int code) {
      if (code != EN_CHANGE || m_loading) return;
      const int row = Current();
      if (row < 0) return;
      SetCell(row, index, GetText(field));
      if (onChanged) onChanged(row, index);
    });
    m_fields.push_back(field);
  }
  OnNotify(m_list, [this](NMHDR* header) -> LRESULT {
    if (header->code == LVN_ITEMCHANGED) {
      const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if ((change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
        LoadFields();
        if (onCurrent) onCurrent(change->iItem);
      }
    }
    return 0;
  });
}

std::vector<HWND> EditableGrid::Controls() const {
  std::vector<HWND> controls = m_fields;
  controls.insert(controls.end(), m_labels.begin(), m_labels.end());
  return controls;
}

void EditableGrid::Place(int x, int y, int width, int height) {
  const int columns = std::max(1, m_columns);
  const int each = width / columns;
  if (m_fields.empty()) {
    ::MoveWindow(m_list, x, y, width, height, TRUE);
    for (int i = 0; i < columns; ++i) {
      ::SendMessageW(m_list, LVM_SETCOLUMNWIDTH, i, each - (i + 1 == columns ? 24 : 0));
    }
    return;
  }
  const int fieldsHeight = FieldHeight() + 8;
  ::MoveWindow(m_list, x, y, width, std::max(40, height - fieldsHeight), TRUE);
  const int fieldY = y + std::max(40, height - fieldsHeight) + 6;
  for (int i = 0; i < columns; ++i) {
    const int labelWidth = TextWidth(GetText(m_labels[static_cast<std::size_t>(i)])) + 6;
    ::MoveWindow(m_labels[static_cast<std::size_t>(i)], x + i * each, fieldY + 4, labelWidth,
                 LineHeight(), TRUE);
    ::MoveWindow(m_fields[static_cast<std::size_t>(i)], x + i * each + labelWidth, fieldY,
                 each - labelWidth - 8, FieldHeight(), TRUE);
    ::SendMessageW(m_list, LVM_SETCOLUMNWIDTH, i, each - (i + 1 == columns ? 24 : 0));
  }
}

int EditableGrid::Rows() const {
  return static_cast<int>(::SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring EditableGrid::Cell(int row, int column) const {
  wchar_t buffer[4096] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  ::SendMessageW(m_list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

void EditableGrid::SetCell(int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(m_list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

int EditableGrid::AddRow() {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = Rows();
  item.pszText = const_cast<wchar_t*>(L"");
  const int row = static_cast<int>(::SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  SetCurrent(row);
  return row;
}

void EditableGrid::RemoveRow(int row) {
  ::SendMessageW(m_list, LVM_DELETEITEM, row, 0);
  LoadFields();
}

void EditableGrid::Clear() {
  ::SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  LoadFields();
}

int EditableGrid::Current() const {
  return static_cast<int>(::SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void EditableGrid::SetCurrent(int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(m_list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  ::SendMessageW(m_list, LVM_ENSUREVISIBLE, row, FALSE);
  LoadFields();
}

void EditableGrid::LoadFields() {
  const int row = Current();
  m_loading = true;
  for (std::size_t i = 0; i < m_fields.size(); ++i) {
    SetText(m_fields[i], row >= 0 ? Cell(row, static_cast<int>(i)) : L"");
    ::EnableWindow(m_fields[i], row >= 0);
  }
  m_loading = false;
}

}  // namespace pelmo::winui
