// The weather settings page, "погода", rendered from its definition: the informer
// URL, the refresh interval MinE:SecE, the time-left label PogodaTimeL,
// the content view ContentRE, "Скачат&ь..." (DownloadB), "Па&уза"
// (PausePogodaB), "Продол&жить" (GoPogodaB) and the hidden start
// PogodaStartB, over the timed model (pages/timed_model.h). The weather
// settings page (PageId::kWeatherSettings: the credentials and the proxy
// of the download) binds the record only and is rendered by the settings
// pages. Main thread only.
#pragma once

#include <QWidget>

#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pelmo {

class PageBinder;
class TimedModel;
struct WindowPlatform;

class WeatherPage final : public QWidget {
 public:
  // The model must outlive the page; the window routes its OnChanged to
  // ShowField.
  WeatherPage(TimedModel& model, PageBinder& binder, const WindowPlatform& platform,
              QWidget* parent = nullptr);

  // "Скачат&ь...": one download now; false when none started.
  bool DownloadBClick();
  void PausePogodaBClick();
  void GoPogodaBClick();
  // The hidden start button: the countdown from the edits ("Надо задать
  // интервал!" for a zero interval).
  void PogodaStartBClick();
  void ShowButtons();
  // The model's field of this name again (the content view, the label).
  void ShowField(const std::string& name);

 private:
  TimedModel& m_model;
  const WindowPlatform& m_platform;
  QPlainTextEdit* m_content;
  QLabel* m_left;
  QPushButton* m_pause;
  QPushButton* m_go;
};

}  // namespace pelmo
