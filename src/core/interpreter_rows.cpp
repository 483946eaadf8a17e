// The interpreter's own rows of the command table: "me", help, the recent
// log lines and the three topic commands. Services add theirs when they
// are installed.
#include <cstdlib>
#include <exception>
#include <stdexcept>

#include "base/cp1251.h"
#include "core/bot.h"
#include "core/interpreter.h"

namespace pelmo {

namespace {

// Whole number as the runtime's StrToInt reads it: leading blanks, an
// optional sign, decimal digits or "$" and hex digits, nothing after.
long long StrToInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  std::size_t start = i;
  long long value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
    if (digit < 0) break;
    value = value * base + digit;
    if (value > 0x7FFFFFFFLL) throw std::invalid_argument("not an integer");
  }
  if (i == start || i != text.size()) throw std::invalid_argument("not an integer");
  return negative ? -value : value;
}

// Rows whose failures must not reach the error reporting: the error is
// dropped with no reply.
std::function<void(CommandContext&)> Quietly(std::function<void(CommandContext&)> handler) {
  return [handler = std::move(handler)](CommandContext& context) {
    try {
      handler(context);
    } catch (const std::exception&) {
    }
  };
}

}  // namespace

void Interpreter::AddCoreRows() {
  Bot& bot = m_bot;

  CommandRow me;
  me.place = 6;
  me.aliases = {W("я "), "z ", "me ", W("ьу ")};
  me.k = CommandRow::kAliasLength;
  me.note = W(") команда me.");
  me.handler = [&bot](CommandContext& context) {
    // The one-letter aliases drop one character, the two-letter ones two,
    // so the rest keeps its leading space.
    std::string rest = context.command.substr(context.alias.size() - 1);
    bot.replies.SayTo(bot.netSettings.SendAddress, context.nick + rest + "%cf%", kKindLine);
  };
  m_table.Add(std::move(me));

  CommandRow help;
  help.place = 8;
  help.aliases = {W("помощь"), "gjvjom", "help", W("рудз"),
                  W("справка"), "cghfdrf", W("хелп"), "[tkg"};
  help.note = W(") команда помощь.");
  help.handler = [&bot](CommandContext& context) {
    std::string text;
    for (const std::string& helpLine : bot.helpText) text += helpLine + "\r\n";
    bot.replies.SayTo(context.address, text, kKindListing);
  };
  m_table.Add(std::move(help));

  CommandRow recent;
  recent.place = 10;
  recent.aliases = {W("и "), "b ", "h ", W("р ")};
  recent.k = 2;
  recent.note = W(") команда выдать последние N строк.(Ограничение на 99 строк)");
  recent.handler = Quietly([&bot](CommandContext& context) {
    if (context.command.size() > 4) return;
    bot.replies.SendRecentLines(context.address, StrToInt(context.command.substr(2)));
  });
  m_table.Add(std::move(recent));

  CommandRow unlock;
  unlock.place = 16;
  unlock.aliases = {"t_unfix", W("е_гташч"), W("т_анфикс"), "n_fyabrc"};
  unlock.k = 8;
  unlock.right = CommandRight::Administrator;
  unlock.note = W(") команда от администратора: разблокировать тему.");
  unlock.handler = [&bot](CommandContext&) {
    bot.topic.TopicLocked = false;
    OutStateGuard guard(bot.out, bot.netSettings);
    bot.out.OutAddress = bot.netSettings.SendAddress;
    bot.replies.SendTopic(bot.topic.Topic);
  };
  m_table.Add(std::move(unlock));

  CommandRow lock;
  lock.place = 17;
  lock.aliases = {W("т_фикс"), "n_abrc", "t_fix", W("е_ашч")};
  lock.k = 6;
  lock.right = CommandRight::Administrator;
  lock.note = W(") команда от администратора: заблокировать тему.");
  lock.handler = [&bot](CommandContext&) {
    bot.topic.TopicLocked = true;
    OutStateGuard guard(bot.out, bot.netSettings);
    bot.out.OutAddress = bot.netSettings.SendAddress;
    // "Fiksed" is how the lock has always spelt it; the join and topic
    // handlers write "Fixed".
    bot.replies.SendTopic(bot.topic.Topic + " (Fiksed)");
  };
  m_table.Add(std::move(lock));

  CommandRow change;
  change.place = 18;
  change.aliases = {"t ", W("е "), W("т "), "n "};
  change.k = 2;
  change.note = W(") команда сменить тему.");
  change.handler = Quietly([&bot](CommandContext& context) {
    OutStateGuard guard(bot.out, bot.netSettings);
    bot.out.OutAddress = bot.netSettings.SendAddress;
    if (bot.topic.TopicLocked) {
      bot.replies.SayText(W("Нельзя сменить тему."), kKindLine);
    } else {
      bot.replies.SendTopic(context.argument + " (" + context.nick + ")");
    }
  });
  m_table.Add(std::move(change));
}

}  // namespace pelmo
