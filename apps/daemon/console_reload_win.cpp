// Windows has no SIGHUP: nothing asks the headless program there to read
// its files again.
#include "console_session.h"

namespace pelmo {

void ConsoleSession::OnReload(std::function<void()>) {}

}  // namespace pelmo
