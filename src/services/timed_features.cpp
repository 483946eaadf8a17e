#include "services/timed_features.h"

#include <utility>

#include "base/cp1251.h"
#include "core/bot.h"

namespace pelmo {

std::string WeatherCountdownCaption() { return W("Обновление произойдёт через:"); }
std::string AnecdoteCountdownCaption() { return W("Анекдот будет выдан через:"); }

TimedFeatures::TimedFeatures(Bot& bot, std::function<void()> giveAnecdote, HttpLimits limits)
    : m_bot(bot),
      m_giveAnecdote(std::move(giveAnecdote)),
      m_download(bot.loop, bot.log, bot.folder, bot.othersIni, bot.settings, limits),
      m_newYear(bot.loop, bot.clock, bot.replies),
      m_weather(bot.loop, bot.log, "weather", bot.settings.MinE, bot.settings.SecE,
                bot.settings.PogodaCB,
                [this](std::function<void()> finished) { WeatherAction(std::move(finished)); }),
      m_anecdote(bot.loop, bot.log, "anecdote", bot.settings.AnekMinE, bot.settings.AnekSekE,
                 bot.settings.AutoAforizmCB, [this](std::function<void()> finished) {
                   // A hand-out that throws still counts as finished (the
                   // countdown catches it and starts again).
                   if (m_giveAnecdote) m_giveAnecdote();
                   finished();
                 }) {}

void TimedFeatures::WindowShown() {
  if (m_bot.settings.PogodaCB) m_weather.Start();
  m_anecdote.Start();
  m_newYear.Start();
}

void TimedFeatures::WeatherAction(std::function<void()> finished) {
  // Success or failure, the countdown starts again: one failed download
  // must not end the automatic refresh. The weather command reads
  // weather.txt afresh, so nothing else is reloaded.
  if (!m_download.Download([finished](bool) { finished(); })) finished();
}

void InstallTimedFeatures(Bot& bot, TimedFeatures& timed) {
  bot.hooks.LoadLists.push_back([&timed] { timed.Download().LoadNames(); });
  bot.hooks.OnBotStarted.push_back([&timed] {
    timed.Weather().SwitchOn();
    timed.Anecdote().SwitchOn();
  });
  bot.hooks.OnBotStopped.push_back([&timed] {
    timed.Weather().SwitchOff();
    timed.Anecdote().SwitchOff();
  });
  bot.hooks.OnFormClose.push_back([&timed] {
    timed.Download().Abandon();
    timed.NewYear().Stop();
    timed.Download().SaveNames();
  });
}

}  // namespace pelmo
