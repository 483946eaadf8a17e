// Binds the controls of the settings pages' fields to the settings form
// (pages/settings_form.h): every change of a check box or field goes into
// the live record at once, and Show() puts the record back into the
// controls after a load. Controls carry their component names as object
// names ("EnableBotCB", "PortE"). Main thread only.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pages/page_defs.h"

class QWidget;

namespace pelmo {

class SettingsForm;

class PageBinder {
 public:
  // The form must outlive the binder.
  explicit PageBinder(SettingsForm& form) : m_form(form) {}

  // The control of a field bound to the record (FieldDef::member set), or
  // null for a field of another kind. The definition must outlive it.
  QWidget* Make(const FieldDef& field);
  // A field's caption label, enabled and disabled with the field.
  void AddCaption(const std::string& field, QWidget* label);

  // Extra steps run by Show() (a page's own load), in order of adding.
  void OnShow(std::function<void()> step) { m_steps.push_back(std::move(step)); }
  // Record to controls: every bound control, the extra steps, then the
  // enabled states and the captions that follow check boxes.
  void Show();
  // One bound control again from the record.
  void ShowField(const std::string& name);

  SettingsForm& Form() { return m_form; }

 private:
  struct Bound {
    const FieldDef* field;
    QWidget* control;
    std::function<void()> show;
  };
  // Enables the fields that the check box enables, and sets its caption.
  void ShowStates(const FieldDef& box);

  SettingsForm& m_form;
  std::vector<Bound> m_bound;
  std::multimap<std::string, QWidget*> m_captions;
  std::vector<std::function<void()>> m_steps;
};

}  // namespace pelmo
