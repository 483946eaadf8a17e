// Settings page 10, the administrators: the grid ADMvle ("Nick", "Comp
// Name"), "&Add" (AddADMB) and "&Remove" (RemoveADMB). Every edit goes
// into the settings record at once, so a new administrator has the rights
// before the page is saved (admin.txt is written by "Сохранить"). Only
// 1000 rows can be saved, so Add is refused at 1000 with a message; a nick
// that another row already has is refused too. Main thread only.
#pragma once

#include <QWidget>

class QTableWidget;

namespace pelmo {

struct BotSettings;
struct WindowPlatform;

class AdminsPage final : public QWidget {
 public:
  AdminsPage(BotSettings& settings, const WindowPlatform& platform, QWidget* parent = nullptr);

  // Record to grid (after a settings load).
  void ShowAdmins();
  // Adds an empty row and starts editing its nick; false when refused.
  bool AddADMBClick();
  void RemoveADMBClick();
  QTableWidget* Grid() const { return m_grid; }

 private:
  void OnCellChanged(int row, int column);
  void StoreRows();

  BotSettings& m_settings;
  const WindowPlatform& m_platform;
  QTableWidget* m_grid;
  bool m_showing = false;
};

}  // namespace pelmo
