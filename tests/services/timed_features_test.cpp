#include "services/timed_features.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/http_server.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// The script's closing part: the end of the last tag, the quote, the
// parenthesis, the semicolon and CR before the last LF.
const std::string kInformer = W("document.write(\"<b>Пельменск</b><br>+5, ясно<br>\");\r\n");
const std::string kForecast = W("Пельменск\r\n+5, ясно\r\n");

class TimedFeaturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    services = InstallServices(f.services());
    InstallTimedFeatures(f.services(), timed);
  }

  BotSettings& settings() { return f.parts().settings; }

  // Runs the loop's posted tasks until the download in flight is applied.
  bool WaitForDownload() {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (timed.Download().InFlight()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(5ms);
      f.loop.RunPending();
    }
    return true;
  }

  // The text of the weather command as a user gets it.
  std::string WeatherCommandText() {
    f.ClearSent();
    f.ReceiveLine(ChatPeer{"Ann", "ANNPC"}, W("!погода"));
    std::string text;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) text += packet.text;
    return text;
  }

  static HttpLimits ShortLimits() {
    HttpLimits limits;
    limits.connectTimeout = 2s;
    limits.totalTimeout = 1s;
    return limits;
  }

  BotFixture f;
  std::unique_ptr<InstalledServices> services;
  int anecdotes = 0;
  TimedFeatures timed{f.services(), [this] { ++anecdotes; }, ShortLimits()};
  LoopbackHttpServer server{[](const HttpServerRequest& request) {
    HttpServerAnswer answer;
    if (request.target == "/inf") {
      answer.body = kInformer;
    } else if (request.target == "/moved") {
      answer.status = 301;
      answer.headers = {"Location: /inf"};
    } else if (request.target == "/file") {
      answer.status = 302;
      answer.headers = {"Location: file:///etc/hostname"};
    } else if (request.target == "/slow") {
      answer.body = kInformer;
      answer.delay = 3s;
    } else if (request.target == "/big") {
      answer.body = "document.write(\"" + std::string(2 * 1024 * 1024, 'x') + "\")123456;";
    } else if (request.target == "/utf8") {
      answer.headers = {"Content-Type: text/javascript; charset=utf-8"};
      answer.body = "document.write(\"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0: +3\");\n";
    } else if (request.target == "/utf8-bare") {
      answer.body = "document.write(\"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0: +3\");";
    } else if (request.target == "/cp1251") {
      answer.headers = {"Content-Type: application/javascript; charset=windows-1251"};
      answer.body = W("document.write(\"Москва: +3, облачно\");\r\n");
    } else if (request.target == "/plain") {
      answer.body = "<html>no script here</html>";
    } else if (request.target == "/auth") {
      if (request.Header("Authorization") == "Basic dTpw") {  // u:p
        answer.body = kInformer;
      } else {
        answer.status = 401;
      }
    } else {
      answer.status = 404;
    }
    return answer;
  }};
};

TEST_F(TimedFeaturesTest, DownloadWritesTheFileTheViewAndOthersIni) {
  settings().URLe = server.Url("/moved");
  settings().OutputName = "pogoda.txt";
  int viewChanges = 0;
  timed.Download().OnContentChanged = [&] { ++viewChanges; };
  ASSERT_TRUE(timed.Download().Download());
  EXPECT_EQ(timed.Download().Content(), "");
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(f.dir.ReadFile("botfile/pogoda.txt"), kForecast);
  EXPECT_EQ(timed.Download().Content(), kForecast);
  EXPECT_EQ(viewChanges, 2);  // cleared, then filled
  IniFile others(f.dir.FilePath("others.ini"));
  EXPECT_EQ(others.ReadString("Pogoda", "OutputFileName", ""), "pogoda.txt");
  EXPECT_EQ(others.ReadString("Pogoda", "URL", ""), server.Url("/moved"));
  // The next download goes to weather.txt, which the weather command shows.
  EXPECT_EQ(settings().OutputName, "weather.txt");
  ASSERT_TRUE(timed.Download().Download());
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), kForecast);
  EXPECT_EQ(WeatherCommandText(),
            "\r\n" + std::string(64, ' ') + W("(*)   Погода   (*)\r\n") + kForecast);
}

