// The settings pages' fields over the bot's settings (BotSettingsAccess):
// what each field shows, what an operator's edit does to the live settings
// record (the services read the record while they run, so every edit
// counts at once), the digits-only key filter, and the buttons under the
// pages: save (with its checks and the question when it took a running bot
// off the chat) and cancel. Fields are given by their definitions (page_defs.h).
//
// A front-end shows every field with Text, Checked, Colour, Choices and
// Chosen, with Enabled and Caption for its state; it passes each change of
// a field back (Edit, SetChecked, Click, Choose, SetColour) and shows the
// fields named in the answer again. After Save and Cancel it shows every
// field again. Main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pages/page_defs.h"
#include "pages/page_message.h"

namespace pelmo {

class BotLife;
class BotSettingsAccess;
class ChatterboxModel;
struct SettingRow;

// A whole decimal number, optionally signed, between blanks; false for any
// other text and for one out of range.
bool ReadWholeNumber(const std::string& text, long long& value);

// True when the field's kind filters the keys typed into it.
bool FiltersKeys(const FieldDef& field);
// The digits-only key filter: digits pass, and so do backspace and the
// other control characters (editing keys and shortcuts keep their
// meaning); every other typed character is dropped, a decimal separator
// too, since these fields hold whole numbers.
bool DigitsOnlyKeyPasses(char32_t typed);

class SettingsForm {
 public:
  // The bot's faces must outlive the form; life: the save's stop and the
  // start that its question offers.
  SettingsForm(BotSettingsAccess& settings, BotLife& life);

  // What the field shows now, from the record: the text (a number in
  // decimal), the check box's state, the colour, the choice list and the
  // chosen entry (-1 none).
  std::string Text(const FieldDef& field) const;
  bool Checked(const FieldDef& field) const;
  std::uint32_t Colour() const;
  const std::vector<std::string>& Choices() const;
  int Chosen() const;
  // Enabled while the check box that enables it is on (always when none).
  bool Enabled(const FieldDef& field) const;
  // A check box's caption for its present state.
  std::string Caption(const FieldDef& field) const;

  // The field's text changed (typed, or set by the front-end). The record
  // takes it as the kind says; a kValue field's text is replaced by its
  // value: the text to show instead is returned (nullopt: keep it).
  std::optional<std::string> Edit(const FieldDef& field, const std::string& text);
  // The check box's state changed: the record takes it.
  void SetChecked(const FieldDef& field, bool on);
  // The operator clicked the check box: SetChecked and the click's effect.
  // Returns the names of the fields to show again.
  std::vector<std::string> Click(const FieldDef& field, bool on);
  // The operator chose entry index of the choice list.
  void Choose(const FieldDef& field, int index);
  // The colour dialog's choice: the bot's colour, written at once.
  void SetColour(std::uint32_t colour);

  // The chatterbox page's grid, once the front-end has it: "&Сохранить"
  // saves its rows too. The model must outlive the form.
  void AttachChatterbox(ChatterboxModel& chatterbox) { m_chatterbox = &chatterbox; }

  // "&Сохранить". The page's own whole-number fields are checked first,
  // then the network fields, then the chatterbox rows; an unsound one
  // refuses the save with a warning naming it and what it may hold, and
  // nothing is written and the bot keeps running. Otherwise the bot is
  // stopped and every settings file written, the chatterbox's too
  // (FileError when one cannot be: the keys written before it stay). A bot
  // that ran before is off the chat then: the question offers to start it
  // again, and its yes calls StartBot.
  PageResult Save();
  void StartBot();
  // "&Отмена": the settings loaded again, unsaved edits thrown away
  // (FileError to the caller's error report).
  void Cancel();

 private:
  // The first checked field whose text its setting does not take.
  const FieldDef* UnsoundField() const;
  // The setting a field shows, null for none.
  const SettingRow* RowOf(const FieldDef& field) const;

  BotSettingsAccess& m_bot;
  BotLife& m_life;
  ChatterboxModel* m_chatterbox = nullptr;
  // The texts of the kCheckedNumber fields as last edited, while they may
  // differ from the record.
  std::map<std::string, std::string> m_typed;
};

}  // namespace pelmo
