// The chatterbox page (PageId::kChatterbox, "Говарилка"): the grid AQvle
// ("Вопрос", "Ответ") of the trigger and answer pairs, "&Удалить",
// "&Добавить" and "&Save". The grid's edits reach the pairs and
// botfile/boltun.txt only through Save (the page's "&Save" and the settings
// form's "&Сохранить" alike), which refuses a row that could not be read
// back as it stands ("^" in a trigger, a line break in a cell) and keeps
// each trigger in the small letters it is matched in. Main thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "games/chatterbox.h"
#include "pages/page_message.h"

namespace pelmo {

class ChatterboxModel {
 public:
  // The chatterbox must outlive the model.
  explicit ChatterboxModel(Chatterbox& chatterbox) : m_chatterbox(chatterbox) {}

  // The grid's rows from the pairs (at every settings load).
  void Load();
  const std::vector<Phrase>& Rows() const { return m_rows; }

  // Removes row, or the first row when none is current (row < 0); nothing
  // when the grid is empty. False when nothing was removed.
  bool Delete(int row);
  // Adds an empty row, whose index is the result's row; nothing at the
  // chatterbox's limit of pairs.
  PageResult Add();
  // A cell edited: column 0 the trigger, 1 the answer.
  void SetCell(int row, int column, const std::string& text);
  // The warning Save would give, checked without writing (the settings
  // form asks before it stops the bot); its row is the refused row.
  std::optional<PageResult> Refusal() const;
  // The rows become the pairs and the file, and the rows are read back
  // from the pairs (the triggers as kept): a done result asks the
  // front-end to show the rows again. The first row that would not read
  // back is refused with a warning naming it (its index is the result's
  // row), and nothing changes. Throws FileError when the file cannot be
  // written.
  PageResult Save();

 private:
  Chatterbox& m_chatterbox;
  std::vector<Phrase> m_rows;
};

}  // namespace pelmo
