// The control window's settings pages as data, for every front-end that
// renders them (the Qt window, the native Windows window): the options
// tree, each page's fields, buttons and checks, and how they stand on the
// page; also the subscriber dialog and the birthday editor.
//
// A front-end renders a definition block by block, top to bottom (see
// BlockKind), one control per item: a field as the control of its kind,
// named by its component name, after its caption (a check box carries its
// caption itself); an interval as the minutes field, MinutesUnit(), the
// seconds field, SecondsUnit(); a button; a text or a note as a label. It
// makes a field with a record member (FieldDef::member) through the
// settings form (settings_form.h), which tells what it shows and takes its
// edits; the other fields and the buttons belong to the page's model
// (*_model.h, named by PageAction), and a page whose feature's model the
// program has not handed over shows its placeholder instead. Messages and
// questions come back from the models as data (page_message.h).
//
// Texts are Windows-1251, as everywhere inside the bot; a caption's "&"
// marks the letter of its access key, as both toolkits read it. The
// definitions are built once, at the first call, and never change. Main
// thread only.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "core/bot_settings.h"

namespace pelmo {

enum class FieldKind {
  kText,           // one line of text, kept as typed
  kPassword,       // the same, shown as "*"
  kNumber,         // a whole number as text, with the digits-only key filter
  kValue,          // a number whose text every edit replaces by its value (0 for no number)
  kCheckedNumber,  // digits-only; the record takes each edit that reads as a whole
                   // number, and the save is refused while the text does not
  kCheck,          // a check box; its caption is its own text
  kChoice,         // a drop-down list (the interface addresses of the record)
  kColour,         // a colour sample (0x00BBGGRR), changed by a button of the page
  kLabel,          // read-only text that the page's model writes
  kList,           // a list box of lines that the page's model gives
  kGrid,           // a grid of text cells with column titles
  kView,           // read-only text of several lines that the page's model writes
  kDate,           // a date picker, shown as dd.mm.yyyy
  kTime,           // a time field, hh:mm:ss, the first digit may stay blank
};

// What the save checks before it stops the bot.
enum class FieldCheck {
  kNone,
  kWholeNumber,  // the text must read as a whole number (a kCheckedNumber field)
  kNetwork,      // the network settings must take the text (port, TTL, size, address)
};

// What an operator's change of the field does beyond the record.
enum class FieldEffect {
  kNone,
  kBotNickAndHost,  // the bot's packets carry the new nick or host at once
  kModeAddress,     // a click of the mode check box shows the stored address of the mode
  kSendInterface,   // the choice becomes the address the bot sends from
};

// The record member a field shows and edits; none for a field whose
// content is its page model's (lists, grids, labels, the ban page's inputs).
using SettingsMember =
    std::variant<std::monostate, std::string BotSettings::*, long long BotSettings::*,
                 bool BotSettings::*, std::uint32_t BotSettings::*,
                 std::vector<std::string> BotSettings::*>;

struct FieldDef {
  std::string name{};  // component name, "NickE"
  FieldKind kind = FieldKind::kText;
  // The label before the field, or a check box's text ("" none).
  std::string caption{};
  SettingsMember member{};
  // The usual content that the field must show whole at the window's
  // default size, wide letters and digits ("" : no rule).
  std::string sample{};
  FieldCheck check = FieldCheck::kNone;
  FieldEffect effect = FieldEffect::kNone;
  // A check box: the field and its caption are enabled only while it is on.
  std::string enabledBy{};
  // A check box's caption while it is off ("" : caption in both states).
  std::string captionOff{};
  // Component name of the caption's label ("" : it has none of its own).
  std::string captionName{};
  // A grid's column titles, left to right.
  std::vector<std::string> columns{};
};

// What a button calls. The page or window holding the button names the
// model (settings_form.h, *_model.h); each action is one operation there.
enum class PageAction {
  kSaveSettings,          // SettingsForm::Save
  kCancelSettings,        // SettingsForm::Cancel
  kPickColour,            // the colour dialog, then SettingsForm::SetColour
  kAddBan,                // BanModel::Add
  kDeleteBan,             // BanModel::Delete
  kAddSubscriber,         // the subscriber dialog, then SubscriberModel::Add
  kDeleteSubscriber,      // nothing: the button is always disabled
  kDeletePhrase,          // ChatterboxModel::Delete
  kAddPhrase,             // ChatterboxModel::Add
  kSavePhrases,           // ChatterboxModel::Save
  kDownloadWeather,       // TimedModel::Download
  kPauseWeather,          // TimedModel::Pause
  kContinueWeather,       // TimedModel::Continue
  kStartWeather,          // TimedModel::StartWeather
  kStartAnecdote,         // TimedModel::StartAnecdote
  kAddAdmin,              // AdminsModel::Add
  kRemoveAdmin,           // AdminsModel::Remove
  kShowBirthdays,         // shows the birthday editor
  kAddBirthday,           // BirthdayEditorModel::Add
  kDeleteBirthday,        // BirthdayEditorModel::Delete
  kRenameBirthday,        // BirthdayEditorModel::Rename
  kSaveBirthdays,         // BirthdayEditorModel::Save
  kCloseBirthdays,        // hides the birthday editor
  kAcceptBirthday,        // BirthdayEditorModel::Accept
  kCancelBirthday,        // BirthdayEditorModel::CancelInput
  kAcceptDialog,          // closes a dialog with OK
  kCancelDialog,          // closes a dialog with Cancel
};

struct ButtonDef {
  std::string name{};     // component name, "AddBanB"
  std::string caption{};  // "До&бавить"
  PageAction action = PageAction::kSaveSettings;
  bool hidden = false;     // held but never shown (a start button of a countdown)
  bool disabled = false;   // shown, never enabled
  bool isDefault = false;  // Enter in the dialog presses it
};

// A feature a page or part of a page needs: until the program hands the
// front-end the feature's model, the page shows its placeholder and the
// items are left out.
enum class PageFeature { kNone, kBans, kSubscribers, kChatterbox, kTimed, kBirthdays };

enum class ItemKind {
  kField,     // the field name
  kInterval,  // minutes field name, "мин.", seconds field second, "сек."; the
              // caption is the minutes field's
  kButton,    // the button name
  kText,      // a line of text; name, when set, is its label's component name
  kNote,      // text that wraps at the page's width
};

struct PageItem {
  ItemKind kind = ItemKind::kField;
  std::string name{};
  std::string second{};
  std::string text{};
  // The item stands on the page only once the feature's model is there;
  // such items come last in a form block, so that they can be added later.
  PageFeature feature = PageFeature::kNone;
};

enum class BlockKind {
  kForm,       // one row an item: a field under its caption's column, anything else
               // across the row (consecutive buttons share a row)
  kColumn,     // one item a line; a list, grid or view takes the spare height
  kRow,        // the items side by side from the left; a field after its caption
  kButtonBar,  // buttons side by side at the right end
};

// A part of a page, top to bottom. A block with a title is framed under
// it; a named block is a panel of that component name, and a hidden one is
// held but never shown.
struct PageBlock {
  BlockKind kind = BlockKind::kColumn;
  std::vector<PageItem> items{};
  std::string title{};
  std::string name{};
  bool hidden = false;
};

// What a settings page is; front-ends find pages by this, never by their
// place in the tree.
enum class PageId {
  kNone,  // a dialog or window, not a settings page
  kRoot,
  kChat,
  kGeneral,
  kLink,
  kNetwork,
  kBans,
  kSubscribers,
  kChatterbox,
  kWeather,
  kWeatherSettings,
  kAdmins,
  kBirthdays,
  kAnecdote,
  kQuiz,
  kLogFile,
};

struct PageDef {
  PageId id = PageId::kNone;
  int index = 0;        // the tree node's absolute index (-1: not in the tree)
  int depth = 0;        // the node's depth in the tree (0: the root)
  std::string title{};  // the node's text and the page's heading; a window's title
  std::string name{};   // component name of a dialog or window ("" for a page)
  PageFeature feature = PageFeature::kNone;
  std::string placeholder{};  // shown while the feature's model is missing
  std::vector<FieldDef> fields{};
  std::vector<ButtonDef> buttons{};
  // Top to bottom. A list, grid or view takes the page's spare height;
  // without one the spare height stays free below the blocks.
  std::vector<PageBlock> blocks{};
};

// The settings tree in its order, one page a node; a front-end's tree
// item carries its page's id and selects the page by it. The tree is
// always fully expanded; a node's parent is the nearest node
// before it one level up.
const std::vector<PageDef>& SettingsPageDefs();
inline constexpr int kSettingsPageCount = 15;
// A settings page by what it is, and its place in SettingsPageDefs().
const PageDef& SettingsPage(PageId id);
int PageIndex(PageId id);
// The buttons under every page: "&Сохранить" (SaveCfgB), "&Отмена" (LoadCfgB).
const std::vector<ButtonDef>& SettingsButtonDefs();

// The new-subscriber dialog TAddNewF ("Добавление абонента").
const PageDef& SubscriberDialogDef();
// The birthday editor TBirthDayF ("Birth Day"): its list and buttons, and
// the input panel BDAddPanel that covers the list while it is open.
const PageDef& BirthdayEditorDef();
const PageDef& BirthdayPanelDef();

// The unit texts of an interval row.
const std::string& MinutesUnit();  // "мин."
const std::string& SecondsUnit();  // "сек."

// A settings page's field or button by component name; null when no
// settings page has it.
const FieldDef* FindField(const std::string& name);
const ButtonDef* FindButton(const std::string& name);
// The same within one page, dialog or window.
const FieldDef* FindField(const PageDef& page, const std::string& name);
const ButtonDef* FindButton(const PageDef& page, const std::string& name);

}  // namespace pelmo
