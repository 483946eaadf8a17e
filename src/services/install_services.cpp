#include "services/install_services.h"

#include "core/bot.h"
#include "services/ban_list.h"
#include "services/welcome.h"

namespace pelmo {

namespace {

class Services final : public InstalledServices {
 public:
  explicit Services(Bot& bot)
      : bans(bot.folder.BotFile("ban.txt"), bot.replies, bot.clock),
        welcome(bot.folder, bot.settings, bot.random, bot.replies) {}

  BanList* Bans() override { return &bans; }

  BanList bans;
  Welcome welcome;
};

}  // namespace

std::unique_ptr<InstalledServices> InstallServices(Bot& bot) {
  auto services = std::make_unique<Services>(bot);
  InstallBanList(bot, services->bans);
  InstallWelcome(bot, services->welcome);
  return services;
}

}  // namespace pelmo
