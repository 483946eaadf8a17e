#include "pages/ban_model.h"

#include <cstdio>

#include "base/cp1251.h"
#include "services/ban_list.h"

namespace pelmo {

namespace {

PageMessage Warning(const std::string& text, const std::string& focus = "") {
  return {.title = W("Бан лист"), .text = text, .focus = focus};
}

// "hh:mm:ss" as the time field gives it: the first digit may be a blank
// (or missing), every other place a digit, hours 0-23, minutes and
// seconds 0-59.
bool ReadTime(const std::string& text, int& hour, int& minute, int& second) {
  std::string t = text;
  if (t.size() == 7) t = " " + t;
  if (t.size() != 8 || t[2] != ':' || t[5] != ':') return false;
  if (t[0] == ' ') t[0] = '0';
  for (int i : {0, 1, 3, 4, 6, 7}) {
    if (t[static_cast<std::size_t>(i)] < '0' || t[static_cast<std::size_t>(i)] > '9') return false;
  }
  hour = (t[0] - '0') * 10 + (t[1] - '0');
  minute = (t[3] - '0') * 10 + (t[4] - '0');
  second = (t[6] - '0') * 10 + (t[7] - '0');
  return hour < 24 && minute < 60 && second < 60;
}

std::string TwoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

constexpr double kOneHour = 1.0 / 24;
constexpr double kHalfSecond = 0.5 / 86400;

}  // namespace

BanModel::BanModel(BanList& bans, const Clock& clock) : m_bans(bans), m_clock(clock) {}

DateTimeParts BanModel::StartDate() const {
  DateTimeParts start = DecodeDateTime(m_clock.Now() + kOneHour);
  start.second = 0;
  start.millisecond = 0;
  return start;
}

std::string BanModel::StartTime() const {
  const DateTimeParts start = StartDate();
  return TwoDigits(start.hour) + ":" + TwoDigits(start.minute) + ":00";
}

void BanModel::Reload() {
  const std::string chosen =
      m_selected > 0 && m_selected < static_cast<int>(m_lines.size())
          ? m_lines[static_cast<std::size_t>(m_selected)]
          : std::string();
  m_version = VersionOfFile(m_bans.Path());
  m_bans.LoadBanListBox();
  // A copy: a join's expiry check reloads the list of the ban list while
  // the page still shows these lines.
  m_lines = m_bans.ListBan();
  Rechoose(chosen);
}

bool BanModel::Follow() {
  if (VersionOfFile(m_bans.Path()) == m_version) return false;
  const std::vector<std::string> before = m_lines;
  const int selected = m_selected;
  Reload();
  return m_lines != before || m_selected != selected;
}

void BanModel::Rechoose(const std::string& line) {
  m_selected = -1;
  if (line.empty()) return;
  for (std::size_t i = 1; i < m_lines.size(); ++i) {
    if (m_lines[i] == line) {
      m_selected = static_cast<int>(i);
      return;
    }
  }
}

void BanModel::Select(int row) {
  m_selected = row >= 0 && row < static_cast<int>(m_lines.size()) ? row : -1;
}

PageResult BanModel::Add(const std::string& host, int year, int month, int day,
                         const std::string& time) {
  PageResult result;
  if (host.empty()) {
    result.message = Warning(W("Введите имя компьютера."), "HostBanLE");
    return result;
  }
  if (!IsValidDate(year, month, day)) {
    result.message = Warning(W("Такой даты нет."), "DateTimePicker2");
    return result;
  }
  int hour = 0, minute = 0, second = 0;
  if (!ReadTime(time, hour, minute, second)) {
    result.message = Warning(W("Время «") + time +
                                 W("» не читается. Введите чч:мм:сс: часы от 00 до 23, "
                                   "минуты и секунды от 00 до 59."),
                             "TimebanME");
    return result;
  }
  const TDateTime until = EncodeDate(year, month, day) + EncodeTime(hour, minute, second);
  const TDateTime now = m_clock.Now();
  if (until <= now + kHalfSecond) {
    result.message = Warning(W("Срок бана уже прошёл: бан снялся бы сразу. Укажите дату и время "
                               "позже текущих (сейчас ") +
                                 DateToStr(now) + " " + FormatDateTime("hh:nn:ss", now) + ").",
                             "TimebanME");
    return result;
  }
  const std::string timeText = TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
  if (!m_bans.AddBanB(host, EncodeDate(year, month, day), timeText)) {
    // The list keeps what it showed: an unreadable file would empty it.
    // Paths are UTF-8; the message is the bot's text.
    result.message = Warning(W("Бан не записан в файл ") + Utf8ToCp1251(m_bans.Path()) +
                             W(".\nПроверьте, что файл доступен для записи и что в имени "
                               "компьютера нет знаков «=», «[» и «]»."));
    return result;
  }
  Reload();
  result.done = true;
  return result;
}

PageResult BanModel::Delete() {
  PageResult result;
  m_asked.clear();
  if (!CanDelete() || m_selected >= static_cast<int>(m_lines.size())) return result;
  m_asked = m_lines[static_cast<std::size_t>(m_selected)];
  result.message = PageMessage{.kind = MessageKind::kQuestion,
                               .title = W("Бан лист"),
                               .text = W("Удалить бан «") + m_asked + W("»?"),
                               .yes = W("&Удалить"),
                               .no = W("&Отмена")};
  return result;
}

PageResult BanModel::ConfirmDelete() {
  PageResult result;
  if (m_asked.empty()) return result;
  const std::string chosen = m_asked;
  m_asked.clear();
  result.done = m_bans.DelBanB(chosen);
  m_selected = -1;
  Reload();
  if (!result.done) {
    result.message = Warning(W("Строки «") + chosen +
                             W("» в файле уже нет (её убрала проверка срока или команда из "
                               "чата). Список показан заново."));
  }
  return result;
}

}  // namespace pelmo
