// The settings pages of the services, filled from their page models
// (pages/*_model.h): the ban list, the subscribers (with the dialog
// AddNewF) and the administrators. Each builder takes
// its rendered page of the settings tab and returns the object that must
// live as long as the window. Main thread only.
#pragma once

#include <functional>
#include <memory>

namespace pelmo {
class BanList;
class Clock;
struct InstalledServices;
class WorkFolder;
struct BotSettings;
}  // namespace pelmo

namespace pelmo::winui {

class SettingsTab;

// The ban page (PageId::kBans) over BanModel: the list is read again whenever the page is
// shown; "Уда&лить" is enabled for a ban line only. reset: the start-up's
// reset of the date, the time and the list.
std::shared_ptr<void> BuildBanPage(SettingsTab& tab, BanList& bans, const Clock& clock,
                                   std::function<void()>& reset);

// The offline-message page (PageId::kSubscribers) over SubscriberModel: "Добавить" (on the panel that was always
// hidden) opens the dialog "Добавление абонента" rendered from its
// definition, and its OK adds the box, asking first when the nick has one.
std::shared_ptr<void> BuildSubscriberPage(SettingsTab& tab, InstalledServices& services,
                                          const WorkFolder& folder);

// The administrators page (PageId::kAdmins) over AdminsModel, on the live
// settings record.
std::shared_ptr<void> BuildAdminsPage(SettingsTab& tab, BotSettings& settings);

}  // namespace pelmo::winui
