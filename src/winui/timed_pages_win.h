// The timed features' pages: weather (page 8: the informer URL URLe, the
// interval MinE:SecE, the time left PogodaTimeL, the content ContentRE,
// "Скачат&ь..." DownloadB, "Па&уза" PausePogodaB, "Продол&жить"
// GoPogodaB), the download's settings (page 9: credentials and proxy; the
// password is kept as plain text in others.ini, as the page says), and the
// anecdote countdown's label Label49 on page 12. Main thread only.
#pragma once

#include <functional>
#include <memory>

namespace pelmo {
class TimedFeatures;
}

namespace pelmo::winui {

class SettingsTab;
struct WinPlatform;

std::shared_ptr<void> BuildTimedPages(SettingsTab& tab, TimedFeatures& timed,
                                      const WinPlatform& platform);

// Says "Надо задать интервал!" as the countdown's start does.
void WarnZeroInterval(const WinPlatform& platform);

}  // namespace pelmo::winui
