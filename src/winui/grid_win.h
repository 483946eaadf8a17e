// A grid of text cells: a list view in report mode, and for an editable
// grid one edit field per column below it (named GridCellName(name,
// column)). Choosing a row puts its cells into the fields; typing in a
// field changes that cell of the current row and says so through
// onChanged. Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace pelmo::winui {

// The component name of an editable grid's field of a column: "ADMvleCell0".
std::string GridCellName(const std::string& grid, int column);

class EditableGrid {
 public:
  // name: the list view's component name. A grid that is not editable
  // lets several rows be selected at once.
  EditableGrid(HWND parent, const std::string& name, const std::vector<std::wstring>& columns,
               bool editable = true);

  // The list at (x, y), width × height with the fields under it inside.
  void Place(int x, int y, int width, int height);
  int Rows() const;
  std::wstring Cell(int row, int column) const;
  void SetCell(int row, int column, const std::wstring& text);
  // Appends an empty row and makes it current; returns its index.
  int AddRow();
  void RemoveRow(int row);
  void Clear();
  // The current row, -1 for none.
  int Current() const;
  void SetCurrent(int row);
  HWND List() const { return m_list; }
  HWND Field(int column) const { return m_fields[static_cast<std::size_t>(column)]; }
  // The fields and their labels.
  std::vector<HWND> Controls() const;

  // A cell changed by typing (not by SetCell).
  std::function<void(int row, int column)> onChanged;
  // Another row became current.
  std::function<void(int row)> onCurrent;

 private:
  void LoadFields();

  HWND m_list;
  std::vector<HWND> m_fields;
  std::vector<HWND> m_labels;
  int m_columns = 0;
  bool m_loading = false;
};

}  // namespace pelmo::winui
