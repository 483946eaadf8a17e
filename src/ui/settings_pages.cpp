#include "ui/settings_pages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/bot_faces.h"
#include "ui/admins_page.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

// A page of one text: what a page shows until its model comes.
QWidget* TextPage(const std::string& text) {
  auto* page = new QWidget;
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(ToQ(text));
  label->setWordWrap(true);
  outer->addWidget(label);
  outer->addStretch(1);
  return page;
}

}  // namespace

SettingsPages::SettingsPages(BotSettingsAccess& settings, BotLife& life,
                             const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_form(settings, life), m_platform(platform), m_binder(m_form),
      m_controls(kPageCount) {
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName("OptionsTV");
  m_tree->setHeaderHidden(true);
  m_tree->setItemsExpandable(false);
  m_tree->setRootIsDecorated(false);
  m_tree->setMinimumWidth(190);
  m_stack = new QStackedWidget(this);
  m_stack->setObjectName("Notebook");

  for (const PageDef& def : SettingsPageDefs()) {
    if (def.id == PageId::kAdmins) {
      auto* admins = new AdminsPage(settings.Settings(), platform);
      m_stack->addWidget(admins);
      m_binder.OnShow([admins] { admins->ShowAdmins(); });
    } else if (def.feature == PageFeature::kNone) {
      auto* page = new QWidget;
      m_controls[static_cast<std::size_t>(def.index)] = pelmo::RenderPage(def, page, &m_binder);
      m_stack->addWidget(page);
    } else {
      m_stack->addWidget(TextPage(def.placeholder));
    }
  }
  OnAction(SettingsPage(PageId::kGeneral), m_controls[static_cast<std::size_t>(PageIndex(PageId::kGeneral))], PageAction::kPickColour, &m_platform,
           [this] { NickColBClick(); });
  BuildTree();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (const ButtonDef& def : SettingsButtonDefs()) {
    auto* button = new QPushButton(ToQ(def.caption), this);
    button->setObjectName(QString::fromStdString(def.name));
    const bool save = def.action == PageAction::kSaveSettings;
    connect(button, &QPushButton::clicked, this, [this, save] {
      RunGuarded(m_platform, [this, save] { save ? SaveCfgBClick() : LoadCfgBClick(); });
    });
    buttons->addWidget(button);
  }
  // The heading names the page as the tree does.
  m_heading = new QLabel(this);
  m_heading->setObjectName("PageTitleL");
  QFont font = m_heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  m_heading->setFont(font);
  auto* right = new QVBoxLayout;
  right->addWidget(m_heading);
  right->addWidget(m_stack, 1);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(m_tree);
  layout->addLayout(right, 1);
}

void SettingsPages::BuildTree() {
  std::vector<QTreeWidgetItem*> parents;
  for (const PageDef& node : SettingsPageDefs()) {
    parents.resize(static_cast<std::size_t>(node.depth));
    auto* item = parents.empty() ? new QTreeWidgetItem(m_tree)
                                 : new QTreeWidgetItem(parents.back());
    item->setText(0, ToQ(node.title));
    item->setData(0, Qt::UserRole, static_cast<int>(node.id));
    parents.push_back(item);
  }
  m_tree->expandAll();
  // Collapsing is refused: the tree stays fully expanded.
  connect(m_tree, &QTreeWidget::itemCollapsed, this,
          [this](QTreeWidgetItem* item) { m_tree->expandItem(item); });
  connect(m_tree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { OnNodeSelected(item); });
}

PageControls SettingsPages::RenderPage(PageId id) {
  auto* page = new QWidget;
  PageControls controls = pelmo::RenderPage(SettingsPage(id), page, &m_binder);
  SetPage(id, page);
  m_controls[static_cast<std::size_t>(PageIndex(id))] = controls;
  return controls;
}

PageControls SettingsPages::AddFeatureItems(PageFeature feature) {
  PageControls added;
  for (const PageDef& def : SettingsPageDefs()) {
    const PageControls& rendered = m_controls[static_cast<std::size_t>(def.index)];
    if (rendered.blocks.empty()) continue;
    added.Merge(RenderFeatureItems(def, rendered, &m_binder, feature));
  }
  return added;
}

void SettingsPages::ShowSettings() { m_binder.Show(); }

void SettingsPages::Enter() {
  m_tree->expandAll();
  // Back on the tab, the operator finds the page he left.
  if (m_tree->currentItem() == nullptr) m_tree->setCurrentItem(m_tree->topLevelItem(0));
  m_tree->setFocus();
}

void SettingsPages::SelectPage(PageId id) {
  for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
    if ((*it)->data(0, Qt::UserRole).toInt() == static_cast<int>(id)) {
      m_tree->setCurrentItem(*it);
      return;
    }
  }
}

void SettingsPages::OnNodeSelected(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const int page = PageIndex(static_cast<PageId>(item->data(0, Qt::UserRole).toInt()));
  if (page < 0) return;
  m_stack->setCurrentIndex(page);
  m_heading->setText(item->text(0));
}

int SettingsPages::CurrentPage() const { return m_stack->currentIndex(); }

void SettingsPages::SetPage(PageId id, QWidget* page) {
  const int index = PageIndex(id);
  QWidget* old = m_stack->widget(index);
  const bool current = m_stack->currentIndex() == index;
  m_stack->insertWidget(index, page);
  m_stack->removeWidget(old);
  delete old;
  m_controls[static_cast<std::size_t>(index)] = PageControls();
  if (current) m_stack->setCurrentIndex(index);
}

QWidget* SettingsPages::Page(PageId id) const { return m_stack->widget(PageIndex(id)); }

void SettingsPages::SaveCfgBClick() {
  const PageResult result = m_form.Save();
  if (!result.done) {
    if (result.message) ShowPageMessage(m_platform, *result.message, this);
    return;
  }
  ShowSettings();
  if (result.message && ShowPageMessage(m_platform, *result.message, this)) m_form.StartBot();
}

void SettingsPages::LoadCfgBClick() {
  m_form.Cancel();
  ShowSettings();
}

void SettingsPages::NickColBClick() {
  if (!m_platform.askColor) return;
  const std::optional<QColor> color = m_platform.askColor(ToQColor(m_form.Colour()));
  if (!color) return;
  m_form.SetColour(FromQColor(*color));
  m_binder.ShowField("ColorP");
}

}  // namespace pelmo
