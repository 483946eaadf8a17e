#include "services/install_services.h"

#include "base/cp1251.h"
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

void InstallBanList(Bot& bot, BanList& bans) {
  ServiceHooks& hooks = bot.hooks;
  hooks.CheckBan = [&bans](const std::string& host, const std::string& nick,
                           ServiceHooks::Address address, bool reply) {
    return bans.CheckBan(host, nick, address, reply);
  };
  hooks.RefreshBan = [&bans](const std::string& host) { bans.RefreshBan(host); };
  hooks.SendBanned = [&bans](ServiceHooks::Address address) { bans.SendBanned(address); };

  CommandRow ban;
  ban.place = 1;
  ban.aliases = {"ban ", W("ифт ")};
  ban.k = 4;
  ban.right = CommandRight::Administrator;
  ban.note = W(") команда Администратора БАН.");
  ban.handler = [&bans](CommandContext& context) { bans.AddBanLine(context.argument); };
  bot.interpreter.Table().Add(std::move(ban));

  CommandRow list;
  list.place = 2;
  list.aliases = {"banlist", W("ифтдшые"), W("банлист"), ",fykbcn"};
  list.note = W(") команда показать банлист.");
  list.handler = [&bans](CommandContext& context) { bans.SendBanList(context.address); };
  bot.interpreter.Table().Add(std::move(list));

  hooks.LoadLists.push_back([&bans] { bans.LoadBanListBox(); });
}

void InstallWelcome(Bot& bot, Welcome& welcome) {
  ServiceHooks& hooks = bot.hooks;
  hooks.SendEntryMessage = [&welcome](const std::string& nick) {
    welcome.SendEntryMessage(nick);
  };
  hooks.SendQuitMessage = [&welcome](const std::string& nick) {
    welcome.SendQuitMessage(nick);
  };
  hooks.SendAnecdoteChannelName = [&welcome](ServiceHooks::Address address) {
    welcome.SendAnecdoteChannelName(address);
  };
  hooks.SendQuizChannelName = [&welcome](ServiceHooks::Address address) {
    welcome.SendQuizChannelName(address);
  };
  hooks.SendStartMessage = [&welcome](ServiceHooks::Address address) {
    welcome.SendStartMessage(address);
  };
  hooks.OnBotStarted.push_back([&welcome] { welcome.LoadInfoText(); });
  hooks.OnBotStopped.push_back([&welcome] { welcome.DropInfoText(); });

  CommandRow weather;
  weather.place = 3;
  weather.aliases = {W("погода"), "gjujlf", "weather", W("цуферук")};
  weather.note = W(") команда показать погоду.");
  weather.handler = [&welcome](CommandContext& context) {
    welcome.SendWeatherText(context.address);
  };
  bot.interpreter.Table().Add(std::move(weather));

  CommandRow info;
  info.place = 4;
  info.aliases = {"info ", W("инфо ")};
  info.k = 5;
  info.right = CommandRight::Administrator;
  info.note = W(") команда Администратора (Информация)");
  info.handler = [&welcome](CommandContext& context) { welcome.AddInfoLine(context.argument); };
  bot.interpreter.Table().Add(std::move(info));
}

}  // namespace

std::unique_ptr<InstalledServices> InstallServices(Bot& bot) {
  auto services = std::make_unique<Services>(bot);
  InstallBanList(bot, services->bans);
  InstallWelcome(bot, services->welcome);
  return services;
}

}  // namespace pelmo
