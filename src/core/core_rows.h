// The core's own rows of the command table: "me", help, the recent log
// lines and the three topic commands. Services add theirs when they are
// installed.
#pragma once

namespace pelmo {

struct BotParts;

void AddCoreRows(BotParts& bot);

}  // namespace pelmo
