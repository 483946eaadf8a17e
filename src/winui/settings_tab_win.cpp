#include "winui/settings_tab_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/text_file.h"
#include "core/bot_control.h"
#include "core/bot_settings.h"
#include "transport/net.h"
#include "winui/controls_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

constexpr int kMargin = 8;
constexpr int kHeadingHeight = 28;
const std::wstring kTitle = L"Pelmo_bot v 1.3";
const std::wstring kChooseNode = L"Пожалуйста выберете подэлементы в дереве";

// The tree in its order: text and depth. Absolute indexes follow from it.
struct Node {
  const wchar_t* text;
  int depth;
};
constexpr Node kNodes[] = {
    {L"Настройки", 0},          {L"Настройки чата", 1},   {L"Общие", 1},
    {L"Связь", 1},              {L"Сетевые настройки", 2}, {L"Бан лист", 1},
    {L"Отложенные сообщения", 1}, {L"Болтун", 1},         {L"Погода", 1},
    {L"Настройка погоды", 2},   {L"Администраторы", 1},   {L"Birth Day", 1},
    {L"Анекдот", 1},            {L"Викторина", 1},        {L"Проверка лог файла", 1},
};

// The field names a save can refuse, with their captions for the message.
struct FieldCaption {
  const char* name;
  const wchar_t* caption;
};
constexpr FieldCaption kFieldCaptions[] = {
    {"PortE", L"Порт:"},
    {"TTLe", L"Охват сети (IP TTL):"},
    {"MsgSizeE", L"Макс размер сообщения:"},
    {"NetAddrE", L"IP Multicast group address:"},
};

}  // namespace

SettingsTab::SettingsTab(HWND parent, BotControl& bot, const WinPlatform& platform)
    : m_bot(bot), m_platform(platform), m_binder(bot.Settings()) {
  RECT client{};
  ::GetClientRect(parent, &client);
  m_panel = MakePanel(parent, 0, 0, client.right, client.bottom);
  m_tree = MakeControl(m_panel, WC_TREEVIEWW, L"",
                       TVS_HASLINES | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP | WS_TABSTOP |
                           WS_BORDER,
                       kMargin, kMargin, kTreeWidth, 300, "OptionsTV");
  m_heading = MakeControl(m_panel, L"STATIC", L"", SS_NOPREFIX, kTreeWidth + 2 * kMargin, kMargin,
                          300, kHeadingHeight, "PageTitleL");
  ::SendMessageW(m_heading, WM_SETFONT, reinterpret_cast<WPARAM>(HeadingFont()), FALSE);
  m_save = MakeButton(m_panel, L"&Сохранить", 0, 0, "SaveCfgB");
  m_cancel = MakeButton(m_panel, L"&Отмена", 0, 0, "LoadCfgB");
  OnClick(m_save, [this] { SaveCfgBClick(); });
  OnClick(m_cancel, [this] { LoadCfgBClick(); });

  // The pages at the default window's size; Resize() follows the window.
  m_pageSize = {590, 360};
  for (int i = 0; i < kPageCount; ++i) {
    m_pages[i] = MakePanel(m_panel, kTreeWidth + 2 * kMargin, kMargin + kHeadingHeight,
                           m_pageSize.cx, m_pageSize.cy);
    ::ShowWindow(m_pages[i], SW_HIDE);
  }
  TextPage(0, kChooseNode);
  BuildChatPage();
  BuildGeneralPage();
  TextPage(3, kChooseNode);
  BuildNetworkPage();
  TextPage(6, L"Для подробной информации смотрите файл help.txt");
  BuildAnecdotePage();
  BuildQuizPage();
  BuildLogFilePage();
  BuildTree();
}

