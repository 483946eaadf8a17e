// The models of the special pages on a whole bot (offline) and real data
// files: what they write, and the refusals and questions they hand back
// for the front-end to show.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "base/cp1251.h"
#include "games/birthday_table.h"
#include "fakes/bot_fixture.h"
#include "games/install_games.h"
#include "pages/admins_model.h"
#include "pages/ban_model.h"
#include "pages/birthday_editor_model.h"
#include "pages/chatterbox_model.h"
#include "pages/page_defs.h"
#include "pages/subscriber_model.h"
#include "pages/timed_model.h"
#include "services/ban_list.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "transport/packet_codec.h"

namespace pelmo {
namespace {

class PageModels : public ::testing::Test {
 protected:
  PageModels() { f.PrepareOffline(); }
  BotFixture f;
};

// The clock stands at 06.12.2026 18:05:07.
TEST_F(PageModels, BanAddWritesTheBotsDateAndRefusesABanThatMeansNothing) {
  BanList bans(f.dir.FilePath("botfile/ban.txt"), f.parts().replies, f.clock);
  BanModel model(bans, f.clock);
  // An hour from now, to the minute.
  EXPECT_EQ(model.StartDate().day, 6);
  EXPECT_EQ(model.StartTime(), "19:05:00");

  PageResult result = model.Add("", 2026, 12, 31, "23:59:00");
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->title, W("Бан лист"));
  EXPECT_EQ(result.message->text, W("Введите имя компьютера."));
  EXPECT_EQ(result.message->focus, "HostBanLE");

  // Times that are no time of day, and one already past.
  const struct {
    const char* time;
    int day;
  } refused[] = {{"99:99:99", 31}, {"24:00:00", 31}, {"235900", 31}, {"12:3:00", 31},
                 {"18:05:07", 6},  {"00:00:00", 6}};
  for (const auto& r : refused) {
    result = model.Add("EVILPC", 2026, 12, r.day, r.time);
    EXPECT_FALSE(result.done) << r.time;
    ASSERT_TRUE(result.message.has_value()) << r.time;
    EXPECT_EQ(result.message->focus, "TimebanME") << r.time;
  }
  EXPECT_EQ(result.message->text,
            W("Срок бана уже прошёл: бан снялся бы сразу. Укажите дату и время позже текущих "
              "(сейчас 06.12.2026 18:05:07)."));
  model.Reload();
  EXPECT_LE(model.Lines().size(), 1u);

  result = model.Add("EVILPC", 2026, 12, 31, "23:59:00");
  EXPECT_TRUE(result.done);
  EXPECT_FALSE(result.message.has_value());
  // A blank first digit, as the time field's mask leaves it, is written as 0.
  EXPECT_FALSE(model.Add("SOONPC", 2026, 12, 6, " 9:05:08").done);
  EXPECT_TRUE(model.Add("SOONPC", 2026, 12, 7, " 9:05:08").done);
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"),
            "[BanList]\r\nEVILPC=31.12.2026 23:59:00\r\nSOONPC=07.12.2026 09:05:08\r\n");
  EXPECT_EQ(model.Lines(), (std::vector<std::string>{"[BanList]", "EVILPC=31.12.2026 23:59:00",
                                                     "SOONPC=07.12.2026 09:05:08"}));

  // A name the file cannot hold as a key.
  result = model.Add("BAD=PC", 2026, 12, 31, "23:59:00");
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->text.rfind(W("Бан не записан в файл "), 0), 0u) << result.message->text;
  EXPECT_EQ(model.Lines().size(), 3u);
}

TEST_F(PageModels, BanStartIsAnHourAheadAcrossMidnight) {
  f.clock.SetNow(DateTimeParts{.year = 2026, .month = 12, .day = 31, .hour = 23, .minute = 30,
                               .second = 45});
  BanList bans(f.dir.FilePath("botfile/ban.txt"), f.parts().replies, f.clock);
  BanModel model(bans, f.clock);
  const DateTimeParts start = model.StartDate();
  EXPECT_EQ(start.year, 2027);
  EXPECT_EQ(start.month, 1);
  EXPECT_EQ(start.day, 1);
  EXPECT_EQ(model.StartTime(), "00:30:00");
}

