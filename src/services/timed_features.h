// The timed features of the control window, for the headless program and
// the window alike: the weather countdown (PogodaCB, MinE:SecE) that
// downloads the weather, the anecdote countdown (AutoAforizmCB,
// AnekMinE:AnekSekE) that hands out an anecdote, and the New Year
// greeting. The bot's start switches both countdowns on, its stop off; the
// program's close abandons a download in flight and saves the weather
// file name and URL. Main thread only.
#pragma once

#include <functional>
#include <string>

#include "services/countdown.h"
#include "services/http_fetch.h"
#include "services/new_year.h"
#include "services/weather_download.h"

namespace pelmo {

struct BotSettings;
struct ServiceContext;

// The captions before the time-left labels.
std::string WeatherCountdownCaption();   // "Обновление произойдёт через:"
std::string AnecdoteCountdownCaption();  // "Анекдот будет выдан через:"

class TimedFeatures {
 public:
  // giveAnecdote: the automatic anecdote (the anecdote service's hand-out
  // by the timer, which tells nobody to wait). The context must outlive
  // this.
  TimedFeatures(ServiceContext& context, std::function<void()> giveAnecdote,
                HttpLimits limits = {});

  // The window's first showing (the headless program's start, after
  // the bot's Open): the weather countdown starts from its edits when
  // PogodaCB is on, the anecdote countdown always; the New Year timer
  // starts.
  void WindowShown();

  Countdown& Weather() { return m_weather; }
  Countdown& Anecdote() { return m_anecdote; }
  WeatherDownload& Download() { return m_download; }
  NewYearGreeting& NewYear() { return m_newYear; }

 private:
  void WeatherAction(std::function<void()> finished);

  const BotSettings& m_settings;
  std::function<void()> m_giveAnecdote;
  WeatherDownload m_download;
  NewYearGreeting m_newYear;
  Countdown m_weather;
  Countdown m_anecdote;
};

// Reads the weather names at the program's start, and takes part in the
// bot's start, stop and the program's close. Call before the bot's
// Open.
void InstallTimedFeatures(ServiceContext& context, TimedFeatures& timed);

}  // namespace pelmo
