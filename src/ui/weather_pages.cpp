#include "ui/weather_pages.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "pages/timed_model.h"
#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

const PageDef& Def() { return SettingsPage(PageId::kWeather); }

}  // namespace

WeatherPage::WeatherPage(TimedModel& model, PageBinder& binder, const WindowPlatform& platform,
                         QWidget* parent)
    : QWidget(parent), m_model(model), m_platform(platform) {
  const PageControls controls = RenderPage(Def(), this, &binder);
  m_content = controls.Get<QPlainTextEdit>("ContentRE");
  m_left = controls.Get<QLabel>("PogodaTimeL");
  m_pause = controls.Get<QPushButton>("PausePogodaB");
  m_go = controls.Get<QPushButton>("GoPogodaB");
  OnAction(Def(), controls, PageAction::kDownloadWeather, &m_platform, [this] { DownloadBClick(); });
  OnAction(Def(), controls, PageAction::kPauseWeather, &m_platform, [this] { PausePogodaBClick(); });
  OnAction(Def(), controls, PageAction::kContinueWeather, &m_platform, [this] { GoPogodaBClick(); });
  OnAction(Def(), controls, PageAction::kStartWeather, &m_platform, [this] { PogodaStartBClick(); });
  ShowField("ContentRE");
  ShowButtons();
}

bool WeatherPage::DownloadBClick() { return m_model.Download(); }

void WeatherPage::PausePogodaBClick() {
  m_model.Pause();
  ShowButtons();
}

void WeatherPage::GoPogodaBClick() {
  m_model.Continue();
  ShowButtons();
}

void WeatherPage::PogodaStartBClick() {
  const PageResult result = m_model.StartWeather();
  if (result.message) ShowPageMessage(m_platform, *result.message, this);
}

void WeatherPage::ShowButtons() {
  m_pause->setEnabled(m_model.PauseEnabled());
  m_go->setEnabled(m_model.ContinueEnabled());
}

void WeatherPage::ShowField(const std::string& name) {
  // The content is network text: plain, never markup.
  if (name == "ContentRE") m_content->setPlainText(ToQ(m_model.Text(name)));
  if (name == "PogodaTimeL") m_left->setText(ToQ(m_model.Text(name)));
}

}  // namespace pelmo
