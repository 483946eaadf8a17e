#include "pages/ban_model.h"

#include "base/cp1251.h"
#include "services/ban_list.h"

namespace pelmo {

namespace {

PageMessage Warning(const std::string& text, const std::string& focus = "") {
  return {.title = W("Бан лист"), .text = text, .focus = focus};
}

}  // namespace

BanModel::BanModel(BanList& bans, const Clock& clock) : m_bans(bans), m_clock(clock) {}

DateTimeParts BanModel::StartDate() const { return DecodeDateTime(m_clock.Now()); }

void BanModel::Reload() {
  m_bans.LoadBanListBox();
  // A copy: a join's expiry check reloads the list of the ban list while
  // the page still shows these lines.
  m_lines = m_bans.ListBan();
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
  if (!m_bans.AddBanB(host, EncodeDate(year, month, day), time)) {
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

PageResult BanModel::Delete(int row) {
  PageResult result;
  if (!CanDelete(row) || row >= static_cast<int>(m_lines.size())) return result;
  const std::string chosen = m_lines[static_cast<std::size_t>(row)];
  result.done = m_bans.DelBanB(chosen);
  Reload();
  if (!result.done) {
    result.message = Warning(W("Строки «") + chosen +
                             W("» в файле уже нет (её убрала проверка срока или команда из "
                               "чата). Список показан заново."));
  }
  return result;
}

}  // namespace pelmo
