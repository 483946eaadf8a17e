#include "services/timed_features.h"

#include <utility>

#include "base/cp1251.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/reactions.h"
#include "core/service_context.h"

namespace pelmo {

std::string WeatherCountdownCaption() { return W("Обновление произойдёт через:"); }
std::string AnecdoteCountdownCaption() { return W("Анекдот будет выдан через:"); }

TimedFeatures::TimedFeatures(ServiceContext& context, std::function<void()> giveAnecdote,
                             HttpLimits limits)
    : m_settings(context.settings),
      m_giveAnecdote(std::move(giveAnecdote)),
      m_download(context.loop, context.log, context.folder, context.othersIni, context.settings, limits),
      m_newYear(context.loop, context.clock, context.replies),
      m_weather(context.loop, context.log, "weather", context.settings.MinE, context.settings.SecE,
                context.settings.PogodaCB,
                [this](std::function<void()> finished) { WeatherAction(std::move(finished)); }),
      m_anecdote(context.loop, context.log, "anecdote", context.settings.AnekMinE, context.settings.AnekSekE,
                 context.settings.AutoAforizmCB, [this](std::function<void()> finished) {
                   // A hand-out that throws still counts as finished (the
                   // countdown catches it and starts again).
                   if (m_giveAnecdote) m_giveAnecdote();
                   finished();
                 }) {}

void TimedFeatures::WindowShown() {
  if (m_settings.PogodaCB) m_weather.Start();
  m_anecdote.Start();
  m_newYear.Start();
}

void TimedFeatures::WeatherAction(std::function<void()> finished) {
  // Success or failure, the countdown starts again: one failed download
  // must not end the automatic refresh. The weather command reads
  // weather.txt afresh, so nothing else is reloaded.
  if (!m_download.Download([finished](bool) { finished(); })) finished();
}

void InstallTimedFeatures(ServiceContext& context, TimedFeatures& timed) {
  Lifecycle& life = context.on.life;
  life.loadLists.push_back([&timed] { timed.Download().LoadNames(); });
  life.started.push_back([&timed] {
    timed.Weather().SwitchOn();
    timed.Anecdote().SwitchOn();
  });
  life.stopped.push_back([&timed] {
    timed.Weather().SwitchOff();
    timed.Anecdote().SwitchOff();
  });
  life.closing.push_back([&timed] {
    timed.Download().Abandon();
    timed.NewYear().Stop();
    timed.Download().SaveNames();
  });
}

}  // namespace pelmo
