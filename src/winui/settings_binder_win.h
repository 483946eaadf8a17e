// Binds the controls of the settings pages' fields to the settings form
// (pages/settings_form.h): every edit, click and choice goes into the live
// record at once, and Show() puts the record back into the controls after
// a load, with the enabled states and captions that follow check boxes.
// Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "pages/page_defs.h"

namespace pelmo {
class SettingsForm;
}

namespace pelmo::winui {

class RenderedPage;

class SettingsBinder {
 public:
  // The form must outlive the binder.
  explicit SettingsBinder(SettingsForm& form) : m_form(form) {}

  // Binds every field of the rendered page that shows the record (the
  // page must outlive the binder).
  void Bind(const RenderedPage& page);
  // Extra steps run by Show() (a page's own load), in order of adding.
  void OnShow(std::function<void()> step) { m_steps.push_back(std::move(step)); }
  // Record to controls.
  void Show();
  // One bound field again from the record.
  void ShowField(const std::string& name);
  // The bound control of a field, or null.
  HWND Control(const std::string& name) const;

  SettingsForm& Form() { return m_form; }

 private:
  struct Bound {
    const FieldDef* field;
    HWND control;
    HWND caption;
  };
  void ShowBound(const Bound& bound);
  void ShowStates();

  SettingsForm& m_form;
  std::vector<Bound> m_bound;
  std::vector<std::function<void()>> m_steps;
  bool m_showing = false;
};

}  // namespace pelmo::winui
