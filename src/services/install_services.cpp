#include "services/install_services.h"

#include <exception>

#include "core/bot_log.h"
#include "core/service_context.h"
#include "core/work_folder.h"
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
  explicit Services(ServiceContext& context)
      : bans(context.folder.BotFile("ban.txt"), context.replies, context.clock),
        welcome(context.folder, context.settings, context.random, context.replies, context.log),
        seen(context.folder.BotFile("seen.txt"), context.folder.BotFile("seen_log.log"), context.clock,
             context.replies, context.loop),
        jokes(context.folder, context.settings, context.random, context.clock, context.replies, context.log),
        news(context.folder.BotFile("news.txt"), context.folder.BotFile("seennews.txt"), context.clock,
             context.replies),
        top(context.folder.BotFile("top.txt"), context.replies),
        externalCommands(context.folder, context.replies, context.log),
        offlineMessages(context.folder, context.replies, context.out, context.clock, context.loop),
        statStore(context.folder.BotFile("stat.ini"), context.loop),
        privateBox(statStore, context.replies, context.out, context.clock),
        floodStats(statStore, context.replies, context.out, context.clock) {}

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

std::unique_ptr<InstalledServices> InstallServices(ServiceContext& context) {
  auto services = std::make_unique<Services>(context);
  InstallBanList(context, services->bans);
  InstallWelcome(context, services->welcome);
  InstallSeenTracker(context, services->seen);
  InstallJokes(context, services->jokes);
  InstallNews(context, services->news);
  InstallTalkerTop(context, services->top);
  InstallExternalCommands(context, services->externalCommands);
  InstallOfflineMessages(context, services->offlineMessages);
  InstallPrivateBox(context, services->privateBox);
  InstallFloodStats(context, services->floodStats, services->statStore);
  return services;
}

}  // namespace pelmo
