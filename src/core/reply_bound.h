// How much one request may be answered with. A listing a peer asks for in
// a line of some fifty bytes (the news, a top table, the recent log lines)
// would otherwise be megabytes of datagrams, and with a forged source
// address they would all go to somebody else. Main thread only.
#pragma once

#include <cstddef>
#include <string>

namespace pelmo {

// The most bytes of one answer, the line saying that more exists included.
inline constexpr std::size_t kMaxReplyBytes = 16 * 1024;

// "\r\n" + the line that closes an answer cut at kMaxReplyBytes.
const std::string& MoreNotShown();

}  // namespace pelmo
