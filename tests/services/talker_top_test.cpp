#include "services/talker_top.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"

namespace pelmo {
namespace {

std::string Row(const std::string& nick, const std::string& count) {
  return nick + " (\xB6" + count;
}

TEST(FindTopPlace, RanksWithStableTies) {
  const std::vector<std::string> top = {Row("Ann", "50"), Row("Bob", "70"), Row("Cid", "50"),
                                        Row("Dan", "70"), Row("Ann", "10"), Row("Eve", "-3")};
  const struct {
    std::string nick;
    bool found;
    std::size_t rank;
    std::string count;
  } cases[] = {
      {"Bob", true, 1, "70"}, {"Dan", true, 2, "70"}, {"Cid", true, 4, "50"},
      // Two lines: the count of the last, the place of the lowest.
      {"Ann", true, 5, "10"}, {"Eve", true, 6, "-3"},
      {"ann", false, 0, ""},  {"", false, 0, ""},
  };
  for (const auto& c : cases) {
    TopPlace place = FindTopPlace(top, c.nick);
    EXPECT_EQ(place.found, c.found) << c.nick;
    EXPECT_EQ(place.rank, c.rank) << c.nick;
    EXPECT_EQ(place.countText, c.count) << c.nick;
  }
  EXPECT_FALSE(FindTopPlace({}, "Ann").found);
}

TEST(FindTopPlace, OnlyTheRankedLinesAreSearched) {
  std::vector<std::string> top;
  for (std::size_t i = 0; i < kTopLines; ++i) top.push_back(Row("n" + std::to_string(i), "5"));
  top.push_back(Row("Late", "99"));
  top.push_back("no separator here");  // beyond the ranked lines: not read
  EXPECT_FALSE(FindTopPlace(top, "Late").found);
  EXPECT_EQ(FindTopPlace(top, "n9999").rank, kTopLines);
}

TEST(FindTopPlace, BadLinesFailTheCommand) {
  for (const std::string& bad : {std::string("Ann 50"), Row("Ann", "5x"), Row("Ann", ""),
                                Row("Ann", "99999999999")}) {
    EXPECT_THROW(FindTopPlace({Row("Bob", "1"), bad}, "Bob"), std::invalid_argument) << bad;
  }
}

TEST(TalkerTop, RepliesUnicastFromAFileWithLfEnds) {
  BotFixture f;
  f.PrepareOffline();
  TalkerTop top(f.dir.FilePath("botfile/top.txt"), f.parts().replies);
  f.dir.WriteFile("botfile/top.txt", Row("Ann", "50") + "\n" + Row("Bob", "70") + "\n");
  top.ShowMyPlace(Loopback(2), "Ann");
  top.ShowMyPlace(Loopback(2), "Zed");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, W("Ann: занимает 2  место в топе, при 50 количестве набранных символов."));
  EXPECT_EQ(sent[0].kind, 3);
  EXPECT_EQ(sent[0].dstAddr, Loopback(2));
  EXPECT_EQ(sent[1].text, W("Извините, ничего не найдено."));

  // A deleted top is an empty one.
  std::remove(f.dir.FilePath("botfile/top.txt").c_str());
  f.ClearSent();
  top.ShowMyPlace(Loopback(2), "Ann");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, W("Извините, ничего не найдено."));
}

}  // namespace
}  // namespace pelmo
