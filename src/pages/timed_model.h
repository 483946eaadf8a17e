// The timed features' parts of the settings pages: the weather page
// (PageId::kWeather: the download's content view ContentRE, the time-left
// label PogodaTimeL, "Скачат&ь...", "Па&уза", "Продол&жить" and the
// hidden start PogodaStartB) and the anecdote countdown on the anecdote
// page (PageId::kAnecdote: the
// label Label49 and the hidden start RestartAnekB). A front-end shows the
// model's fields with Text and shows one again when OnChanged names it.
// Main thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "pages/page_message.h"

namespace pelmo {

class TimedFeatures;
struct BotSettings;

class TimedModel {
 public:
  // The timed features must outlive the model. The model takes their
  // content and label notices while it lives.
  explicit TimedModel(TimedFeatures& timed);
  ~TimedModel();
  TimedModel(const TimedModel&) = delete;
  TimedModel& operator=(const TimedModel&) = delete;

  // The text of "ContentRE" (the last forecast, plain text, "" while
  // downloading), "PogodaTimeL" or "Label49"; "" for any other name.
  std::string Text(const std::string& name) const;
  // Called with the name of a field whose text changed.
  std::function<void(const std::string& name)> OnChanged;

  // "Скачат&ь...": one download now; false when none started (no URL, or
  // one in flight: the log says which).
  bool Download();
  // "Па&уза" and "Продол&жить" of the weather countdown, and whether each
  // is enabled now.
  void Pause();
  void Continue();
  bool PauseEnabled() const;
  bool ContinueEnabled() const;
  // The hidden start buttons: the countdown from its edits; a zero
  // interval is a warning ("Надо задать интервал!").
  PageResult StartWeather();
  PageResult StartAnecdote();

  // The window's first showing starts the countdowns; the warning when one
  // that should run did not (a zero interval).
  std::optional<PageMessage> WindowShown(const BotSettings& settings);

 private:
  TimedFeatures& m_timed;
};

}  // namespace pelmo
