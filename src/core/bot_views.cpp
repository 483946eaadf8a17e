#include "core/bot_views.h"

#include <algorithm>

#include "core/bot_log.h"
#include "core/bot_view.h"

namespace pelmo {

BotViews::~BotViews() {
  for (BotView* view : m_views) m_log.RemoveView(view);
}

void BotViews::Add(BotView* view) {
  if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
  m_views.push_back(view);
  m_log.AddView(view);
}

void BotViews::Remove(BotView* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
  m_log.RemoveView(view);
}

void BotViews::SetStatusPanel(int i, const std::string& text) {
  m_panels.at(i) = text;
  for (BotView* view : m_views) view->OnStatusPanel(i, text);
}

void BotViews::RosterChanged() {
  for (BotView* view : m_views) view->OnRosterChanged();
}

void BotViews::TopicChanged(const std::string& topic) {
  for (BotView* view : m_views) view->OnTopicChanged(topic);
}

}  // namespace pelmo
