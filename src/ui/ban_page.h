// Settings page 5, the ban list: the lines of botfile/ban.txt (ListBan),
// the host (HostBanLE), the date picker and the time field (TimebanME),
// "До&бавить" (AddBanB) and "Уда&лить" (DelBanB). The date goes into the
// file in the bot's own short date format (dd.mm.yyyy), whatever the
// desktop's locale; the header line "[BanList]" cannot be deleted, and
// Delete removes the line the operator chose by its text, as the file now
// holds it. The list is read again whenever the page is shown, so bans
// added or expired from the chat show up. A ban the file refuses, or a
// line that is gone, is said in a box. Main thread only.
#pragma once

#include <QWidget>

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
  void UpdateButtons();

  BanList& m_bans;
  const Clock& m_clock;
  const WindowPlatform& m_platform;
  QListWidget* m_list;
  QLineEdit* m_host;
  QDateEdit* m_date;
  QLineEdit* m_time;
  QPushButton* m_delete;
};

}  // namespace pelmo
