// The ban list settings page, rendered from its definition: the list
// ListBan, the host (HostBanLE), the date picker and the time field
// (TimebanME), "До&бавить" (AddBanB) and "Уда&лить" (DelBanB) over the ban
// model (pages/ban_model.h). While the page is shown it follows ban.txt
// (the model reads it again when it changed); the model's questions and
// refusals are said in boxes. Main thread only.
#pragma once

#include <QWidget>

#include "pages/ban_model.h"

class QDateEdit;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace pelmo {

class BanList;
class Clock;
struct WindowPlatform;

class BanPage final : public QWidget {
 public:
  BanPage(BanList& bans, const Clock& clock, const WindowPlatform& platform,
          QWidget* parent = nullptr);

  // Reads ban.txt into the list box; the date picker and the time field
  // show the model's start (an hour from now).
  void Reset();
  // False (with a box saying why) when nothing was written; a delete asks
  // first.
  bool AddBanBClick();
  bool DelBanBClick();
  // The list box again from the file.
  void ShowList();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

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
  QTimer* m_follow;
};

}  // namespace pelmo
