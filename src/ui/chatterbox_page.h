// Settings page 7, "Говарилка": the grid AQvle ("Вопрос", "Ответ") filled
// from the chatterbox's pairs at every settings load, "&Удалить" (DelAQb),
// "&Добавить" (AddAQb) and "&Save" (Button1). Edits of the grid reach the
// pairs and boltun.txt only through Save, which refuses, with a box, a
// row that could not be read back as it stands ("^" in a trigger, a line
// break in a cell). Main thread only.
#pragma once

#include <QWidget>

class QTableWidget;

namespace pelmo {

class Chatterbox;
struct WindowPlatform;

class ChatterboxPage final : public QWidget {
 public:
  ChatterboxPage(Chatterbox& chatterbox, const WindowPlatform& platform, QWidget* parent = nullptr);

  // Pairs to grid.
  void ShowPhrases();
  void DelAQbClick();
  void AddAQbClick();
  // The grid's rows become the pairs and boltun.txt; a row that cannot be
  // written back as it reads is refused with a message (false).
  bool Button1Click();
  QTableWidget* Grid() const { return m_grid; }

 private:
  Chatterbox& m_chatterbox;
  const WindowPlatform& m_platform;
  QTableWidget* m_grid;
};

}  // namespace pelmo
