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

  CommandTable& table = bot.interpreter.Table();
  table.Add(CommandRow{
      .place = 1,
      .aliases = {"ban ", W("ифт ")},
      .k = 4,
      .right = CommandRight::Administrator,
      .note = W(") команда Администратора БАН."),
      .handler = [&bans](CommandContext& context) { bans.AddBanLine(context.argument); },
  });
  table.Add(CommandRow{
      .place = 2,
      .aliases = {"banlist", W("ифтдшые"), W("банлист"), ",fykbcn"},
      .note = W(") команда показать банлист."),
      .handler = [&bans](CommandContext& context) { bans.SendBanList(context.address); },
  });

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

  CommandTable& table = bot.interpreter.Table();
  table.Add(CommandRow{
      .place = 3,
      .aliases = {W("погода"), "gjujlf", "weather", W("цуферук")},
      .note = W(") команда показать погоду."),
      .handler = [&welcome](CommandContext& context) { welcome.SendWeatherText(context.address); },
  });
  table.Add(CommandRow{
      .place = 4,
      .aliases = {"info ", W("инфо ")},
      .k = 5,
      .right = CommandRight::Administrator,
      .note = W(") команда Администратора (Информация)"),
      .handler = [&welcome](CommandContext& context) { welcome.AddInfoLine(context.argument); },
  });
}

}  // namespace

std::unique_ptr<InstalledServices> InstallServices(Bot& bot) {
  auto services = std::make_unique<Services>(bot);
  InstallBanList(bot, services->bans);
  InstallWelcome(bot, services->welcome);
  return services;
}

}  // namespace pelmo
