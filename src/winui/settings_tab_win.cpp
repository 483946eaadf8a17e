#include "winui/settings_tab_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/text_file.h"
#include "core/bot_faces.h"
#include "winui/controls_win.h"
#include "winui/page_message_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

namespace {

constexpr int kMargin = 8;
constexpr int kHeadingHeight = 28;

}  // namespace

SettingsTab::SettingsTab(HWND parent, BotSettingsAccess& settings, BotLife& life,
                         const WinPlatform& platform)
    : m_form(settings, life), m_platform(platform), m_binder(m_form) {
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
  for (const ButtonDef& button : SettingsButtonDefs()) {
    HWND control = MakeButton(m_panel, Wide(button.caption), 0, 0, button.name.c_str());
    if (button.action == PageAction::kSaveSettings) {
      m_save = control;
      OnClick(control, [this] { SaveCfgBClick(); });
    } else {
      m_cancel = control;
      OnClick(control, [this] { LoadCfgBClick(); });
    }
  }

  // The pages at the default window's size; Resize() follows the window.
  m_pageSize = {590, 360};
  const std::vector<PageDef>& defs = SettingsPageDefs();
  for (int i = 0; i < kPageCount; ++i) {
    m_pages[i] = MakePanel(m_panel, kTreeWidth + 2 * kMargin, kMargin + kHeadingHeight,
                           m_pageSize.cx, m_pageSize.cy);
    ::ShowWindow(m_pages[i], SW_HIDE);
    m_rendered[i] = std::make_unique<RenderedPage>(defs[static_cast<std::size_t>(i)], m_pages[i]);
    m_binder.Bind(*m_rendered[i]);
    m_rendered[i]->OnAction(PageAction::kPickColour, [this] { NickColBClick(); });
    m_rendered[i]->Place(m_pageSize.cx, m_pageSize.cy);
  }
  BuildTree();
}

void SettingsTab::BuildTree() {
  std::vector<HTREEITEM> parents;
  for (const PageDef& page : SettingsPageDefs()) {
    parents.resize(static_cast<std::size_t>(page.depth));
    const std::wstring title = Wide(page.title);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parents.empty() ? TVI_ROOT : parents.back();
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(title.c_str());
    insert.item.lParam = static_cast<LPARAM>(page.id);
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
      const int page = PageIndex(static_cast<PageId>(view->itemNew.lParam));
      if (page < 0) return 0;
      if (m_current >= 0) ::ShowWindow(m_pages[m_current], SW_HIDE);
      m_current = page;
      ::ShowWindow(m_pages[page], SW_SHOW);
      SetText(m_heading, Wide(SettingsPageDefs()[static_cast<std::size_t>(page)].title));
      if (m_shown[page]) m_shown[page]();
    }
    return 0;
  });
}

void SettingsTab::AddFeature(PageFeature feature) {
  for (auto& page : m_rendered) page->ShowFeature(feature);
}

void SettingsTab::Resize(int width, int height) {
  const int buttonHeight = FieldHeight() + 2;
  const int buttonsY = height - kMargin - buttonHeight;
  ::MoveWindow(m_tree, kMargin, kMargin, kTreeWidth, height - 2 * kMargin, TRUE);
  const int right = kTreeWidth + 2 * kMargin;
  ::MoveWindow(m_heading, right, kMargin, std::max(0, width - right - kMargin), kHeadingHeight,
               TRUE);
  const int cancelWidth = ButtonWidth(GetText(m_cancel));
  const int saveWidth = ButtonWidth(GetText(m_save));
  ::MoveWindow(m_cancel, width - kMargin - cancelWidth, buttonsY, cancelWidth, buttonHeight, TRUE);
  ::MoveWindow(m_save, width - 2 * kMargin - cancelWidth - saveWidth, buttonsY, saveWidth,
               buttonHeight, TRUE);
  const int top = kMargin + kHeadingHeight;
  m_pageSize = {std::max(100, width - right - kMargin), std::max(100, buttonsY - top - kMargin)};
  for (int i = 0; i < kPageCount; ++i) {
    ::MoveWindow(m_pages[i], right, top, m_pageSize.cx, m_pageSize.cy, TRUE);
    m_rendered[i]->Place(m_pageSize.cx, m_pageSize.cy);
  }
}

void SettingsTab::ShowSettings() { m_binder.Show(); }

void SettingsTab::Enter() {
  // Back on the tab, the operator finds the page he left.
  if (m_current < 0) SelectPage(SettingsPageDefs().front().id);
  ::SetFocus(m_tree);
}

void SettingsTab::SelectPage(PageId id) {
  HTREEITEM item =
      reinterpret_cast<HTREEITEM>(::SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item != nullptr) {
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    ::SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    if (data.lParam == static_cast<LPARAM>(id)) {
      ::SendMessageW(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
      return;
    }
    item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
  }
}

void SettingsTab::SaveCfgBClick() {
  const PageResult result = m_form.Save();
  if (result.done) ShowSettings();
  if (!result.message) return;
  if (ShowPageMessage(m_platform, *result.message, m_binder.Control(result.message->focus))) {
    m_form.StartBot();
  }
}

void SettingsTab::LoadCfgBClick() {
  m_form.Cancel();
  ShowSettings();
}

void SettingsTab::NickColBClick() {
  if (!m_platform.askColor) return;
  const std::optional<COLORREF> color = m_platform.askColor(m_form.Colour());
  if (!color) return;
  m_form.SetColour(*color);
  m_binder.ShowField("ColorP");
}

}  // namespace pelmo::winui
