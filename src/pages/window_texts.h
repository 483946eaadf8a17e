// The control window's own words, the same in every front-end: its
// captions (tabs, menus, the tool bar's hints, the about texts), why the
// bot is not on the chat and what to do about it, why a start of the
// program was refused, why the settings were not saved. Windows-1251, lines
// separated by "\n"; each front-end shows them in its own boxes.
#pragma once

#include <string>

#include "transport/net.h"

namespace pelmo {

// The window's title, the boxes' caption.
inline constexpr const char* kWindowTitle = "Pelmo_bot v 1.3";

// The tool bar's buttons, in their order.
enum class ToolButton { kStart, kStop, kClearLog, kRefreshUsers };
// A button's hint (its tooltip).
std::string ToolButtonHint(ToolButton button);

// The window's other captions: its tabs, the menu bar, the icon's menu,
// the topic label and its box, the about texts.
enum class WindowCaption {
  kLogTab,
  kSettingsTab,
  kAboutTab,
  kFileMenu,
  kHelpMenu,
  kHelpItem,       // "Помо&щь"
  kAboutItem,      // the standard About box
  kStartItem,      // the icon menu's start (N6)
  kStopItem,       // the icon menu's stop (Stop_Bot)
  kShowItem,       // "Развернуть"
  kTrayHelpItem,   // "Справка"
  kTrayAboutItem,  // the About window
  kExitItem,       // "Выход"
  kNoTopic,        // the topic label before any topic
  kTopicBoxTitle,
  kTopicBoxPrompt,
  kAboutLine,      // the standard About box's line
  kAboutCredits,   // the About window's description
  kStartCount,     // the start counter's label
};
std::string CaptionText(WindowCaption caption);

// The help page was found at path (UTF-8) but nothing could show it.
// UTF-8, as the windows show the path.
std::string HelpNotOpenedText(const std::string& path);

// After a start that failed: "Бот не в чате: " + why + what to do.
std::string StartFaultText(const StartFault& fault);

// A start of the program refused by its checks (CheckBeforeStart's
// reason, UTF-8) for the working folder dir (UTF-8); dirExists: whether
// the folder is there. UTF-8, as the windows show it before any bot.
std::string RefusalText(const std::string& dir, const std::string& reason, bool dirExists);

// Settings not saved: file could not be written for reason (the system's
// words). The bot goes on with the settings it had.
std::string SaveFailureText(const std::string& file, const std::string& reason);

}  // namespace pelmo
