#include "services/install_services.h"

#include <exception>

#include "core/bot.h"
#include "services/ban_list.h"
#include "services/flood_stats.h"
#include "services/offline_messages.h"
#include "services/private_box.h"
#include "services/stat_store.h"
#include "services/welcome.h"

namespace pelmo {

namespace {

class Services final : public InstalledServices {
 public:
  explicit Services(Bot& bot)
      : bans(bot.folder.BotFile("ban.txt"), bot.replies, bot.clock),
        welcome(bot.folder, bot.settings, bot.random, bot.replies),
        offlineMessages(bot.folder, bot.replies, bot.out, bot.clock),
        statStore(bot.folder.BotFile("stat.ini"), bot.loop),
        privateBox(statStore, bot.replies, bot.out, bot.clock),
        floodStats(statStore, bot.replies, bot.out, bot.clock) {}

  BanList* Bans() override { return &bans; }
  bool WriteBox(const std::string& nick, const std::string& password,
                const std::string& text) override {
    try {
      offlineMessages.WriteBox(nick, password, text);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  BanList bans;
  Welcome welcome;
  OfflineMessages offlineMessages;
  StatStore statStore;
  PrivateBox privateBox;
  FloodStats floodStats;
};

}  // namespace

std::unique_ptr<InstalledServices> InstallServices(Bot& bot) {
  auto services = std::make_unique<Services>(bot);
  InstallBanList(bot, services->bans);
  InstallWelcome(bot, services->welcome);
  InstallOfflineMessages(bot, services->offlineMessages);
  InstallPrivateBox(bot, services->privateBox);
  InstallFloodStats(bot, services->floodStats, services->statStore);
  return services;
}

}  // namespace pelmo
