// The interpreter's own rows of the command table: "me", help, the recent
// log lines and the three topic commands. Services add theirs when they
// are installed.
#include "base/cp1251.h"
#include "base/str_to_int.h"
#include "core/bot.h"
#include "core/interpreter.h"

namespace pelmo {

namespace {

// A one-line announcement to the whole chat.
void SayToAll(Bot& bot, const std::string& text) {
  bot.replies.SayTo(bot.netSettings.SendAddress, text, kKindLine);
}

// A topic packet to the whole chat; the outgoing state is put back after.
void SendTopicToAll(Bot& bot, const std::string& topic) {
  OutStateGuard guard(bot.out, bot.netSettings);
  bot.out.OutAddress = bot.netSettings.SendAddress;
  bot.replies.SendTopic(topic);
}

}  // namespace

void Interpreter::AddCoreRows() {
  Bot& bot = m_bot;

  m_table.Add(CommandRow{
      .place = 6,
      .aliases = {W("я "), "z ", "me ", W("ьу ")},
      .k = CommandRow::kAliasLength,
      .note = W(") команда me."),
      .handler =
          [&bot](CommandContext& context) {
            // The one-letter aliases drop one character, the two-letter
            // ones two, so the rest keeps its leading space.
            std::string rest = context.command.substr(context.alias.size() - 1);
            SayToAll(bot, context.nick + rest + "%cf%");
          },
  });

  m_table.Add(CommandRow{
      .place = 8,
      .aliases = {W("помощь"), "gjvjom", "help", W("рудз"), W("справка"), "cghfdrf",
                  W("хелп"), "[tkg"},
      .note = W(") команда помощь."),
      .handler =
          [&bot](CommandContext& context) {
            std::string text;
            for (const std::string& helpLine : bot.helpText) text += helpLine + "\r\n";
            bot.replies.SayTo(context.address, text, kKindListing);
          },
  });

  m_table.Add(CommandRow{
      .place = 10,
      .aliases = {W("и "), "b ", "h ", W("р ")},
      .k = 2,
      .note = W(") команда выдать последние N строк.(Ограничение на 99 строк)"),
      .handler = Quietly([&bot](CommandContext& context) {
        // At most four characters, so one or two digits (or a sign and
        // one digit: a negative count reads nothing).
        if (context.command.size() > 4) return;
        bot.replies.SendRecentLines(context.address, StrToInt(context.command.substr(2)));
      }),
  });

  m_table.Add(CommandRow{
      .place = 16,
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

  m_table.Add(CommandRow{
      .place = 17,
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

  m_table.Add(CommandRow{
      .place = 18,
      .aliases = {"t ", W("е "), W("т "), "n "},
      .k = 2,
      .note = W(") команда сменить тему."),
      .handler = Quietly([&bot](CommandContext& context) {
        if (bot.topic.TopicLocked) {
          SayToAll(bot, W("Нельзя сменить тему."));
        } else {
          SendTopicToAll(bot, context.argument + " (" + context.nick + ")");
        }
      }),
  });
}

}  // namespace pelmo
