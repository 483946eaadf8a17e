#include "core/core_rows.h"

#include "base/cp1251.h"
#include "base/str_to_int.h"
#include "core/bot_parts.h"

namespace pelmo {

namespace {

// A one-line announcement to the whole chat.
void SayToAll(BotParts& bot, const std::string& text) { bot.replies.SayToAll(text, kKindLine); }

// A topic packet to the whole chat.
void SendTopicToAll(BotParts& bot, const std::string& topic) {
  bot.replies.SendTopic(bot.replies.ToAll(), topic);
}

}  // namespace

void AddCoreRows(BotParts& bot) {
  CommandTable& table = bot.interpreter.Table();

  table.Add(CommandRow{
      .place = CommandPlace::Me,
      .aliases = {W("я "), "z ", "me ", W("ьу ")},
      .k = CommandRow::kAliasLength,
      .note = W(") команда me."),
      .handler =
          [&bot](CommandContext& context) {
            // The one-letter aliases drop one character, the two-letter
            // ones two, so the rest keeps its leading space.
            std::string rest = context.command.substr(context.alias.size() - 1);
            SayToAll(bot, context.event.nick + rest + "%cf%");
          },
  });

  table.Add(CommandRow{
      .place = CommandPlace::Help,
      .aliases = {W("помощь"), "gjvjom", "help", W("рудз"), W("справка"), "cghfdrf",
                  W("хелп"), "[tkg"},
      .note = W(") команда помощь."),
      .handler =
          [&bot](CommandContext& context) {
            std::string text;
            for (const std::string& helpLine : bot.helpText) text += helpLine + "\r\n";
            bot.replies.SayTo(context.event.address, text, kKindListing);
          },
  });

  table.Add(CommandRow{
      .place = CommandPlace::RecentLines,
      .aliases = {W("и "), "b ", "h ", W("р ")},
      .k = 2,
      .note = W(") команда выдать последние N строк.(Ограничение на 99 строк)"),
      .handler = Quietly([&bot](CommandContext& context) {
        // At most four characters, so one or two digits (or a sign and
        // one digit: a negative count reads nothing).
        if (context.command.size() > 4) return;
        bot.replies.SendRecentLines(context.event.address, StrToInt(context.command.substr(2)));
      }),
  });

  table.Add(CommandRow{
      .place = CommandPlace::TopicUnlock,
      .aliases = {"t_unfix", W("е_гташч"), W("т_анфикс"), "n_fyabrc"},
      .k = 8,
      .right = CommandRight::Administrator,
      .note = W(") команда от администратора: разблокировать тему."),
      .handler =
          [&bot](CommandContext&) {
            bot.topic.TopicLocked = false;
            SendTopicToAll(bot, bot.topic.Topic);
          },
  });

  table.Add(CommandRow{
      .place = CommandPlace::TopicLock,
      .aliases = {W("т_фикс"), "n_abrc", "t_fix", W("е_ашч")},
      .k = 6,
      .right = CommandRight::Administrator,
      .note = W(") команда от администратора: заблокировать тему."),
      .handler =
          [&bot](CommandContext&) {
            bot.topic.TopicLocked = true;
            // "Fiksed" is how the lock has always spelt it; the join and
            // topic handlers write "Fixed".
            SendTopicToAll(bot, bot.topic.Topic + " (Fiksed)");
          },
  });

  table.Add(CommandRow{
      .place = CommandPlace::TopicChange,
      .aliases = {"t ", W("е "), W("т "), "n "},
      .k = 2,
      .note = W(") команда сменить тему."),
      .handler = Quietly([&bot](CommandContext& context) {
        if (bot.topic.TopicLocked) {
          SayToAll(bot, W("Нельзя сменить тему."));
        } else {
          SendTopicToAll(bot, context.argument + " (" + context.event.nick + ")");
        }
      }),
  });
}

}  // namespace pelmo
