#include "pages/settings_form.h"

#include <limits>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot_life.h"
#include "core/bot_settings_access.h"
#include "core/settings_table.h"
#include "pages/chatterbox_model.h"
#include "pages/window_texts.h"
#include "program/program.h"
#include "transport/net.h"

namespace pelmo {

namespace {

// Blanks as a trimming of the text reads them: controls, space, and the
// no-break space of the code page.
bool IsBlank(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte == ' ' || (byte >= '\t' && byte <= '\r') || byte == 0xA0;
}

template <typename T>
T* Member(const FieldDef& field, BotSettings& settings) {
  if (const auto* member = std::get_if<T BotSettings::*>(&field.member)) return &(settings.**member);
  return nullptr;
}

template <typename T>
const T* Member(const FieldDef& field, const BotSettings& settings) {
  if (const auto* member = std::get_if<T BotSettings::*>(&field.member)) return &(settings.**member);
  return nullptr;
}

}  // namespace

bool ReadWholeNumber(const std::string& text, long long& value) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
    negative = text[begin] == '-';
    ++begin;
  }
  if (begin == end) return false;
  // Gathered as a negative number, which reaches one further than a
  // positive one.
  constexpr long long kMin = std::numeric_limits<long long>::min();
  long long result = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    const int digit = text[i] - '0';
    if (result < (kMin + digit) / 10) return false;
    result = result * 10 - digit;
  }
  if (!negative && result == kMin) return false;
  value = negative ? result : -result;
  return true;
}

bool FiltersKeys(const FieldDef& field) {
  return field.kind == FieldKind::kNumber || field.kind == FieldKind::kCheckedNumber;
}

bool DigitsOnlyKeyPasses(char32_t typed) {
  if (typed < 0x20) return true;
  return typed >= U'0' && typed <= U'9';
}

SettingsForm::SettingsForm(BotSettingsAccess& settings, BotLife& life)
    : m_bot(settings), m_life(life) {}

std::string SettingsForm::Text(const FieldDef& field) const {
  const BotSettings& s = m_bot.Settings();
  if (const std::string* text = Member<std::string>(field, s)) return *text;
  if (const long long* number = Member<long long>(field, s)) return std::to_string(*number);
  return "";
}

bool SettingsForm::Checked(const FieldDef& field) const {
  const bool* on = Member<bool>(field, m_bot.Settings());
  return on != nullptr && *on;
}

std::uint32_t SettingsForm::Colour() const { return m_bot.Settings().ColorP; }

const std::vector<std::string>& SettingsForm::Choices() const { return m_bot.Settings().InterfacesCB; }

int SettingsForm::Chosen() const { return m_bot.Settings().InterfacesIndex; }

bool SettingsForm::Enabled(const FieldDef& field) const {
  if (field.enabledBy.empty()) return true;
  const FieldDef* box = FindField(field.enabledBy);
  return box == nullptr || Checked(*box);
}

std::string SettingsForm::Caption(const FieldDef& field) const {
  if (field.captionOff.empty() || Checked(field)) return field.caption;
  return field.captionOff;
}

