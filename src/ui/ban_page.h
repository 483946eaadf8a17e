// Settings page 5, the ban list, rendered from its definition: the list
// ListBan, the host (HostBanLE), the date picker and the time field
// (TimebanME), "До&бавить" (AddBanB) and "Уда&лить" (DelBanB) over the ban
// model (pages/ban_model.h). The list is read again whenever the page is
// shown; what the model refuses is said in a box. Main thread only.
#pragma once

#include <QWidget>

#include "pages/ban_model.h"

class QDateEdit;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pelmo {

class BanList;
class Clock;
struct WindowPlatform;

class BanPage final : public QWidget {
 public:
  BanPage(BanList& bans, const Clock& clock, const WindowPlatform& platform,
          QWidget* parent = nullptr);

  // Reads ban.txt into the list box; the date picker shows today and the
  // time field "00:00:00" (start-up).
  void Reset();
  // False (with a box saying why) when nothing was written.
  bool AddBanBClick();
  bool DelBanBClick();
  // The list box again from the file.
  void ShowList();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowLines();
  void UpdateButtons();

  BanModel m_model;
  const WindowPlatform& m_platform;
  QListWidget* m_list;
  QLineEdit* m_host;
  QDateEdit* m_date;
  QLineEdit* m_time;
  QPushButton* m_delete;
};

}  // namespace pelmo
