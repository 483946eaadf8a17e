// The timed features' pages of the control window: weather (pages 8 and
// 9) and the anecdote countdown on page 12.
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "core/bot_control.h"
#include "core/bot_settings.h"
#include "core/roster.h"
#include "services/timed_features.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/settings_pages.h"
#include "ui/weather_pages.h"

namespace pelmo {

void MainWindow::AddTimedPages(TimedFeatures& timed) {
  m_settings->SetPage(8, new WeatherPage(timed, m_settings->Binder(), platform));
  m_settings->SetPage(9, MakeWeatherSettingsPage(m_settings->Binder()));

  auto* left = new QLabel;
  left->setObjectName("Label49");
  auto* restart = new QPushButton("Start");
  restart->setObjectName("RestartAnekB");
  restart->hide();
  connect(restart, &QPushButton::clicked, this, [this, &timed] {
    RunGuarded(platform, [this, &timed] {
      if (!timed.Anecdote().Start()) WarnZeroInterval(platform);
    });
  });
  m_settings->AnecdoteForm()->addRow(ToQ(AnecdoteCountdownCaption()), left);
  m_settings->AnecdoteForm()->addRow(restart);
  timed.Anecdote().OnLabelChanged = [left, &timed] { left->setText(ToQ(timed.Anecdote().Label())); };

  // The window's showing starts the countdowns; a zero interval is said.
  m_onFormCreate.push_back([this, &timed] {
    timed.WindowShown();
    if ((m_bot.Settings().PogodaCB && !timed.Weather().Running()) || !timed.Anecdote().Running()) {
      WarnZeroInterval(platform);
    }
  });
}

}  // namespace pelmo
