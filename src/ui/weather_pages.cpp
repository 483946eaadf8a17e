#include "ui/weather_pages.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/bot_settings.h"
#include "services/timed_features.h"
#include "ui/page_binder.h"
#include "ui/about_dialog.h"
#include "ui/page_layout.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

void WarnZeroInterval(const WindowPlatform& platform) {
  if (platform.warn) platform.warn(kAppTitle, "Надо задать интервал!");
}

WeatherPage::WeatherPage(TimedFeatures& timed, PageBinder& binder, const WindowPlatform& platform,
                         QWidget* parent)
    : QWidget(parent), m_timed(timed), m_platform(platform) {
  QFormLayout* form = NewForm();
  QLineEdit* url = binder.Text(nullptr, "URLe", &BotSettings::URLe);
  FitWidth(url, sample::kUrl);
  form->addRow("URL:", url);
  form->addRow("Интервал обновления:",
               MinutesAndSeconds(binder.NumberText(nullptr, "MinE", &BotSettings::MinE),
                                 binder.NumberText(nullptr, "SecE", &BotSettings::SecE)));
  m_left = new QLabel;
  m_left->setObjectName("PogodaTimeL");
  form->addRow(ToQ(WeatherCountdownCaption()), m_left);

  m_content = new QPlainTextEdit;
  m_content->setObjectName("ContentRE");
  m_content->setReadOnly(true);

  auto* download = new QPushButton("Скачат&ь...");
  download->setObjectName("DownloadB");
  m_pause = new QPushButton("Па&уза");
  m_pause->setObjectName("PausePogodaB");
  m_go = new QPushButton("Продол&жить");
  m_go->setObjectName("GoPogodaB");
  auto* start = new QPushButton("Start");
  start->setObjectName("PogodaStartB");
  start->hide();
  connect(download, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { DownloadBClick(); }); });
  connect(m_pause, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { PausePogodaBClick(); }); });
  connect(m_go, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { GoPogodaBClick(); }); });
  connect(start, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { PogodaStartBClick(); }); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(download);
  buttons->addWidget(m_pause);
  buttons->addWidget(m_go);
  buttons->addWidget(start);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(form);
  layout->addWidget(m_content, 1);
  layout->addLayout(buttons);

  // The content is network text: plain, never markup.
  m_timed.Download().OnContentChanged = [this] {
    m_content->setPlainText(ToQ(m_timed.Download().Content()));
  };
  m_timed.Weather().OnLabelChanged = [this] { m_left->setText(ToQ(m_timed.Weather().Label())); };
  m_content->setPlainText(ToQ(m_timed.Download().Content()));
  ShowButtons();
}

bool WeatherPage::DownloadBClick() { return m_timed.Download().Download(); }

void WeatherPage::PausePogodaBClick() {
  m_timed.Weather().Pause();
  ShowButtons();
}

void WeatherPage::GoPogodaBClick() {
  m_timed.Weather().Continue();
  ShowButtons();
}

void WeatherPage::PogodaStartBClick() {
  if (!m_timed.Weather().Start()) WarnZeroInterval(m_platform);
}

void WeatherPage::ShowButtons() {
  m_pause->setEnabled(m_timed.Weather().PauseEnabled());
  m_go->setEnabled(m_timed.Weather().ContinueEnabled());
}

QWidget* MakeWeatherSettingsPage(PageBinder& binder) {
  auto* page = new QWidget;
  auto* auth = new QGroupBox(" Authentication ");
  QFormLayout* authForm = NewForm();
  auth->setLayout(authForm);
  QLineEdit* user = binder.Text(nullptr, "edUsername", &BotSettings::edUsername);
  FitWidth(user, sample::kName);
  authForm->addRow("Username:", user);
  QLineEdit* password = binder.Text(nullptr, "edPassword", &BotSettings::edPassword);
  password->setEchoMode(QLineEdit::Password);
  FitWidth(password, sample::kName);
  authForm->addRow("Password:", password);
  auto* note = new QLabel("Пароль хранится в others.ini открытым текстом: "
                          "не используйте здесь пароль, который нужен где-то ещё.");
  note->setObjectName("PasswordNoteL");
  note->setWordWrap(true);
  authForm->addRow(note);
  auto* proxy = new QGroupBox(" Use Proxy ");
  QFormLayout* proxyForm = NewForm();
  proxy->setLayout(proxyForm);
  QLineEdit* server = binder.Text(nullptr, "edProxyServer", &BotSettings::edProxyServer);
  FitWidth(server, sample::kServer);
  proxyForm->addRow("Proxy server:", server);
  QLineEdit* port = binder.Text(nullptr, "edProxyPort", &BotSettings::edProxyPort);
  FitWidth(port, sample::kPort);
  proxyForm->addRow("Proxy port:", port);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(auth);
  layout->addWidget(proxy);
  layout->addStretch(1);
  return page;
}

}  // namespace pelmo
