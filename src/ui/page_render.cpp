#include "ui/page_render.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "pages/settings_form.h"
#include "ui/number_filter.h"
#include "ui/page_binder.h"
#include "ui/page_layout.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

bool Stretches(const FieldDef& field) {
  return field.kind == FieldKind::kList || field.kind == FieldKind::kGrid ||
         field.kind == FieldKind::kView;
}

QLabel* NewLabel(const std::string& text, const std::string& name, bool wrap) {
  auto* label = new QLabel(ToQ(text));
  if (!name.empty()) label->setObjectName(QString::fromStdString(name));
  if (wrap) label->setWordWrap(true);
  return label;
}

class Renderer {
 public:
  Renderer(const PageDef& def, PageBinder* binder, PageControls& controls)
      : m_def(def), m_binder(binder), m_controls(controls), m_page(def.index >= 0) {}

  // Fills the block's layout with the items that included accepts.
  template <typename Included>
  void AddItems(const PageBlock& block, QLayout* layout, Included included) {
    std::vector<const PageItem*> items;
    for (const PageItem& item : block.items) {
      if (included(item)) items.push_back(&item);
    }
    switch (block.kind) {
      case BlockKind::kForm:
        return AddToForm(static_cast<QFormLayout*>(layout), items);
      case BlockKind::kColumn:
        return AddToColumn(static_cast<QVBoxLayout*>(layout), items);
      case BlockKind::kRow:
      case BlockKind::kButtonBar:
        return AddToRow(static_cast<QHBoxLayout*>(layout), items, block.kind == BlockKind::kButtonBar);
    }
  }

  // The block layout of a kind; a page's forms wrap their long rows.
  QLayout* NewBlockLayout(BlockKind kind) const {
    switch (kind) {
      case BlockKind::kForm:
        return m_page ? NewForm() : new QFormLayout;
      case BlockKind::kColumn:
        return new QVBoxLayout;
      default:
        return new QHBoxLayout;
    }
  }
  bool IsPage() const { return m_page; }

  // Set once a plain column's list, grid or view takes the spare height.
  bool stretched = false;

 private:
  const FieldDef& Field(const std::string& name) const { return *FindField(m_def, name); }

  QWidget* MakeField(const FieldDef& field) {
    QWidget* control = m_binder != nullptr ? m_binder->Make(field) : nullptr;
    if (control == nullptr) control = MakePlain(field);
    control->setObjectName(QString::fromStdString(field.name));
    if (!field.sample.empty()) {
      if (auto* edit = qobject_cast<QLineEdit*>(control)) FitWidth(edit, ToQ(field.sample));
      if (auto* combo = qobject_cast<QComboBox*>(control)) FitWidth(combo, ToQ(field.sample));
    }
    m_controls.Add(field.name, control);
    return control;
  }

  QWidget* MakePlain(const FieldDef& field) {
    switch (field.kind) {
      case FieldKind::kCheck:
        return new QCheckBox(ToQ(field.caption));
      case FieldKind::kChoice:
        return new QComboBox;
      case FieldKind::kColour: {
        auto* sample = new QFrame;
        sample->setFrameShape(QFrame::Box);
        sample->setFixedSize(40, 20);
        sample->setAutoFillBackground(true);
        return sample;
      }
      case FieldKind::kLabel:
        return new QLabel;
      case FieldKind::kList:
        return new QListWidget;
      case FieldKind::kGrid: {
        auto* grid = new QTableWidget(0, static_cast<int>(field.columns.size()));
        QStringList titles;
        for (const std::string& title : field.columns) titles << ToQ(title);
        grid->setHorizontalHeaderLabels(titles);
        return grid;
      }
      case FieldKind::kView: {
        auto* view = new QPlainTextEdit;
        view->setReadOnly(true);
        return view;
      }
      case FieldKind::kDate: {
        auto* date = new QDateEdit;
        date->setCalendarPopup(true);
        // The bot's own short date, not the desktop's.
        date->setDisplayFormat("dd.MM.yyyy");
        return date;
      }
      case FieldKind::kTime: {
        auto* time = new QLineEdit;
        // Two digits each for hours, minutes and seconds, the first may be blank.
        time->setInputMask("09:99:99;_");
        return time;
      }
      default: {
        auto* edit = new QLineEdit;
        if (field.kind == FieldKind::kPassword) edit->setEchoMode(QLineEdit::Password);
        if (FiltersKeys(field)) NumberKeyFilter::Install(edit);
        return edit;
      }
    }
  }

