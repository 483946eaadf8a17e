#include "pages/timed_model.h"

#include "base/cp1251.h"
#include "core/bot_settings.h"
#include "program/program.h"
#include "services/timed_features.h"

namespace pelmo {

namespace {

constexpr const char* kContent = "ContentRE";
constexpr const char* kWeatherLeft = "PogodaTimeL";
constexpr const char* kAnecdoteLeft = "Label49";

PageMessage ZeroInterval() { return {.title = kProgramVersion, .text = W("Надо задать интервал!")}; }

PageResult Started(bool started) {
  PageResult result;
  result.done = started;
  if (!started) result.message = ZeroInterval();
  return result;
}

}  // namespace

TimedModel::TimedModel(TimedFeatures& timed) : m_timed(timed) {
  const auto changed = [this](const char* name) {
    return [this, name] {
      if (OnChanged) OnChanged(name);
    };
  };
  m_timed.Download().OnContentChanged = changed(kContent);
  m_timed.Weather().OnLabelChanged = changed(kWeatherLeft);
  m_timed.Anecdote().OnLabelChanged = changed(kAnecdoteLeft);
}

TimedModel::~TimedModel() {
  m_timed.Download().OnContentChanged = nullptr;
  m_timed.Weather().OnLabelChanged = nullptr;
  m_timed.Anecdote().OnLabelChanged = nullptr;
}

std::string TimedModel::Text(const std::string& name) const {
  if (name == kContent) return m_timed.Download().Content();
  if (name == kWeatherLeft) return m_timed.Weather().Label();
  if (name == kAnecdoteLeft) return m_timed.Anecdote().Label();
  return "";
}

bool TimedModel::Download() { return m_timed.Download().Download(); }
void TimedModel::Pause() { m_timed.Weather().Pause(); }
void TimedModel::Continue() { m_timed.Weather().Continue(); }
bool TimedModel::PauseEnabled() const { return m_timed.Weather().PauseEnabled(); }
bool TimedModel::ContinueEnabled() const { return m_timed.Weather().ContinueEnabled(); }
PageResult TimedModel::StartWeather() { return Started(m_timed.Weather().Start()); }
PageResult TimedModel::StartAnecdote() { return Started(m_timed.Anecdote().Start()); }

std::optional<PageMessage> TimedModel::WindowShown(const BotSettings& settings) {
  m_timed.WindowShown();
  if ((settings.PogodaCB && !m_timed.Weather().Running()) || !m_timed.Anecdote().Running()) {
    return ZeroInterval();
  }
  return std::nullopt;
}

}  // namespace pelmo
