// Binds the fields and check boxes of the settings pages to the settings
// record: every change goes into the record at once (the services read it
// while they run), and Show() puts the record back into the controls after
// a load. Also the pages' layout: rows of a label and a field, each field
// wide enough for its usual content in the control's own font. Main thread
// only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace pelmo {
struct BotSettings;
}

namespace pelmo::winui {

// Samples of the usual contents, wide letters and digits.
namespace sample {
// A nick, a computer name, a channel or a user name of 20 characters.
inline const std::wstring kName(20, L'\u0428');  // Ш
inline const std::wstring kAddress = L"888.888.888.888";
inline const std::wstring kPort = L"88888";
inline const std::wstring kNumber = L"8888888888";
inline const std::wstring kMinutes = L"8888";
inline const std::wstring kTime = L"88:88:88";
inline const std::wstring kUrl = L"http://informer.example/informer/forecast.js?city=27612";
inline const std::wstring kServer = L"proxy.office.example.local";
}  // namespace sample

// The width a one-line field needs to show text whole.
int FieldWidth(const std::wstring& text);

// Only digits (and editing keys) reach the field.
void InstallNumberFilter(HWND edit);

class FieldBinder {
 public:
  explicit FieldBinder(BotSettings& settings) : m_settings(settings) {}

  HWND Check(HWND parent, int x, int y, const char* name, const std::wstring& caption,
             bool BotSettings::*field);
  // A field holding text as typed.
  HWND Text(HWND parent, int x, int y, int width, const char* name,
            std::string BotSettings::*field, DWORD style = 0);
  // A whole-number text field with the digits-only key filter.
  HWND NumberText(HWND parent, int x, int y, int width, const char* name,
                  std::string BotSettings::*field);
  // A number field whose text is replaced by its integer value (0 when it
  // is not a number) at every edit.
  HWND Number(HWND parent, int x, int y, int width, const char* name,
              long long BotSettings::*field);
  // A digits-only field; the record takes each edit that reads as a whole
  // number, and Unsound() names the field while its text does not.
  HWND CheckedNumber(HWND parent, int x, int y, int width, const char* name,
                     long long BotSettings::*field);

  // Extra steps of Show() (a page's own load), in order of adding.
  void OnShow(std::function<void()> step) { m_loaders.push_back(std::move(step)); }
  // Record to controls.
  void Show();
  // The first CheckedNumber field that does not hold a whole number, or null.
  HWND Unsound() const;
  bool Showing() const { return m_showing; }
  BotSettings& Settings() { return m_settings; }

 private:
  BotSettings& m_settings;
  std::vector<std::function<void()>> m_loaders;
  std::vector<HWND> m_checked;
  bool m_showing = false;
};

// A whole decimal number, blanks around it allowed; false for any other text.
bool ReadWholeNumber(const std::wstring& text, long long& value);

// Rows of a label and a field: the labels in one column as wide as the
// widest, the fields beside them; a row whose field would not fit beside
// its label puts the field under it.
class FormLayout {
 public:
  using Maker = std::function<HWND(int x, int y, int width)>;
  FormLayout(HWND panel, int x, int y, int width) : m_panel(panel), m_x(x), m_y(y), m_width(width) {}
  // A labelled row; fieldWidth is what the field needs.
  void Row(const std::wstring& label, int fieldWidth, Maker make, const char* labelName = nullptr);
  // A row of its own (a check box), the field column's width.
  void Whole(Maker make);
  // Makes the rows; returns the y below the last one.
  int Build();

 private:
  struct Line {
    std::wstring label;
    int fieldWidth;
    Maker make;
    const char* labelName;
  };
  HWND m_panel;
  int m_x;
  int m_y;
  int m_width;
  std::vector<Line> m_lines;
};

}  // namespace pelmo::winui
