#include "services/private_box.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "services/stat_store.h"

namespace pelmo {
namespace {

class PrivateBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    f.ClearSent();
  }
  // The texts sent to the user since the last look.
  std::vector<std::string> Replies() {
    std::vector<std::string> texts;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      EXPECT_EQ(packet.dstAddr, kUser);
      texts.push_back(packet.text);
    }
    f.ClearSent();
    return texts;
  }
  std::vector<std::string> Ask(const std::string& command, const std::string& host = "PC1") {
    box.Command(command, "Ann", host, kUser);
    return Replies();
  }
  // A section holding notes 1..count (and LastLetterRead when lastRead > 0).
  void WriteNotes(const std::string& host, int count, int lastRead = 0) {
    std::string text = "[" + host + "]\r\nTotal=1\r\n";
    for (int n = 1; n <= count; ++n) {
      text += "Message-" + std::to_string(n) + "=note" + std::to_string(n) + "\r\n";
    }
    if (lastRead > 0) text += "LastLetterRead=" + std::to_string(lastRead) + "\r\n";
    // What the store holds goes to the file first, or Reload would put it
    // back over the new file.
    store.Flush();
    f.dir.WriteFile("botfile/stat.ini", text);
    store.Reload();
  }
  std::string Note(int n) { return store.ReadString("BOB", "Message-" + std::to_string(n), ""); }

  BotFixture f;
  StatStore store{f.dir.FilePath("botfile/stat.ini"), f.loop};
  PrivateBox box{store, f.parts().replies, f.clock};
  const std::uint32_t kUser = Loopback(2);
  // The fake clock stands at 6 December 2026 18:05.
  const std::string kHeader = W("* Сообщение от Ann (PC1). Дата: 06.12.2026 18:05 !\"");
};

TEST(NotesWord, RussianPluralForms) {
  struct Case {
    long long n;
    const char* word;
  } cases[] = {{0, " сообщений!"}, {1, " сообщение!"},  {2, " сообщения!"}, {4, " сообщения!"},
               {5, " сообщений!"}, {11, " сообщений!"}, {12, " сообщений!"}, {21, " сообщение!"},
               {22, " сообщения!"}, {25, " сообщений!"}, {41, " сообщение!"}, {50, " сообщений!"}};
  for (const Case& c : cases) EXPECT_EQ(NotesWord(c.n), W(c.word)) << c.n;
}

TEST_F(PrivateBoxTest, LeavesANoteStoredBeforeItIsConfirmed) {
  WriteNotes("BOB", 0);
  EXPECT_EQ(Ask("mess BOB hi"), std::vector<std::string>{W("Сообщение добавлено")});
  EXPECT_EQ(Note(1), kHeader + "hi");
  // On the disk with the counts' batch, not before the reply.
  const std::string line = "Message-1=" + kHeader + "hi\r\n";
  EXPECT_EQ(f.dir.ReadFile("botfile/stat.ini").find(line), std::string::npos);
  f.loop.Advance(std::chrono::seconds(1));
  EXPECT_NE(f.dir.ReadFile("botfile/stat.ini").find(line), std::string::npos);
  EXPECT_EQ(Ask(W("Mess bob  two\r\nlines ")), std::vector<std::string>{W("Сообщение добавлено")});
  EXPECT_EQ(Note(2), kHeader + "two  lines");
  EXPECT_EQ(Ask(W("ЬУЫЫ bob third")).size(), 1u);
  EXPECT_EQ(Note(3), kHeader + "third");

  EXPECT_EQ(Ask("mess BOB"), std::vector<std::string>{W("Ошибка ввода")});
  EXPECT_EQ(Ask("mess NOPC hi"), std::vector<std::string>{W("Пользователь не найден")});
  EXPECT_EQ(Ask("mess BOB] hi"), std::vector<std::string>{W("Пользователь не найден")});
  EXPECT_TRUE(Ask("message BOB hi").empty());  // another word: not this service's
  EXPECT_EQ(Note(4), "");
}

// While the file refuses the batched rewrites, a note is confirmed only
// once it is on the disk, so none is confirmed and then lost.
TEST_F(PrivateBoxTest, WhileTheFileFailsANoteIsNotConfirmed) {
  WriteNotes("BOB", 0);
  // A folder in the file's place: the rename of every rewrite fails.
  const std::string path = f.dir.FilePath("botfile/stat.ini");
  ASSERT_TRUE(std::filesystem::remove(path));
  ASSERT_TRUE(CreateDirectory(path));
  EXPECT_EQ(Ask("mess BOB one"), std::vector<std::string>{W("Сообщение добавлено")});
  f.loop.Advance(std::chrono::seconds(1));
  ASSERT_TRUE(store.WriteFailing());

  EXPECT_THROW(box.Command("mess BOB two", "Ann", "PC1", kUser), FileError);
  EXPECT_TRUE(Replies().empty());
  EXPECT_EQ(Note(2), "");

  // The file comes back: the first note reaches it, and notes are
  // confirmed again.
  ASSERT_TRUE(std::filesystem::remove(path));
  f.loop.Advance(std::chrono::seconds(1));
  EXPECT_NE(f.dir.ReadFile("botfile/stat.ini").find("Message-1=" + kHeader + "one\r\n"),
            std::string::npos);
  EXPECT_EQ(Ask("mess BOB three"), std::vector<std::string>{W("Сообщение добавлено")});
  EXPECT_EQ(Note(2), kHeader + "three");
}

