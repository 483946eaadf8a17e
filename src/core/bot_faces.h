// The three faces of one bot, for a front-end that shows the whole control
// window (its log, its settings pages and its start and stop). Each part
// of a front-end takes only the face it uses.
#pragma once

#include "core/bot_console.h"
#include "core/bot_life.h"
#include "core/bot_settings_access.h"

namespace pelmo {

struct BotFaces {
  BotLife& life;
  BotSettingsAccess& settings;
  BotConsole& console;
};

}  // namespace pelmo
