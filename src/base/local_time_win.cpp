#include "base/local_time.h"

namespace pelmo {

bool ToLocalTime(std::time_t seconds, std::tm& local) {
  return localtime_s(&local, &seconds) == 0;
}

}  // namespace pelmo
