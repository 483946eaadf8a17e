// The settings tab: the options tree OptionsTV (always fully expanded),
// the heading PageTitleL (the selected node's title), the pages and the
// buttons "&Сохранить" (SaveCfgB) and "&Отмена" (LoadCfgB). The tree, the
// pages and the buttons are rendered from the settings pages' definitions
// (pages/page_defs.h); the fields that show the record are bound to the
// settings form, and the pages of the services, games and timed features
// are filled by their own page classes once the program hands over their
// models (AddFeature). Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "pages/page_defs.h"
#include "pages/settings_form.h"
#include "winui/page_render_win.h"
#include "winui/settings_binder_win.h"

namespace pelmo {
class BotLife;
class BotSettingsAccess;
}

namespace pelmo::winui {

struct WinPlatform;

class SettingsTab {
 public:
  static constexpr int kPageCount = kSettingsPageCount;
  static constexpr int kTreeWidth = 200;

  SettingsTab(HWND parent, BotSettingsAccess& settings, BotLife& life, const WinPlatform& platform);
  SettingsTab(const SettingsTab&) = delete;
  SettingsTab& operator=(const SettingsTab&) = delete;

  HWND Window() const { return m_panel; }
  HWND Tree() const { return m_tree; }
  // The panel of a page, and what was rendered on it.
  HWND Page(PageId id) const { return m_pages[PageIndex(id)]; }
  RenderedPage& Rendered(PageId id) { return *m_rendered[PageIndex(id)]; }
  // The items and pages of feature stand from now on.
  void AddFeature(PageFeature feature);
  // Called each time the page is shown.
  void OnPageShown(PageId id, std::function<void()> shown) { m_shown[PageIndex(id)] = std::move(shown); }
  SettingsBinder& Binder() { return m_binder; }
  SettingsForm& Form() { return m_form; }
  const WinPlatform& Platform() const { return m_platform; }

  // Places everything inside the tab's panel, whose new client size this
  // is (the window places the panel).
  void Resize(int width, int height);
  // Record to controls (after a load).
  void ShowSettings();
  // Opening the tab: the first node is selected the first time, later the
  // page the operator left stays; the tree takes the focus.
  void Enter();
  // Selects the tree item of the page (each item carries its page's id).
  void SelectPage(PageId id);
  int CurrentPage() const { return m_current; }
  // "&Сохранить": the form's save; its refusal or its question in a box.
  void SaveCfgBClick();
  // "&Отмена": reloads the settings, throwing away unsaved edits.
  void LoadCfgBClick();
  // "Изменить &цвет".
  void NickColBClick();

 private:
  void BuildTree();

  SettingsForm m_form;
  const WinPlatform& m_platform;
  SettingsBinder m_binder;
  HWND m_panel;
  HWND m_tree = nullptr;
  HWND m_heading = nullptr;
  HWND m_save = nullptr;
  HWND m_cancel = nullptr;
  HWND m_pages[kPageCount] = {};
  std::unique_ptr<RenderedPage> m_rendered[kPageCount];
  std::function<void()> m_shown[kPageCount];
  SIZE m_pageSize{};
  int m_current = -1;
};

}  // namespace pelmo::winui
