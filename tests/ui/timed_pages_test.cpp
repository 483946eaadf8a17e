// The weather pages and the anecdote countdown: a download from a loopback
// HTTP server fills the content view and weather.txt, pause and continue,
// the time-left labels, the password note.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/cp1251.h"
#include "core/bot.h"
#include "fakes/http_server.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "ui/settings_pages.h"
#include "ui/weather_pages.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

const std::string kInformer = W("document.write(\"<b>Пельменск</b><br>+5, ясно<br>\");\r\n");
const std::string kForecast = W("Пельменск\r\n+5, ясно\r\n");

class TimedPagesTest : public ::testing::Test {
 protected:
  TimedPagesTest() {
    services = InstallServices(f.bot.services());
    timed = std::make_unique<TimedFeatures>(f.bot.services(), [this] { ++anecdotes; });
    InstallTimedFeatures(f.bot.services(), *timed);
    f.window->AddServicePages(*services);
    f.window->AddTimedPages(*timed);
  }
  ~TimedPagesTest() override {
    f.window.reset();
    timed.reset();
  }

  bool WaitForDownload() {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (timed->Download().InFlight()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(5ms);
      f.bot.loop.RunPending();
    }
    return true;
  }

  WindowFixture f;
  std::unique_ptr<InstalledServices> services;
  std::unique_ptr<TimedFeatures> timed;
  int anecdotes = 0;
  LoopbackHttpServer server{[](const HttpServerRequest& request) {
    HttpServerAnswer answer;
    if (request.target == "/inf") {
      answer.body = kInformer;
    } else {
      answer.status = 404;
    }
    return answer;
  }};
};

TEST_F(TimedPagesTest, DownloadFillsTheContentViewAndWeatherTxt) {
  f.bot.PrepareOffline();
  f.window->Settings()->ShowSettings();
  f.Find<QLineEdit>("URLe")->setText(QString::fromStdString(server.Url("/inf")));
  f.Find<QPushButton>("DownloadB")->click();
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(f.Find<QPlainTextEdit>("ContentRE")->toPlainText(), QString::fromUtf8("Пельменск\n+5, ясно\n"));
  EXPECT_EQ(f.bot.dir.ReadFile("botfile/weather.txt"), kForecast);
  EXPECT_TRUE(f.errors.empty());
}

TEST_F(TimedPagesTest, CountdownLabelsPauseAndContinue) {
  f.bot.RecordSends(true);
  f.bot.dir.WriteFile("others.ini", "[pogoda]\r\nAutPogoda=1\r\nMin=1\r\nSec=0\r\n"
                                    "[anecdot]\r\nMin=0\r\nSec=3\r\n");
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  EXPECT_TRUE(f.warnings.isEmpty());
  auto* pause = f.Find<QPushButton>("PausePogodaB");
  auto* go = f.Find<QPushButton>("GoPogodaB");
  EXPECT_TRUE(pause->isEnabled());
  EXPECT_FALSE(go->isEnabled());

  f.bot.loop.Advance(1000ms);
  EXPECT_EQ(f.Find<QLabel>("PogodaTimeL")->text(), "00:59");
  EXPECT_EQ(f.Find<QLabel>("Label49")->text(), "00:02");
  pause->click();
  EXPECT_FALSE(pause->isEnabled());
  EXPECT_TRUE(go->isEnabled());
  f.bot.loop.Advance(2000ms);
  EXPECT_EQ(f.Find<QLabel>("PogodaTimeL")->text(), "00:59");
  EXPECT_EQ(anecdotes, 1);  // the anecdote countdown went on
  go->click();
  f.bot.loop.Advance(1000ms);
  EXPECT_EQ(f.Find<QLabel>("PogodaTimeL")->text(), "00:58");
  f.bot.bot().Stop();
}

TEST_F(TimedPagesTest, ZeroIntervalIsSaidAndThePasswordNoteIsThere) {
  f.bot.RecordSends(true);
  f.bot.dir.WriteFile("others.ini", "[anecdot]\r\nMin=0\r\nSec=0\r\n");
  f.window->FormCreate();
  ASSERT_EQ(f.warnings.size(), 1);
  EXPECT_EQ(f.warnings[0], QString::fromUtf8("Надо задать интервал!"));
  auto* note = f.Find<QLabel>("PasswordNoteL");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->text().contains("others.ini"));
  EXPECT_EQ(f.Find<QLineEdit>("edPassword")->echoMode(), QLineEdit::Password);
  f.bot.bot().Stop();
}

}  // namespace
}  // namespace pelmo
