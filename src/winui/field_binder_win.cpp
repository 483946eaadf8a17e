#include "winui/field_binder_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "core/bot_settings.h"
#include "winui/controls_win.h"

namespace pelmo::winui {

namespace {

constexpr int kRowGap = 6;
constexpr int kColumnGap = 10;

LRESULT CALLBACK NumberFilterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR) {
  // Control characters are editing keys (backspace, Ctrl+C, ...).
  if (message == WM_CHAR && wParam >= 0x20 && (wParam < L'0' || wParam > L'9')) return 0;
  return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

int FieldWidth(const std::wstring& text) { return TextWidth(text) + 16; }

void InstallNumberFilter(HWND edit) { ::SetWindowSubclass(edit, NumberFilterProc, 1, 0); }

bool ReadWholeNumber(const std::wstring& text, long long& value) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  if (begin == end) return false;
  std::size_t i = begin;
  bool negative = false;
  if (text[i] == L'-' || text[i] == L'+') negative = text[i++] == L'-';
  if (i == end) return false;
  long long result = 0;
  for (; i < end; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    if (result > (9223372036854775807LL - (text[i] - L'0')) / 10) return false;
    result = result * 10 + (text[i] - L'0');
  }
  value = negative ? -result : result;
  return true;
}

HWND FieldBinder::Check(HWND parent, int x, int y, const char* name, const std::wstring& caption,
                        bool BotSettings::*field) {
  HWND box = MakeCheck(parent, caption, x, y, name);
  OnClick(box, [this, box, field] { m_settings.*field = Checked(box); });
  m_loaders.push_back([this, box, field] { SetChecked(box, m_settings.*field); });
  return box;
}

HWND FieldBinder::Text(HWND parent, int x, int y, int width, const char* name,
                       std::string BotSettings::*field, DWORD style) {
  HWND edit = MakeEdit(parent, x, y, width, name, style);
  OnCommand(edit, [this, edit, field](int code) {
    if (code == EN_CHANGE) m_settings.*field = Narrow(GetText(edit));
  });
  m_loaders.push_back([this, edit, field] { SetText(edit, Wide(m_settings.*field)); });
  return edit;
}

HWND FieldBinder::NumberText(HWND parent, int x, int y, int width, const char* name,
                             std::string BotSettings::*field) {
  HWND edit = Text(parent, x, y, width, name, field);
  InstallNumberFilter(edit);
  return edit;
}

HWND FieldBinder::Number(HWND parent, int x, int y, int width, const char* name,
                         long long BotSettings::*field) {
  HWND edit = MakeEdit(parent, x, y, width, name);
  OnCommand(edit, [this, edit, field](int code) {
    if (code != EN_CHANGE || m_showing) return;
    const std::wstring text = GetText(edit);
    long long value = 0;
    if (!ReadWholeNumber(text, value)) value = 0;
    m_settings.*field = value;
    const std::wstring shown = std::to_wstring(value);
    if (shown != text) {
      m_showing = true;
      SetText(edit, shown);
      ::SendMessageW(edit, EM_SETSEL, shown.size(), shown.size());
      m_showing = false;
    }
  });
  m_loaders.push_back([this, edit, field] { SetText(edit, std::to_wstring(m_settings.*field)); });
  return edit;
}

HWND FieldBinder::CheckedNumber(HWND parent, int x, int y, int width, const char* name,
                                long long BotSettings::*field) {
  HWND edit = MakeEdit(parent, x, y, width, name);
  InstallNumberFilter(edit);
  OnCommand(edit, [this, edit, field](int code) {
    long long value = 0;
    if (code == EN_CHANGE && ReadWholeNumber(GetText(edit), value)) m_settings.*field = value;
  });
  m_loaders.push_back([this, edit, field] { SetText(edit, std::to_wstring(m_settings.*field)); });
  m_checked.push_back(edit);
  return edit;
}

void FieldBinder::Show() {
  m_showing = true;
  try {
    for (const auto& load : m_loaders) load();
  } catch (...) {
    m_showing = false;
    throw;
  }
  m_showing = false;
}

HWND FieldBinder::Unsound() const {
  for (HWND edit : m_checked) {
    long long value = 0;
    if (!ReadWholeNumber(GetText(edit), value)) return edit;
  }
  return nullptr;
}

void FormLayout::Row(const std::wstring& label, int fieldWidth, Maker make, const char* labelName) {
  m_lines.push_back({label, fieldWidth, std::move(make), labelName});
}

void FormLayout::Whole(Maker make) { m_lines.push_back({L"", -1, std::move(make), nullptr}); }

int FormLayout::Build() {
  // The label column takes the widest label that still leaves its field
  // room beside it; longer labels put their field below.
  int column = 0;
  for (const Line& line : m_lines) {
    if (line.fieldWidth < 0) continue;
    const int width = TextWidth(line.label) + 4;
    if (width + kColumnGap + line.fieldWidth <= m_width) column = std::max(column, width);
  }
  int y = m_y;
  for (const Line& line : m_lines) {
    if (line.fieldWidth < 0) {
      line.make(m_x, y, m_width);
      y += FieldHeight() + kRowGap;
      continue;
    }
    const int labelWidth = TextWidth(line.label) + 4;
    const int width = std::min(line.fieldWidth, m_width);
    if (labelWidth <= column) {
      MakeLabel(m_panel, line.label, m_x, y, labelWidth, line.labelName);
      line.make(m_x + column + kColumnGap, y, width);
    } else {
      MakeLabel(m_panel, line.label, m_x, y - 2, std::min(labelWidth, m_width), line.labelName);
      y += LineHeight() + 4;
      line.make(m_x, y, width);
    }
    y += FieldHeight() + kRowGap;
  }
  return y;
}

}  // namespace pelmo::winui
