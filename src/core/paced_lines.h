// Lines sent a few at a time: a long reply goes out as its first pieces at
// once and the rest one piece per interval on the event loop's timer, so
// that one request never floods the chat with a burst of hundreds of
// datagrams. Each queued piece is a send of its own (a closure); the
// pieces of one owner (a nick) are replaced when he asks again before they
// are all out. Main thread only.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/event_loop.h"

namespace pelmo {

class PacedLines {
 public:
  using Send = std::function<void()>;

  // burst: pieces sent at once; interval: between the later ones. The loop
  // must outlive this.
  PacedLines(EventLoop& loop, std::size_t burst, std::chrono::milliseconds interval);
  ~PacedLines();
  PacedLines(const PacedLines&) = delete;
  PacedLines& operator=(const PacedLines&) = delete;

  // Sends the owner's pieces in order: while nothing else waits, the first
  // burst of them now, the rest one per interval after those queued before
  // them. Pieces of the same owner still waiting are dropped first. A send
  // that throws loses only its own piece.
  void Add(const std::string& owner, std::vector<Send> pieces);
  // Drops every piece still waiting (the bot stops).
  void Clear();
  std::size_t Waiting() const { return m_queue.size(); }

 private:
  struct Piece {
    std::string owner;
    Send send;
  };
  void SendNext();
  void Arm();

  EventLoop& m_loop;
  std::size_t m_burst;
  std::chrono::milliseconds m_interval;
  std::deque<Piece> m_queue;
  EventLoop::TimerId m_timer = 0;
};

}  // namespace pelmo
