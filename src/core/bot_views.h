// The front-ends that watch the bot (the console log, a control window)
// and the status panels they show: the core tells them when the roster,
// a panel or the topic changes. The window log reaches them through the
// bot log. Main thread only.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

class BotLog;
class BotView;

class BotViews {
 public:
  explicit BotViews(BotLog& log) : m_log(log) {}
  ~BotViews();
  BotViews(const BotViews&) = delete;
  BotViews& operator=(const BotViews&) = delete;

  // A view is registered once, also with the log; the caller keeps it
  // alive until it is removed or the views are gone.
  void Add(BotView* view);
  void Remove(BotView* view);

  const std::string& StatusPanel(int i) const { return m_panels.at(i); }
  void SetStatusPanel(int i, const std::string& text);
  void RosterChanged();
  void TopicChanged(const std::string& topic);

 private:
  BotLog& m_log;
  std::vector<std::string> m_panels = std::vector<std::string>(4);
  std::vector<BotView*> m_views;
};

}  // namespace pelmo
