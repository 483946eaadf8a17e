// The save of a running bot on real loopback sockets: it takes the bot off
// the chat, and the question it hands back starts it again.
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "pages/settings_form.h"
#include "transport/packet_codec.h"

namespace pelmo {
namespace {

TEST(SaveOfARunningBot, SaysTheBotIsOffTheChatAndItsYesStartsIt) {
  BotFixture f;
  f.RecordSends(false);
  f.bot().Open();
  ASSERT_TRUE(f.bot().Running());
  SettingsForm form(f.bot(), f.bot());
  f.ClearSent();

  const PageResult result = form.Save();
  EXPECT_TRUE(result.done);
  EXPECT_FALSE(f.bot().Running());
  EXPECT_EQ(f.SentOfType(kPacketLeave).size(), 1u);
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->kind, MessageKind::kQuestion);
  EXPECT_EQ(result.message->title, "Pelmo_bot v 1.3");
  EXPECT_NE(result.message->text.find(W("Бот остановлен")), std::string::npos);
  EXPECT_EQ(result.message->yes, W("&Запустить бота"));
  EXPECT_EQ(result.message->no, W("&Не запускать"));

  form.StartBot();
  EXPECT_TRUE(f.bot().Running());
  EXPECT_EQ(f.SentOfType(kPacketJoin).size(), 1u);
  f.bot().Stop();
}

// A folder that cannot take the files: the bot is not stopped, goes on
// with the network it had, and the message names the file and the reason.
TEST(SaveOfARunningBot, AFileThatCannotBeWrittenKeepsTheBotRunningAndIsNamed) {
  BotFixture f;
  f.RecordSends(false);
  f.bot().Open();
  ASSERT_TRUE(f.bot().Running());
  ::unlink(f.dir.FilePath("others.ini").c_str());
  f.dir.WriteFile("others.ini/blocker", "");  // others.ini is a folder now
  SettingsForm form(f.bot(), f.bot());
  f.bot().Settings().PortE = "50999";
  f.ClearSent();

  const PageResult result = form.Save();
  EXPECT_FALSE(result.done);
  EXPECT_TRUE(f.bot().Running());
  EXPECT_TRUE(f.SentOfType(kPacketLeave).empty());
  EXPECT_EQ(f.parts().netSettings.Port, f.Port());
  ASSERT_TRUE(result.message.has_value());
  EXPECT_EQ(result.message->kind, MessageKind::kWarning);
  const std::string expected = W("Настройки не сохранены: не удалось записать файл ") +
                               f.dir.FilePath("others.ini") +
                               W(" (на месте файла стоит папка).\nБот работает дальше с прежними "
                                 "настройками.");
  EXPECT_EQ(result.message->text.rfind(expected, 0), 0u) << result.message->text;
  f.bot().Stop();
}

}  // namespace
}  // namespace pelmo
