// The administrators settings page, rendered from its definition: the
// grid ADMvle, "&Add" (AddADMB) and "&Remove" (RemoveADMB) over the
// administrators model (pages/admins_model.h), whose refusals are said in
// boxes. Main thread only.
#pragma once

#include <QWidget>

#include "pages/admins_model.h"

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
  void ShowCell(int row, int column);
  void OnCellChanged(int row, int column);

  AdminsModel m_model;
  const WindowPlatform& m_platform;
  QTableWidget* m_grid;
  bool m_showing = false;
};

}  // namespace pelmo