// A join's expiry check takes a line while the page shows the list: Delete
// removes the line the operator chose, not the one now in its place; it
// asks first, and a second click finds nothing chosen.
TEST_F(PageModels, BanDeleteAsksRemovesTheChosenLineAndClearsTheChoice) {
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nOLD=01.01.2020 00:00:00\r\n"
                                     "KEEP=01.01.2030 00:00:00\r\nVICTIM=01.01.2030 00:00:00\r\n");
  BanList bans(f.dir.FilePath("botfile/ban.txt"), f.parts().replies, f.clock);
  BanModel model(bans, f.clock);
  model.Reload();
  ASSERT_EQ(model.Lines().size(), 4u);
  model.Select(0);
  EXPECT_FALSE(model.CanDelete());
  EXPECT_FALSE(model.Delete().message.has_value());
  EXPECT_FALSE(model.ConfirmDelete().done);

  model.Select(3);
  bans.RefreshBan("OLD");
  PageResult result = model.Delete();
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->kind, MessageKind::kQuestion);
  EXPECT_EQ(result.message->text, W("Удалить бан «VICTIM=01.01.2030 00:00:00»?"));
  // Nothing is written before the answer.
  EXPECT_NE(f.dir.ReadFile("botfile/ban.txt").find("VICTIM"), std::string::npos);

  result = model.ConfirmDelete();
  EXPECT_TRUE(result.done);
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\nKEEP=01.01.2030 00:00:00\r\n");
  EXPECT_EQ(model.Lines(), (std::vector<std::string>{"[BanList]", "KEEP=01.01.2030 00:00:00"}));
  // The second click of a double click: no line is chosen any more.
  EXPECT_EQ(model.Selected(), -1);
  EXPECT_FALSE(model.CanDelete());
  EXPECT_FALSE(model.Delete().message.has_value());
  EXPECT_FALSE(model.ConfirmDelete().done);
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\nKEEP=01.01.2030 00:00:00\r\n");

  // Gone from the file between question and answer: said, list read again.
  model.Select(1);
  ASSERT_TRUE(model.Delete().message.has_value());
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\n");
  result = model.ConfirmDelete();
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_NE(result.message->text.find("KEEP=01.01.2030 00:00:00"), std::string::npos);
  EXPECT_EQ(model.Lines(), std::vector<std::string>{"[BanList]"});
}

// The bot writes ban.txt itself (a chat "!ban", an expiry): the page
// follows, the chosen line staying chosen where it now stands.
TEST_F(PageModels, BanPageFollowsTheFileTheBotChanged) {
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nOLD=01.01.2020 00:00:00\r\n"
                                     "KEEP=01.01.2030 00:00:00\r\n");
  BanList bans(f.dir.FilePath("botfile/ban.txt"), f.parts().replies, f.clock);
  BanModel model(bans, f.clock);
  model.Reload();
  model.Select(2);
  EXPECT_FALSE(model.Follow());

  bans.RefreshBan("OLD");
  EXPECT_TRUE(model.Follow());
  EXPECT_EQ(model.Lines(), (std::vector<std::string>{"[BanList]", "KEEP=01.01.2030 00:00:00"}));
  EXPECT_EQ(model.Selected(), 1);

  EXPECT_TRUE(bans.AddBanLine("NEWPC=01.01.2031 00:00:00", Loopback(9)));
  EXPECT_TRUE(model.Follow());
  EXPECT_EQ(model.Lines(), (std::vector<std::string>{"[BanList]", "KEEP=01.01.2030 00:00:00",
                                                     "NEWPC=01.01.2031 00:00:00"}));
  EXPECT_EQ(model.Selected(), 1);
  EXPECT_FALSE(model.Follow());

  // The chosen line gone: nothing is chosen, not its neighbour.
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nNEWPC=01.01.2031 00:00:00\r\n");
  EXPECT_TRUE(model.Follow());
  EXPECT_EQ(model.Selected(), -1);
}

