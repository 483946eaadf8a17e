#include "games/install_games.h"

#include "core/bot.h"

namespace pelmo {

Games::Games(Bot& bot)
    : quiz(QuizFiles{bot.folder.BotFile("questions.txt"), bot.folder.BotFile("topvictor.txt")},
           bot.loop, bot.clock, bot.random, bot.replies, bot.out, bot.settings, bot.log),
      vote(bot.loop, bot.replies),
      birthdays(bot.folder.BotFile("BirthDay.dat"), bot.clock, bot.replies, bot.log,
                [&bot] { return bot.Running(); }),
      chatterbox(bot.folder.BotFile("boltun.txt"), bot.clock) {}

std::unique_ptr<Games> InstallGames(Bot& bot) {
  auto games = std::make_unique<Games>(bot);
  InstallQuiz(bot, games->quiz);
  InstallVote(bot, games->vote);
  InstallBirthdays(bot, games->birthdays);
  InstallChatterbox(bot, games->chatterbox);
  return games;
}

}  // namespace pelmo