void SettingsTab::BuildTree() {
  std::vector<HTREEITEM> parents;
  for (int i = 0; i < kPageCount; ++i) {
    const Node& node = kNodes[i];
    parents.resize(static_cast<std::size_t>(node.depth));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parents.empty() ? TVI_ROOT : parents.back();
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(node.text);
    insert.item.lParam = i;
    auto item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    parents.push_back(item);
  }
  // Expanding each node in turn opens the nodes below it to the walk.
  HTREEITEM item =
      reinterpret_cast<HTREEITEM>(::SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item != nullptr) {
    ::SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
  }
  OnNotify(m_tree, [this](NMHDR* header) -> LRESULT {
    if (header->code == TVN_ITEMEXPANDINGW || header->code == TVN_ITEMEXPANDINGA) {
      const auto* view = reinterpret_cast<NMTREEVIEWW*>(header);
      // Collapsing is refused: the tree stays fully expanded.
      return (view->action & TVE_COLLAPSE) != 0 ? TRUE : FALSE;
    }
    if (header->code == TVN_ITEMEXPANDEDW || header->code == TVN_ITEMEXPANDEDA) {
      // A tree that collapses without asking first is opened again.
      const auto* view = reinterpret_cast<NMTREEVIEWW*>(header);
      if ((view->action & TVE_COLLAPSE) != 0) {
        ::PostMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(view->itemNew.hItem));
      }
      return 0;
    }
    if (header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA) {
      const auto* view = reinterpret_cast<NMTREEVIEWW*>(header);
      const int index = static_cast<int>(view->itemNew.lParam);
      const int page = std::min(index, kPageCount - 1);
      if (m_current >= 0) ::ShowWindow(m_pages[m_current], SW_HIDE);
      m_current = page;
      ::ShowWindow(m_pages[page], SW_SHOW);
      SetText(m_heading, kNodes[index].text);
      if (m_shown[page]) m_shown[page]();
    }
    return 0;
  });
}

void SettingsTab::TextPage(int index, const std::wstring& text) {
  MakeControl(m_pages[index], L"STATIC", text, SS_NOPREFIX, 0, 4, m_pageSize.cx, 3 * LineHeight());
}

void SettingsTab::BuildChatPage() {
  HWND page = m_pages[1];
  FormLayout form(page, 0, 0, m_pageSize.cx);
  const int name = FieldWidth(sample::kName);
  const int number = FieldWidth(sample::kNumber);
  form.Row(L"Имя компьютера:", name, [this, page](int x, int y, int w) {
    HWND host = m_binder.Text(page, x, y, w, "HostE", &BotSettings::HostE);
    OnCommand(host, [this, host](int code) {
      if (code != EN_CHANGE) return;
      m_bot.Settings().HostE = Narrow(GetText(host));
      // Nick and host are the bot's at once (cut to 255 bytes).
      m_bot.ApplyNickAndHost();
    });
    return host;
  });
  form.Row(L"Ник бота:", name, [this, page](int x, int y, int w) {
    HWND nick = m_binder.Text(page, x, y, w, "NickE", &BotSettings::NickE);
    OnCommand(nick, [this, nick](int code) {
      if (code != EN_CHANGE) return;
      m_bot.Settings().NickE = Narrow(GetText(nick));
      m_bot.ApplyNickAndHost();
    });
    return nick;
  });
  form.Row(L"Интервал, выдачи приколов и анекдотов", number, [this, page](int x, int y, int w) {
    return m_binder.Number(page, x, y, w, "IntervalE", &BotSettings::IntervalE);
  });
  form.Row(L"Предел для сообщения не считающегося флудом (кол. символов)", number,
           [this, page](int x, int y, int w) {
             return m_binder.Number(page, x, y, w, "FloodE", &BotSettings::FloodE);
           });
  form.Build();
}