std::optional<std::string> SettingsForm::Edit(const FieldDef& field, const std::string& text) {
  BotSettings& s = m_bot.Settings();
  switch (field.kind) {
    case FieldKind::kText:
    case FieldKind::kPassword:
    case FieldKind::kNumber:
      if (std::string* member = Member<std::string>(field, s)) *member = text;
      if (field.effect == FieldEffect::kBotNickAndHost) m_bot.ApplyNickAndHost();
      return std::nullopt;
    case FieldKind::kValue: {
      long long value = 0;
      if (!ReadWholeNumber(text, value)) value = 0;
      if (long long* member = Member<long long>(field, s)) *member = value;
      const std::string shown = std::to_string(value);
      if (shown == text) return std::nullopt;
      return shown;
    }
    case FieldKind::kCheckedNumber: {
      m_typed[field.name] = text;
      long long value = 0;
      long long* member = Member<long long>(field, s);
      if (member != nullptr && ReadWholeNumber(text, value)) *member = value;
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

void SettingsForm::SetChecked(const FieldDef& field, bool on) {
  if (bool* member = Member<bool>(field, m_bot.Settings())) *member = on;
}

std::vector<std::string> SettingsForm::Click(const FieldDef& field, bool on) {
  SetChecked(field, on);
  if (field.effect != FieldEffect::kModeAddress) return {};
  // The group address and the broadcast address are stored apart: the
  // field shows the one of the mode.
  m_bot.Settings().NetAddrE = m_bot.StoredSendAddress(on);
  return {"NetAddrE"};
}

void SettingsForm::Choose(const FieldDef& field, int index) {
  BotSettings& s = m_bot.Settings();
  const std::vector<std::string>* choices = Member<std::vector<std::string>>(field, s);
  if (choices == nullptr || index < 0 || index >= static_cast<int>(choices->size())) return;
  s.InterfacesIndex = index;
  if (field.effect == FieldEffect::kSendInterface) {
    m_bot.SelectInterface(TextToAddress((*choices)[static_cast<std::size_t>(index)]));
  }
}

void SettingsForm::SetColour(std::uint32_t colour) { m_bot.SaveColor(colour); }

const SettingRow* SettingsForm::RowOf(const FieldDef& field) const {
  // One field shows the group or the broadcast address, as the mode is.
  if (field.name == "NetAddrE") return &SendAddressSetting(m_bot.Settings().MulticastModeCB);
  return SettingOfField(field.name);
}

const FieldDef* SettingsForm::UnsoundField() const {
  for (const PageDef& page : SettingsPageDefs()) {
    for (const FieldDef& field : page.fields) {
      if (field.check == FieldCheck::kNone) continue;
      const SettingRow* row = RowOf(field);
      if (row == nullptr) continue;
      const auto typed = m_typed.find(field.name);
      if (!SettingAccepts(*row, typed != m_typed.end() ? typed->second : Text(field))) {
        return &field;
      }
    }
  }
  return nullptr;
}

PageResult SettingsForm::Save() {
  PageResult result;
  if (const FieldDef* field = UnsoundField()) {
    result.message = PageMessage{
        .title = kProgramVersion,
        .text = W("Неверное значение в поле \"") + field->caption + W("\". Допустимо: ") +
                ValidValuesText(*RowOf(*field)) +
                W(". Настройки не сохранены, бот не остановлен."),
        .focus = field->name};
    return result;
  }
  if (m_chatterbox != nullptr) {
    if (std::optional<PageResult> refusal = m_chatterbox->Refusal()) return *refusal;
  }
  const bool wasRunning = m_life.Running();
  const SaveOutcome outcome = m_bot.SaveSettings();
  if (outcome.result == SaveOutcome::Result::kNotWritten) {
    // Nothing was stopped: the bot goes on with what it had.
    result.message = PageMessage{
        .title = kProgramVersion,
        .text = SaveFailureText(Utf8ToCp1251(outcome.file), Utf8ToCp1251(outcome.reason))};
    return result;
  }
  if (m_chatterbox != nullptr) m_chatterbox->Save();
  m_typed.clear();
  result.done = true;
  // The save takes a running bot off the chat: said where it cannot be
  // missed, with its start one answer away.
  if (wasRunning && !m_life.Running()) {
    result.message = PageMessage{
        .kind = MessageKind::kQuestion,
        .title = kProgramVersion,
        .text = W("Настройки сохранены. Бот остановлен, чтобы они вступили в силу, "
                  "и сейчас не отвечает в чате.\n\nЗапустить бота снова?"),
        .yes = W("&Запустить бота"),
        .no = W("&Не запускать")};
  }
  return result;
}

void SettingsForm::StartBot() { m_life.Start(); }

void SettingsForm::Cancel() {
  m_bot.LoadSettings();
  m_typed.clear();
}

}  // namespace pelmo
