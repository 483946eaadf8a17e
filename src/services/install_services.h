// Installs every service into a bot: each service unit fills its slots of
// the bot's ServiceHooks and adds its rows to the command table. The
// returned object owns the services; keep it alive as long as the bot.
// Call before Bot::FormCreate.
#pragma once

#include <memory>

namespace pelmo {

class Bot;

class InstalledServices {
 public:
  virtual ~InstalledServices() = default;
};

std::unique_ptr<InstalledServices> InstallServices(Bot& bot);

}  // namespace pelmo
