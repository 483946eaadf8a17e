// The timed features' pages of the control window: weather (its page and
// its settings page) and the anecdote countdown on the anecdote page, over one timed model.
#include <QLabel>

#include "core/bot_faces.h"
#include "pages/timed_model.h"
#include "ui/main_window.h"
#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/settings_pages.h"
#include "ui/weather_pages.h"

namespace pelmo {

void MainWindow::AddTimedPages(TimedFeatures& timed) {
  m_timed = std::make_unique<TimedModel>(timed);
  TimedModel& model = *m_timed;
  auto* weather = new WeatherPage(model, m_settings->Binder(), platform);
  m_settings->SetPage(PageId::kWeather, weather);
  m_settings->RenderPage(PageId::kWeatherSettings);

  // The anecdote countdown's rows join the anecdote page.
  const PageControls anecdote = m_settings->AddFeatureItems(PageFeature::kTimed);
  auto* left = anecdote.Get<QLabel>("Label49");
  OnAction(SettingsPage(PageId::kAnecdote), anecdote, PageAction::kStartAnecdote, &platform, [this, &model] {
    const PageResult result = model.StartAnecdote();
    if (result.message) ShowPageMessage(platform, *result.message, this);
  });
  model.OnChanged = [weather, left, &model](const std::string& name) {
    if (name == "Label49") {
      left->setText(ToQ(model.Text(name)));
    } else {
      weather->ShowField(name);
    }
  };

  // The window's showing starts the countdowns; a zero interval is said.
  m_onFormCreate.push_back([this, &model] {
    if (const auto message = model.WindowShown(m_bot.settings.Settings())) {
      ShowPageMessage(platform, *message, this);
    }
  });
}

}  // namespace pelmo
