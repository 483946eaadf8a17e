// The Win32 rendering of page definitions on a window of the test's own:
// where the blocks put their controls, what a feature's absence hides, the
// digits-only fields and the buttons' actions.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "winui/controls_win.h"
#include "winui/gui_fixture_win.h"
#include "winui/page_render_win.h"

namespace pelmo::winui {
namespace {

// A control's rectangle in its panel's client coordinates.
RECT InPanel(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = MakeDialogWindow(nullptr, L"render", 420, 300, "RenderTest");
    ::ShowWindow(window, SW_SHOW);
  }
  void TearDown() override { ::DestroyWindow(window); }
  HWND window = nullptr;
};

TEST_F(RenderTest, AFormPutsShortCaptionsInOneColumnAndALongOneAboveItsField) {
  PageDef def{.index = 1, .title = "t"};
  def.fields = {
      {.name = "ShortE", .caption = "Port:", .sample = "88888"},
      {.name = "OtherE", .caption = "Address:", .sample = "888.888.888.888"},
      {.name = "LongE", .caption = W("Очень длинная подпись поля, которая не помещается рядом"),
       .sample = std::string(30, 'W')},
      {.name = "BoxCB", .kind = FieldKind::kCheck, .caption = "Box"},
  };
  def.blocks = {{.kind = BlockKind::kForm,
                 .items = {{.name = "ShortE"}, {.name = "OtherE"}, {.name = "LongE"}, {.name = "BoxCB"}}}};
  RenderedPage page(def, window);
  page.Place(420, 300);
  const RECT shortField = InPanel(page.Named("ShortE"));
  const RECT otherField = InPanel(page.Named("OtherE"));
  const RECT longField = InPanel(page.Named("LongE"));
  const RECT longCaption = InPanel(page.Caption("LongE"));
  // One column: the fields of the short captions start together, right
  // of both captions.
  EXPECT_EQ(shortField.left, otherField.left);
  EXPECT_GT(shortField.left, InPanel(page.Caption("OtherE")).right);
  EXPECT_GT(otherField.top, shortField.top);
  // The long caption stands alone on its line, its field under it at the left.
  EXPECT_EQ(longField.left, 0);
  EXPECT_GE(longField.top, longCaption.bottom - 2);
  EXPECT_GE(longCaption.top, otherField.bottom);
  // Nothing leaves the page's width; the check box comes last.
  for (const char* name : {"ShortE", "OtherE", "LongE", "BoxCB"}) {
    EXPECT_LE(InPanel(page.Named(name)).right, 420) << name;
  }
  EXPECT_GE(InPanel(page.Named("BoxCB")).top, longField.bottom);
  // The short fields are as wide as their samples need.
  EXPECT_GE(shortField.right - shortField.left, TextWidth(L"88888"));
  EXPECT_GE(otherField.right - otherField.left, TextWidth(L"888.888.888.888"));
}

TEST_F(RenderTest, AListTakesTheSpareHeightAndAButtonBarStandsAtTheRight) {
  PageDef def{.index = -1, .title = "t", .name = "T"};
  def.fields = {{.name = "ItemsLB", .kind = FieldKind::kList}};
  def.buttons = {{.name = "OkB", .caption = "Ok", .action = PageAction::kAcceptDialog},
                 {.name = "CancelB", .caption = "Cancel", .action = PageAction::kCancelDialog}};
  def.blocks = {{.kind = BlockKind::kColumn, .items = {{.name = "ItemsLB"}}},
                {.kind = BlockKind::kButtonBar,
                 .items = {{.kind = ItemKind::kButton, .name = "OkB"},
                           {.kind = ItemKind::kButton, .name = "CancelB"}}}};
  RenderedPage page(def, window, {.margin = 10});
  page.Place(420, 300);
  const RECT list = InPanel(page.Named("ItemsLB"));
  const RECT ok = InPanel(page.Named("OkB"));
  const RECT cancel = InPanel(page.Named("CancelB"));
  EXPECT_EQ(list.left, 10);
  EXPECT_EQ(list.right, 410);
  // The list reaches down to the buttons, which end at the bottom margin.
  EXPECT_GT(list.bottom - list.top, 150);
  EXPECT_LE(list.bottom, ok.top);
  EXPECT_GE(ok.top - list.bottom, 0);
  EXPECT_LE(300 - ok.bottom, 20);
  EXPECT_LT(ok.right, cancel.left);
  EXPECT_LE(410 - cancel.right, 6);
  EXPECT_GE(cancel.right, 400);
}

TEST_F(RenderTest, AFeaturesItemsStandOnlyOnceItComes) {
  PageDef def{.index = 3, .title = "t"};
  def.feature = PageFeature::kBans;
  def.placeholder = "wait";
  def.fields = {{.name = "HostE", .caption = "Host:"},
                {.name = "LeftL", .kind = FieldKind::kLabel, .caption = "Left:"}};
  def.buttons = {{.name = "GoB", .caption = "Go", .action = PageAction::kAddBan},
                 {.name = "StartB", .caption = "Start", .action = PageAction::kStartWeather,
                  .hidden = true},
                 {.name = "NeverB", .caption = "Never", .action = PageAction::kDeleteSubscriber,
                  .disabled = true}};
  def.blocks = {{.kind = BlockKind::kForm,
                 .items = {{.name = "HostE"},
                           {.kind = ItemKind::kButton, .name = "GoB"},
                           {.kind = ItemKind::kButton, .name = "NeverB"},
                           {.name = "LeftL", .feature = PageFeature::kTimed},
                           {.kind = ItemKind::kButton, .name = "StartB", .feature = PageFeature::kTimed}}}};
  RenderedPage page(def, window);
  page.Place(420, 300);
  HWND placeholder = ChildWithText(window, L"wait");
  ASSERT_NE(placeholder, nullptr);
  EXPECT_TRUE(::IsWindowVisible(placeholder));
  EXPECT_FALSE(::IsWindowVisible(page.Named("HostE")));
  EXPECT_FALSE(::IsWindowVisible(page.Named("GoB")));

  page.ShowFeature(PageFeature::kBans);
  EXPECT_FALSE(::IsWindowVisible(placeholder));
  EXPECT_TRUE(::IsWindowVisible(page.Named("HostE")));
  EXPECT_TRUE(::IsWindowVisible(page.Named("GoB")));
  EXPECT_TRUE(::IsWindowVisible(page.Named("NeverB")));
  EXPECT_FALSE(::IsWindowEnabled(page.Named("NeverB")));
  EXPECT_FALSE(::IsWindowVisible(page.Named("LeftL")));
  EXPECT_FALSE(::IsWindowVisible(page.Caption("LeftL")));

  // The later feature's items come below the others; its hidden button stays hidden.
  page.ShowFeature(PageFeature::kTimed);
  EXPECT_TRUE(::IsWindowVisible(page.Named("LeftL")));
  EXPECT_TRUE(::IsWindowVisible(page.Caption("LeftL")));
  EXPECT_GT(InPanel(page.Named("LeftL")).top, InPanel(page.Named("GoB")).bottom - 1);
  EXPECT_FALSE(::IsWindowVisible(page.Named("StartB")));
}

TEST_F(RenderTest, NumberFieldsTakeDigitsOnlyAndButtonsCallTheirAction) {
  PageDef def{.index = 1, .title = "t"};
  def.fields = {{.name = "PortE", .kind = FieldKind::kNumber, .caption = "Port:"},
                {.name = "NameE", .caption = "Name:"}};
  def.buttons = {{.name = "AddB", .caption = "&Add", .action = PageAction::kAddBan},
                 {.name = "DelB", .caption = "&Delete", .action = PageAction::kDeleteBan}};
  def.blocks = {{.kind = BlockKind::kForm, .items = {{.name = "PortE"}, {.name = "NameE"}}},
                {.kind = BlockKind::kRow,
                 .items = {{.kind = ItemKind::kButton, .name = "AddB"},
                           {.kind = ItemKind::kButton, .name = "DelB"}}}};
  RenderedPage page(def, window);
  page.Place(420, 300);
  for (wchar_t key : {L'4', L'x', L'.', L'-', L'2', L'\b', L'7'}) {
    ::SendMessageW(page.Named("PortE"), WM_CHAR, key, 1);
    ::SendMessageW(page.Named("NameE"), WM_CHAR, key, 1);
  }
  EXPECT_EQ(GetText(page.Named("PortE")), L"47");
  EXPECT_EQ(GetText(page.Named("NameE")), L"4x.-7");

  int adds = 0;
  int deletes = 0;
  page.OnAction(PageAction::kAddBan, [&] { ++adds; });
  page.OnAction(PageAction::kDeleteBan, [&] { ++deletes; });
  ::SendMessageW(page.Named("AddB"), BM_CLICK, 0, 0);
  ::SendMessageW(page.Named("AddB"), BM_CLICK, 0, 0);
  ::SendMessageW(page.Named("DelB"), BM_CLICK, 0, 0);
  EXPECT_EQ(adds, 2);
  EXPECT_EQ(deletes, 1);
  // A row's buttons stand side by side from the left.
  EXPECT_EQ(InPanel(page.Named("AddB")).left, 0);
  EXPECT_EQ(InPanel(page.Named("AddB")).top, InPanel(page.Named("DelB")).top);
}

}  // namespace
}  // namespace pelmo::winui
