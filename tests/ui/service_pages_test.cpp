// The pages bound to the services: the ban page writes ban.txt as
// "!banlist" then lists it, the administrators grid gives rights at once.
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "core/bot.h"
#include "services/install_services.h"
#include "transport/packet_codec.h"
#include "ui/admins_page.h"
#include "ui/settings_pages.h"
#include "ui/subscriber_page.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

class ServicePagesTest : public ::testing::Test {
 protected:
  ServicePagesTest() : services(InstallServices(f.bot.services())) {
    f.window->AddServicePages(*services);
    f.bot.PrepareOffline();
    f.window->Settings()->ShowSettings();
    f.bot.ClearSent();
  }

  void Click(const char* name) {
    auto* button = f.Find<QPushButton>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
  }

  // The text of the last chat line the bot sent to the peer.
  std::string AnswerTo(const ChatPeer& peer, const std::string& line) {
    f.bot.ClearSent();
    f.bot.ReceiveLine(peer, line);
    std::string text;
    for (const SentPacket& packet : f.bot.SentOfType(kPacketChatLine)) text += packet.text;
    return text;
  }

  WindowFixture f;
  std::unique_ptr<InstalledServices> services;
  const ChatPeer peer{"Ann", "PC7", Loopback(7)};
};

// The page's wiring; what the ban model accepts and refuses is tested on
// the model.
TEST_F(ServicePagesTest, BanAddedAndDeletedShowsInTheFileAndTheListing) {
  // A desktop locale with another date order changes nothing in the file.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  auto* list = f.Find<QListWidget>("ListBan");
  ASSERT_NE(list, nullptr);
  f.Find<QLineEdit>("HostBanLE")->setText("EVILPC");
  f.Find<QDateEdit>("DateTimePicker2")->setDate(QDate(2026, 12, 31));
  f.Find<QLineEdit>("TimebanME")->setText("23:59:00");
  Click("AddBanB");
  QLocale::setDefault(QLocale::c());

  EXPECT_EQ(f.bot.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\nEVILPC=31.12.2026 23:59:00\r\n");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), "EVILPC=31.12.2026 23:59:00");
  EXPECT_NE(AnswerTo(peer, "!banlist").find("EVILPC=31.12.2026 23:59:00"), std::string::npos);

  // The header line cannot be deleted; a ban line can, after the question.
  list->setCurrentRow(0);
  EXPECT_FALSE(f.Find<QPushButton>("DelBanB")->isEnabled());
  list->setCurrentRow(1);
  EXPECT_TRUE(f.Find<QPushButton>("DelBanB")->isEnabled());
  Click("DelBanB");
  ASSERT_EQ(f.questions.size(), 1);
  EXPECT_EQ(f.questions[0], QString::fromUtf8("Бан лист|Удалить бан «EVILPC=31.12.2026 "
                                              "23:59:00»?|&Удалить|&Отмена"));
  EXPECT_EQ(list->count(), 2);
  f.actionAnswers = {true};
  Click("DelBanB");
  EXPECT_EQ(f.bot.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\n");
  EXPECT_EQ(list->count(), 1);
  EXPECT_FALSE(f.Find<QPushButton>("DelBanB")->isEnabled());
  EXPECT_EQ(AnswerTo(peer, "!banlist").find("EVILPC"), std::string::npos);
}

// The clock stands at 06.12.2026 18:05:07.
TEST_F(ServicePagesTest, BanPageStartsAnHourAheadRefusesThePastAndFollowsTheChat) {
  f.window->FormCreate();
  EXPECT_EQ(f.Find<QDateEdit>("DateTimePicker2")->date(), QDate(2026, 12, 6));
  EXPECT_EQ(f.Find<QLineEdit>("TimebanME")->text(), "19:05:00");
  f.window->show();
  f.window->Tabs()->setCurrentIndex(1);
  f.window->Settings()->SelectPage(PageId::kBans);
  WindowFixture::Pump();

  f.Find<QLineEdit>("HostBanLE")->setText("EVILPC");
  f.Find<QLineEdit>("TimebanME")->setText("18:00:00");
  Click("AddBanB");
  ASSERT_EQ(f.warnings.size(), 1);
  EXPECT_TRUE(f.warnings[0].startsWith(QString::fromUtf8("Срок бана уже прошёл"))) << f.warnings[0].toStdString();
  EXPECT_TRUE(f.Find<QLineEdit>("TimebanME")->hasFocus());
  EXPECT_TRUE(SaveScreenshot(f.window.get(), "ban-page-past-refused"));
  EXPECT_EQ(f.Find<QListWidget>("ListBan")->count(), 0);

  // A ban from the chat shows up while the page stays open.
  const ChatPeer boss{"Boss", "BOSSPC", Loopback(9)};
  f.bot.parts().settings.ADMvle = {{"Boss", "BOSSPC"}};
  AnswerTo(boss, "!ban OTHER=01.01.2030 00:00:00");
  ASSERT_NE(f.bot.dir.ReadFile("botfile/ban.txt").find("OTHER="), std::string::npos);
  auto* list = f.Find<QListWidget>("ListBan");
  EXPECT_TRUE(QTest::qWaitFor([list] { return list->count() == 2; }, 5000));
  f.bot.bot().Stop();
}

TEST_F(ServicePagesTest, AdministratorAddedInTheGridHasTheRightsAtOnce) {
  auto* page = static_cast<AdminsPage*>(f.window->Settings()->Page(PageId::kAdmins));
  QTableWidget* grid = f.Find<QTableWidget>("ADMvle");
  ASSERT_NE(grid, nullptr);
  const ChatPeer boss{"Boss", "BOSSPC", Loopback(9)};
  const std::string command = "!ban VICTIM=01.01.2030 00:00:00";

  AnswerTo(boss, command);
  EXPECT_EQ(f.bot.dir.ReadFile("botfile/ban.txt").find("VICTIM"), std::string::npos);

  Click("AddADMB");
  ASSERT_EQ(grid->rowCount(), 1);
  grid->item(0, 0)->setText("Boss");
  grid->item(0, 1)->setText("BOSSPC");
  ASSERT_EQ(f.bot.parts().settings.ADMvle.size(), 1u);
  EXPECT_NE(AnswerTo(boss, command).find(W("Добавлен в Бан лист")), std::string::npos);
  EXPECT_NE(f.bot.dir.ReadFile("botfile/ban.txt").find("VICTIM=01.01.2030 00:00:00"),
            std::string::npos);

  // A nick already in the grid is refused.
  Click("AddADMB");
  grid->item(1, 0)->setText("Boss");
  EXPECT_EQ(grid->item(1, 0)->text(), "");
  EXPECT_EQ(f.warnings.size(), 1);
  EXPECT_EQ(f.bot.parts().settings.ADMvle.size(), 1u);

  // Saved with the settings; removed from the grid, the rights go at once.
  Click("SaveCfgB");
  EXPECT_EQ(f.bot.dir.ReadFile("botfile/admin.txt"), "Boss#BOSSPC\r\n");
  grid->setCurrentCell(0, 0);
  Click("RemoveADMB");
  EXPECT_TRUE(f.bot.parts().settings.ADMvle.empty());
  // Cancel brings the saved one back.
  Click("LoadCfgB");
  ASSERT_EQ(grid->rowCount(), 1);
  EXPECT_EQ(grid->item(0, 0)->text(), "Boss");
  (void)page;
}

TEST_F(ServicePagesTest, AddIsRefusedAtThousandRows) {
  auto* page = static_cast<AdminsPage*>(f.window->Settings()->Page(PageId::kAdmins));
  for (int i = 0; i < 1000; ++i) f.bot.parts().settings.ADMvle.push_back({"n" + std::to_string(i), "h"});
  page->ShowAdmins();
  EXPECT_FALSE(page->AddADMBClick());
  EXPECT_EQ(page->Grid()->rowCount(), 1000);
  EXPECT_EQ(f.warnings.size(), 1);
  page->Grid()->setCurrentCell(0, 0);
  page->RemoveADMBClick();
  EXPECT_TRUE(page->AddADMBClick());
}

TEST_F(ServicePagesTest, SubscriberAddedInTheDialogReadsHisBoxInAPasswordChannel) {
  auto* page = static_cast<SubscriberPage*>(f.window->Settings()->Page(PageId::kSubscribers));
  // The list and its buttons stay hidden, Delete disabled, as they were.
  EXPECT_TRUE(f.Find<QWidget>("AbonPanel")->isHidden());
  EXPECT_FALSE(f.Find<QPushButton>("DelAbonB")->isEnabled());

  QString user = QString::fromUtf8("Вася"), password = "secret";
  int dialogs = 0;
  page->runDialog = [&](AddNewDialog& dialog) {
    ++dialogs;
    EXPECT_EQ(dialog.Password()->echoMode(), QLineEdit::Password);
    dialog.User()->setText(user);
    dialog.Password()->setText(password);
    return true;
  };
  ASSERT_TRUE(page->AddAbonBClick());
  const ChatPeer vasya{W("Вася"), "PC5", Loopback(5)};
  f.bot.ClearSent();
  f.bot.ReceivePasswordLine(vasya, "!r", "Vasya_box", "secret");
  std::vector<SentPacket> sent = f.bot.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].channel, "Vasya_box");
  EXPECT_EQ(sent[0].text, W("Спасибо за регистрацию в нашей системе!"));

  // Over an existing box: asked first; No keeps the box as it was.
  const std::string box = f.bot.dir.ReadFile("user/C2E0F1FF");
  password = "other";
  EXPECT_FALSE(page->AddAbonBClick());
  EXPECT_EQ(f.questions.size(), 1);
  EXPECT_EQ(f.bot.dir.ReadFile("user/C2E0F1FF"), box);
  // An empty field writes nothing.
  user = "Petya";
  password = "";
  EXPECT_FALSE(page->AddAbonBClick());
  EXPECT_FALSE(f.bot.dir.Exists("user/5065747961"));
  EXPECT_EQ(dialogs, 3);
}

}  // namespace
}  // namespace pelmo
