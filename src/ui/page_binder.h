// Binds the widgets of the settings pages to the settings record: every
// change of a check box or field goes into the record at once (the
// services read the record while they run), and Show() puts the record
// back into the widgets after a load. Widgets carry their component names
// as object names ("EnableBotCB", "PortE"). Main thread only.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace pelmo {

struct BotSettings;

class PageBinder {
 public:
  explicit PageBinder(BotSettings& settings) : m_settings(settings) {}

  QCheckBox* Check(QWidget* parent, const char* name, const QString& caption,
                   bool BotSettings::*field);
  // A field holding text as typed.
  QLineEdit* Text(QWidget* parent, const char* name, std::string BotSettings::*field);
  // A whole-number text field with the digits-only key filter.
  QLineEdit* NumberText(QWidget* parent, const char* name, std::string BotSettings::*field);
  // A number field whose text is replaced by its integer value (0 when it
  // is not a number) at every edit.
  QLineEdit* Number(QWidget* parent, const char* name, long long BotSettings::*field);
  // A digits-only field holding a number; the record takes each edit that
  // reads as a whole number. Unsound() names it while its text does not.
  QLineEdit* CheckedNumber(QWidget* parent, const char* name, long long BotSettings::*field);

  // Extra steps run by Show() (a page's own load), in order of adding.
  void OnShow(std::function<void()> step) { m_loaders.push_back(std::move(step)); }
  // Record to widgets.
  void Show();
  // The first CheckedNumber field that does not hold a whole number, or null.
  QLineEdit* Unsound() const;

  BotSettings& Settings() { return m_settings; }

 private:
  BotSettings& m_settings;
  std::vector<std::function<void()>> m_loaders;
  std::vector<QLineEdit*> m_checked;
};

// A whole decimal number; false for any other text.
bool ReadWholeNumber(const QString& text, long long& value);

}  // namespace pelmo
