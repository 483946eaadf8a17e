// The page definitions against the settings files: each field, set through
// the settings form by its component name and saved, lands under the INI
// key that existing installations hold for it; and the tree and the pages'
// items hang together.
#include "pages/page_defs.h"

#include <gtest/gtest.h>

#include <set>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "fakes/bot_fixture.h"
#include "pages/settings_form.h"

namespace pelmo {
namespace {

TEST(PageDefs, TheTreeHoldsItsNodesInOrderAtTheirDepths) {
  struct Node {
    const char* title;
    int depth;
  };
  const Node nodes[] = {
      {"Настройки", 0},       {"Настройки чата", 1},       {"Общие", 1},
      {"Связь", 1},           {"Сетевые настройки", 2},    {"Бан лист", 1},
      {"Отложенные сообщения", 1}, {"Болтун", 1},          {"Погода", 1},
      {"Настройка погоды", 2}, {"Администраторы", 1},      {"Birth Day", 1},
      {"Анекдот", 1},         {"Викторина", 1},            {"Проверка лог файла", 1},
  };
  const std::vector<PageDef>& pages = SettingsPageDefs();
  ASSERT_EQ(pages.size(), std::size(nodes));
  for (std::size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(pages[i].index, static_cast<int>(i));
    EXPECT_EQ(pages[i].title, W(nodes[i].title)) << i;
    EXPECT_EQ(pages[i].depth, nodes[i].depth) << i;
  }
}

// Every item names a field or button of its own page, and every field and
// button stands on its page exactly once: nothing defined goes unshown.
TEST(PageDefs, EveryFieldAndButtonStandsOnItsPageOnce) {
  std::vector<const PageDef*> defs;
  for (const PageDef& page : SettingsPageDefs()) defs.push_back(&page);
  defs.insert(defs.end(), {&SubscriberDialogDef(), &BirthdayEditorDef(), &BirthdayPanelDef()});
  std::set<std::string> names{"SaveCfgB", "LoadCfgB"};
  EXPECT_EQ(FindButton("SaveCfgB"), &SettingsButtonDefs()[0]);
  for (const PageDef* def : defs) {
    std::multiset<std::string> shown;
    for (const PageBlock& block : def->blocks) {
      for (const PageItem& item : block.items) {
        if (item.kind == ItemKind::kField || item.kind == ItemKind::kInterval) {
          EXPECT_NE(FindField(*def, item.name), nullptr) << item.name;
          shown.insert(item.name);
        }
        if (item.kind == ItemKind::kInterval) {
          EXPECT_NE(FindField(*def, item.second), nullptr) << item.second;
          shown.insert(item.second);
        }
        if (item.kind == ItemKind::kButton) {
          EXPECT_NE(FindButton(*def, item.name), nullptr) << item.name;
          shown.insert(item.name);
        }
      }
    }
    const bool inTree = def->index >= 0;
    for (const FieldDef& field : def->fields) {
      EXPECT_EQ(shown.count(field.name), 1u) << field.name;
      EXPECT_TRUE(names.insert(field.name).second) << "two fields named " << field.name;
      if (inTree) {
        EXPECT_EQ(FindField(field.name), &field) << field.name;
      }
    }
    for (const ButtonDef& button : def->buttons) {
      EXPECT_EQ(shown.count(button.name), 1u) << button.name;
      EXPECT_TRUE(names.insert(button.name).second) << "two buttons named " << button.name;
      if (inTree) {
        EXPECT_EQ(FindButton(button.name), &button) << button.name;
      }
    }
  }
}

// What a field edit saves, as Net.ini and others.ini of existing
// installations hold it.
class FieldBinding : public ::testing::Test {
 protected:
  FieldBinding() : form(f.bot(), f.bot()) { f.PrepareOffline(); }

  const FieldDef& Field(const char* name) {
    const FieldDef* field = FindField(name);
    EXPECT_NE(field, nullptr) << name;
    static const FieldDef none;
    return field != nullptr ? *field : none;
  }

