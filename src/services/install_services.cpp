#include "services/install_services.h"

#include <exception>

#include "core/bot.h"
#include "services/ban_list.h"
#include "services/external_commands.h"
#include "services/jokes.h"
#include "services/news.h"
#include "services/seen_tracker.h"
#include "services/talker_top.h"
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
        seen(bot.folder.BotFile("seen.txt"), bot.folder.BotFile("seen_log.log"), bot.clock,
             bot.replies, bot.loop),
        jokes(bot.folder, bot.settings, bot.random, bot.clock, bot.replies, bot.log),
        news(bot.folder.BotFile("news.txt"), bot.folder.BotFile("seennews.txt"), bot.clock,
             bot.replies),
        top(bot.folder.BotFile("top.txt"), bot.replies),
        externalCommands(bot.folder, bot.replies, bot.log),
        offlineMessages(bot.folder, bot.replies, bot.out, bot.clock),
        statStore(bot.folder.BotFile("stat.ini"), bot.loop),
        privateBox(statStore, bot.replies, bot.out, bot.clock),
        floodStats(statStore, bot.replies, bot.out, bot.clock) {}

  BanList* Bans() override { return &bans; }
  void GiveAnecdote(std::uint32_t address, bool byTimer) override {
    jokes.GiveAnecdote(address, byTimer);
  }
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
  SeenTracker seen;
  Jokes jokes;
  News news;
  TalkerTop top;
  ExternalCommands externalCommands;
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
  InstallSeenTracker(bot, services->seen);
  InstallJokes(bot, services->jokes);
  InstallNews(bot, services->news);
  InstallTalkerTop(bot, services->top);
  InstallExternalCommands(bot, services->externalCommands);
  InstallOfflineMessages(bot, services->offlineMessages);
  InstallPrivateBox(bot, services->privateBox);
  InstallFloodStats(bot, services->floodStats, services->statStore);
  return services;
}

}  // namespace pelmo
