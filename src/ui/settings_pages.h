// The settings tab: the options tree OptionsTV (always fully expanded),
// the heading PageTitleL (the selected node's title), the page stack
// Notebook and the buttons "&Сохранить" (SaveCfgB) and "&Отмена"
// (LoadCfgB). Selecting the node with absolute index i (counted over the
// expanded tree) shows page i for i up to 13 and page 14 above.
// Main thread only.
#pragma once

#include <QWidget>

#include "ui/page_binder.h"

class QComboBox;
class QFormLayout;
class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelmo {

class BotControl;
struct WindowPlatform;

class SettingsPages final : public QWidget {
 public:
  static constexpr int kPageCount = 15;

  SettingsPages(BotControl& bot, const WindowPlatform& platform, QWidget* parent = nullptr);

  // Record to widgets (after a load).
  void ShowSettings();
  // Opening the tab: expands the tree and focuses it; the first node is
  // selected the first time, later the page the operator left stays.
  void Enter();
  // "&Сохранить": checks every number field first and, when one is not
  // sound, says so and leaves the bot running; otherwise stops the bot and
  // saves (a file that cannot be written is an error for the report). A
  // bot the save stopped is said in a box that offers to start it again.
  void SaveCfgBClick();
  // "&Отмена": reloads the settings, throwing away unsaved edits.
  void LoadCfgBClick();
  // "Изменить &цвет".
  void NickColBClick();

  // Shows the page for the tree node with this absolute index.
  void SelectNode(int index);
  int CurrentPage() const;
  QTreeWidget* Tree() const { return m_tree; }
  // Replaces page index of the stack (the pages that services bring).
  void SetPage(int index, QWidget* page);
  QWidget* Page(int index) const;
  PageBinder& Binder() { return m_binder; }
  // The anecdote page's rows, for its countdown.
  QFormLayout* AnecdoteForm() const { return m_anecdoteForm; }

 private:
  QWidget* MakeTextPage(const QString& text);
  QWidget* MakeChatPage();
  QWidget* MakeGeneralPage();
  QWidget* MakeNetworkPage();
  QWidget* MakeAnecdotePage();
  QWidget* MakeQuizPage();
  QWidget* MakeLogFilePage();
  void BuildTree();
  void MulticastModeCBClick(bool checked);
  void ShowColor();
  void ShowInterfaces();
  void OnNodeSelected(QTreeWidgetItem* item);

  BotControl& m_bot;
  const WindowPlatform& m_platform;
  PageBinder m_binder;
  QTreeWidget* m_tree = nullptr;
  QLabel* m_heading = nullptr;
  QStackedWidget* m_stack = nullptr;
  QFrame* m_colorP = nullptr;
  QComboBox* m_interfaces = nullptr;
  QLabel* m_ttlLabel = nullptr;
  QFormLayout* m_anecdoteForm = nullptr;
};

}  // namespace pelmo
