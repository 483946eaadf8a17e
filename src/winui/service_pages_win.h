// The settings pages of the services: the ban list (page 5), the
// subscribers (page 6, with the dialog AddNewF) and the administrators
// (page 10). Each builder fills its page of the settings tab and returns
// the object that must live as long as the window. Main thread only.
#pragma once

#include <functional>
#include <memory>

namespace pelmo {
class BanList;
class Clock;
class InstalledServices;
class WorkFolder;
}  // namespace pelmo

namespace pelmo::winui {

class SettingsTab;
struct WinPlatform;

// Page 5: the lines of botfile/ban.txt (ListBan), the host (HostBanLE),
// the date picker (DateTimePicker2, dd.MM.yyyy whatever the desktop's
// format) and the time (TimebanME), "До&бавить" (AddBanB) and
// "Уда&лить" (DelBanB, never for the header line). The list is read again
// whenever the page is shown; a ban the file refuses, or a line that is
// gone, is said in a box. reset: the start-up's reset of the page.
std::shared_ptr<void> BuildBanPage(SettingsTab& tab, BanList& bans, const Clock& clock,
                                   const WinPlatform& platform, std::function<void()>& reset);

// Page 6: "Для подробной информации смотрите файл help.txt"; the panel
// with AbonLB, "Добавить" (AddAbonB) and "Удалить" (DelAbonB) is hidden,
// as it always was. AddAbonB opens "Добавление абонента" (UserE,
// PasswordE shown as "*", OkB, CancelB) and writes the new box, asking
// first when the nick has one.
std::shared_ptr<void> BuildSubscriberPage(SettingsTab& tab, InstalledServices& services,
                                          const WorkFolder& folder, const WinPlatform& platform);

// Page 10: the grid ADMvle ("Nick", "Comp Name"), "&Add" (AddADMB, at most
// kMaxAdmins rows), "&Remove" (RemoveADMB); every edit goes into the
// settings record (saved by "&Сохранить"); a nick may stand once.
std::shared_ptr<void> BuildAdminsPage(SettingsTab& tab, const WinPlatform& platform);

}  // namespace pelmo::winui