TEST_F(TimedFeaturesTest, InformersInEitherCharsetAndOfAnyEndKeepEveryLetter) {
  const std::pair<const char*, std::string> cases[] = {
      {"/utf8", W("Москва: +3")},
      {"/utf8-bare", W("Москва: +3")},
      {"/cp1251", W("Москва: +3, облачно")},
  };
  for (const auto& [path, text] : cases) {
    settings().URLe = server.Url(path);
    ASSERT_TRUE(timed.Download().Download());
    ASSERT_TRUE(WaitForDownload());
    EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), text) << path;
  }
}

TEST_F(TimedFeaturesTest, FailuresKeepTheOldWeather) {
  f.dir.WriteFile("botfile/weather.txt", W("Старая погода"));
  // The slow one last: the test server answers one request at a time.
  for (const char* path : {"/missing", "/file", "/big", "/auth", "/slow"}) {
    settings().URLe = server.Url(path);
    f.view.Clear();
    bool finished = false, ok = true;
    ASSERT_TRUE(timed.Download().Download([&](bool result) {
      finished = true;
      ok = result;
    }));
    ASSERT_TRUE(WaitForDownload()) << path;
    EXPECT_TRUE(finished) << path;
    EXPECT_FALSE(ok) << path;
    EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), W("Старая погода")) << path;
    bool logged = false;
    for (const std::string& line : f.view.Texts()) {
      logged = logged || line.rfind(W("Погода: прогноз не скачан: "), 0) == 0;
    }
    EXPECT_TRUE(logged) << path;
  }
  // A body without the script: quietly nothing, the view cleared.
  settings().URLe = server.Url("/plain");
  ASSERT_TRUE(timed.Download().Download());
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), W("Старая погода"));
  EXPECT_EQ(timed.Download().Content(), "");
}

TEST_F(TimedFeaturesTest, CredentialsAndABadOutputName) {
  settings().URLe = server.Url("/auth");
  settings().edUsername = "u";
  settings().edPassword = "p";
  settings().OutputName = "../escaped.txt";
  ASSERT_TRUE(timed.Download().Download());
  ASSERT_TRUE(WaitForDownload());
  EXPECT_FALSE(f.dir.Exists("escaped.txt"));
  EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), kForecast);
  // The name used is the default one, which others.ini needs not hold.
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadString("Pogoda", "OutputFileName", "none"),
            "none");
}

TEST_F(TimedFeaturesTest, NoUrlFetchesNothingAndOneDownloadAtATime) {
  settings().URLe = "";
  EXPECT_FALSE(timed.Download().Download());
  EXPECT_TRUE(f.view.Contains(W("Погода: адрес информера не задан, скачивать нечего.")));
  EXPECT_TRUE(server.Requests().empty());

  settings().URLe = server.Url("/slow");
  ASSERT_TRUE(timed.Download().Download());
  EXPECT_FALSE(timed.Download().Download());
  EXPECT_TRUE(f.view.Contains(W("Погода: прогноз уже скачивается.")));
  ASSERT_TRUE(WaitForDownload());
}

TEST_F(TimedFeaturesTest, CloseAbandonsADownloadInFlight) {
  f.dir.WriteFile("botfile/weather.txt", "old");
  settings().URLe = server.Url("/slow");
  timed.Weather().Start();
  ASSERT_TRUE(timed.Download().Download());
  const auto start = std::chrono::steady_clock::now();
  f.bot().Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_FALSE(timed.Download().InFlight());
  f.loop.RunPending();
  EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), "old");
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadString("Pogoda", "URL", ""),
            server.Url("/slow"));
}