void SettingsTab::BuildGeneralPage() {
  HWND page = m_pages[2];
  struct Box {
    const char* name;
    const wchar_t* caption;
    bool BotSettings::*field;
  };
  const Box first[] = {
      {"EnableBotCB", L"Включить бота", &BotSettings::EnableBotCB},
      {"DefaultMsgCB", L"Включить дефолтные входы", &BotSettings::DefaultMsgCB},
      {"AutoStartCB", L"Автозагрузка", &BotSettings::AutoStartCB},
      {"StartMessageCB", L"Стартовое сообщение", &BotSettings::StartMessageCB},
  };
  const Box second[] = {
      {"StartMsgPrivateCB", L"Лично - Всем", &BotSettings::StartMsgPrivateCB},
      {"AutoAforizmCB", L"Автоматическая выдача анекдота", &BotSettings::AutoAforizmCB},
      {"ShowBannedCB", L"Кто забанен", &BotSettings::ShowBannedCB},
      {"BoltunCB", L"Болтун", &BotSettings::BoltunCB},
      {"PogodaCB", L"Автообновление погоды", &BotSettings::PogodaCB},
      {"InvisibleCB", L"Невидимка", &BotSettings::InvisibleCB},
      {"BirthDayCB", L"Birth Day", &BotSettings::BirthDayCB},
  };
  // Two columns, so that the page fits the window's default size.
  const int row = FieldHeight();
  int y = 0;
  for (const Box& box : first) {
    m_binder.Check(page, 0, y, box.name, box.caption, box.field);
    y += row;
  }
  MakeLabel(page, L"Куда выдавать:", 0, y);
  y += row;
  for (const Box& box : second) {
    m_binder.Check(page, 0, y, box.name, box.caption, box.field);
    y += row;
  }
  const int column = 300;
  int right = 0;
  MakeLabel(page, L"Цвет:", column, right);
  m_colorP = MakeControl(page, L"STATIC", L"", SS_NOTIFY, column + TextWidth(L"Цвет:") + 12,
                         right + 2, 40, row - 4, "ColorP", WS_EX_CLIENTEDGE);
  right += row + 4;
  HWND colorButton = MakeButton(page, L"Изменить &цвет", column, right, "NickColB");
  OnClick(colorButton, [this] { NickColBClick(); });
  m_binder.OnShow([this] { SetSwatch(m_colorP, m_bot.Settings().ColorP); });
  right += row + 16;

  HWND group = MakeControl(page, L"BUTTON", L"Генератор ошибок", BS_GROUPBOX, column, right, 240,
                           3 * row + 8, "ErrorsGB");
  (void)group;
  HWND onError = m_binder.Check(page, column + 12, right + row - 2, "OnErrorCB", L"Включить",
                                &BotSettings::OnErrorCB);
  HWND showError = m_binder.Check(page, column + 12, right + 2 * row - 2, "ShowErrorCB",
                                  L"Показывать отчёт", &BotSettings::ShowErrorCB);
  // The report box can be shown only while reports are written.
  OnClick(onError, [this, onError, showError] {
    m_bot.Settings().OnErrorCB = Checked(onError);
    ::EnableWindow(showError, Checked(onError));
  });
  m_binder.OnShow([onError, showError] { ::EnableWindow(showError, Checked(onError)); });
}

void SettingsTab::BuildNetworkPage() {
  HWND page = m_pages[4];
  FormLayout form(page, 0, 0, m_pageSize.cx);
  const int port = FieldWidth(sample::kPort);
  const int address = FieldWidth(sample::kAddress);
  // The check box is loaded first: loading it may put the stored address
  // into NetAddrE, which the record's address then replaces.
  HWND multicast = nullptr;
  form.Row(L"Порт:", port, [this, page](int x, int y, int w) {
    return m_binder.NumberText(page, x, y, w, "PortE", &BotSettings::PortE);
  });
  form.Row(L"IP Multicast group address:", address, [this, page](int x, int y, int w) {
    return m_binder.Text(page, x, y, w, "NetAddrE", &BotSettings::NetAddrE);
  });
  form.Row(L"Охват сети (IP TTL):", port, [this, page](int x, int y, int w) {
    return m_binder.NumberText(page, x, y, w, "TTLe", &BotSettings::TTLe);
  }, "Label17");
  form.Row(L"Макс размер сообщения:", port, [this, page](int x, int y, int w) {
    return m_binder.NumberText(page, x, y, w, "MsgSizeE", &BotSettings::MsgSizeE);
  });
  form.Whole([this, page, &multicast](int x, int y, int) {
    multicast = MakeCheck(page, L"IP Multicast mode", x, y, "MulticastModeCB");
    return multicast;
  });
  form.Row(L"Сетевой интерфейс:", address + 24, [this, page](int x, int y, int w) {
    m_interfaces = MakeControl(page, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                               x, y, w, 200, "InterfacesCB");
    return m_interfaces;
  });
  form.Build();
  ::SetWindowPos(multicast, nullptr, 0, 0, TextWidth(L"IP Multicast mode") + 40, FieldHeight(),
                 SWP_NOMOVE | SWP_NOZORDER);

  OnClick(multicast, [this, multicast] {
    const bool on = Checked(multicast);
    m_bot.Settings().MulticastModeCB = on;
    SetText(FindNamed(m_pages[4], "NetAddrE"), Wide(m_bot.StoredSendAddress(on)));
    ShowNetworkMode();
  });
  m_binder.OnShow([this, multicast] {
    SetChecked(multicast, m_bot.Settings().MulticastModeCB);
    ShowNetworkMode();
    ShowInterfaces();
  });
  OnCommand(m_interfaces, [this](int code) {
    if (code != CBN_SELCHANGE) return;
    BotSettings& s = m_bot.Settings();
    const int index = static_cast<int>(::SendMessageW(m_interfaces, CB_GETCURSEL, 0, 0));
    if (index < 0 || index >= static_cast<int>(s.InterfacesCB.size())) return;
    s.InterfacesIndex = index;
    m_bot.SelectInterface(TextToAddress(s.InterfacesCB[static_cast<std::size_t>(index)]));
  });
}

