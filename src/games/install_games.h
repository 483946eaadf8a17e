// Installs the games into a bot: the quiz, the vote, the birthdays and the
// chatterbox each subscribe their reactions and add their rows. The
// returned object owns them and gives the control window what it works on
// (the birthday table and its check, the chatterbox pairs); keep it alive
// as long as the bot, and destroy it first. Call before the bot's
// Open.
#pragma once

#include <memory>

#include "games/birthdays.h"
#include "games/chatterbox.h"
#include "games/quiz.h"
#include "games/vote.h"

namespace pelmo {

struct ServiceContext;

struct Games {
  explicit Games(ServiceContext& context);

  // The birthday check of the program's start, after the bot's Open: to
  // everybody when the bot runs.
  void CheckBirthdaysAtStart() { birthdays.CheckForAll(); }

  Quiz quiz;
  Vote vote;
  Birthdays birthdays;
  Chatterbox chatterbox;
};

std::unique_ptr<Games> InstallGames(ServiceContext& context);

}  // namespace pelmo
