// The control window's operations on a real working folder: tool bar,
// console line, topic, colour, user list, tree pages, save and cancel
// through the files, the number fields, minimise and close.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include <unistd.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "core/bot.h"
#include "transport/packet_codec.h"
#include "ui/log_view.h"
#include "ui/qt_text.h"
#include "ui/settings_pages.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

class MainWindowTest : public ::testing::Test {
 protected:
  void Offline() {
    f.bot.PrepareOffline();
    f.window->Settings()->ShowSettings();
    f.bot.ClearSent();
  }
  void Trigger(const char* action) {
    QAction* a = f.Find<QAction>(action);
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
    WindowFixture::Pump();
  }
  void Type(const char* field, const QString& text) {
    auto* edit = f.Find<QLineEdit>(field);
    ASSERT_NE(edit, nullptr) << field;
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    TypeText(edit, text);
  }
  QString Text(const char* field) { return f.Find<QLineEdit>(field)->text(); }
  void Click(const char* button) {
    auto* b = f.Find<QAbstractButton>(button);
    ASSERT_NE(b, nullptr) << button;
    b->click();  // as the mouse does; the page need not be on screen
    WindowFixture::Pump();
  }

  WindowFixture f;
};

TEST_F(MainWindowTest, ToolBarStartsAndStopsTheBotOnLoopback) {
  f.bot.RecordSends(true);
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  EXPECT_EQ(f.window->StatusPanel(2)->text(), "Running");
  EXPECT_TRUE(f.window->Log()->toPlainText().contains("Started."));
  EXPECT_TRUE(f.window->StatusPanel(3)->text().startsWith("Last start: "));

  f.bot.ClearSent();
  Trigger("StopTb");
  EXPECT_FALSE(f.bot.bot().Running());
  EXPECT_EQ(f.window->StatusPanel(2)->text(), "Stoped");
  ASSERT_EQ(f.bot.SentOfType(kPacketLeave).size(), 1u);

  // The start shows the log tab first.
  f.window->Tabs()->setCurrentIndex(1);
  Trigger("StartTB");
  EXPECT_TRUE(f.bot.bot().Running());
  EXPECT_EQ(f.window->Tabs()->currentIndex(), 0);
  EXPECT_EQ(f.bot.SentOfType(kPacketJoin).size(), 1u);
  f.bot.bot().Stop();
}

TEST_F(MainWindowTest, ConsoleLineIsSaidInTheChatOrKeptWhileTheBotIsStopped) {
  f.bot.RecordSends(false);
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  f.bot.ClearSent();
  auto* console = f.Find<QLineEdit>("ConsoleInputE");
  TypeText(console, Q("Всем привет"));
  QTest::keyClick(console, Qt::Key_Return);
  std::vector<SentPacket> sent = f.bot.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Всем привет"));
  EXPECT_EQ(sent[0].channel, "Main");
  EXPECT_EQ(sent[0].kind, 0);
  EXPECT_TRUE(console->text().isEmpty());

  // Stopped, nothing can carry the line: it stays, and the log says why.
  Trigger("StopTb");
  f.bot.ClearSent();
  TypeText(console, Q("Ещё раз"));
  QTest::keyClick(console, Qt::Key_Return);
  EXPECT_TRUE(f.bot.SentOfType(kPacketChatLine).empty());
  EXPECT_EQ(console->text(), Q("Ещё раз"));
  const QString last = f.window->Log()->document()->lastBlock().text();
  EXPECT_TRUE(last.contains(Q("Строка не отправлена: бот не в чате"))) << last.toStdString();
  EXPECT_TRUE(last.contains(Q("«Запустить бота»")));
}

