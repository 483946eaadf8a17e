// The timed features' parts of the settings pages over TimedModel: the
// weather page (PageId::kWeather: the content ContentRE, the time left
// PogodaTimeL, "Скачат&ь...", "Па&уза", "Продол&жить") and the anecdote
// countdown's label Label49 on the anecdote page (PageId::kAnecdote).
// Main thread only.
#pragma once

#include <memory>

namespace pelmo {
class TimedFeatures;
struct BotSettings;
}  // namespace pelmo

namespace pelmo::winui {

class SettingsTab;

class TimedPages;

// The pages' object, kept as long as the window; the model's notices end
// with it.
std::shared_ptr<TimedPages> BuildTimedPages(SettingsTab& tab, TimedFeatures& timed);
// The window's first showing starts the countdowns; a zero interval is
// said in a box.
void TimedWindowShown(TimedPages& pages, const BotSettings& settings);

}  // namespace pelmo::winui