TEST_F(PageModels, AdministratorsTakeEffectAtOnceOneRowPerNickAtMostAThousand) {
  BotSettings& settings = f.parts().settings;
  AdminsModel model(settings);
  model.Load();
  PageResult added = model.Add();
  ASSERT_TRUE(added.done);
  EXPECT_EQ(added.row, 0);
  EXPECT_TRUE(settings.ADMvle.empty());  // an empty row names nobody
  model.SetCell(0, 0, "Boss");
  model.SetCell(0, 1, "BOSSPC");
  ASSERT_EQ(settings.ADMvle.size(), 1u);
  EXPECT_EQ(settings.ADMvle[0].CompName, "BOSSPC");

  model.Add();
  const PageResult twice = model.SetCell(1, 0, "Boss");
  EXPECT_FALSE(twice.done);
  EXPECT_EQ(twice.row, 1);
  ASSERT_TRUE(twice.message.has_value());
  EXPECT_EQ(twice.message->title, W("Администраторы"));
  EXPECT_EQ(twice.message->text, W("Ник \"Boss\" уже есть в списке."));
  EXPECT_EQ(model.Rows()[1].Nick, "");
  EXPECT_EQ(settings.ADMvle.size(), 1u);

  model.Remove(0);
  EXPECT_TRUE(settings.ADMvle.empty());
  for (int i = 0; i < 1000; ++i) settings.ADMvle.push_back({"n" + std::to_string(i), "h"});
  model.Load();
  const PageResult full = model.Add();
  EXPECT_FALSE(full.done);
  ASSERT_TRUE(full.message.has_value());
  EXPECT_EQ(full.message->text, W("Больше 1000 администраторов не сохраняется."));
  EXPECT_EQ(model.Rows().size(), 1000u);
}

TEST_F(PageModels, ASubscribersBoxIsOverwrittenOnlyAfterTheQuestion) {
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  SubscriberModel model(*services, f.bot().Folder());
  EXPECT_FALSE(model.Add("Petya", "").done);
  EXPECT_FALSE(f.dir.Exists("user/5065747961"));

  // What the subscriber reads in his password channel.
  const auto read = [&](const std::string& password) {
    f.ClearSent();
    f.ReceivePasswordLine({W("Вася"), "PC5", Loopback(5)}, "!r", "Vasya_box", password);
    std::string text;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) text += packet.text;
    return text;
  };
  ASSERT_TRUE(model.Add(W("Вася"), "secret").done);
  const std::string box = f.dir.ReadFile("user/C2E0F1FF");
  EXPECT_EQ(read("secret"), W("Спасибо за регистрацию в нашей системе!"));

  const PageResult asked = model.Add(W("Вася"), "other");
  EXPECT_FALSE(asked.done);
  ASSERT_TRUE(asked.message.has_value());
  EXPECT_EQ(asked.message->kind, MessageKind::kQuestion);
  EXPECT_EQ(asked.message->title, W("Добавление абонента"));
  EXPECT_NE(asked.message->text.find(W("У абонента \"Вася\" уже есть ящик.")), std::string::npos);
  EXPECT_EQ(f.dir.ReadFile("user/C2E0F1FF"), box);
  EXPECT_TRUE(model.Add(W("Вася"), "other", true).done);
  EXPECT_EQ(read("other"), W("Спасибо за регистрацию в нашей системе!"));
}

TEST_F(PageModels, ChatterboxSaveRefusesARowThatWouldNotReadBack) {
  f.dir.WriteFile("botfile/boltun.txt", W("привет^Здорово!\r\n"));
  Chatterbox chatterbox(f.dir.FilePath("botfile/boltun.txt"), f.clock);
  chatterbox.LoadPhrases();
  ChatterboxModel model(chatterbox);
  model.Load();
  const PageResult added = model.Add();
  EXPECT_EQ(added.row, 1);
  model.SetCell(1, 0, "a^b");
  model.SetCell(1, 1, W("Отлично!"));
  const PageResult refused = model.Save();
  EXPECT_FALSE(refused.done);
  EXPECT_EQ(refused.row, 1);
  ASSERT_TRUE(refused.message.has_value());
  EXPECT_EQ(refused.message->title, W("Говарилка"));
  EXPECT_EQ(refused.message->text.rfind(W("Строка 2:"), 0), 0u) << refused.message->text;
  EXPECT_EQ(f.dir.ReadFile("botfile/boltun.txt"), W("привет^Здорово!\r\n"));

  model.SetCell(1, 0, W("как дела"));
  EXPECT_TRUE(model.Save().done);
  EXPECT_EQ(f.dir.ReadFile("botfile/boltun.txt"), W("привет^Здорово!\r\nкак дела^Отлично!\r\n"));
  EXPECT_EQ(chatterbox.PhraseCount(), 2u);
  // Without a current row, Delete takes the first.
  EXPECT_TRUE(model.Delete(-1));
  EXPECT_EQ(model.Rows()[0].trigger, W("как дела"));
}

