// Every field shows its usual content whole at the window's default size:
// the values of the shipped working folder (dist/workdir) and the longest
// usual ones (nicks and computer names of 20 characters, addresses, an
// informer's URL), measured with the fields' own fonts. A field shows its
// text whole when putting the cursor at its end scrolls nothing.
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "core/bot.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "ui/birthday_window.h"
#include "ui/settings_pages.h"
#include "ui/subscriber_page.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

std::string Shipped(const char* name) {
  std::ifstream in(std::string(PELMO_SOURCE_DIR) + "/dist/workdir/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Where the cursor is drawn, once the field has scrolled to show it.
int CursorX(QLineEdit* edit, qsizetype position) {
  edit->setCursorPosition(static_cast<int>(position));
  edit->repaint();
  return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
}

// How much of the text the field leaves unseen, in pixels (0: all shown).
int Hidden(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  const int start = CursorX(edit, 0);
  const int end = CursorX(edit, text.size());
  const int cut = std::max(edit->fontMetrics().horizontalAdvance(text) - (end - start),
                           end - edit->rect().right());
  return cut > 1 ? cut : 0;
}

int Hidden(QComboBox* combo, const QString& text) {
  QStyleOptionComboBox option;
  option.initFrom(combo);
  option.editable = combo->isEditable();
  const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, combo);
  const int needed = combo->fontMetrics().horizontalAdvance(text) + combo->iconSize().width() + 4;
  return needed > field.width() ? needed - field.width() : 0;
}

class PageLayoutTest : public ::testing::Test {
 protected:
  PageLayoutTest() {
    f.bot.dir.WriteFile("Net.ini", Shipped("Net.ini"));
    f.bot.dir.WriteFile("others.ini", Shipped("others.ini"));
    services = InstallServices(f.bot.services());
    games = InstallGames(f.bot.services());
    f.window->AddServicePages(*services);
    f.window->AddGamePages(*games);
    timed = std::make_unique<TimedFeatures>(f.bot.services(), [] {});
    InstallTimedFeatures(f.bot.services(), *timed);
    f.window->AddTimedPages(*timed);
    f.bot.PrepareOffline();
    f.window->Settings()->ShowSettings();
    // The window as the program opens it: its default size.
    f.window->show();
    f.window->Tabs()->setCurrentIndex(1);
    WindowFixture::Pump();
  }
  ~PageLayoutTest() override {
    f.window.reset();
    games.reset();
  }

  // The visible text fields of page i, with what they show now.
  std::map<QLineEdit*, QString> FieldsOf(int page) {
    f.window->Settings()->SelectPage(SettingsPageDefs()[static_cast<std::size_t>(page)].id);
    WindowFixture::Pump();
    std::map<QLineEdit*, QString> fields;
    for (QLineEdit* edit : f.window->Settings()->Page(SettingsPageDefs()[static_cast<std::size_t>(page)].id)->findChildren<QLineEdit*>()) {
      if (edit->isVisibleTo(f.window.get()) && edit->echoMode() == QLineEdit::Normal) {
        fields[edit] = edit->text();
      }
    }
    return fields;
  }

  WindowFixture f;
  std::unique_ptr<InstalledServices> services;
  std::unique_ptr<Games> games;
  std::unique_ptr<TimedFeatures> timed;
};

TEST_F(PageLayoutTest, ShippedValuesShowWhole) {
  int checked = 0;
  for (int page = 0; page < SettingsPages::kPageCount; ++page) {
    for (const auto& [edit, text] : FieldsOf(page)) {
      EXPECT_EQ(Hidden(edit, text), 0) << "page " << page << " " << edit->objectName().toStdString()
                                       << " \"" << text.toStdString() << "\" in "
                                       << edit->width() << " px";
      ++checked;
    }
  }
  EXPECT_GE(checked, 20);
}

TEST_F(PageLayoutTest, LongestUsualValuesShowWhole) {
  const std::map<std::string, const char*> usual = {
      {"HostE", "КОМПЬЮТЕР-БУХГАЛТЕР1"}, {"NickE", "@Пельмешка_Сибирская"},
      {"IntervalE", "3600"}, {"FloodE", "500"},
      {"PortE", "50138"}, {"NetAddrE", "239.255.255.255"}, {"TTLe", "255"},
      {"MsgSizeE", "65535"},
      {"HostBanLE", "КОМПЬЮТЕР-БУХГАЛТЕР1"}, {"TimebanME", "23:59:59"},
      {"URLe", "http://informer.example/forecast.js?city=27612"},
      {"MinE", "30"}, {"SecE", "59"}, {"AnekMinE", "10"}, {"AnekSekE", "10"},
      {"edUsername", "Администратор_сети01"}, {"edProxyServer", "proxy.office.example"},
      {"edProxyPort", "3128"},
      {"AnecChannelE", "Анекдоты_и_приколы01"}, {"NameChanVicE", "Викторина_для_всех20"},
      {"CheckLogFileSizeE", "220000000"},
  };
  std::size_t found = 0;
  for (int page = 0; page < SettingsPages::kPageCount; ++page) {
    for (const auto& [edit, text] : FieldsOf(page)) {
      const auto it = usual.find(edit->objectName().toStdString());
      if (it == usual.end()) continue;
      ++found;
      EXPECT_EQ(Hidden(edit, Q(it->second)), 0)
          << "page " << page << " " << it->first << " in " << edit->width() << " px";
    }
  }
  EXPECT_EQ(found, usual.size());

  // The interface list holds an address of the LAN whole.
  f.window->Settings()->SelectPage(PageId::kNetwork);
  WindowFixture::Pump();
  auto* interfaces = f.Find<QComboBox>("InterfacesCB");
  ASSERT_NE(interfaces, nullptr);
  EXPECT_EQ(Hidden(interfaces, "192.168.100.200"), 0) << interfaces->width() << " px";
}

TEST_F(PageLayoutTest, BirthdayPanelAndSubscriberDialogShowTheirValuesWhole) {
  BirthdayWindow* editor = f.window->BirthdayEditor();
  editor->show();
  editor->AddButtonClick();
  WindowFixture::Pump();
  const char* values[] = {"Константин_Петрович1", "Бухгалтерия_отдел_12", "31", "12", "1990"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Hidden(editor->Field(i), Q(values[i])), 0) << values[i];
  }
  editor->CancelAddButtonClick();
  editor->hide();

  AddNewDialog dialog(f.window.get());
  dialog.show();
  WindowFixture::Pump();
  EXPECT_EQ(Hidden(dialog.User(), Q("@Пельмешка_Сибирская")), 0);
}

}  // namespace
}  // namespace pelmo
