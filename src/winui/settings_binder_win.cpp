#include "winui/settings_binder_win.h"

#include <windows.h>
#include <commctrl.h>

#include <variant>

#include "pages/settings_form.h"
#include "winui/controls_win.h"
#include "winui/page_render_win.h"

namespace pelmo::winui {

namespace {

bool ShowsRecord(const FieldDef& field) {
  return !std::holds_alternative<std::monostate>(field.member);
}

}  // namespace

void SettingsBinder::Bind(const RenderedPage& page) {
  for (const FieldDef& field : page.Def().fields) {
    HWND control = page.Named(field.name);
    if (control == nullptr || !ShowsRecord(field)) continue;
    m_bound.push_back({&field, control, page.Caption(field.name)});
    const FieldDef* def = &field;
    switch (field.kind) {
      case FieldKind::kCheck:
        OnClick(control, [this, def, control] {
          for (const std::string& name : m_form.Click(*def, Checked(control))) ShowField(name);
          ShowStates();
        });
        break;
      case FieldKind::kChoice:
        OnCommand(control, [this, def, control](int code) {
          if (code != CBN_SELCHANGE) return;
          m_form.Choose(*def, static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0)));
        });
        break;
      case FieldKind::kColour:
        break;
      default:
        OnCommand(control, [this, def, control](int code) {
          if (code != EN_CHANGE || m_showing) return;
          const std::optional<std::string> shown = m_form.Edit(*def, Narrow(GetText(control)));
          if (!shown) return;
          // The field shows what the record took.
          const std::wstring text = Wide(*shown);
          m_showing = true;
          SetText(control, text);
          ::SendMessageW(control, EM_SETSEL, text.size(), text.size());
          m_showing = false;
        });
        break;
    }
  }
}

HWND SettingsBinder::Control(const std::string& name) const {
  for (const Bound& bound : m_bound) {
    if (bound.field->name == name) return bound.control;
  }
  return nullptr;
}

void SettingsBinder::ShowBound(const Bound& bound) {
  const FieldDef& field = *bound.field;
  switch (field.kind) {
    case FieldKind::kCheck:
      SetChecked(bound.control, m_form.Checked(field));
      break;
    case FieldKind::kChoice:
      ::SendMessageW(bound.control, CB_RESETCONTENT, 0, 0);
      for (const std::string& choice : m_form.Choices()) {
        const std::wstring text = Wide(choice);
        ::SendMessageW(bound.control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      }
      ::SendMessageW(bound.control, CB_SETCURSEL, static_cast<WPARAM>(m_form.Chosen()), 0);
      break;
    case FieldKind::kColour:
      SetSwatch(bound.control, m_form.Colour());
      break;
    default:
      SetText(bound.control, Wide(m_form.Text(field)));
      break;
  }
}

void SettingsBinder::ShowStates() {
  for (const Bound& bound : m_bound) {
    const FieldDef& field = *bound.field;
    if (!field.enabledBy.empty()) {
      const bool on = m_form.Enabled(field);
      ::EnableWindow(bound.control, on);
      if (bound.caption != nullptr) ::EnableWindow(bound.caption, on);
    }
    if (!field.captionOff.empty()) SetText(bound.control, Wide(m_form.Caption(field)));
  }
}

void SettingsBinder::Show() {
  m_showing = true;
  try {
    for (const Bound& bound : m_bound) ShowBound(bound);
    for (const auto& step : m_steps) step();
  } catch (...) {
    m_showing = false;
    throw;
  }
  m_showing = false;
  ShowStates();
}

void SettingsBinder::ShowField(const std::string& name) {
  m_showing = true;
  for (const Bound& bound : m_bound) {
    if (bound.field->name == name) ShowBound(bound);
  }
  m_showing = false;
}

}  // namespace pelmo::winui
