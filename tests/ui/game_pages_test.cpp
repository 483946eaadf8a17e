// The pages of the games: the chatterbox grid saved answers in the chat,
// the birthday editor writes BirthDay.dat and the join notice follows it.
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cstring>

#include "base/cp1251.h"
#include "games/birthday_table.h"
#include "core/bot.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "transport/packet_codec.h"
#include "ui/birthday_window.h"
#include "ui/chatterbox_page.h"
#include "ui/settings_pages.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

class GamePagesTest : public ::testing::Test {
 protected:
  GamePagesTest() {
    f.bot.dir.WriteFile("botfile/boltun.txt", W("привет^Здорово!\r\n"));
    services = InstallServices(f.bot.services());
    games = InstallGames(f.bot.services());
    f.window->AddServicePages(*services);
    f.window->AddGamePages(*games);
    f.bot.PrepareOffline();
    games->chatterbox.LoadPhrases();
    f.window->Settings()->ShowSettings();
    f.bot.ClearSent();
  }
  ~GamePagesTest() override {
    f.window.reset();
    games.reset();
  }

  std::string Answer(const ChatPeer& peer, const std::string& line) {
    f.bot.ClearSent();
    f.bot.ReceiveLine(peer, line);
    std::string text;
    for (const SentPacket& packet : f.bot.SentOfType(kPacketChatLine)) text += packet.text;
    return text;
  }

  void Fill(BirthdayWindow& editor, const char* name, const char* group, const char* day,
            const char* month, const char* year) {
    const char* texts[] = {name, group, day, month, year};
    for (int i = 0; i < 5; ++i) editor.Field(i)->setText(QString::fromUtf8(texts[i]));
  }

  WindowFixture f;
  std::unique_ptr<InstalledServices> services;
  std::unique_ptr<Games> games;
  const ChatPeer peer{"Ann", "PC7", Loopback(7)};
};

TEST_F(GamePagesTest, ChatterboxPairSavedAnswersInTheChat) {
  QTableWidget* grid = f.Find<QTableWidget>("AQvle");
  ASSERT_EQ(grid->rowCount(), 1);
  EXPECT_EQ(grid->item(0, 1)->text(), QString::fromUtf8("Здорово!"));
  // Edits can be kept: Add and Save are there to click.
  EXPECT_TRUE(f.Find<QPushButton>("AddAQb")->isEnabled());
  EXPECT_TRUE(f.Find<QPushButton>("Button1")->isEnabled());

  f.Find<QPushButton>("AddAQb")->click();
  ASSERT_EQ(grid->rowCount(), 2);
  grid->setItem(1, 0, new QTableWidgetItem(QString::fromUtf8("как дела")));
  grid->setItem(1, 1, new QTableWidgetItem(QString::fromUtf8("Отлично!")));
  // Not in the chat before the save.
  EXPECT_EQ(Answer(peer, W("Как дела")), "");
  f.Find<QPushButton>("Button1")->click();
  EXPECT_TRUE(f.warnings.isEmpty());
  EXPECT_EQ(f.bot.dir.ReadFile("botfile/boltun.txt"),
            W("привет^Здорово!\r\nкак дела^Отлично!\r\n"));
  EXPECT_EQ(Answer(peer, W("  Как ДЕЛА ")), W("Отлично!"));

  // A trigger with "^", or a line break in a cell, could not be read back:
  // refused with a box naming the row, nothing written.
  for (const char* trigger : {"a^b", "a\nb"}) {
    grid->item(1, 0)->setText(trigger);
    f.warnings.clear();
    f.Find<QPushButton>("Button1")->click();
    ASSERT_EQ(f.warnings.size(), 1) << trigger;
    EXPECT_TRUE(f.warnings[0].startsWith(QString::fromUtf8("Строка 2:"))) << trigger;
    EXPECT_EQ(f.bot.dir.ReadFile("botfile/boltun.txt"),
              W("привет^Здорово!\r\nкак дела^Отлично!\r\n"));
  }
  grid->item(1, 0)->setText(QString::fromUtf8("как дела"));
  grid->item(1, 1)->setText("a\r\nb");
  f.Find<QPushButton>("Button1")->click();
  EXPECT_EQ(f.warnings.size(), 2);
  EXPECT_EQ(Answer(peer, W("как дела")), W("Отлично!"));

  // Cancel shows the pairs again; Delete removes the current row and
  // keeps the other rows' unsaved edits, the current row staying put.
  f.Find<QPushButton>("LoadCfgB")->click();
  EXPECT_EQ(grid->item(1, 0)->text(), QString::fromUtf8("как дела"));
  grid->item(1, 1)->setText(QString::fromUtf8("Так себе"));
  grid->setCurrentCell(0, 0);
  f.Find<QPushButton>("DelAQb")->click();
  ASSERT_EQ(grid->rowCount(), 1);
  EXPECT_EQ(grid->item(0, 0)->text(), QString::fromUtf8("как дела"));
  EXPECT_EQ(grid->item(0, 1)->text(), QString::fromUtf8("Так себе"));
  EXPECT_EQ(grid->currentRow(), 0);
}

// 4 little-endian bytes.
std::int32_t IntAt(const std::string& block, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(block[offset + i]);
  return static_cast<std::int32_t>(value);
}

std::string ShortStringAt(const std::string& block, std::size_t offset) {
  return block.substr(offset + 1, static_cast<unsigned char>(block[offset]));
}

