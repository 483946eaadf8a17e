#include "core/bot_log.h"

#include "base/line_name.h"

#include <algorithm>
#include <vector>

#include "base/date_time.h"
#include "core/bot_settings.h"
#include "core/bot_view.h"
#include "core/error_text.h"
#include "core/log_file.h"
#include "core/reply_bound.h"

namespace pelmo {

namespace {

// What may wait for the file: many ordinary lines, or a few of the
// longest a chat packet can carry.
constexpr std::size_t kMostWaitingBytes = 1024 * 1024;

std::unique_ptr<LogFileSink> MakeSink(std::string path, LogFileSink*& sink) {
  auto made = std::make_unique<LogFileSink>(std::move(path));
  sink = made.get();
  return made;
}

}  // namespace

BotLog::BotLog(const Clock& clock, const BotSettings& settings, std::string logFilePath)
    : m_clock(clock),
      m_settings(settings),
      m_fileWriter(MakeSink(std::move(logFilePath), m_file), kMostWaitingBytes) {}

BotLog::~BotLog() = default;

void BotLog::LogLine(const std::string& text, std::uint32_t color) {
  const std::string prefix = "[" + TimeToStr(m_clock.Now()) + "] ";
  // A copy: a view may add or remove views while it is told.
  const std::vector<BotView*> views = m_views;
  for (BotView* view : views) view->OnLogLine(prefix, text, color);
}

void BotLog::AddView(BotView* view) {
  if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
    m_views.push_back(view);
  }
}

void BotLog::RemoveView(BotView* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void BotLog::ClearWindowLog() {
  const std::vector<BotView*> views = m_views;
  for (BotView* view : views) view->OnLogCleared();
}

void BotLog::LogToFile(const std::string& text) {
  const std::string time = "[" + TimeToStr(m_clock.Now()) + "]";
  // One line of the file and of the ring per call, whatever the chat text
  // holds: a line break in it must not pose as a line of somebody else.
  std::string line = time + OneLine(text);
  m_file->SetLimit(m_settings.CheckLogFileSizeCB, m_settings.CheckLogFileSizeE);
  m_fileWriter.Write(line + "\r\n", [&time](std::uint64_t dropped) {
    return time + std::to_string(dropped) +
           " lines of the log were not written: the file did not take them in time.\r\n";
  });
  m_ring[m_writeIndex] = std::move(line);
  m_writeIndex = (m_writeIndex + 1) % kRingSize;
  if (const std::string error = m_file->TakeError(); !error.empty()) {
    LogLine("Error: " + ToLogText(error));
  }
}

bool BotLog::FlushFile(std::chrono::milliseconds timeout) { return m_fileWriter.Flush(timeout); }

void BotLog::ClearRing() {
  for (std::string& slot : m_ring) slot.clear();
  m_writeIndex = 0;
}

std::string BotLog::RecentLines(long long count) const {
  // Counts beyond the ring read the whole ring once; the walk never leaves
  // slots 0..1023, whatever a user typed.
  const long long ringSize = static_cast<long long>(kRingSize);
  const std::size_t n = static_cast<std::size_t>(std::clamp(count, 0LL, ringSize));
  // Newest first, until the answer is full.
  std::vector<const std::string*> taken;
  std::size_t size = 0;
  bool cut = false;
  for (std::size_t k = 1; k <= n; ++k) {
    const std::string& line = m_ring[(m_writeIndex + kRingSize - k) % kRingSize];
    if (line.empty()) continue;
    if (size + 2 + line.size() + MoreNotShown().size() > kMaxReplyBytes) {
      cut = true;
      break;
    }
    size += 2 + line.size();
    taken.push_back(&line);
  }
  // The older lines left out come first, so the note stands where they
  // would.
  std::string reply = cut ? MoreNotShown() : std::string();
  reply.reserve(reply.size() + size);
  for (auto it = taken.rbegin(); it != taken.rend(); ++it) reply += "\r\n" + **it;
  return reply;
}

}  // namespace pelmo