TEST_F(MainWindowTest, TopicLabelAsksAndSendsLatinCapitalsWithTheNick) {
  Offline();
  auto* topic = f.Find<QLabel>("TopicL");
  ASSERT_NE(topic, nullptr);
  EXPECT_EQ(topic->text(), Q("< Нет темы >"));
  struct Case {
    std::optional<QString> answer;
    std::string sent;  // "" when nothing is sent
  };
  const Case cases[] = {
      {Q("pelmeni в пятницу"), W("PELMENI в пятницу (@Pelmo_bot)")},
      {QString(), ""},
      {std::nullopt, ""},
  };
  for (const Case& c : cases) {
    f.bot.ClearSent();
    f.textAnswers = {c.answer};
    QTest::mouseClick(topic, Qt::LeftButton);
    std::vector<SentPacket> sent = f.bot.SentOfType(kPacketTopic);
    if (c.sent.empty()) {
      EXPECT_TRUE(sent.empty());
    } else {
      ASSERT_EQ(sent.size(), 1u);
      EXPECT_EQ(sent[0].text, c.sent);
    }
  }
  EXPECT_EQ(f.questions.front(), Q("Добавить топик|Введите текст:"));
}

TEST_F(MainWindowTest, ColourDialogSetsTheColourAndWritesItAtOnce) {
  Offline();
  f.colorAnswers = {QColor(0x10, 0x20, 0x30)};
  Click("NickColB");
  EXPECT_EQ(f.bot.parts().out.NickColor, 0x302010u);
  EXPECT_EQ(IniFile(f.bot.dir.FilePath("Net.ini")).ReadInteger("chat", "Color", -1), 0x302010);
  EXPECT_EQ(f.Find<QWidget>("ColorP")->palette().color(QPalette::Window), QColor(0x10, 0x20, 0x30));
  // Cancelled: nothing changes.
  Click("NickColB");
  EXPECT_EQ(f.bot.parts().out.NickColor, 0x302010u);
}

TEST_F(MainWindowTest, NetworkTextIsShownAsPlainText) {
  Offline();
  const ChatPeer peer{"<b>Ann</b>", "PC<i>7</i>", Loopback(2)};
  f.bot.ReceiveTopic(peer, "<h1>big</h1> &amp;");
  f.bot.ReceivePresence(peer);
  auto* topic = f.Find<QLabel>("TopicL");
  EXPECT_EQ(topic->textFormat(), Qt::PlainText);
  EXPECT_EQ(topic->text(), "<h1>big</h1> &amp;");
  EXPECT_TRUE(f.window->Log()->toPlainText().contains("<b>Ann</b>"));
  EXPECT_TRUE(f.window->Log()->toPlainText().contains("<h1>big</h1> &amp;"));
  auto* users = f.Find<QListWidget>("UsrLB");
  ASSERT_EQ(users->count(), 1);
  EXPECT_EQ(users->item(0)->text(), "<b>Ann</b> (PC<i>7</i>)");
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 1");
}

TEST_F(MainWindowTest, LogLinesHaveABlackPrefixAndTheirColourAndAreCapped) {
  Offline();
  f.bot.parts().log.LogLine("coloured", 0x0000FF);  // red in 0x00BBGGRR
  LogView* log = f.window->Log();
  const QTextBlock block = log->document()->lastBlock();
  EXPECT_TRUE(block.text().endsWith("] coloured"));
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + 1);
  EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(Qt::black));
  cursor.setPosition(block.position() + block.length() - 1);
  EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));

  // A line break inside a chat line stays inside its entry, indented, so
  // that it cannot pose as an entry of its own.
  f.bot.parts().log.LogLine("hello\r\n[12:00] Boss: !ban x");
  EXPECT_TRUE(log->document()->lastBlock().text().endsWith(
      QString("hello") + QChar::LineSeparator + "    [12:00] Boss: !ban x"));

  for (int i = 0; i < 5100; ++i) {
    f.bot.parts().log.LogLine("line " + std::to_string(i));
  }
  EXPECT_EQ(log->LineCount(), 5000);
  EXPECT_TRUE(log->document()->lastBlock().text().endsWith("line 5099"));

  Trigger("ClearLogTB");
  EXPECT_EQ(log->LineCount(), 0);
}

