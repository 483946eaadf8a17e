// The administrators page (PageId::kAdmins): the grid ADMvle ("Nick",
// "Comp Name"), "&Add" and "&Remove". Every edit goes into the settings
// record at once, so a new administrator has the rights before the page
// is saved (admin.txt is written by "&Сохранить", with the other
// settings). Only 1000 rows are saved, so Add is refused at 1000; a nick
// that another row has is refused too, one row per nick. Rows left empty
// stay in the grid but name nobody. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "core/bot_settings.h"
#include "pages/page_message.h"

namespace pelmo {

class AdminsModel {
 public:
  // The record must outlive the model.
  explicit AdminsModel(BotSettings& settings) : m_settings(settings) {}

  // The grid's rows from the record (after a settings load).
  void Load();
  const std::vector<AdminEntry>& Rows() const { return m_rows; }

  // Adds an empty row; its index is the result's row, where the nick is
  // typed. A warning at 1000 rows.
  PageResult Add();
  // Removes the row (nothing when there is none).
  void Remove(int row);
  // A cell edited (column 0 the nick, 1 the computer name). A nick that
  // another row has is refused with a warning and the cell emptied: the
  // front-end shows Rows() of that row again.
  PageResult SetCell(int row, int column, const std::string& text);

 private:
  void Store();

  BotSettings& m_settings;
  std::vector<AdminEntry> m_rows;
};

}  // namespace pelmo
