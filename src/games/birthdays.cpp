#include "games/birthdays.h"

#include <exception>
#include <tuple>
#include <utility>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "base/str_to_int.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "transport/net_settings.h"

namespace pelmo {

namespace {

std::string TwoDigits(std::int32_t value) {
  std::string text = std::to_string(value);
  return text.size() == 1 ? "0" + text : text;
}

struct DayMonth {
  int day;
  int month;
};

DayMonth DayMonthOf(TDateTime value) {
  const DateTimeParts parts = DecodeDateTime(value);
  return {parts.day, parts.month};
}

bool Falls(const BirthdayEntry& entry, DayMonth date) {
  return entry.Day == date.day && entry.Month == date.month;
}

}  // namespace

std::vector<BirthdayRow> BirthdayRows(const BirthdayTable& table, TDateTime now) {
  const DayMonth today = DayMonthOf(DateOf(now));
  const DayMonth tomorrow = DayMonthOf(DateOf(now) + 1);
  std::vector<BirthdayRow> rows;
  const std::vector<BirthdayEntry> entries = table.Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const BirthdayEntry& entry = entries[i];
    rows.push_back(BirthdayRow{
        .index = static_cast<int>(i),
        .group = entry.Group,
        .name = entry.Name,
        .date = TwoDigits(entry.Day) + "." + TwoDigits(entry.Month) + "." +
                std::to_string(entry.Year),
        .selected = Falls(entry, today) || Falls(entry, tomorrow),
    });
  }
  return rows;
}

std::optional<std::string> BirthdayMessage(const BirthdayTable& table, TDateTime now) {
  const DayMonth today = DayMonthOf(DateOf(now));
  const DayMonth tomorrow = DayMonthOf(DateOf(now) + 1);
  std::string todayText = W("Сегодня родился:\r");
  std::string tomorrowText = W("Завтра родится:\r");
  bool any = false;
  for (const BirthdayEntry& entry : table.Entries()) {
    const std::string line = "- " + entry.Name + " [" + entry.Group + "]\r";
    if (Falls(entry, today)) {
      todayText += line;
      any = true;
    }
    if (Falls(entry, tomorrow)) {
      tomorrowText += line;
      any = true;
    }
  }
  if (!any) return std::nullopt;
  const std::string banner =
      "\r\n" + std::string(64, ' ') + W("(^)   День Рождения   (^)\r\n");
  return banner + todayText + tomorrowText;
}

BirthdayInputCheck CheckBirthdayInput(BirthdayInput input) {
  for (std::string* number : {&input.day, &input.month, &input.year}) {
    if (number->size() == 1) *number = "0" + *number;
  }
  BirthdayInputCheck check;
  std::string missing;
  const std::pair<const std::string*, const char*> required[] = {
      {&input.name, "-name"}, {&input.day, "-day"}, {&input.month, "-month"}, {&input.year, "-year"}};
  for (const auto& [text, label] : required) {
    if (text->empty()) missing += std::string(label) + "\r";
  }
  if (!missing.empty()) {
    check.refusal = "Please input:\r" + missing;
    return check;
  }
  BirthdayEntry entry{input.name.substr(0, 255), input.group.substr(0, 255), 0, 0, 0};
  std::string wrong;
  const std::tuple<const std::string*, std::int32_t*, const char*> numbers[] = {
      {&input.day, &entry.Day, "-day"},
      {&input.month, &entry.Month, "-month"},
      {&input.year, &entry.Year, "-year"}};
  for (const auto& [text, value, label] : numbers) {
    try {
      *value = static_cast<std::int32_t>(StrToInt(*text));
    } catch (const std::exception&) {
      wrong += std::string(label) + "\r";
    }
  }
  if (!wrong.empty()) {
    check.refusal = "Input correct:\r" + wrong;
    return check;
  }
  check.entry = std::move(entry);
  check.date = input.day + "." + input.month + "." + input.year;
  return check;
}

Birthdays::Birthdays(std::string path, const Clock& clock, Replies& replies, LineLog& log,
                     std::function<bool()> running)
    : m_path(std::move(path)),
      m_clock(clock),
      m_replies(replies),
      m_log(log),
      m_running(std::move(running)) {}

void Birthdays::Load() {
  const BirthdayTable::LoadResult result = m_table.Load(m_path);
  if (result == BirthdayTable::LoadResult::Longer) {
    m_log.LogLine(m_path + W(": размер ") + std::to_string(FileSize(m_path)) +
                      W(" байт вместо ") + std::to_string(kBirthdayFileSize) +
                      W(", взяты первые ") + std::to_string(kBirthdayFileSize) + W(" байт"),
                  255);
    return;
  }
  if (result != BirthdayTable::LoadResult::WrongSize) return;
  // The operator's next save would write the empty table over the file:
  // a copy keeps what it held.
  const std::string backup = m_path + ".bak";
  std::string kept = W(", копия не сохранена");
  if (std::optional<std::string> contents = ReadWholeFile(m_path)) {
    try {
      RewriteFile(backup, *contents);
      kept = W(", копия сохранена в ") + backup;
    } catch (const std::exception&) {
      // Reported in the line below.
    }
  }
  m_log.LogLine(m_path + W(": размер ") + std::to_string(FileSize(m_path)) +
                    W(" байт вместо ") + std::to_string(kBirthdayFileSize) +
                    W(", таблица дней рождения пуста") + kept,
                255);
}

void Birthdays::Save() {
  m_table.Save(m_path);
  CheckForAll();
}

std::optional<std::string> Birthdays::Check() {
  const TDateTime now = m_clock.Now();
  m_rows = BirthdayRows(m_table, now);
  return BirthdayMessage(m_table, now);
}

void Birthdays::CheckFor(std::uint32_t address) {
  if (std::optional<std::string> message = Check()) {
    m_replies.SayTo(address, *message, kKindLine);
  }
}

void Birthdays::CheckForAll() {
  std::optional<std::string> message = Check();
  if (message && m_running && m_running()) {
    m_replies.SayTo(m_replies.Settings().SendAddress, *message, kKindLine);
  }
}

void InstallBirthdays(ServiceContext& context, Birthdays& birthdays) {
  context.on.life.loadLists.push_back([&birthdays] { birthdays.Load(); });
  const BotSettings& settings = context.settings;
  context.on.greeting.Add(GreetingStep::Birthdays, [&birthdays, &settings](const ChatEvent& event) {
    if (settings.BirthDayCB) birthdays.CheckFor(event.address);
  });
}

}  // namespace pelmo
