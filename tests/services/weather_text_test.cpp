#include "services/weather_text.h"

#include <gtest/gtest.h>

#include <tuple>

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

TEST(ExtractWeatherText, TakesTheQuotedTextAfterTheFirstWrite) {
  const std::pair<std::string, std::string> cases[] = {
      // The closing part of six characters, the quote first, then one last
      // character: the part is cut and the last character stays.
      {"document.write(\"Sun<br>+5\")//-->", "Sun\r\n+5"},
      {"d.write(\"abc\");//-!", "abc!"},
      // Any other end: cut at the last quote, every letter kept.
      {"document.write(\"Moscow: +3, cloudy\");\r\n", "Moscow: +3, cloudy"},
      {"document.write(\"Moscow: +3, cloudy\");", "Moscow: +3, cloudy"},
      {"var a=1;document.write(\"<b>Moscow</b><br>-3 C<br>\")123456)", "Moscow\r\n-3 C\r\n"},
      {"x.write(\"one\")abcdef!.write(\"two\")zzzzzz!", "one\")abcdef!.write(\"two"},
      // No closing quote at all: the whole rest.
      {"document.write(\"Sun<br>+5ABCDEF;", "Sun\r\n+5ABCDEF;"},
      {"d.write(\"", ""},
  };
  for (const auto& [body, text] : cases) {
    std::optional<std::string> result = ExtractWeatherText(body);
    ASSERT_TRUE(result) << body;
    EXPECT_EQ(*result, text) << body;
  }
}

TEST(InformerTextTo1251, CharsetFromTheHeaderOrFromTheBytes) {
  const std::string utf8 = "\xD0\x9C\xD0\xB8\xD1\x80";  // "Мир" in UTF-8
  const std::string cp1251 = "\xCC\xE8\xF0";               // "Мир" in Windows-1251
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {utf8, "text/javascript; charset=utf-8", cp1251},
      {utf8, "text/html; Charset=\"UTF-8\"", cp1251},
      {"\xEF\xBB\xBF" + utf8, "application/x-javascript;charset=utf8", cp1251},
      {utf8, "", cp1251},
      {utf8, "text/plain", cp1251},
      {cp1251, "text/html; charset=windows-1251", cp1251},
      {cp1251, "", cp1251},
      // Declared UTF-8, yet not UTF-8: kept as it came.
      {cp1251, "text/html; charset=utf-8", cp1251},
      // Declared Windows-1251: never converted, even when it reads as UTF-8.
      {utf8, "text/html; charset=cp1251", utf8},
      {"\xE2\x82\xAC" "5", "text/plain; charset=utf-8", "\x88" "5"},
      {"\xE4\xB8\xAD", "text/plain; charset=utf-8", "?"},
  };
  for (const auto& [body, type, text] : cases) {
    EXPECT_EQ(InformerTextTo1251(body, type), text) << type;
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
  // Cut at the closing quote; the table's closing tag ends the last line.
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
