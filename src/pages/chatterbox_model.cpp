#include "pages/chatterbox_model.h"

#include <algorithm>

#include "base/cp1251.h"

namespace pelmo {

void ChatterboxModel::Load() { m_rows = m_chatterbox.Phrases(); }

bool ChatterboxModel::Delete(int row) {
  if (m_rows.empty()) return false;
  row = std::max(row, 0);
  if (row >= static_cast<int>(m_rows.size())) return false;
  m_rows.erase(m_rows.begin() + row);
  return true;
}

PageResult ChatterboxModel::Add() {
  PageResult result;
  if (m_rows.size() >= Chatterbox::kMaxPhrases) return result;
  m_rows.emplace_back();
  result.done = true;
  result.row = static_cast<int>(m_rows.size()) - 1;
  return result;
}

void ChatterboxModel::SetCell(int row, int column, const std::string& text) {
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
  Phrase& phrase = m_rows[static_cast<std::size_t>(row)];
  if (column == 0) phrase.trigger = text;
  if (column == 1) phrase.answer = text;
}

std::optional<PageResult> ChatterboxModel::Refusal() const {
  const int refused = Chatterbox::FirstRefusedRow(m_rows);
  if (refused < 0) return std::nullopt;
  PageResult result;
  result.row = refused;
  result.message = PageMessage{
      .title = W("Говарилка"),
      .text = W("Строка ") + std::to_string(refused + 1) +
              W(": в вопросе не может быть \"^\", в вопросе и ответе — перевода строки.")};
  return result;
}

PageResult ChatterboxModel::Save() {
  if (std::optional<PageResult> refusal = Refusal()) return *refusal;
  m_chatterbox.SaveRows(m_rows);
  m_rows = m_chatterbox.Phrases();
  PageResult result;
  result.done = true;
  return result;
}

}  // namespace pelmo
