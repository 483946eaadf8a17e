#include "winui/timed_pages_win.h"

#include <windows.h>

#include <string>

#include "pages/timed_model.h"
#include "winui/controls_win.h"
#include "winui/page_message_win.h"
#include "winui/page_render_win.h"
#include "winui/settings_tab_win.h"

namespace pelmo::winui {

namespace {


// An edit control breaks lines at CR LF only.
std::wstring WithCrLf(const std::wstring& text) {
  std::wstring shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) shown += L'\r';
    shown += text[i];
  }
  return shown;
}

}  // namespace

class TimedPages {
 public:
  TimedPages(SettingsTab& tab, TimedFeatures& timed)
      : m_model(timed),
        m_platform(tab.Platform()),
        m_weather(tab.Rendered(PageId::kWeather)),
        m_anecdote(tab.Rendered(PageId::kAnecdote)) {
    tab.AddFeature(PageFeature::kTimed);
    m_weather.OnAction(PageAction::kDownloadWeather, [this] { m_model.Download(); });
    m_weather.OnAction(PageAction::kPauseWeather, [this] {
      m_model.Pause();
      ShowButtons();
    });
    m_weather.OnAction(PageAction::kContinueWeather, [this] {
      m_model.Continue();
      ShowButtons();
    });
    m_weather.OnAction(PageAction::kStartWeather, [this] { Said(m_model.StartWeather()); });
    m_anecdote.OnAction(PageAction::kStartAnecdote, [this] { Said(m_model.StartAnecdote()); });
    m_model.OnChanged = [this](const std::string& name) { ShowText(name); };
    tab.OnPageShown(PageId::kWeather, [this] { ShowButtons(); });
    for (const char* name : {"ContentRE", "PogodaTimeL", "Label49"}) ShowText(name);
  }

  void WindowShown(const BotSettings& settings) {
    if (const std::optional<PageMessage> message = m_model.WindowShown(settings)) {
      ShowPageMessage(m_platform, *message);
    }
    ShowButtons();
  }

 private:
  void ShowText(const std::string& name) {
    HWND control = m_weather.Named(name);
    if (control == nullptr) control = m_anecdote.Named(name);
    if (control == nullptr) return;
    // The content is network text: plain, never markup.
    SetText(control, WithCrLf(Wide(m_model.Text(name))));
    ShowButtons();
  }

  void ShowButtons() {
    ::EnableWindow(m_weather.Named("PausePogodaB"), m_model.PauseEnabled());
    ::EnableWindow(m_weather.Named("GoPogodaB"), m_model.ContinueEnabled());
  }

  void Said(const PageResult& result) {
    if (result.message) ShowPageMessage(m_platform, *result.message);
    ShowButtons();
  }

  TimedModel m_model;
  const WinPlatform& m_platform;
  RenderedPage& m_weather;
  RenderedPage& m_anecdote;
};

std::shared_ptr<TimedPages> BuildTimedPages(SettingsTab& tab, TimedFeatures& timed) {
  return std::make_shared<TimedPages>(tab, timed);
}

void TimedWindowShown(TimedPages& pages, const BotSettings& settings) { pages.WindowShown(settings); }

}  // namespace pelmo::winui
