#include "pages/birthday_editor_model.h"

#include <algorithm>

#include "base/cp1251.h"

namespace pelmo {

namespace {

PageMessage Refusal(std::string text) {
  // The check's lines end with CR, as the system's box shows them.
  std::replace(text.begin(), text.end(), '\r', '\n');
  return {.title = "Error", .text = std::move(text)};
}

}  // namespace

std::vector<BirthdayRow> BirthdayEditorModel::Rows() const {
  return BirthdayRows(m_birthdays.Table(), m_clock.Now());
}

bool BirthdayEditorModel::CanAdd() const {
  return !m_open && m_birthdays.Table().Count() < static_cast<int>(kBirthdaySlots);
}

bool BirthdayEditorModel::Add() {
  // Open already (the button is disabled then): the panel stays as it is.
  if (m_open) return true;
  if (m_birthdays.Table().Count() >= static_cast<int>(kBirthdaySlots)) return false;
  m_open = true;
  return true;
}

std::optional<BirthdayInput> BirthdayEditorModel::Rename(int row) {
  if (row < 0 || row >= m_birthdays.Table().Count()) return std::nullopt;
  const BirthdayEntry entry = m_birthdays.Table().At(row);
  m_open = true;
  m_renaming = row;
  return BirthdayInput{entry.Name, entry.Group, std::to_string(entry.Day),
                       std::to_string(entry.Month), std::to_string(entry.Year)};
}

bool BirthdayEditorModel::Delete(int row) {
  if (row < 0 || row >= m_birthdays.Table().Count()) return false;
  m_birthdays.Table().Delete(row);
  return true;
}

void BirthdayEditorModel::Save() { m_birthdays.Save(); }

PageResult BirthdayEditorModel::Accept(const BirthdayInput& input) {
  PageResult result;
  BirthdayInputCheck check = CheckBirthdayInput(input);
  if (!check.entry) {
    result.message = Refusal(std::move(check.refusal));
    return result;
  }
  if (m_renaming >= 0) {
    m_birthdays.Table().Set(m_renaming, *check.entry);
  } else if (!m_birthdays.Table().Add(*check.entry)) {
    result.message = Refusal(W("В таблице нет места: не больше ") + std::to_string(kBirthdaySlots) +
                             W(" записей."));
    return result;
  }
  CancelInput();
  result.done = true;
  return result;
}

void BirthdayEditorModel::CancelInput() {
  m_open = false;
  m_renaming = -1;
}

}  // namespace pelmo
