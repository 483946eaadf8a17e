// Installs every service into a bot: each service unit subscribes its
// reactions and adds its rows to the command table. The returned object
// owns the services; keep it alive as long as the bot. Call before the
// bot's FormCreate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace pelmo {

class BanList;
struct ServiceContext;

class InstalledServices {
 public:
  virtual ~InstalledServices() = default;
  // The ban list, for the window's ban page (its list box and buttons).
  virtual BanList* Bans() { return nullptr; }
  // Hands out a random anecdote into the anecdote channel as the anecdote
  // command does for the requester at address. A hand-out by the timer
  // (byTimer) tells nobody to wait and skips quietly when it is too early
  // or there is nothing to hand out.
  virtual void GiveAnecdote(std::uint32_t /*address*/, bool /*byTimer*/) {}
  // Creates or overwrites the offline-message box of nick (the operator's
  // subscriber dialog); false when the file cannot be written.
  virtual bool WriteBox(const std::string& /*nick*/, const std::string& /*password*/,
                        const std::string& /*text*/) {
    return false;
  }
};

std::unique_ptr<InstalledServices> InstallServices(ServiceContext& context);

}  // namespace pelmo
