#include "games/install_games.h"

#include "core/bot_log.h"
#include "core/service_context.h"
#include "core/work_folder.h"

namespace pelmo {

Games::Games(ServiceContext& context)
    : quiz(QuizFiles{context.folder.BotFile("questions.txt"),
                     context.folder.BotFile("topvictor.txt")},
           context.loop, context.clock, context.random, context.replies, context.settings,
           context.log),
      vote(context.loop, context.replies),
      birthdays(context.folder.BotFile("BirthDay.dat"), context.clock, context.replies,
                context.log, context.running),
      chatterbox(context.folder.BotFile("boltun.txt"), context.clock) {}

std::unique_ptr<Games> InstallGames(ServiceContext& context) {
  auto games = std::make_unique<Games>(context);
  InstallQuiz(context, games->quiz);
  InstallVote(context, games->vote);
  InstallBirthdays(context, games->birthdays);
  InstallChatterbox(context, games->chatterbox);
  return games;
}

}  // namespace pelmo