TEST_F(TimedFeaturesTest, NamesChangedOnlyByHandAreNeverWrittenOver) {
  f.dir.WriteFile("others.ini", "[Pogoda]\r\nURL=" + server.Url("/inf") +
                                    "\r\nOutputFileName=pogoda.txt\r\n");
  timed.Download().LoadNames();
  ASSERT_EQ(settings().URLe, server.Url("/inf"));
  // The operator points the service elsewhere while it runs.
  const std::string edited = "[Pogoda]\r\nURL=http://informer.example/new.js\r\n"
                             "OutputFileName=other.txt\r\n";
  f.dir.WriteFile("others.ini", edited);
  // A download (into pogoda.txt, as read at start) and the close keep it.
  ASSERT_TRUE(timed.Download().Download());
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(f.dir.ReadFile("botfile/pogoda.txt"), kForecast);
  f.bot().Close();
  IniFile others(f.dir.FilePath("others.ini"));
  EXPECT_EQ(others.ReadString("Pogoda", "URL", ""), "http://informer.example/new.js");
  EXPECT_EQ(others.ReadString("Pogoda", "OutputFileName", ""), "other.txt");
}

TEST_F(TimedFeaturesTest, NamesChangedInTheProgramAreWrittenUnlessEditedByHandToo) {
  f.dir.WriteFile("others.ini", "[Pogoda]\r\nURL=http://informer.example/a.js\r\n");
  timed.Download().LoadNames();
  // The window's field: written at the close.
  settings().URLe = "http://informer.example/b.js";
  timed.Download().SaveNames();
  IniFile others(f.dir.FilePath("others.ini"));
  EXPECT_EQ(others.ReadString("Pogoda", "URL", ""), "http://informer.example/b.js");
  EXPECT_FALSE(others.ValueExists("Pogoda", "OutputFileName"));  // unchanged: not written

  // Changed in both places since: the hand edit stays, and the log says so.
  settings().URLe = "http://informer.example/c.js";
  f.dir.WriteFile("others.ini", "[Pogoda]\r\nURL=http://informer.example/d.js\r\n");
  f.view.Clear();
  timed.Download().SaveNames();
  EXPECT_EQ(others.ReadString("Pogoda", "URL", ""), "http://informer.example/d.js");
  EXPECT_TRUE(f.view.Contains(
      W("Погода: ключ URL раздела [Pogoda] файла others.ini изменён вручную; значение программы "
        "не записано поверх.")));
}

TEST_F(TimedFeaturesTest, WeatherCountdownDownloadsAndStartsAgainAlsoAfterAFailure) {
  settings().PogodaCB = true;
  settings().MinE = "0";
  settings().SecE = "2";
  settings().URLe = server.Url("/missing");
  timed.WindowShown();
  EXPECT_TRUE(timed.Weather().Running());
  f.loop.Advance(2000ms);
  EXPECT_TRUE(timed.Weather().Acting());
  ASSERT_TRUE(WaitForDownload());
  EXPECT_TRUE(timed.Weather().Running()) << "a failed download ended the refresh";

  settings().URLe = server.Url("/inf");
  f.loop.Advance(2000ms);
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(f.dir.ReadFile("botfile/weather.txt"), kForecast);
  EXPECT_TRUE(timed.Weather().Running());
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(TimedFeaturesTest, WindowShownStartsWeatherOnlyWhenAutomatic) {
  settings().PogodaCB = false;
  settings().AnekMinE = "0";
  settings().AnekSekE = "3";
  timed.WindowShown();
  EXPECT_FALSE(timed.Weather().Running());
  EXPECT_TRUE(timed.Anecdote().Running());
  f.loop.Advance(3000ms);
  EXPECT_EQ(anecdotes, 1);
  EXPECT_TRUE(timed.Anecdote().Running());
  // The bot's stop and start switch both countdowns.
  for (const auto& hook : f.parts().on.life.stopped) hook();
  EXPECT_FALSE(timed.Anecdote().Running());
  f.loop.Advance(10000ms);
  EXPECT_EQ(anecdotes, 1);
  for (const auto& hook : f.parts().on.life.started) hook();
  EXPECT_TRUE(timed.Anecdote().Running());
  EXPECT_TRUE(timed.Weather().Running());
  f.loop.Advance(3000ms);
  EXPECT_EQ(anecdotes, 2);
}

// --- The New Year greeting ---

class NewYearTest : public ::testing::Test {
 protected:
  void SetUp() override { f.PrepareOffline(); }

  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      EXPECT_EQ(packet.channel, "Main");
      EXPECT_EQ(packet.dstAddr, kLoopbackBroadcast);
      EXPECT_EQ(packet.kind, 0);
      lines.push_back(packet.text);
    }
    f.ClearSent();
    return lines;
  }

  BotFixture f;
};