  QPushButton* MakeButton(const std::string& name) {
    const ButtonDef& def = *FindButton(m_def, name);
    auto* button = new QPushButton(ToQ(def.caption));
    button->setObjectName(QString::fromStdString(def.name));
    if (def.hidden) button->hide();
    if (def.disabled) button->setEnabled(false);
    if (def.isDefault) button->setDefault(true);
    m_controls.Add(def.name, button);
    return button;
  }

  // A caption label of its own, when the field names it or its state
  // follows a check box.
  QLabel* CaptionLabel(const FieldDef& field) {
    QLabel* label = NewLabel(field.caption, field.captionName, false);
    if (!field.enabledBy.empty() && m_binder != nullptr) m_binder->AddCaption(field.name, label);
    return label;
  }

  bool HasOwnCaption(const FieldDef& field) const {
    return !field.captionName.empty() || !field.enabledBy.empty();
  }

  QWidget* Interval(const PageItem& item) {
    auto* minutes = static_cast<QLineEdit*>(MakeField(Field(item.name)));
    auto* seconds = static_cast<QLineEdit*>(MakeField(Field(item.second)));
    return MinutesAndSeconds(minutes, seconds, ToQ(MinutesUnit()), ToQ(SecondsUnit()));
  }

  QLabel* Text(const PageItem& item) {
    return NewLabel(item.text, item.name, item.kind == ItemKind::kNote);
  }

  void AddToForm(QFormLayout* form, const std::vector<const PageItem*>& items) {
    std::vector<QPushButton*> buttons;
    const auto flush = [&] {
      if (buttons.size() == 1) {
        form->addRow(buttons[0]);
      } else if (!buttons.empty()) {
        auto* row = new QHBoxLayout;
        for (QPushButton* button : buttons) row->addWidget(button);
        form->addRow(row);
      }
      buttons.clear();
    };
    for (const PageItem* item : items) {
      if (item->kind == ItemKind::kButton) {
        buttons.push_back(MakeButton(item->name));
        continue;
      }
      flush();
      switch (item->kind) {
        case ItemKind::kField: {
          const FieldDef& field = Field(item->name);
          QWidget* control = MakeField(field);
          if (field.kind == FieldKind::kCheck || field.caption.empty()) {
            form->addRow(control);
          } else if (HasOwnCaption(field)) {
            form->addRow(CaptionLabel(field), control);
          } else {
            form->addRow(ToQ(field.caption), control);
          }
          break;
        }
        case ItemKind::kInterval:
          form->addRow(ToQ(Field(item->name).caption), Interval(*item));
          break;
        default:
          form->addRow(Text(*item));
          break;
      }
    }
    flush();
  }

  void AddToColumn(QVBoxLayout* column, const std::vector<const PageItem*>& items) {
    for (const PageItem* item : items) {
      switch (item->kind) {
        case ItemKind::kField: {
          const FieldDef& field = Field(item->name);
          QWidget* control = MakeField(field);
          if (Stretches(field)) {
            column->addWidget(control, 1);
            stretched = true;
          } else if (field.kind != FieldKind::kCheck && !field.caption.empty()) {
            auto* row = new QHBoxLayout;
            row->addWidget(CaptionLabel(field));
            row->addWidget(control);
            row->addStretch(1);
            column->addLayout(row);
          } else {
            column->addWidget(control);
          }
          break;
        }
        case ItemKind::kInterval: {
          auto* row = new QHBoxLayout;
          row->addWidget(CaptionLabel(Field(item->name)));
          row->addWidget(Interval(*item));
          column->addLayout(row);
          break;
        }
        case ItemKind::kButton:
          column->addWidget(MakeButton(item->name));
          break;
        default:
          column->addWidget(Text(*item));
          break;
      }
    }
  }

