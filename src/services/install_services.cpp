#include "services/install_services.h"

#include "core/bot_log.h"
#include "core/service_context.h"
#include "core/work_folder.h"

namespace pelmo {

InstalledServices::InstalledServices(ServiceContext& context)
    : bans(context.folder.BotFile("ban.txt"), context.replies, context.clock),
      welcome(context.folder, context.settings, context.random, context.replies, context.log),
      seen(context.folder.BotFile("seen.txt"), context.folder.BotFile("seen_log.log"),
           context.clock, context.replies, context.loop),
      jokes(context.folder, context.settings, context.random, context.clock, context.replies,
            context.log),
      news(context.folder.BotFile("news.txt"), context.folder.BotFile("seennews.txt"),
           context.clock, context.replies),
      top(context.folder.BotFile("top.txt"), context.replies),
      externalCommands(context.folder, context.replies, context.log),
      offlineMessages(context.folder, context.replies, context.clock, context.loop),
      statStore(context.folder.BotFile("stat.ini"), context.loop),
      privateBox(statStore, context.replies, context.clock),
      floodStats(statStore, context.replies, context.clock) {}

std::unique_ptr<InstalledServices> InstallServices(ServiceContext& context) {
  auto services = std::make_unique<InstalledServices>(context);
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
