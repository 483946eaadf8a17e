// Installs every service into a bot: each service unit subscribes its
// reactions and adds its rows to the command table. The returned object
// owns the services and gives the control window and the timed features
// what they work on (the ban list, the anecdotes, the offline-message
// boxes); keep it alive as long as the bot. Call before the bot's
// Open.
#pragma once

#include <memory>

#include "services/ban_list.h"
#include "services/external_commands.h"
#include "services/flood_stats.h"
#include "services/jokes.h"
#include "services/news.h"
#include "services/offline_messages.h"
#include "services/private_box.h"
#include "services/seen_tracker.h"
#include "services/stat_store.h"
#include "services/talker_top.h"
#include "services/welcome.h"

namespace pelmo {

struct ServiceContext;

struct InstalledServices {
  explicit InstalledServices(ServiceContext& context);

  BanList bans;
  Welcome welcome;
  SeenTracker seen;
  Jokes jokes;
  News news;
  TalkerTop top;
  ExternalCommands externalCommands;
  OfflineMessages offlineMessages;
  // Shared by the private box and the flood statistics (stat.ini).
  StatStore statStore;
  PrivateBox privateBox;
  FloodStats floodStats;
};

std::unique_ptr<InstalledServices> InstallServices(ServiceContext& context);

}  // namespace pelmo