  BotFixture f;
  SettingsForm form;
};

TEST_F(FieldBinding, TextFieldsAreSavedUnderTheirKeys) {
  struct Case {
    const char* field;
    const char* typed;
    const char* file;
    const char* section;
    const char* key;
  };
  const Case cases[] = {
      {"NickE", "@Пельмень", "Net.ini", "chat", "Nick"},
      {"HostE", "КУХНЯ", "Net.ini", "chat", "Host"},
      {"FloodE", "12", "Net.ini", "chat", "Flood"},
      {"IntervalE", "33", "Net.ini", "chat", "AnecInterval"},
      {"CheckLogFileSizeE", "5000", "Net.ini", "chat", "CheckLogFileSizeE"},
      {"PortE", "47001", "Net.ini", "net", "port"},
      {"TTLe", "7", "Net.ini", "net", "ttl"},
      {"MsgSizeE", "6000", "Net.ini", "chat", "MaxMessageSize"},
      {"NetAddrE", "127.1.2.255", "Net.ini", "net", "IpBroadcast"},
      {"MinE", "12", "others.ini", "pogoda", "Min"},
      {"SecE", "13", "others.ini", "pogoda", "Sec"},
      {"AnekMinE", "14", "others.ini", "anecdot", "Min"},
      {"AnekSekE", "15", "others.ini", "anecdot", "Sec"},
      {"AnecChannelE", "Приколы", "others.ini", "anecdot", "Channel"},
      {"NameChanVicE", "Quiz", "others.ini", "Vic", "ChanName"},
      {"edUsername", "operator", "others.ini", "proxy", "edUsername"},
      {"edPassword", "s3cret", "others.ini", "proxy", "edPassword"},
      {"edProxyServer", "proxy.lan", "others.ini", "proxy", "edProxyServer"},
      {"edProxyPort", "3128", "others.ini", "proxy", "edProxyPort"},
  };
  for (const Case& c : cases) form.Edit(Field(c.field), W(c.typed));
  const PageResult saved = form.Save();
  ASSERT_TRUE(saved.done) << (saved.message ? saved.message->text : "");
  for (const Case& c : cases) {
    IniFile ini(f.dir.FilePath(c.file));
    EXPECT_EQ(ini.ReadString(c.section, c.key, "?"), W(c.typed)) << c.field;
  }
}

TEST_F(FieldBinding, CheckBoxesAreSavedUnderTheirKeys) {
  struct Case {
    const char* field;
    const char* file;
    const char* section;
    const char* key;
  };
  const Case cases[] = {
      {"EnableBotCB", "Net.ini", "chat", "EnableBot"},
      {"DefaultMsgCB", "Net.ini", "chat", "DefaultMsg"},
      {"StartMessageCB", "Net.ini", "chat", "StartMessage"},
      {"StartMsgPrivateCB", "Net.ini", "chat", "StartMsgPrivate"},
      {"AutoAforizmCB", "Net.ini", "chat", "AutoAforizm"},
      {"ShowBannedCB", "Net.ini", "chat", "ShowBanned"},
      {"BoltunCB", "Net.ini", "chat", "Boltun"},
      {"InvisibleCB", "Net.ini", "chat", "invisible"},
      {"BirthDayCB", "Net.ini", "chat", "BirthDay"},
      {"CheckLogFileSizeCB", "Net.ini", "chat", "CheckLogFileSize"},
      {"PogodaCB", "others.ini", "pogoda", "AutPogoda"},
      {"ShowNameChanCB", "others.ini", "anecdot", "ShowNameChan"},
      {"PocazNameChanCB", "others.ini", "Vic", "ShowChanChat"},
      {"OnErrorCB", "others.ini", "Error", "On"},
      {"ShowErrorCB", "others.ini", "Error", "ShowReport"},
  };
  // Each box the other way round from what the load gave, in turn both
  // ways, so that no two boxes can share a member unseen.
  for (int round = 0; round < 2; ++round) {
    std::vector<bool> set;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      const bool on = (i + static_cast<std::size_t>(round)) % 2 == 0;
      form.SetChecked(Field(cases[i].field), on);
      set.push_back(on);
    }
    ASSERT_TRUE(form.Save().done);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      IniFile ini(f.dir.FilePath(cases[i].file));
      EXPECT_EQ(ini.ReadString(cases[i].section, cases[i].key, "?"), set[i] ? "1" : "0")
          << cases[i].field << " round " << round;
      EXPECT_EQ(form.Checked(Field(cases[i].field)), set[i]) << cases[i].field;
    }
  }
}

}  // namespace
}  // namespace pelmo
