// The chatterbox settings page, "Говарилка", rendered from its definition: the grid
// AQvle ("Вопрос", "Ответ"), "&Удалить" (DelAQb), "&Добавить" (AddAQb) and
// "&Save" (Button1) over the chatterbox model (pages/chatterbox_model.h),
// filled from the pairs at every settings load. A row the save refuses is
// made current and said in a box. Main thread only.
#pragma once

#include <QWidget>

#include "pages/chatterbox_model.h"

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
  ChatterboxModel& Model() { return m_model; }

 private:
  // The model's rows to the grid, edits not yet saved included.
  void ShowRows();

  ChatterboxModel m_model;
  const WindowPlatform& m_platform;
  QTableWidget* m_grid;
  bool m_showing = false;
};

}  // namespace pelmo