TEST_F(NewYearTest, GreetsOnceWhenTheYearTurnsNamingTheNewYear) {
  f.clock.SetNow(DateTimeParts{2026, 12, 31, 23, 59, 58});
  NewYearGreeting greeting(f.loop, f.clock, f.parts().replies);
  greeting.Start();
  f.loop.Advance(1500ms);
  EXPECT_TRUE(Lines().empty());
  f.loop.Advance(1000ms);
  EXPECT_EQ(Lines(), NewYearLines(2027));
  EXPECT_EQ(NewYearLines(2027)[0], W("С Новым Годом.%cf%"));
  EXPECT_EQ(NewYearLines(2027)[3], W("Сеть Vostra.Net поздравляет вас с первым днём 2027 годом !!%cf%"));
  f.loop.Advance(60000ms);
  EXPECT_TRUE(Lines().empty());

  // The clock set back and over midnight again: nobody is greeted twice.
  f.clock.SetNow(DateTimeParts{2026, 12, 31, 23, 59, 59});
  f.loop.Advance(1000ms);
  f.clock.SetNow(DateTimeParts{2027, 1, 1, 0, 0, 0});
  f.loop.Advance(1000ms);
  EXPECT_TRUE(Lines().empty());
  // A year later, the next turn.
  f.clock.SetNow(DateTimeParts{2027, 12, 31, 23, 59, 59});
  f.loop.Advance(500ms);
  EXPECT_TRUE(Lines().empty());
  f.loop.Advance(1000ms);
  EXPECT_EQ(Lines(), NewYearLines(2028));
}

TEST_F(NewYearTest, AClockThatJumpsIntoALaterYearGreetsNobody) {
  // A machine without a clock battery starts in 2000 and is set from the
  // network later; or it sleeps over the turn of the year.
  f.clock.SetNow(DateTimeParts{2000, 1, 1, 0, 0, 5});
  NewYearGreeting greeting(f.loop, f.clock, f.parts().replies);
  greeting.Start();
  f.loop.Advance(1000ms);
  const DateTimeParts jumps[][2] = {
      {{2000, 1, 1, 0, 0, 6}, {2026, 6, 15, 10, 0, 0}},
      {{2026, 12, 30, 23, 59, 59}, {2027, 1, 1, 0, 0, 1}},
      {{2027, 12, 31, 23, 59, 59}, {2028, 1, 2, 0, 0, 0}},
      {{2028, 12, 31, 22, 0, 0}, {2030, 1, 1, 0, 0, 0}},
  };
  for (const auto& jump : jumps) {
    f.clock.SetNow(jump[0]);
    f.loop.Advance(500ms);
    f.clock.SetNow(jump[1]);
    f.loop.Advance(500ms);
    EXPECT_TRUE(Lines().empty()) << jump[1].year;
  }
  // The turn itself still greets, as late as the first tick of the day.
  f.clock.SetNow(DateTimeParts{2030, 12, 31, 23, 59, 59});
  f.loop.Advance(500ms);
  f.clock.SetNow(DateTimeParts{2031, 1, 1, 23, 59, 0});
  f.loop.Advance(500ms);
  EXPECT_EQ(Lines(), NewYearLines(2031));
}

TEST_F(NewYearTest, NeverAtStart) {
  f.clock.SetNow(DateTimeParts{2027, 1, 1, 0, 0, 1});
  NewYearGreeting greeting(f.loop, f.clock, f.parts().replies);
  greeting.Start();
  f.loop.Advance(5000ms);
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(greeting.GreetedYear(), 2027);
}

}  // namespace
}  // namespace pelmo
