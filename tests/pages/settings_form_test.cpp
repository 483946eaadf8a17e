// The settings form's edits, key filter, checks, save refusals and cancel
// on a whole bot (offline) and its real settings files.
#include "pages/settings_form.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "fakes/bot_fixture.h"
#include "games/chatterbox.h"
#include "pages/chatterbox_model.h"

namespace pelmo {
namespace {

TEST(ReadWholeNumber, ReadsSignedDecimalsBetweenBlanksOnly) {
  struct Case {
    const char* text;
    bool read;
    long long value;
  };
  const Case cases[] = {
      {"42", true, 42},   {" 42\t", true, 42},  {"-7", true, -7},  {"+3", true, 3},
      {"007", true, 7},   {"", false, 0},       {" ", false, 0},   {"-", false, 0},
      {"4 2", false, 0},  {"1y", false, 0},     {"0x10", false, 0}, {"1.5", false, 0},
      {"9223372036854775807", true, 9223372036854775807LL},
      {"9223372036854775808", false, 0},
      {"-9223372036854775808", true, -9223372036854775807LL - 1},
      {"-9223372036854775809", false, 0},
  };
  for (const Case& c : cases) {
    long long value = -1;
    EXPECT_EQ(ReadWholeNumber(c.text, value), c.read) << c.text;
    if (c.read) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

TEST(DigitsOnlyKeys, DigitsAndEditingKeysPassOtherCharactersAreDropped) {
  for (char32_t c : {U'0', U'5', U'9', U'\b', char32_t{3}, char32_t{22}}) {
    EXPECT_TRUE(DigitsOnlyKeyPasses(c)) << static_cast<unsigned>(c);
  }
  for (char32_t c : {U'a', U'.', U',', U'-', U' ', U'+', U'٣', U'ж'}) {
    EXPECT_FALSE(DigitsOnlyKeyPasses(c)) << static_cast<unsigned>(c);
  }
  for (const char* name : {"PortE", "TTLe", "MsgSizeE", "MinE", "SecE", "AnekMinE", "AnekSekE",
                           "CheckLogFileSizeE"}) {
    EXPECT_TRUE(FiltersKeys(*FindField(name))) << name;
  }
  for (const char* name : {"NickE", "FloodE", "IntervalE", "NetAddrE", "URLe", "edProxyPort"}) {
    EXPECT_FALSE(FiltersKeys(*FindField(name))) << name;
  }
}

class SettingsFormTest : public ::testing::Test {
 protected:
  SettingsFormTest() : form(f.bot(), f.bot()) { f.PrepareOffline(); }
  const FieldDef& Field(const char* name) { return *FindField(name); }
  std::string NetIni() { return f.dir.ReadFile("Net.ini"); }

  BotFixture f;
  SettingsForm form;
};

// FloodE and IntervalE: the text becomes its integer value, 0 when none.
TEST_F(SettingsFormTest, AValueFieldShowsTheNumberItHolds) {
  struct Case {
    const char* typed;
    const char* shown;  // "" : the typed text stays
    long long value;
  };
  const Case cases[] = {{"x", "0", 0}, {"07", "7", 7}, {"15", "", 15}, {"1y", "0", 0}, {"0", "", 0}};
  for (const char* name : {"FloodE", "IntervalE"}) {
    for (const Case& c : cases) {
      const std::optional<std::string> shown = form.Edit(Field(name), c.typed);
      EXPECT_EQ(shown.value_or(""), c.shown) << name << " " << c.typed;
      EXPECT_EQ(form.Text(Field(name)), std::to_string(c.value)) << name << " " << c.typed;
    }
  }
  EXPECT_EQ(f.parts().settings.FloodE, 0);
}

// Each refusal names the field and what it may hold. The fixture's bot is
// in broadcast mode.
TEST_F(SettingsFormTest, AnUnsoundFieldRefusesTheSaveNamingItsCaptionAndTheValidValues) {
  struct Case {
    const char* field;
    const char* typed;
    const char* caption;
    const char* valid;
  };
  const Case cases[] = {
      {"CheckLogFileSizeE", "", "Если лог файл больше", "целое число от 1 до 2147483647"},
      {"CheckLogFileSizeE", "-5", "Если лог файл больше", "целое число от 1 до 2147483647"},
      {"PortE", "70000", "Порт:", "целое число от 1 до 65535"},
      {"PortE", "0", "Порт:", "целое число от 1 до 65535"},
      {"TTLe", "300", "Охват сети (IP TTL):", "целое число от 0 до 255"},
      {"MsgSizeE", "", "Макс размер сообщения:", "целое число от 100 до 64000"},
      {"MsgSizeE", "99", "Макс размер сообщения:", "целое число от 100 до 64000"},
      {"NetAddrE", "234.0.0", "IP Multicast group address:",
       "широковещательный адрес сети, например 192.168.0.255 (не 0.0.0.0 и не адрес группы "
       "224.0.0.0–239.255.255.255)"},
      {"NetAddrE", "234.0.0.1", "IP Multicast group address:",
       "широковещательный адрес сети, например 192.168.0.255 (не 0.0.0.0 и не адрес группы "
       "224.0.0.0–239.255.255.255)"},
  };
  const std::string before = NetIni();
  for (const Case& c : cases) {
    form.Edit(Field(c.field), c.typed);
    const PageResult result = form.Save();
    EXPECT_FALSE(result.done) << c.field;
    ASSERT_TRUE(result.message.has_value()) << c.field;
    EXPECT_EQ(result.message->kind, MessageKind::kWarning);
    EXPECT_EQ(result.message->title, "Pelmo_bot v 1.3");
    EXPECT_EQ(result.message->text, W("Неверное значение в поле \"") + W(c.caption) +
                                        W("\". Допустимо: ") + W(c.valid) +
                                        W(". Настройки не сохранены, бот не остановлен."))
        << c.field << " " << c.typed;
    EXPECT_EQ(result.message->focus, c.field);
    EXPECT_EQ(NetIni(), before) << c.field;
    form.Cancel();
  }

  // In multicast mode the address must be a group the bot can join.
  form.Click(Field("MulticastModeCB"), true);
  form.Edit(Field("NetAddrE"), "10.1.1.1");
  PageResult result = form.Save();
  EXPECT_FALSE(result.done);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->text,
            W("Неверное значение в поле \"IP Multicast group address:\". Допустимо: адрес группы от "
              "224.0.0.0 до 239.255.255.255, например 234.0.0.1. Настройки не сохранены, бот не "
              "остановлен."));
  EXPECT_EQ(NetIni(), before);
  form.Edit(Field("NetAddrE"), "239.1.2.3");
  EXPECT_TRUE(form.Save().done);
  EXPECT_EQ(IniFile(f.dir.FilePath("Net.ini")).ReadString("net", "netaddr", ""), "239.1.2.3");
  form.Cancel();

  // The log size keeps its last whole number while its text is none.
  form.Edit(Field("CheckLogFileSizeE"), "5000");
  form.Edit(Field("CheckLogFileSizeE"), "");
  EXPECT_EQ(f.parts().settings.CheckLogFileSizeE, 5000);
  form.Edit(Field("CheckLogFileSizeE"), "6000");
  EXPECT_TRUE(form.Save().done);
  EXPECT_EQ(IniFile(f.dir.FilePath("Net.ini")).ReadInteger("chat", "CheckLogFileSizeE", 0), 6000);
}

// Rows typed in the chatterbox grid are kept by "&Сохранить" as by the
// page's own "&Save"; a trigger typed with capitals and blanks is kept as
// the lower-cased, trimmed messages it is compared with can match it.
TEST_F(SettingsFormTest, SaveKeepsTheChatterboxRowsWithTriggersThatMatch) {
  f.dir.WriteFile("botfile/boltun.txt", W("привет^Здорово!\r\n"));
  Chatterbox chatterbox(f.dir.FilePath("botfile/boltun.txt"), f.clock);
  chatterbox.LoadPhrases();
  ChatterboxModel model(chatterbox);
  model.Load();
  form.AttachChatterbox(model);
  model.Add();
  model.SetCell(1, 0, W(" Как ДЕЛА? "));
  model.SetCell(1, 1, W("Отлично!"));

  // A row that could not be read back refuses the whole save first.
  model.Add();
  model.SetCell(2, 0, "a^b");
  const std::string before = NetIni();
  const PageResult refused = form.Save();
  EXPECT_FALSE(refused.done);
  EXPECT_EQ(refused.row, 2);
  ASSERT_TRUE(refused.message.has_value());
  EXPECT_EQ(refused.message->title, W("Говарилка"));
  EXPECT_EQ(NetIni(), before);
  EXPECT_EQ(f.dir.ReadFile("botfile/boltun.txt"), W("привет^Здорово!\r\n"));

  model.Delete(2);
  EXPECT_TRUE(form.Save().done);
  EXPECT_EQ(f.dir.ReadFile("botfile/boltun.txt"), W("привет^Здорово!\r\nкак дела?^Отлично!\r\n"));
  EXPECT_EQ(chatterbox.AnswerAt(chatterbox.FindPhrase(W("как дела?"))), W("Отлично!"));
  EXPECT_EQ(model.Rows()[1].trigger, W("как дела?"));
}

TEST_F(SettingsFormTest, CancelThrowsAwayTheEditsAndASaveOfAStoppedBotAsksNothing) {
  form.Edit(Field("NickE"), "Saved");
  const PageResult saved = form.Save();
  EXPECT_TRUE(saved.done);
  EXPECT_FALSE(saved.message.has_value());
  form.Edit(Field("NickE"), "Other");
  form.SetChecked(Field("BoltunCB"), !form.Checked(Field("BoltunCB")));
  const bool boltun = form.Checked(Field("BoltunCB"));
  form.Cancel();
  EXPECT_EQ(form.Text(Field("NickE")), "Saved");
  EXPECT_EQ(form.Checked(Field("BoltunCB")), !boltun);
}

TEST_F(SettingsFormTest, TheModeSwitchShowsTheStoredAddressOfTheModeAndEnablesTheTtl) {
  IniFile(f.dir.FilePath("Net.ini")).WriteString("net", "netaddr", "234.5.6.7");
  form.Cancel();
  const FieldDef& mode = Field("MulticastModeCB");
  EXPECT_EQ(form.Caption(mode), "UDP Broadcasts");
  EXPECT_FALSE(form.Enabled(Field("TTLe")));
  EXPECT_EQ(form.Click(mode, true), std::vector<std::string>{"NetAddrE"});
  EXPECT_EQ(form.Text(Field("NetAddrE")), "234.5.6.7");
  EXPECT_EQ(form.Caption(mode), "IP Multicast mode");
  EXPECT_TRUE(form.Enabled(Field("TTLe")));
  form.Click(mode, false);
  EXPECT_EQ(form.Text(Field("NetAddrE")), "127.255.255.255");
  // Shown by the front-end, the state changes nothing else.
  form.SetChecked(mode, true);
  EXPECT_EQ(form.Text(Field("NetAddrE")), "127.255.255.255");
  // The report box follows the report switch.
  form.SetChecked(Field("OnErrorCB"), false);
  EXPECT_FALSE(form.Enabled(Field("ShowErrorCB")));
}

TEST_F(SettingsFormTest, NickAndHostAreTheBotsAtOnceAndTheColourIsWrittenAtOnce) {
  form.Edit(Field("NickE"), W("@Пельмень"));
  EXPECT_EQ(f.parts().netSettings.BotNick, W("@Пельмень"));
  form.Edit(Field("HostE"), "KITCHEN");
  EXPECT_EQ(f.parts().netSettings.BotHost, "KITCHEN");
  form.SetColour(0x302010);
  EXPECT_EQ(form.Colour(), 0x302010u);
  EXPECT_EQ(IniFile(f.dir.FilePath("Net.ini")).ReadInteger("chat", "Color", -1), 0x302010);
}

}  // namespace
}  // namespace pelmo