TEST_F(GamePagesTest, BirthdayEditedAndSavedGivesTheFileAndTheJoinNotice) {
  f.Find<QPushButton>("ShowBDB")->click();
  BirthdayWindow* editor = f.window->BirthdayEditor();
  ASSERT_TRUE(editor->isVisible());
  QTableWidget* list = editor->List();

  // The clock says 6 December 2026.
  editor->AddButtonClick();
  EXPECT_FALSE(editor->Panel()->isHidden());
  EXPECT_FALSE(list->isEnabled());
  Fill(*editor, "Ann", "Team", "7", "12", "1990");
  ASSERT_TRUE(editor->OKAddButtonClick());
  EXPECT_TRUE(editor->Panel()->isHidden());
  editor->AddButtonClick();
  Fill(*editor, "Bob", "", "1", "1", "2000");
  ASSERT_TRUE(editor->OKAddButtonClick());
  editor->AddButtonClick();
  Fill(*editor, "Cid", "X", "2", "2", "1980");
  ASSERT_TRUE(editor->OKAddButtonClick());
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(list->item(0, 3)->text(), "07.12.1990");

  // Rename the current row (Bob) into today's Boris.
  list->setCurrentCell(1, 0);
  editor->RenameButtonClick();
  EXPECT_EQ(editor->Field(0)->text(), "Bob");
  Fill(*editor, "Boris", "", "6", "12", "2000");
  ASSERT_TRUE(editor->OKAddButtonClick());
  // Delete acts on the current row, though the check selected others
  // (the current row moved as Ctrl with an arrow key moves it).
  list->selectionModel()->setCurrentIndex(list->model()->index(2, 0), QItemSelectionModel::NoUpdate);
  EXPECT_TRUE(list->item(0, 0)->isSelected());
  EXPECT_TRUE(list->item(1, 0)->isSelected());
  EXPECT_FALSE(list->item(2, 0)->isSelected());
  editor->DeleteButtonClick();
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->item(1, 2)->text(), "Boris");

  editor->SaveButtonClick();
  const std::string block = f.bot.dir.ReadFile("botfile/BirthDay.dat");
  ASSERT_EQ(block.size(), kBirthdayFileSize);
  EXPECT_EQ(IntAt(block, 134144), 2);
  EXPECT_EQ(ShortStringAt(block, 0), "Ann");
  EXPECT_EQ(ShortStringAt(block, 256), "Team");
  EXPECT_EQ(IntAt(block, 512), 7);
  EXPECT_EQ(IntAt(block, 516), 12);
  EXPECT_EQ(IntAt(block, 520), 1990);
  EXPECT_EQ(ShortStringAt(block, 524), "Boris");
  EXPECT_EQ(ShortStringAt(block, 524 + 256), "");
  EXPECT_EQ(IntAt(block, 524 + 512), 6);
  EXPECT_EQ(IntAt(block, 524 + 516), 12);
  EXPECT_EQ(IntAt(block, 524 + 520), 2000);

  // A joining user hears today's and tomorrow's birthdays.
  f.Find<QCheckBox>("BirthDayCB")->setChecked(true);
  f.bot.ClearSent();
  f.bot.ReceiveJoin(peer);
  std::string notice;
  for (const SentPacket& packet : f.bot.SentOfType(kPacketChatLine)) {
    if (packet.dstAddr == peer.address) notice += packet.text;
  }
  EXPECT_NE(notice.find(W("Сегодня родился:\r- Boris []\r")), std::string::npos) << notice;
  EXPECT_NE(notice.find(W("Завтра родится:\r- Ann [Team]\r")), std::string::npos) << notice;

  editor->ExitButtonClick();
  EXPECT_FALSE(editor->isVisible());
}

TEST_F(GamePagesTest, BirthdayInputIsCheckedAndAFullTableRefusesMore) {
  BirthdayWindow* editor = f.window->BirthdayEditor();
  editor->AddButtonClick();
  Fill(*editor, "", "G", "1", "2", "");
  EXPECT_FALSE(editor->OKAddButtonClick());
  Fill(*editor, "Ann", "G", "x", "2", "1990");
  EXPECT_FALSE(editor->OKAddButtonClick());
  ASSERT_EQ(f.warnings.size(), 2);
  EXPECT_EQ(f.warnings[0], "Please input:\n-name\n-year\n");
  EXPECT_EQ(f.warnings[1], "Input correct:\n-day\n");
  EXPECT_FALSE(editor->Panel()->isHidden());
  // The numbers read as the games' own rule reads them: a trailing blank
  // is not a number, "$0A" is ten.
  Fill(*editor, "Ann", "G", "7 ", "2", "1990");
  EXPECT_FALSE(editor->OKAddButtonClick());
  ASSERT_EQ(f.warnings.size(), 3);
  EXPECT_EQ(f.warnings[2], "Input correct:\n-day\n");
  Fill(*editor, "Ann", "G", "$0A", "2", "1990");
  ASSERT_TRUE(editor->OKAddButtonClick());
  EXPECT_EQ(games->birthdays.Table().At(0).Day, 10);
  EXPECT_EQ(editor->List()->item(0, 3)->text(), "10.02.1990");
  games->birthdays.Table().Delete(0);
  editor->ShowRows();

  for (int i = 0; i < 255; ++i) games->birthdays.Table().Add({"n" + std::to_string(i), "", 1, 1, 2000});
  editor->ShowRows();
  auto* add = editor->findChild<QPushButton*>("AddButton");
  EXPECT_TRUE(add->isEnabled());
  editor->AddButtonClick();
  Fill(*editor, "Last", "", "2", "2", "2002");
  ASSERT_TRUE(editor->OKAddButtonClick());
  EXPECT_EQ(games->birthdays.Table().Count(), 256);
  EXPECT_FALSE(add->isEnabled());
  editor->AddButtonClick();  // refused while full
  EXPECT_TRUE(editor->Panel()->isHidden());
}

}  // namespace
}  // namespace pelmo
