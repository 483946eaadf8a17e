#include "core/paced_lines.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace pelmo {

PacedLines::PacedLines(EventLoop& loop, std::size_t burst, std::chrono::milliseconds interval)
    : m_loop(loop), m_burst(burst), m_interval(interval) {}

PacedLines::~PacedLines() { Clear(); }

void PacedLines::Add(const std::string& owner, std::vector<Send> pieces) {
  m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                               [&owner](const Piece& piece) { return piece.owner == owner; }),
                m_queue.end());
  // A burst goes at once only when nobody's pieces are waiting, so that a
  // second request cannot jump the queue or double the rate.
  const bool idle = m_queue.empty() && m_timer == 0;
  for (Send& send : pieces) m_queue.push_back(Piece{owner, std::move(send)});
  if (!idle) return;
  for (std::size_t i = 0; i < m_burst && !m_queue.empty(); ++i) SendNext();
  Arm();
}

void PacedLines::Clear() {
  m_queue.clear();
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  m_timer = 0;
}

void PacedLines::SendNext() {
  Piece piece = std::move(m_queue.front());
  m_queue.pop_front();
  try {
    piece.send();
  } catch (const std::exception&) {
    // The other pieces are still worth sending.
  }
}

void PacedLines::Arm() {
  if (m_queue.empty() || m_timer != 0) return;
  m_timer = m_loop.StartTimer(m_interval, false, [this] {
    m_timer = 0;
    if (!m_queue.empty()) SendNext();
    Arm();
  });
}

}  // namespace pelmo
