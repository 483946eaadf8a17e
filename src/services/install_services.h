// Installs every service into a bot: each service unit fills its slots of
// the bot's ServiceHooks and adds its rows to the command table. The
// returned object owns the services; keep it alive as long as the bot.
// Call before Bot::FormCreate.
#pragma once

#include <memory>

namespace pelmo {

class BanList;
class Bot;

class InstalledServices {
 public:
  virtual ~InstalledServices() = default;
  // The ban list, for the window's ban page (its list box and buttons).
  virtual BanList* Bans() { return nullptr; }
};

std::unique_ptr<InstalledServices> InstallServices(Bot& bot);

}  // namespace pelmo