void SettingsTab::ShowNetworkMode() {
  const bool on = m_bot.Settings().MulticastModeCB;
  ::EnableWindow(FindNamed(m_pages[4], "TTLe"), on);
  ::EnableWindow(FindNamed(m_pages[4], "Label17"), on);
  SetText(FindNamed(m_pages[4], "MulticastModeCB"), on ? L"IP Multicast mode" : L"UDP Broadcasts");
}

void SettingsTab::ShowInterfaces() {
  const BotSettings& s = m_bot.Settings();
  ::SendMessageW(m_interfaces, CB_RESETCONTENT, 0, 0);
  for (const std::string& address : s.InterfacesCB) {
    const std::wstring text = Wide(address);
    ::SendMessageW(m_interfaces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  ::SendMessageW(m_interfaces, CB_SETCURSEL, static_cast<WPARAM>(s.InterfacesIndex), 0);
}

void SettingsTab::BuildAnecdotePage() {
  HWND page = m_pages[12];
  FormLayout form(page, 0, 0, m_pageSize.cx);
  const int minutes = FieldWidth(sample::kMinutes);
  form.Row(L"Интервал выдачи анекдота:", 2 * minutes + TextWidth(L"мин.сек.") + 24,
           [this, page, minutes](int x, int y, int) {
             m_binder.NumberText(page, x, y, minutes, "AnekMinE", &BotSettings::AnekMinE);
             MakeLabel(page, L"мин.", x + minutes + 4, y);
             const int second = x + minutes + TextWidth(L"мин.") + 12;
             MakeLabel(page, L"сек.", second + minutes + 4, y);
             return m_binder.NumberText(page, second, y, minutes, "AnekSekE", &BotSettings::AnekSekE);
           });
  form.Row(L"Канал:", FieldWidth(sample::kName), [this, page](int x, int y, int w) {
    return m_binder.Text(page, x, y, w, "AnecChannelE", &BotSettings::AnecChannelE);
  });
  form.Whole([this, page](int x, int y, int) {
    return m_binder.Check(page, x, y, "ShowNameChanCB", L"Показывать названия канала в #Main",
                          &BotSettings::ShowNameChanCB);
  });
  m_anecdoteEnd = form.Build();
}

void SettingsTab::BuildQuizPage() {
  HWND page = m_pages[13];
  FormLayout form(page, 0, 0, m_pageSize.cx);
  form.Row(L"Название канала викторины", FieldWidth(sample::kName), [this, page](int x, int y, int w) {
    return m_binder.Text(page, x, y, w, "NameChanVicE", &BotSettings::NameChanVicE);
  });
  form.Whole([this, page](int x, int y, int) {
    return m_binder.Check(page, x, y, "PocazNameChanCB", L"Показать название канала в чате",
                          &BotSettings::PocazNameChanCB);
  });
  form.Build();
}

void SettingsTab::BuildLogFilePage() {
  HWND page = m_pages[14];
  const std::wstring before = L"Если лог файл больше";
  const int field = FieldWidth(sample::kNumber);
  MakeLabel(page, before, 0, 0);
  const int x = TextWidth(before) + 12;
  m_binder.CheckedNumber(page, x, 0, field, "CheckLogFileSizeE", &BotSettings::CheckLogFileSizeE);
  MakeLabel(page, L"байт,", x + field + 8, 0);
  const int row = FieldHeight() + 6;
  MakeLabel(page, L"тогда очистить и перезапесать.", 0, row);
  MakeLabel(page, L"Проверка происходит по событию в чате", 0, 2 * row);
  m_binder.Check(page, 0, 3 * row, "CheckLogFileSizeCB", L"Проверять",
                 &BotSettings::CheckLogFileSizeCB);
}

void SettingsTab::OnPageResize(int index, std::function<void(int width, int height)> resize) {
  m_resize[index] = std::move(resize);
  if (m_resize[index]) m_resize[index](m_pageSize.cx, m_pageSize.cy);
}

void SettingsTab::Resize(int width, int height) {
  const int buttonHeight = FieldHeight() + 2;
  const int buttonsY = height - kMargin - buttonHeight;
  ::MoveWindow(m_tree, kMargin, kMargin, kTreeWidth, height - 2 * kMargin, TRUE);
  const int right = kTreeWidth + 2 * kMargin;
  ::MoveWindow(m_heading, right, kMargin, std::max(0, width - right - kMargin), kHeadingHeight,
               TRUE);
  const int cancelWidth = ButtonWidth(L"&Отмена");
  const int saveWidth = ButtonWidth(L"&Сохранить");
  ::MoveWindow(m_cancel, width - kMargin - cancelWidth, buttonsY, cancelWidth, buttonHeight, TRUE);
  ::MoveWindow(m_save, width - 2 * kMargin - cancelWidth - saveWidth, buttonsY, saveWidth,
               buttonHeight, TRUE);
  const int top = kMargin + kHeadingHeight;
  m_pageSize = {std::max(100, width - right - kMargin), std::max(100, buttonsY - top - kMargin)};
  for (int i = 0; i < kPageCount; ++i) {
    ::MoveWindow(m_pages[i], right, top, m_pageSize.cx, m_pageSize.cy, TRUE);
    if (m_resize[i]) m_resize[i](m_pageSize.cx, m_pageSize.cy);
  }
}

void SettingsTab::ShowSettings() { m_binder.Show(); }

void SettingsTab::Enter() {
  // Back on the tab, the operator finds the page he left.
  if (m_current < 0) SelectNode(0);
  ::SetFocus(m_tree);
}

void SettingsTab::SelectNode(int index) {
  HTREEITEM item =
      reinterpret_cast<HTREEITEM>(::SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (int i = 0; item != nullptr; ++i) {
    if (i == index) {
      ::SendMessageW(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
      return;
    }
    item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
  }
}

void SettingsTab::SaveCfgBClick() {
  std::wstring caption;
  HWND field = m_binder.Unsound();
  if (field != nullptr) {
    caption = L"Если лог файл больше";
  } else {
    const std::string name = m_bot.FirstUnsoundField();
    for (const FieldCaption& entry : kFieldCaptions) {
      if (name == entry.name) {
        caption = entry.caption;
        field = FindNamed(m_panel, entry.name);
      }
    }
  }
  if (field != nullptr) {
    if (m_platform.warn) {
      m_platform.warn(kTitle, L"Неверное значение в поле \"" + caption +
                                  L"\". Настройки не сохранены, бот не остановлен.");
    }
    ::SetFocus(field);
    return;
  }
  const bool wasRunning = m_bot.Running();
  if (!m_bot.SaveSettingsClick()) throw FileError("Cannot write the settings files");
  ShowSettings();
  // The save takes a running bot off the chat: said where it cannot be
  // missed, with its start one click away.
  if (wasRunning && !m_bot.Running() && m_platform.askAction &&
      m_platform.askAction(kTitle,
                           L"Настройки сохранены. Бот остановлен, чтобы они вступили в силу, "
                           L"и сейчас не отвечает в чате.\n\nЗапустить бота снова?",
                           L"&Запустить бота", L"&Не запускать")) {
    m_bot.StartTBClick();
  }
}

void SettingsTab::LoadCfgBClick() {
  m_bot.LoadSettingsClick();
  ShowSettings();
}

void SettingsTab::NickColBClick() {
  if (!m_platform.askColor) return;
  const std::optional<COLORREF> color = m_platform.askColor(m_bot.Settings().ColorP);
  if (!color) return;
  m_bot.SaveColor(*color);
  SetSwatch(m_colorP, m_bot.Settings().ColorP);
}

}  // namespace pelmo::winui
