#include "winui/timed_pages_win.h"

#include <windows.h>

#include <algorithm>

#include "core/bot_settings.h"
#include "services/timed_features.h"
#include "winui/controls_win.h"
#include "winui/field_binder_win.h"
#include "winui/settings_tab_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

constexpr int kGap = 6;

class TimedPages {
 public:
  TimedPages(SettingsTab& tab, TimedFeatures& timed, const WinPlatform& platform)
      : m_timed(timed), m_platform(platform) {
    BuildWeatherPage(tab);
    BuildWeatherSettingsPage(tab);
    BuildAnecdoteCountdown(tab);
  }

  void ShowButtons() {
    ::EnableWindow(m_pause, m_timed.Weather().PauseEnabled());
    ::EnableWindow(m_go, m_timed.Weather().ContinueEnabled());
  }

 private:
  void BuildWeatherPage(SettingsTab& tab) {
    HWND page = tab.Page(8);
    FieldBinder& binder = tab.Binder();
    FormLayout form(page, 0, 0, tab.PageSize().cx);
    form.Row(L"URL:", FieldWidth(sample::kUrl), [&binder, page](int x, int y, int w) {
      return binder.Text(page, x, y, w, "URLe", &BotSettings::URLe);
    });
    const int minutes = FieldWidth(sample::kMinutes);
    form.Row(L"Интервал обновления:", 2 * minutes + TextWidth(L"мин.сек.") + 24,
             [&binder, page, minutes](int x, int y, int) {
               binder.NumberText(page, x, y, minutes, "MinE", &BotSettings::MinE);
               MakeLabel(page, L"мин.", x + minutes + 4, y);
               const int second = x + minutes + TextWidth(L"мин.") + 12;
               MakeLabel(page, L"сек.", second + minutes + 4, y);
               return binder.NumberText(page, second, y, minutes, "SecE", &BotSettings::SecE);
             });
    form.Row(Wide(WeatherCountdownCaption()), 200, [this, page](int x, int y, int w) {
      m_left = MakeLabel(page, L"", x, y, w, "PogodaTimeL");
      return m_left;
    });
    m_top = form.Build();
    m_content = MakeControl(page, L"EDIT", L"",
                            ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0, m_top, 100,
                            100, "ContentRE", WS_EX_CLIENTEDGE);
    m_download = MakeButton(page, L"Скачат&ь...", 0, 0, "DownloadB");
    m_pause = MakeButton(page, L"Па&уза", 0, 0, "PausePogodaB");
    m_go = MakeButton(page, L"Продол&жить", 0, 0, "GoPogodaB");
    OnClick(m_download, [this] { m_timed.Download().Download(); });
    OnClick(m_pause, [this] {
      m_timed.Weather().Pause();
      ShowButtons();
    });
    OnClick(m_go, [this] {
      m_timed.Weather().Continue();
      ShowButtons();
    });
    // The content is network text: plain, never markup.
    m_timed.Download().OnContentChanged = [this] { ShowContent(); };
    m_timed.Weather().OnLabelChanged = [this] {
      SetText(m_left, Wide(m_timed.Weather().Label()));
      ShowButtons();
    };
    tab.OnPageResize(8, [this](int width, int height) {
      const int buttonsY = height - FieldHeight() - 2;
      ::MoveWindow(m_content, 0, m_top, width, std::max(40, buttonsY - m_top - kGap), TRUE);
      int x = 0;
      for (HWND button : {m_download, m_pause, m_go}) {
        const int w = ButtonWidth(GetText(button));
        ::MoveWindow(button, x, buttonsY, w, FieldHeight() + 2, TRUE);
        x += w + kGap;
      }
    });
    tab.OnPageShown(8, [this] { ShowButtons(); });
    ShowContent();
    ShowButtons();
  }

  void ShowContent() {
    std::wstring text = Wide(m_timed.Download().Content());
    // An edit control breaks lines at CR LF only.
    std::wstring shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) shown += L'\r';
      shown += text[i];
    }
    SetText(m_content, shown);
  }

  void BuildWeatherSettingsPage(SettingsTab& tab) {
    HWND page = tab.Page(9);
    FieldBinder& binder = tab.Binder();
    const int width = tab.PageSize().cx;
    const int row = FieldHeight() + kGap;
    const int authHeight = 2 * row + 3 * LineHeight() + 3 * kGap;
    MakeControl(page, L"BUTTON", L" Authentication ", BS_GROUPBOX, 0, 0, width - 20, authHeight);
    FormLayout auth(page, 12, 2 * kGap + LineHeight(), width - 44);
    auth.Row(L"Username:", FieldWidth(sample::kName), [&binder, page](int x, int y, int w) {
      return binder.Text(page, x, y, w, "edUsername", &BotSettings::edUsername);
    });
    auth.Row(L"Password:", FieldWidth(sample::kName), [&binder, page](int x, int y, int w) {
      return binder.Text(page, x, y, w, "edPassword", &BotSettings::edPassword, ES_PASSWORD);
    });
    const int noteY = auth.Build();
    MakeControl(page, L"STATIC",
                L"Пароль хранится в others.ini открытым текстом: не используйте здесь пароль, "
                L"который нужен где-то ещё.",
                SS_NOPREFIX, 12, noteY, width - 44, 2 * LineHeight() + 2, "PasswordNoteL");
    const int proxyTop = authHeight + 2 * kGap;
    MakeControl(page, L"BUTTON", L" Use Proxy ", BS_GROUPBOX, 0, proxyTop, width - 20,
                2 * row + LineHeight() + 3 * kGap);
    FormLayout proxy(page, 12, proxyTop + 2 * kGap + LineHeight(), width - 44);
    proxy.Row(L"Proxy server:", FieldWidth(sample::kServer), [&binder, page](int x, int y, int w) {
      return binder.Text(page, x, y, w, "edProxyServer", &BotSettings::edProxyServer);
    });
    proxy.Row(L"Proxy port:", FieldWidth(sample::kPort), [&binder, page](int x, int y, int w) {
      return binder.Text(page, x, y, w, "edProxyPort", &BotSettings::edProxyPort);
    });
    proxy.Build();
  }

  void BuildAnecdoteCountdown(SettingsTab& tab) {
    HWND page = tab.Page(12);
    const std::wstring caption = Wide(AnecdoteCountdownCaption());
    const int y = tab.AnecdoteRowsEnd();
    MakeLabel(page, caption, 0, y);
    HWND left = MakeLabel(page, L"", TextWidth(caption) + 12, y, 200, "Label49");
    m_timed.Anecdote().OnLabelChanged = [this, left] {
      SetText(left, Wide(m_timed.Anecdote().Label()));
    };
  }

  TimedFeatures& m_timed;
  const WinPlatform& m_platform;
  HWND m_left = nullptr;
  HWND m_content = nullptr;
  HWND m_download = nullptr;
  HWND m_pause = nullptr;
  HWND m_go = nullptr;
  int m_top = 0;
};

}  // namespace

void WarnZeroInterval(const WinPlatform& platform) {
  if (platform.warn) platform.warn(L"Pelmo_bot v 1.3", L"Надо задать интервал!");
}

std::shared_ptr<void> BuildTimedPages(SettingsTab& tab, TimedFeatures& timed,
                                      const WinPlatform& platform) {
  return std::make_shared<TimedPages>(tab, timed, platform);
}

}  // namespace pelmo::winui