TEST_F(PageModels, BirthdayInputIsCheckedAndAFullTableRefusesMore) {
  std::unique_ptr<Games> games = InstallGames(f.services());
  BirthdayEditorModel model(games->birthdays, f.clock);
  ASSERT_TRUE(model.Add());
  EXPECT_TRUE(model.InputOpen());
  EXPECT_FALSE(model.Idle());
  PageResult result = model.Accept({"", "G", "1", "2", ""});
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->title, "Error");
  EXPECT_EQ(result.message->text, "Please input:\n-name\n-year\n");
  EXPECT_TRUE(model.InputOpen());
  result = model.Accept({"Ann", "G", "x", "2", "1990"});
  EXPECT_EQ(result.message->text, "Input correct:\n-day\n");

  // The clock says 6 December 2026: the rows of today and tomorrow are
  // selected.
  ASSERT_TRUE(model.Accept({"Ann", "Team", "7", "12", "1990"}).done);
  EXPECT_FALSE(model.InputOpen());
  const std::optional<BirthdayInput> texts = model.Rename(0);
  ASSERT_TRUE(texts.has_value());
  EXPECT_EQ(texts->name, "Ann");
  EXPECT_EQ(texts->day, "7");
  ASSERT_TRUE(model.Accept({"Anna", "Team", "1", "1", "1990"}).done);
  EXPECT_EQ(games->birthdays.Table().Count(), 1);
  EXPECT_EQ(games->birthdays.Table().At(0).Name, "Anna");
  EXPECT_FALSE(model.Rows()[0].selected);
  EXPECT_FALSE(model.Rename(1).has_value());

  for (int i = 1; i < 256; ++i) games->birthdays.Table().Add({"n" + std::to_string(i), "", 7, 12, 2000});
  EXPECT_TRUE(model.Rows()[1].selected);
  EXPECT_FALSE(model.CanAdd());
  EXPECT_FALSE(model.Add());
  EXPECT_FALSE(model.InputOpen());
  EXPECT_TRUE(model.Delete(255));
  EXPECT_TRUE(model.CanAdd());
  games.reset();
}

TEST_F(PageModels, EachBirthdayPanelFieldFillsItsPartOfTheEntry) {
  std::unique_ptr<Games> games = InstallGames(f.services());
  BirthdayEditorModel model(games->birthdays, f.clock);
  // What an operator types under each caption of the panel.
  const std::map<std::string, std::string> typed = {
      {"Name:", "Ann"}, {"Group:", "Team"}, {"Day:", "7"}, {"Month:", "12"}, {"Year:", "1990"}};
  BirthdayInput input;
  std::set<std::string> filled;
  for (const FieldDef& field : BirthdayPanelDef().fields) {
    const auto it = std::find_if(BirthdayInputFields().begin(), BirthdayInputFields().end(),
                                 [&](const BirthdayInputField& known) { return known.name == field.name; });
    ASSERT_NE(it, BirthdayInputFields().end()) << field.name;
    input.*(it->text) = typed.at(field.caption);
    filled.insert(field.name);
  }
  EXPECT_EQ(filled.size(), 5u);
  EXPECT_EQ(BirthdayInputFields().size(), 5u);
  ASSERT_TRUE(model.Add());
  ASSERT_TRUE(model.Accept(input).done);
  const BirthdayEntry& entry = games->birthdays.Table().At(0);
  EXPECT_EQ(entry.Name, "Ann");
  EXPECT_EQ(entry.Group, "Team");
  EXPECT_EQ(entry.Day, 7);
  EXPECT_EQ(entry.Month, 12);
  EXPECT_EQ(entry.Year, 1990);
  games.reset();
}

TEST_F(PageModels, ACountdownWithoutAnIntervalIsSaid) {
  TimedFeatures timed(f.services(), [] {});
  TimedModel model(timed);
  f.parts().settings.AnekMinE = "0";
  f.parts().settings.AnekSekE = "0";
  const PageResult result = model.StartAnecdote();
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->text, W("Надо задать интервал!"));
  f.parts().settings.AnekSekE = "3";
  EXPECT_TRUE(model.StartAnecdote().done);
  std::vector<std::string> changed;
  model.OnChanged = [&](const std::string& name) { changed.push_back(name); };
  timed.Anecdote().Tick();
  EXPECT_EQ(changed, std::vector<std::string>{"Label49"});
  EXPECT_EQ(model.Text("Label49"), "00:02");
}

}  // namespace
}  // namespace pelmo
