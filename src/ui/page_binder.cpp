#include "ui/page_binder.h"

#include <QCheckBox>
#include <QLineEdit>

#include "core/bot_settings.h"
#include "ui/number_filter.h"
#include "ui/qt_text.h"

namespace pelmo {

bool ReadWholeNumber(const QString& text, long long& value) {
  bool ok = false;
  value = text.trimmed().toLongLong(&ok, 10);
  return ok;
}

QCheckBox* PageBinder::Check(QWidget* parent, const char* name, const QString& caption,
                             bool BotSettings::*field) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  QObject::connect(box, &QCheckBox::toggled, box, [this, field](bool on) { m_settings.*field = on; });
  m_loaders.push_back([this, box, field] { box->setChecked(m_settings.*field); });
  return box;
}

QLineEdit* PageBinder::Text(QWidget* parent, const char* name, std::string BotSettings::*field) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  QObject::connect(edit, &QLineEdit::textChanged, edit,
                   [this, field](const QString& text) { m_settings.*field = FromQ(text); });
  m_loaders.push_back([this, edit, field] { edit->setText(ToQ(m_settings.*field)); });
  return edit;
}

QLineEdit* PageBinder::NumberText(QWidget* parent, const char* name,
                                  std::string BotSettings::*field) {
  QLineEdit* edit = Text(parent, name, field);
  NumberKeyFilter::Install(edit);
  return edit;
}

QLineEdit* PageBinder::Number(QWidget* parent, const char* name, long long BotSettings::*field) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  QObject::connect(edit, &QLineEdit::textEdited, edit, [this, edit, field](const QString& text) {
    long long value = 0;
    if (!ReadWholeNumber(text, value)) value = 0;
    m_settings.*field = value;
    const QString shown = QString::number(value);
    if (shown != text) edit->setText(shown);
  });
  m_loaders.push_back([this, edit, field] { edit->setText(QString::number(m_settings.*field)); });
  return edit;
}

QLineEdit* PageBinder::CheckedNumber(QWidget* parent, const char* name,
                                     long long BotSettings::*field) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  NumberKeyFilter::Install(edit);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this, field](const QString& text) {
    long long value = 0;
    if (ReadWholeNumber(text, value)) m_settings.*field = value;
  });
  m_loaders.push_back([this, edit, field] { edit->setText(QString::number(m_settings.*field)); });
  m_checked.push_back(edit);
  return edit;
}

void PageBinder::Show() {
  for (const auto& load : m_loaders) load();
}

QLineEdit* PageBinder::Unsound() const {
  for (QLineEdit* edit : m_checked) {
    long long value = 0;
    if (!ReadWholeNumber(edit->text(), value)) return edit;
  }
  return nullptr;
}

}  // namespace pelmo
