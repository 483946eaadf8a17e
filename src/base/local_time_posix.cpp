#include "base/local_time.h"

namespace pelmo {

bool ToLocalTime(std::time_t seconds, std::tm& local) {
  return localtime_r(&seconds, &local) != nullptr;
}

}  // namespace pelmo
