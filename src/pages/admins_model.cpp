#include "pages/admins_model.h"

#include "base/cp1251.h"
#include "core/admins.h"

namespace pelmo {

void AdminsModel::Load() { m_rows = m_settings.ADMvle; }

PageResult AdminsModel::Add() {
  PageResult result;
  if (m_rows.size() >= kMaxAdmins) {
    result.message = PageMessage{
        .title = W("Администраторы"),
        .text = W("Больше ") + std::to_string(kMaxAdmins) + W(" администраторов не сохраняется.")};
    return result;
  }
  m_rows.emplace_back();
  result.done = true;
  result.row = static_cast<int>(m_rows.size()) - 1;
  return result;
}

void AdminsModel::Remove(int row) {
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
  m_rows.erase(m_rows.begin() + row);
  Store();
}

PageResult AdminsModel::SetCell(int row, int column, const std::string& text) {
  PageResult result;
  if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column > 1) return result;
  AdminEntry& entry = m_rows[static_cast<std::size_t>(row)];
  (column == 0 ? entry.Nick : entry.CompName) = text;
  result.done = true;
  if (column == 0 && !text.empty()) {
    for (int other = 0; other < static_cast<int>(m_rows.size()); ++other) {
      if (other == row || m_rows[static_cast<std::size_t>(other)].Nick != text) continue;
      // The nicks are the grid's keys: one row per nick.
      entry.Nick.clear();
      result.done = false;
      result.row = row;
      result.message = PageMessage{.title = W("Администраторы"),
                                   .text = W("Ник \"") + text + W("\" уже есть в списке.")};
      break;
    }
  }
  Store();
  return result;
}

void AdminsModel::Store() {
  m_settings.ADMvle.clear();
  for (const AdminEntry& entry : m_rows) {
    // A row left empty names nobody and is not written.
    if (entry.Nick.empty() && entry.CompName.empty()) continue;
    m_settings.ADMvle.push_back(entry);
  }
}

}  // namespace pelmo