  void AddToRow(QHBoxLayout* row, const std::vector<const PageItem*>& items, bool atRight) {
    if (atRight) row->addStretch(1);
    for (const PageItem* item : items) {
      switch (item->kind) {
        case ItemKind::kField: {
          const FieldDef& field = Field(item->name);
          if (field.kind != FieldKind::kCheck && !field.caption.empty()) {
            row->addWidget(CaptionLabel(field));
          }
          row->addWidget(MakeField(field));
          break;
        }
        case ItemKind::kInterval:
          row->addWidget(CaptionLabel(Field(item->name)));
          row->addWidget(Interval(*item));
          break;
        case ItemKind::kButton:
          row->addWidget(MakeButton(item->name));
          break;
        default:
          row->addWidget(Text(*item));
          break;
      }
    }
    if (!atRight) row->addStretch(1);
  }

  const PageDef& m_def;
  PageBinder* m_binder;
  PageControls& m_controls;
  bool m_page;
};

}  // namespace

QWidget* PageControls::Find(const std::string& name) const {
  const auto it = m_controls.find(name);
  return it != m_controls.end() ? it->second : nullptr;
}

void PageControls::Merge(const PageControls& other) {
  for (const auto& [name, control] : other.m_controls) m_controls[name] = control;
}

PageControls RenderPage(const PageDef& def, QWidget* into, PageBinder* binder,
                        const std::vector<PageFeature>& features) {
  PageControls controls;
  Renderer renderer(def, binder, controls);
  const auto included = [&](const PageItem& item) {
    return item.feature == PageFeature::kNone ||
           std::find(features.begin(), features.end(), item.feature) != features.end();
  };
  auto* outer = new QVBoxLayout(into);
  if (renderer.IsPage()) outer->setContentsMargins(0, 0, 0, 0);
  for (const PageBlock& block : def.blocks) {
    const bool framed = !block.title.empty() || !block.name.empty();
    if (block.kind == BlockKind::kColumn && !framed) {
      // A plain column's lines are the page's own.
      renderer.AddItems(block, outer, included);
      controls.blocks.push_back(outer);
      continue;
    }
    QLayout* layout = renderer.NewBlockLayout(block.kind);
    controls.blocks.push_back(layout);
    if (!block.title.empty()) {
      auto* group = new QGroupBox(ToQ(block.title));
      group->setLayout(layout);
      outer->addWidget(group);
    } else if (!block.name.empty()) {
      auto* panel = new QWidget;
      panel->setObjectName(QString::fromStdString(block.name));
      panel->setLayout(layout);
      if (block.hidden) panel->hide();
      outer->addWidget(panel);
    } else {
      outer->addLayout(layout);
    }
    const bool before = renderer.stretched;
    renderer.AddItems(block, layout, included);
    // Only a plain column gives the page's spare height away.
    renderer.stretched = before;
  }
  if (renderer.IsPage() && !renderer.stretched) outer->addStretch(1);
  return controls;
}

PageControls RenderFeatureItems(const PageDef& def, const PageControls& rendered,
                                PageBinder* binder, PageFeature feature) {
  PageControls controls;
  Renderer renderer(def, binder, controls);
  for (std::size_t i = 0; i < def.blocks.size() && i < rendered.blocks.size(); ++i) {
    if (def.blocks[i].kind != BlockKind::kForm) continue;
    renderer.AddItems(def.blocks[i], rendered.blocks[i],
                      [feature](const PageItem& item) { return item.feature == feature; });
  }
  return controls;
}

void OnAction(const PageDef& def, const PageControls& controls, PageAction action,
              const WindowPlatform* platform, std::function<void()> handler) {
  for (const ButtonDef& button : def.buttons) {
    if (button.action != action) continue;
    auto* control = controls.Get<QPushButton>(button.name);
    if (control == nullptr) continue;
    QObject::connect(control, &QPushButton::clicked, control, [platform, handler] {
      if (platform != nullptr) {
        RunGuarded(*platform, handler);
      } else {
        handler();
      }
    });
  }
}

}  // namespace pelmo