TEST_F(PrivateBoxTest, KeysFiftyAndFiftyOneAndAFullBox) {
  WriteNotes("BOB", 49);
  EXPECT_EQ(Ask("mess BOB last"), std::vector<std::string>{W("Сообщение добавлено")});
  EXPECT_EQ(Note(50), kHeader + "last");
  EXPECT_EQ(Ask("mess BOB more"), std::vector<std::string>{W("Ящик пользователя переполнен")});
  EXPECT_FALSE(store.ValueExists("BOB", "Message-51"));

  // An old note above 50 is neither listed nor counted nor deleted.
  WriteNotes("PC1", 2);
  store.WriteString("PC1", "Message-51", "old");
  std::vector<std::string> listing = Ask("mess");
  ASSERT_EQ(listing.size(), 1u);
  EXPECT_EQ(listing[0], W("\r\n---------------------\r\nУ Вас 2 сообщения! Новых: 2\r\n"
                          "note1\r\nnote2\r\n"));
  EXPECT_EQ(Ask("kill"), std::vector<std::string>{W("Удалено : 2, осталось: 0")});
  EXPECT_EQ(store.ReadString("PC1", "Message-51", ""), "old");
}

TEST_F(PrivateBoxTest, ListingSummariesAndTheSeparator) {
  WriteNotes("PC1", 0);
  store.WriteString("PC1", "Message-1", kHeader + "hello");
  EXPECT_EQ(Ask("mess"), std::vector<std::string>{W("\r\n---------------------\r\nУ Вас 1 сообщение! "
                                                    "Новых: 1\r\n* Сообщение от Ann (PC1). Дата: "
                                                    "06.12.2026 18:05\r\n\thello\r\n")});
  EXPECT_EQ(store.ReadInteger("PC1", "LastLetterRead", 0), 1);
  EXPECT_EQ(box.Summary("PC1", false), W("У Вас 1 сообщение!"));

  struct Case {
    int notes, lastRead;
    const char* summary;
  } cases[] = {{2, 2, "У Вас 2 сообщения!"},           {5, 0, "У Вас 5 сообщений! Новых: 5"},
               {11, 10, "У Вас 11 сообщений! Новых: 1"}, {21, 21, "У Вас 21 сообщение!"},
               {22, 20, "У Вас 22 сообщения! Новых: 2"}};
  for (const Case& c : cases) {
    WriteNotes("PC1", c.notes, c.lastRead);
    EXPECT_EQ(box.Summary("PC1", false), W(c.summary)) << c.notes;
  }
  EXPECT_EQ(Ask("mess", "NOPC"), std::vector<std::string>{"\r\n---------------------\r\n"});
}

TEST_F(PrivateBoxTest, KillDeletesTheListedAndMovesNewNotesDown) {
  WriteNotes("PC1", 3);
  Ask("mess");
  store.WriteString("PC1", "Message-4", "fresh");
  EXPECT_EQ(Ask(W("лшдд")), std::vector<std::string>{W("Удалено : 3, осталось: 1")});
  EXPECT_EQ(store.ReadString("PC1", "Message-1", ""), "fresh");
  EXPECT_FALSE(store.ValueExists("PC1", "Message-2"));
  EXPECT_FALSE(store.ValueExists("PC1", "Message-4"));
  EXPECT_FALSE(store.ValueExists("PC1", "LastLetterRead"));
  EXPECT_EQ(box.Summary("PC1", false), W("У Вас 1 сообщение! Новых: 1"));

  EXPECT_EQ(Ask("cmess"), std::vector<std::string>{W("Удалено : 0, осталось: 1")});
  WriteNotes("PC1", 0);
  EXPECT_EQ(Ask("kill"), std::vector<std::string>{W("Все сообщения удалены")});
  EXPECT_TRUE(Ask("kill", "NOPC").empty());
}

TEST_F(PrivateBoxTest, JoinNoticeOnlyWithNotes) {
  WriteNotes("PC1", 2, 1);
  box.JoinNotice("PC1", kUser);
  EXPECT_EQ(Replies(),
            std::vector<std::string>{W("У Вас 2 сообщения! Новых: 1 Для прочтения наберите !mess")});
  WriteNotes("PC1", 0);
  box.JoinNotice("PC1", kUser);
  box.JoinNotice("NOPC", kUser);
  box.JoinNotice("", kUser);
  EXPECT_TRUE(Replies().empty());
}

}  // namespace
}  // namespace pelmo
