// Settings pages 8 ("погода": the informer URL, the refresh interval
// MinE:SecE, the content view ContentRE, "Скачат&ь..." DownloadB,
// "Па&уза" PausePogodaB, "Продол&жить" GoPogodaB, the time-left label
// PogodaTimeL) and 9 ("настройка погоды": the credentials and the proxy of
// the download), and the anecdote countdown's label on page 12, all bound
// to the timed features. The weather password is kept as plain text in
// others.ini, as the file always held it: the page says so. Main thread
// only.
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pelmo {

class PageBinder;
class TimedFeatures;
struct WindowPlatform;

class WeatherPage final : public QWidget {
 public:
  WeatherPage(TimedFeatures& timed, PageBinder& binder, const WindowPlatform& platform,
              QWidget* parent = nullptr);

  // "Скачат&ь...": one download now; false when none started.
  bool DownloadBClick();
  void PausePogodaBClick();
  void GoPogodaBClick();
  // The hidden start button: the countdown from the edits ("Надо задать
  // интервал!" for a zero interval).
  void PogodaStartBClick();
  void ShowButtons();

 private:
  TimedFeatures& m_timed;
  const WindowPlatform& m_platform;
  QPlainTextEdit* m_content;
  QLabel* m_left;
  QPushButton* m_pause;
  QPushButton* m_go;
};

// Page 9.
QWidget* MakeWeatherSettingsPage(PageBinder& binder);

// Says "Надо задать интервал!" as the countdown's start does.
void WarnZeroInterval(const WindowPlatform& platform);

}  // namespace pelmo
