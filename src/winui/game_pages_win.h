// The pages of the games, filled from their page models (pages/*_model.h):
// the chatterbox grid (PageId::kChatterbox) and the birthday page
// (PageId::kBirthdays: "Пока&зать"
// ShowBDB) with its editor window BirthDayF ("Birth Day", owned by the main
// window, so that it never falls behind it), both rendered from their
// definitions. Main thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "pages/birthday_editor_model.h"

namespace pelmo {
class Birthdays;
class Chatterbox;
class Clock;
}  // namespace pelmo

namespace pelmo::winui {

class RenderedPage;
class SettingsTab;
struct WinPlatform;

std::shared_ptr<void> BuildChatterboxPage(SettingsTab& tab, Chatterbox& chatterbox);

// The birthday editor over BirthdayEditorModel: the list BDListView (rows
// of a birthday today or tomorrow selected), Add, Delete, Rename, Save,
// Exit, and the input panel BDAddPanel over the list while it is open.
// Exit only hides the window. Delete and Rename act on the row the
// operator chose (the focused one), not on the rows the check selected.
class BirthdayEditor {
 public:
  BirthdayEditor(HWND owner, Birthdays& birthdays, const Clock& clock, const WinPlatform& platform);
  ~BirthdayEditor();
  BirthdayEditor(const BirthdayEditor&) = delete;
  BirthdayEditor& operator=(const BirthdayEditor&) = delete;

  void Show();
  HWND Window() const { return m_window; }
  // The list from the table, with the check's selection.
  void ShowRows();

 private:
  int FocusedRow() const;
  void ShowPanel(bool shown);
  void UpdateButtons();
  void Accept();
  HWND Field(const char* name) const;

  BirthdayEditorModel m_model;
  const WinPlatform& m_platform;
  HWND m_window;
  HWND m_list;
  HWND m_panel;
  std::unique_ptr<RenderedPage> m_page;
  std::unique_ptr<RenderedPage> m_panelPage;
};

// The birthday page's button, which shows the editor.
void BuildBirthdayPage(SettingsTab& tab, BirthdayEditor& editor);

}  // namespace pelmo::winui
