#include "core/reply_bound.h"

#include "base/cp1251.h"

namespace pelmo {

const std::string& MoreNotShown() {
  static const std::string line =
      "\r\n" + W("(Показано не всё: остальное не помещается в один ответ.)");
  return line;
}

}  // namespace pelmo
