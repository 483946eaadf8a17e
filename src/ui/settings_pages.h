// The settings tab: the options tree OptionsTV (always fully expanded),
// the heading PageTitleL (the selected node's title), the page stack
// Notebook and the buttons "&Сохранить" (SaveCfgB) and "&Отмена"
// (LoadCfgB), rendered from the page definitions (pages/page_defs.h).
// Each node carries its page's PageId; selecting it shows that page. The
// pages that need a feature's model show their placeholder until the
// window hands them the model (SetPage, RenderPage). Main thread only.
#pragma once

#include <QWidget>

#include <vector>

#include "pages/settings_form.h"
#include "ui/page_binder.h"
#include "ui/page_render.h"

class QLabel;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelmo {

class BotLife;
class BotSettingsAccess;
struct WindowPlatform;

class SettingsPages final : public QWidget {
 public:
  static constexpr int kPageCount = kSettingsPageCount;

  SettingsPages(BotSettingsAccess& settings, BotLife& life, const WindowPlatform& platform,
                QWidget* parent = nullptr);

  // Record to widgets (after a load).
  void ShowSettings();
  // Opening the tab: expands the tree and focuses it; the first node is
  // selected the first time, later the page the operator left stays.
  void Enter();
  // "&Сохранить" (SettingsForm::Save): an unsound field is said and
  // focused, the bot left running; a file that cannot be written is an
  // error for the report; a bot the save stopped is said in a box that
  // offers to start it again.
  void SaveCfgBClick();
  // "&Отмена": reloads the settings, throwing away unsaved edits.
  void LoadCfgBClick();
  // "Изменить &цвет".
  void NickColBClick();

  // Selects the tree item of the page (each item carries its page's id).
  void SelectPage(PageId id);
  int CurrentPage() const;
  QTreeWidget* Tree() const { return m_tree; }
  // Replaces the page of the stack (the pages whose models come later).
  void SetPage(PageId id, QWidget* page);
  // Replaces the page by the one rendered from its definition, with the
  // fields bound to the record (a page that needs no model of its own).
  PageControls RenderPage(PageId id);
  // Adds the items of a feature that came later to the pages rendered
  // before it; returns their controls.
  PageControls AddFeatureItems(PageFeature feature);
  QWidget* Page(PageId id) const;
  PageBinder& Binder() { return m_binder; }
  SettingsForm& Form() { return m_form; }

 private:
  void BuildTree();
  void OnNodeSelected(QTreeWidgetItem* item);

  SettingsForm m_form;
  const WindowPlatform& m_platform;
  PageBinder m_binder;
  QTreeWidget* m_tree = nullptr;
  QLabel* m_heading = nullptr;
  QStackedWidget* m_stack = nullptr;
  // The controls of the pages rendered here, by page index.
  std::vector<PageControls> m_controls;
};

}  // namespace pelmo
