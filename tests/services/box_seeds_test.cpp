// Boxes moved over from another installation, whose mask has another seed,
// through the offline-message service.
#include "services/box_seeds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "fakes/bot_fixture.h"
#include "services/offline_messages.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kForeignSeed = 0x0BAD'F00Du;

// The mask written out from the box format (see box_mask_test.cpp).
std::string Masked(std::string text, std::uint32_t seed) {
  std::uint32_t state = seed;
  for (char& c : text) {
    state = state * 134775813u + 1u;
    c = static_cast<char>(static_cast<unsigned char>(c) ^
                          static_cast<unsigned>((std::uint64_t{state} * 255u) >> 32));
  }
  return text;
}

// A box file: the masked text, then the password's byte sum (little-endian).
std::string BoxFile(const std::string& text, std::uint32_t seed, const std::string& password) {
  std::uint32_t sum = 0;
  for (unsigned char c : password) sum += c;
  std::string file = Masked(text, seed);
  for (int i = 0; i < 4; ++i) file += static_cast<char>((sum >> (8 * i)) & 0xFF);
  return file;
}

class BoxSeedsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallOfflineMessages(f.services(), messages);
    f.PrepareOffline();
    f.ClearSent();
  }
  int LinesWith(const std::string& part) {
    int n = 0;
    for (const std::string& text : f.view.Texts()) n += text.find(part) != std::string::npos;
    return n;
  }

  BotFixture f;
  OfflineMessages messages{f.parts().folder, f.parts().replies, f.clock, f.loop};
  const std::string kGreeting = W("Спасибо за регистрацию в нашей системе!");
  const std::string kOld = W("\n\r2 мая 2011 г.10:0:0 From Вася: старое");
};

TEST_F(BoxSeedsTest, AMovedBoxIsReadAndWrittenWithItsOwnSeed) {
  // "Ann" and "Bob" in upper-case hex.
  f.dir.WriteFile("user/416E6E", BoxFile(kGreeting + kOld, kForeignSeed, "pw"));
  f.dir.WriteFile("user/426F62", BoxFile(" ", kForeignSeed + 1, "bob"));

  OfflineMessages::Box ann = messages.ReadBox("Ann", "pw");
  ASSERT_EQ(ann.state, OfflineMessages::BoxState::kOk);
  EXPECT_EQ(ann.text, kGreeting + kOld);
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadString("BoxMask", "Seed1", ""),
            std::to_string(kForeignSeed));
  EXPECT_EQ(LinesWith("written by another installation"), 1);

  // A delivery into the moved box keeps its seed: the old installation
  // could still read it.
  messages.SetRespondent("Bob", "Room", "bob", "nick Ann");
  messages.DeliverLine("Bob", "new", "Room", "bob");
  const std::string expected = kGreeting + kOld + W("\n\r6 декабря 2026 г.18:5:7 From Bob: new");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(expected, kForeignSeed, "pw"));
  EXPECT_EQ(messages.ReadBox("Ann", "pw").text, expected);

  // Emptied and changed, it stays in its seed; the remembered seed is not
  // looked for again.
  messages.EmptyBox("Ann", "pw");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(" ", kForeignSeed, "pw"));
  messages.ChangePassword("Ann", "Room", "pw", "c new");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(" ", kForeignSeed, "new"));
  EXPECT_EQ(LinesWith("written by another installation"), 1);
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadSection("BoxMask").size(), 1u);

  // A one-byte box reads as " " whatever its seed; written again, it reads.
  EXPECT_EQ(messages.ReadBox("Bob", "bob").text, " ");
  messages.SetRespondent("Ann", "Room", "new", "nick Bob");
  messages.DeliverLine("Ann", "hi", "Room", "new");
  EXPECT_EQ(messages.ReadBox("Bob", "bob").text, W(" \n\r6 декабря 2026 г.18:5:7 From Ann: hi"));
  // Written whole in this installation's mask: no seed to remember.
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadSection("BoxMask").size(), 1u);
  EXPECT_EQ(LinesWith("written by another installation"), 1);
}

TEST_F(BoxSeedsTest, ABoxWhoseSeedCannotBeFoundIsReportedAndNeverWritten) {
  f.dir.WriteFile("user/416E6E", BoxFile("not a box text, whatever it is", 5, "pw"));
  const std::string before = f.dir.ReadFile("user/416E6E");
  messages.WriteBox("Bob", "bob", kGreeting);

  EXPECT_EQ(messages.ReadBox("Ann", "pw").state, OfflineMessages::BoxState::kUnreadable);
  messages.ShowBox("Ann", "Room", "pw");
  ASSERT_FALSE(f.Sent().empty());
  EXPECT_EQ(f.Sent().back().text, W("Неверный пароль или имя пользователя."));
  messages.EmptyBox("Ann", "pw");
  messages.SetRespondent("Bob", "Room", "bob", "nick Ann");
  messages.DeliverLine("Bob", "lost?", "Room", "bob");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), before);
  EXPECT_EQ(LinesWith("cannot be recovered"), 1);
  EXPECT_FALSE(IniFile(f.dir.FilePath("others.ini")).SectionExists("BoxMask"));
}

// A box is bounded at 1 MiB: a line that would take it past is refused
// with a reply and a log line, while a larger box (moved over) still
// empties and changes its password in its own mask, and deliveries below
// the bound land far into a box in the right place of its mask.
TEST_F(BoxSeedsTest, BoxesAreBoundedAndLargeOnesStayUsable) {
  const std::string big = kGreeting + kOld + std::string(1100000, 'x');
  f.dir.WriteFile("user/416E6E", BoxFile(big, kForeignSeed, "pw"));
  messages.WriteBox("Bob", "bob", kGreeting);
  messages.SetRespondent("Bob", "Room", "bob", "nick Ann");
  f.ClearSent();
  messages.DeliverLine("Bob", "more", "Room", "bob");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent().back().text, W("Ящик пользователя Ann переполнен, сообщение не доставлено."));
  EXPECT_EQ(LinesWith(W("Ящик Ann переполнен (1100082 байт): сообщение от Bob не доставлено.")),
            1);
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(big, kForeignSeed, "pw"));

  messages.ChangePassword("Ann", "Room", "pw", "c new");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(big, kForeignSeed, "new"));
  messages.EmptyBox("Ann", "new");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(" ", kForeignSeed, "new"));

  // 1 048 576 bytes in all may be reached, not passed: the record is 40
  // bytes, the sum 4.
  const std::string record = W("\n\r6 декабря 2026 г.18:5:7 From Bob: ") + "fill";
  ASSERT_EQ(record.size(), 40u);
  std::string near = kGreeting + std::string(1048576 - 4 - 40 - kGreeting.size(), 'y');
  f.dir.WriteFile("user/416E6E", BoxFile(near, 0x5045'4C4Du, "new"));
  messages.DeliverLine("Bob", "fill", "Room", "bob");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E"), BoxFile(near + record, 0x5045'4C4Du, "new"));
  messages.DeliverLine("Bob", "fill", "Room", "bob");
  EXPECT_EQ(f.dir.ReadFile("user/416E6E").size(), 1048576u);
}

}  // namespace
}  // namespace pelmo
