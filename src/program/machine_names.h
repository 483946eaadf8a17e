// The computer's and the user's names, as an error report records them.
#pragma once

#include <string>

namespace pelmo {

// UTF-8; "n/a" when the system will not say.
std::string ComputerName();
std::string UserName();

}  // namespace pelmo