TEST_F(MainWindowTest, UserListClickShowsTheAddressAndAPageChangeClearsIt) {
  Offline();
  f.bot.ReceivePresence({"Ann", "PC7", Loopback(7)});
  f.bot.ReceivePresence({"Bob", "PC9", Loopback(9)});
  auto* users = f.Find<QListWidget>("UsrLB");
  ASSERT_EQ(users->count(), 2);
  const QRect rect = users->visualItemRect(users->item(1));
  QTest::mouseClick(users->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_EQ(f.window->StatusPanel(1)->text(), "IP:127.0.0.9");
  f.window->Tabs()->setCurrentIndex(2);
  EXPECT_EQ(f.window->StatusPanel(1)->text(), "IP:");

  // The refresh empties the list and probes the chat.
  f.bot.ClearSent();
  Trigger("RefreshUsrList");
  EXPECT_EQ(users->count(), 0);
  EXPECT_EQ(f.bot.SentOfType(kPacketProbe).size(), 1u);
}

TEST_F(MainWindowTest, TreeNodesShowTheirPagesAndStayExpanded) {
  Offline();
  SettingsPages* pages = f.window->Settings();
  QTreeWidget* tree = pages->Tree();
  f.window->Tabs()->setCurrentIndex(1);
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
  EXPECT_EQ(pages->CurrentPage(), 0);
  const char* nodes[] = {"Настройки", "Настройки чата", "Общие", "Связь", "Сетевые настройки",
                         "Бан лист", "Отложенные сообщения", "Болтун", "Погода",
                         "Настройка погоды", "Администраторы", "Birth Day", "Анекдот",
                         "Викторина", "Проверка лог файла"};
  for (int i = 0; i < 15; ++i) {
    pages->SelectPage(SettingsPageDefs()[static_cast<std::size_t>(i)].id);
    EXPECT_EQ(tree->currentItem()->text(0), Q(nodes[i])) << i;
    EXPECT_EQ(pages->CurrentPage(), i) << i;
  }
  EXPECT_NE(pages->Page(PageId::kLogFile)->findChild<QLineEdit*>("CheckLogFileSizeE"), nullptr);
  tree->collapseItem(tree->topLevelItem(0));
  EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
}

// The heading names each page as the tree does, and the tab keeps the
// page the operator left.
TEST_F(MainWindowTest, PagesAreHeadedByTheirTreeTitlesAndTheTabKeepsThePage) {
  Offline();
  SettingsPages* pages = f.window->Settings();
  auto* heading = f.Find<QLabel>("PageTitleL");
  ASSERT_NE(heading, nullptr);
  const char* titles[] = {"Настройки", "Настройки чата", "Общие", "Связь", "Сетевые настройки",
                          "Бан лист", "Отложенные сообщения", "Болтун", "Погода",
                          "Настройка погоды", "Администраторы", "Birth Day", "Анекдот",
                          "Викторина", "Проверка лог файла"};
  for (int i = 0; i < 15; ++i) {
    pages->SelectPage(SettingsPageDefs()[static_cast<std::size_t>(i)].id);
    EXPECT_EQ(heading->text(), Q(titles[i])) << i;
  }
  // No page carries a heading of its own beside it.
  for (const char* internal : {"Default", "общие", "Abonent_Alert", "Удол управ",
                               "CheckLogFileSize", "настройки чата", "Говарилка"}) {
    for (QLabel* label : pages->findChildren<QLabel*>()) {
      EXPECT_NE(label->text(), Q(internal)) << internal;
    }
  }

  f.window->Tabs()->setCurrentIndex(1);
  pages->SelectPage(PageId::kNetwork);
  f.window->Tabs()->setCurrentIndex(0);
  f.window->Tabs()->setCurrentIndex(1);
  EXPECT_EQ(pages->CurrentPage(), 4);
  EXPECT_EQ(heading->text(), Q("Сетевые настройки"));
}

TEST_F(MainWindowTest, SaveAndCancelGoThroughTheFiles) {
  Offline();
  Type("NickE", Q("@Пельмень"));
  EXPECT_EQ(f.bot.parts().netSettings.BotNick, W("@Пельмень"));  // at once
  Type("FloodE", "12");
  Type("PortE", "47001");
  Type("AnecChannelE", "Jokes");
  Type("CheckLogFileSizeE", "5000");
  f.Find<QCheckBox>("BoltunCB")->setChecked(false);
  f.Find<QCheckBox>("PocazNameChanCB")->setChecked(false);
  Click("SaveCfgB");
  EXPECT_TRUE(f.warnings.isEmpty());
  EXPECT_TRUE(f.errors.empty());

  IniFile net(f.bot.dir.FilePath("Net.ini"));
  IniFile others(f.bot.dir.FilePath("others.ini"));
  EXPECT_EQ(net.ReadString("chat", "Nick", ""), W("@Пельмень"));
  EXPECT_EQ(net.ReadInteger("chat", "Flood", 0), 12);
  EXPECT_EQ(net.ReadInteger("net", "port", 0), 47001);
  EXPECT_EQ(net.ReadInteger("chat", "Boltun", -1), 0);
  EXPECT_EQ(net.ReadInteger("chat", "CheckLogFileSizeE", 0), 5000);
  EXPECT_EQ(others.ReadString("anecdot", "Channel", ""), "Jokes");
  EXPECT_EQ(others.ReadInteger("Vic", "ShowChanChat", -1), 0);

  // Unsaved edits are thrown away by the cancel.
  Type("NickE", "Other");
  f.Find<QCheckBox>("BoltunCB")->setChecked(true);
  Click("LoadCfgB");
  EXPECT_EQ(Text("NickE"), Q("@Пельмень"));
  EXPECT_FALSE(f.Find<QCheckBox>("BoltunCB")->isChecked());
  EXPECT_FALSE(f.bot.parts().settings.BoltunCB);
  EXPECT_EQ(Text("FloodE"), "12");
}

// The save takes a running bot off the chat: a box says so and starts it
// again with one click.
TEST_F(MainWindowTest, SaveThatStopsTheBotSaysSoAndOffersTheStart) {
  f.bot.RecordSends(false);
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  f.bot.ReceivePresence({"Ann", "PC7", Loopback(7)});
  f.bot.ReceivePresence({"Bob", "PC9", Loopback(9)});
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 2");

  f.actionAnswers = {false};
  Click("SaveCfgB");
  ASSERT_EQ(f.questions.size(), 1);
  const QStringList box = f.questions[0].split('|');
  ASSERT_EQ(box.size(), 4);
  EXPECT_EQ(box[0], "Pelmo_bot v 1.3");
  EXPECT_TRUE(box[1].contains(Q("Бот остановлен"))) << box[1].toStdString();
  EXPECT_EQ(box[2], Q("&Запустить бота"));
  EXPECT_FALSE(f.bot.bot().Running());
  EXPECT_EQ(f.window->StatusPanel(2)->text(), "Stoped");
  // The count goes with the emptied list.
  EXPECT_EQ(f.Find<QListWidget>("UsrLB")->count(), 0);
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 0");

  // The same box started again: one click and the bot is back.
  Trigger("StartTB");
  f.actionAnswers = {true};
  Click("SaveCfgB");
  EXPECT_EQ(f.questions.size(), 2);
  EXPECT_TRUE(f.bot.bot().Running());
  EXPECT_EQ(f.window->StatusPanel(2)->text(), "Running");

  // A save of a stopped bot stops nothing and asks nothing.
  Trigger("StopTb");
  Click("SaveCfgB");
  EXPECT_EQ(f.questions.size(), 2);
  EXPECT_TRUE(f.warnings.isEmpty());
}

TEST_F(MainWindowTest, UsersCountFollowsTheListThroughStopAndRefresh) {
  f.bot.RecordSends(false);
  f.window->FormCreate();
  f.bot.ReceivePresence({"Ann", "PC7", Loopback(7)});
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 1");
  f.bot.ReceiveLeave({"Ann", "PC7", Loopback(7)});
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 0");
  f.bot.ReceivePresence({"Bob", "PC9", Loopback(9)});
  Trigger("RefreshUsrList");
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 0");
  f.bot.ReceivePresence({"Bob", "PC9", Loopback(9)});
  Trigger("StopTb");
  EXPECT_EQ(f.window->StatusPanel(0)->text(), "Users: 0");
}

TEST_F(MainWindowTest, AnUnsoundFieldStopsTheSaveBeforeTheBotStops) {
  f.bot.RecordSends(true);
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  const std::string before = f.bot.dir.ReadFile("Net.ini");
  struct Case {
    const char* field;
    QString text;
  };
  const Case cases[] = {{"PortE", ""}, {"PortE", "70000"}, {"TTLe", "300"},
                        {"NetAddrE", "234.0.0"}, {"CheckLogFileSizeE", ""}};
  for (const Case& c : cases) {
    f.Find<QLineEdit>(c.field)->setText(c.text);
    f.warnings.clear();
    Click("SaveCfgB");
    EXPECT_EQ(f.warnings.size(), 1) << c.field;
    EXPECT_TRUE(f.bot.bot().Running()) << c.field;
    EXPECT_EQ(f.bot.dir.ReadFile("Net.ini"), before) << c.field;
    Click("LoadCfgB");
  }
  f.bot.bot().Stop();
}

TEST_F(MainWindowTest, AFileThatCannotBeWrittenIsSaidInABox) {
  Offline();
  ::unlink(f.bot.dir.FilePath("others.ini").c_str());
  f.bot.dir.WriteFile("others.ini/blocker", "");  // others.ini is a folder now
  Click("SaveCfgB");
  EXPECT_TRUE(f.errors.empty());
  ASSERT_EQ(f.warnings.size(), 1);
  EXPECT_TRUE(f.warnings[0].startsWith(Q("Настройки не сохранены: не удалось записать файл ")))
      << f.warnings[0].toStdString();
  f.window->show();
  SaveScreenshot(f.window.get(), "save_in_a_folder_that_refuses");
}

TEST_F(MainWindowTest, NumberFieldsTakeDigitsOnlyAndTwoFieldsShowTheirValue) {
  Offline();
  f.Find<QLineEdit>("TTLe")->setEnabled(true);  // off in broadcast mode
  for (const char* field : {"PortE", "TTLe", "MsgSizeE", "AnekMinE", "AnekSekE",
                            "CheckLogFileSizeE"}) {
    Type(field, "1a2.,-3 ");
    EXPECT_EQ(Text(field), "123") << field;
    QTest::keyClick(f.Find<QLineEdit>(field), Qt::Key_Backspace);
    EXPECT_EQ(Text(field), "12") << field;
  }
  // FloodE and IntervalE: the text becomes its integer value, 0 when none.
  struct Case {
    const char* typed;
    const char* shown;
    long long value;
  };
  const Case cases[] = {{"x", "0", 0}, {"07", "7", 7}, {"15", "15", 15}, {"1y", "0", 0}};
  for (const Case& c : cases) {
    Type("FloodE", c.typed);
    EXPECT_EQ(Text("FloodE"), c.shown) << c.typed;
    EXPECT_EQ(f.bot.parts().settings.FloodE, c.value) << c.typed;
  }
}

TEST_F(MainWindowTest, MulticastSwitchShowsTheStoredAddressOfTheMode) {
  IniFile(f.bot.dir.FilePath("Net.ini")).WriteString("net", "netaddr", "234.5.6.7");
  Offline();
  auto* multicast = f.Find<QCheckBox>("MulticastModeCB");
  EXPECT_EQ(multicast->text(), "UDP Broadcasts");
  EXPECT_FALSE(f.Find<QLineEdit>("TTLe")->isEnabled());
  const std::uint32_t sendAddress = f.bot.parts().netSettings.SendAddress;
  Click("MulticastModeCB");
  EXPECT_EQ(multicast->text(), "IP Multicast mode");
  EXPECT_EQ(Text("NetAddrE"), "234.5.6.7");
  EXPECT_TRUE(f.Find<QLineEdit>("TTLe")->isEnabled());
  Click("MulticastModeCB");
  EXPECT_EQ(Text("NetAddrE"), "127.255.255.255");
  EXPECT_EQ(f.bot.parts().netSettings.SendAddress, sendAddress);
}

TEST_F(MainWindowTest, ErrorReportSwitchEnablesItsShowBox) {
  Offline();
  auto* on = f.Find<QCheckBox>("OnErrorCB");
  auto* show = f.Find<QCheckBox>("ShowErrorCB");
  EXPECT_TRUE(show->isEnabled());
  on->click();
  EXPECT_FALSE(f.bot.parts().settings.OnErrorCB);
  EXPECT_FALSE(show->isEnabled());
}

TEST_F(MainWindowTest, HelpOpensTheShippedGuide) {
  Offline();
  Trigger("HelpMM");
  ASSERT_EQ(f.opened.size(), 1u);
  EXPECT_TRUE(f.opened[0].isLocalFile());
  EXPECT_TRUE(f.opened[0].toLocalFile().endsWith("help/index.html"));
  EXPECT_TRUE(QFile::exists(f.opened[0].toLocalFile()));
  EXPECT_TRUE(f.warnings.isEmpty());
}

// Minimise and close: into the notification area once the bot ran, never
// away when there is no notification area.
TEST_F(MainWindowTest, MinimiseAndCloseFollowTheRunStateAndTheTray) {
  Offline();
  MainWindow& w = *f.window;
  w.show();
  WindowFixture::Pump();
  // Before the first start or stop there is nothing to hide into: a
  // minimise minimises.
  w.SystemCommand(false);
  WindowFixture::Pump();
  EXPECT_TRUE(w.isMinimized());
  EXPECT_FALSE(w.Tray()->isVisible());
  w.ShowMMClick();
  EXPECT_FALSE(w.isMinimized());

  f.bot.bot().Stop();
  w.SystemCommand(true);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.Tray()->isVisible());
  EXPECT_EQ(w.Tray()->toolTip(), "[Pelmo_bot v 1.3] - [Stoped]");
  Trigger("ShowMM");
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.Tray()->isVisible());

  // The icon menu's stop keeps the users in the list; its start changes
  // the icon's tip.
  f.bot.bot().SetStatusPanel(2, "Running");
  f.bot.ReceivePresence({"Ann", "PC7", Loopback(7)});
  w.SystemCommand(false);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.Tray()->toolTip(), "[Pelmo_bot v 1.3]\nUser: 1");
  w.ShowMMClick();

  // Without a notification area: a normal minimise, and close ends it all.
  f.trayAvailable = false;
  w.SystemCommand(false);
  WindowFixture::Pump();
  EXPECT_TRUE(w.isMinimized());
  EXPECT_FALSE(w.Tray()->isVisible());
  w.close();
  EXPECT_TRUE(w.Closed());
  EXPECT_EQ(IniFile(f.bot.dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
}

// A bot switched off in Net.ini: nothing to hide into, the close closes,
// and the log says in Russian how to start it.
TEST(MainWindowSwitchedOff, CloseEndsTheProgramAndTheLogNamesTheStartButton) {
  WindowFixture f({{"EnableBot=0"}});
  f.window->show();
  f.window->FormCreate();
  ASSERT_FALSE(f.bot.bot().Running());
  const QString log = f.window->Log()->toPlainText();
  EXPECT_TRUE(log.contains(QString::fromUtf8("Бот выключен"))) << log.toStdString();
  EXPECT_TRUE(log.contains(QString::fromUtf8("кнопкой «Запустить бота»")));
  EXPECT_FALSE(log.contains("The bot is switched off"));
  f.window->close();
  EXPECT_TRUE(f.window->Closed());
  EXPECT_FALSE(f.window->isVisible());
  EXPECT_FALSE(f.window->Tray()->isVisible());
}

TEST_F(MainWindowTest, TrayMenuStopKeepsTheRosterAndStartChangesTheTip) {
  f.bot.RecordSends(true);
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  f.bot.parts().roster.Add("Ann (PC7)", Loopback(7));
  f.bot.parts().NotifyRoster();
  Trigger("Stop_Bot");
  EXPECT_FALSE(f.bot.bot().Running());
  EXPECT_EQ(f.window->StatusPanel(2)->text(), "Stoped");
  EXPECT_EQ(f.Find<QListWidget>("UsrLB")->count(), 1);
  EXPECT_EQ(f.window->Tray()->toolTip(), "Pelmo_bot v 1.3 - [Stoped]");
  Trigger("N6");
  EXPECT_TRUE(f.bot.bot().Running());
  EXPECT_EQ(f.window->Tray()->toolTip(), "Pelmo_bot v 1.3\nUser: 1");
  Trigger("ExitTM");
  EXPECT_TRUE(f.window->Closed());
  EXPECT_FALSE(f.bot.bot().Running());
}

}  // namespace
}  // namespace pelmo
