#include "services/weather_text.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"

namespace pelmo {
namespace {

TEST(StripMarkup, TextBetweenTagsWithALineBreakBeforeATagThatFollowsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain"},
      {"<b>sun</b>", "sun\r\n"},
      {"a<br>b", "a\r\nb"},
      {"a<br><br>b", "a\r\nb"},         // two tags in a row: one break
      {"<div><b>x</b></div>", "x\r\n"},  // a tag at the start: no empty line
      {"a<b", "a\r\n"},                 // an open tag swallows the rest
      {"a>b", "ab"},
      {"", ""},
  };
  for (const auto& [text, result] : cases) EXPECT_EQ(StripMarkup(text), result) << text;
}

TEST(ExtractWeatherText, TakesTheTextAfterTheFirstWriteLessTheClosingPart) {
  const std::pair<std::string, std::string> cases[] = {
      // A closing part of six characters, then one last character.
      {"document.write(\"Sun<br>+5ABCDEF;", "Sun\r\n+5;"},
      {"var a=1;document.write(\"<b>Moscow</b><br>-3 C<br>\")123456)", "Moscow\r\n-3 C\r\n\"))"},
      {"x.write(\"one\")abcdef!.write(\"two\")zzzzzz!", "one\")abcdef!.write(\"two\")!"},
      {"d.write(\"1234567", "7"},
      {"d.write(\"123456", "123456"},  // too short to have a closing part
      {"d.write(\"", ""},
  };
  for (const auto& [body, text] : cases) {
    std::optional<std::string> result = ExtractWeatherText(body);
    ASSERT_TRUE(result) << body;
    EXPECT_EQ(*result, text) << body;
  }
}

TEST(ExtractWeatherText, NoMarkerNoForecast) {
  for (const char* body : {"", "<html>Not found</html>", "document.write('single')",
                           "document.writeln(\"x\")", ".WRITE(\"x\")"}) {
    EXPECT_FALSE(ExtractWeatherText(body)) << body;
  }
}

TEST(ExtractWeatherText, RecordedInformerPage) {
  const std::string page = W(
      "<!-- informer -->\r\n"
      "document.write(\"<table><tr><td><b>Москва</b></td></tr><tr><td>Сегодня: +3..+5, "
      "облачно</td></tr><tr><td>Завтра: 0..+2, снег</td></tr></table>\");\r\n");
  std::optional<std::string> text = ExtractWeatherText(page);
  ASSERT_TRUE(text);
  // The six characters cut are the script's end and the table tag's last
  // letter; the last line end stays inside the unclosed tag.
  EXPECT_EQ(*text, W("Москва\r\nСегодня: +3..+5, облачно\r\nЗавтра: 0..+2, снег\r\n"));
}

TEST(SafeOutputName, OnlyABareFileName) {
  const std::pair<const char*, const char*> cases[] = {
      {"weather.txt", "weather.txt"}, {"pogoda.txt", "pogoda.txt"}, {"", "weather.txt"},
      {"../x", "weather.txt"},        {"..", "weather.txt"},        {".", "weather.txt"},
      {"/etc/passwd", "weather.txt"}, {"a\\b.txt", "weather.txt"},  {"sub/w.txt", "weather.txt"},
      {"a\nb", "weather.txt"},        {"..txt", "..txt"},
  };
  for (const auto& [name, result] : cases) EXPECT_EQ(SafeOutputName(name), result) << name;
}

}  // namespace
}  // namespace pelmo
