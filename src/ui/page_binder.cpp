#include "ui/page_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QStyle>

#include "pages/settings_form.h"
#include "ui/number_filter.h"
#include "ui/qt_text.h"

namespace pelmo {

QWidget* PageBinder::Make(const FieldDef& field) {
  if (std::holds_alternative<std::monostate>(field.member)) return nullptr;
  const FieldDef* def = &field;
  const QString name = QString::fromStdString(field.name);
  switch (field.kind) {
    case FieldKind::kText:
    case FieldKind::kPassword:
    case FieldKind::kNumber:
    case FieldKind::kCheckedNumber: {
      auto* edit = new QLineEdit;
      edit->setObjectName(name);
      if (field.kind == FieldKind::kPassword) edit->setEchoMode(QLineEdit::Password);
      if (FiltersKeys(field)) NumberKeyFilter::Install(edit);
      QObject::connect(edit, &QLineEdit::textChanged, edit,
                       [this, def](const QString& text) { m_form.Edit(*def, FromQ(text)); });
      m_bound.push_back({def, edit, [this, def, edit] { edit->setText(ToQ(m_form.Text(*def))); }});
      return edit;
    }
    case FieldKind::kValue: {
      auto* edit = new QLineEdit;
      edit->setObjectName(name);
      // Typed text only: the replacement's own change is no edit.
      QObject::connect(edit, &QLineEdit::textEdited, edit, [this, def, edit](const QString& text) {
        if (const auto shown = m_form.Edit(*def, FromQ(text))) edit->setText(ToQ(*shown));
      });
      m_bound.push_back({def, edit, [this, def, edit] { edit->setText(ToQ(m_form.Text(*def))); }});
      return edit;
    }
    case FieldKind::kCheck: {
      auto* box = new QCheckBox(ToQ(field.caption));
      box->setObjectName(name);
      QObject::connect(box, &QCheckBox::toggled, box, [this, def](bool on) {
        m_form.SetChecked(*def, on);
        ShowStates(*def);
      });
      QObject::connect(box, &QCheckBox::clicked, box, [this, def](bool on) {
        for (const std::string& changed : m_form.Click(*def, on)) ShowField(changed);
      });
      m_bound.push_back({def, box, [this, def, box] { box->setChecked(m_form.Checked(*def)); }});
      return box;
    }
    case FieldKind::kChoice: {
      auto* combo = new QComboBox;
      combo->setObjectName(name);
      QObject::connect(combo, &QComboBox::activated, combo,
                       [this, def](int index) { m_form.Choose(*def, index); });
      m_bound.push_back({def, combo, [this, combo] {
                           combo->clear();
                           const QIcon icon = combo->style()->standardIcon(QStyle::SP_DriveNetIcon);
                           for (const std::string& entry : m_form.Choices()) combo->addItem(icon, ToQ(entry));
                           combo->setCurrentIndex(m_form.Chosen());
                         }});
      return combo;
    }
    case FieldKind::kColour: {
      auto* sample = new QFrame;
      sample->setObjectName(name);
      sample->setFrameShape(QFrame::Box);
      sample->setFixedSize(40, 20);
      sample->setAutoFillBackground(true);
      m_bound.push_back({def, sample, [this, sample] {
                           QPalette palette = sample->palette();
                           palette.setColor(QPalette::Window, ToQColor(m_form.Colour()));
                           sample->setPalette(palette);
                         }});
      return sample;
    }
    default:
      return nullptr;
  }
}

void PageBinder::AddCaption(const std::string& field, QWidget* label) {
  m_captions.emplace(field, label);
}

void PageBinder::Show() {
  for (const Bound& bound : m_bound) bound.show();
  for (const auto& step : m_steps) step();
  for (const Bound& bound : m_bound) {
    if (bound.field->kind == FieldKind::kCheck) ShowStates(*bound.field);
  }
}

void PageBinder::ShowField(const std::string& name) {
  for (const Bound& bound : m_bound) {
    if (bound.field->name == name) bound.show();
  }
}

void PageBinder::ShowStates(const FieldDef& box) {
  for (const Bound& bound : m_bound) {
    if (bound.field->enabledBy != box.name) continue;
    const bool enabled = m_form.Enabled(*bound.field);
    bound.control->setEnabled(enabled);
    const auto [first, last] = m_captions.equal_range(bound.field->name);
    for (auto it = first; it != last; ++it) it->second->setEnabled(enabled);
  }
  if (box.captionOff.empty()) return;
  for (const Bound& bound : m_bound) {
    if (bound.field == &box) static_cast<QCheckBox*>(bound.control)->setText(ToQ(m_form.Caption(box)));
  }
}

}  // namespace pelmo
