// The settings tab: the options tree OptionsTV (always fully expanded),
// the heading PageTitleL (the selected node's title), the pages and the
// buttons "&Сохранить" (SaveCfgB) and "&Отмена" (LoadCfgB). Selecting the
// node with absolute index i (counted over the expanded tree) shows page i
// for i up to 13 and page 14 above. The pages of the chat, the network,
// the anecdote and quiz channels and the log file are built here; the
// services, games and timed features put theirs into the pages they own.
// Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "winui/field_binder_win.h"

namespace pelmo {
class BotControl;
}

namespace pelmo::winui {

struct WinPlatform;

class SettingsTab {
 public:
  static constexpr int kPageCount = 15;
  static constexpr int kTreeWidth = 200;

  SettingsTab(HWND parent, BotControl& bot, const WinPlatform& platform);
  SettingsTab(const SettingsTab&) = delete;
  SettingsTab& operator=(const SettingsTab&) = delete;

  HWND Window() const { return m_panel; }
  HWND Tree() const { return m_tree; }
  // The panel of page index; its size is PageSize().
  HWND Page(int index) const { return m_pages[index]; }
  SIZE PageSize() const { return m_pageSize; }
  // Called with the page's new size when the window is resized.
  void OnPageResize(int index, std::function<void(int width, int height)> resize);
  // Called each time page index is shown.
  void OnPageShown(int index, std::function<void()> shown) { m_shown[index] = std::move(shown); }
  FieldBinder& Binder() { return m_binder; }
  // Where the anecdote page's rows end: its countdown goes below.
  int AnecdoteRowsEnd() const { return m_anecdoteEnd; }

  // Places everything inside the tab's panel, whose new client size this
  // is (the window places the panel).
  void Resize(int width, int height);
  // Record to controls (after a load).
  void ShowSettings();
  // Opening the tab: the first node is selected the first time, later the
  // page the operator left stays; the tree takes the focus.
  void Enter();
  // Shows the page of the tree node with this absolute index.
  void SelectNode(int index);
  int CurrentPage() const { return m_current; }
  // "&Сохранить": refuses (in a box, the bot left running) while a number
  // field is unsound; otherwise stops the bot and saves (a file that cannot
  // be written is an error for the report), and a bot the save stopped is
  // said in a box that offers to start it again.
  void SaveCfgBClick();
  // "&Отмена": reloads the settings, throwing away unsaved edits.
  void LoadCfgBClick();
  // "Изменить &цвет".
  void NickColBClick();

 private:
  void BuildTree();
  void BuildChatPage();
  void BuildGeneralPage();
  void BuildNetworkPage();
  void BuildAnecdotePage();
  void BuildQuizPage();
  void BuildLogFilePage();
  void TextPage(int index, const std::wstring& text);
  void ShowNetworkMode();
  void ShowInterfaces();

  BotControl& m_bot;
  const WinPlatform& m_platform;
  FieldBinder m_binder;
  HWND m_panel;
  HWND m_tree = nullptr;
  HWND m_heading = nullptr;
  HWND m_save = nullptr;
  HWND m_cancel = nullptr;
  HWND m_pages[kPageCount] = {};
  std::function<void(int, int)> m_resize[kPageCount];
  std::function<void()> m_shown[kPageCount];
  SIZE m_pageSize{};
  int m_current = -1;
  HWND m_colorP = nullptr;
  HWND m_interfaces = nullptr;
  int m_anecdoteEnd = 0;
};

}  // namespace pelmo::winui
