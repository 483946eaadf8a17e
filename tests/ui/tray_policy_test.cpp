// What minimise and close do, for every run state, with and without a
// notification area; and the icon's tips.
#include <gtest/gtest.h>

#include "ui/tray_policy.h"

namespace pelmo {
namespace {

TEST(TrayPolicy, Decisions) {
  using C = WindowCommand;
  using A = WindowAction;
  struct Case {
    C command;
    const char* state;
    bool tray;
    A action;
  };
  const Case cases[] = {
      // Before the first start or stop there is nothing to hide into.
      {C::kMinimise, "", true, A::kMinimise},      {C::kClose, "", true, A::kQuit},
      {C::kMinimise, "Running", true, A::kHideToTray}, {C::kClose, "Running", true, A::kHideToTray},
      {C::kMinimise, "Stoped", true, A::kHideToTray},  {C::kClose, "Stoped", true, A::kHideToTray},
      {C::kMinimise, "", false, A::kMinimise},     {C::kClose, "", false, A::kQuit},
      {C::kMinimise, "Running", false, A::kMinimise}, {C::kClose, "Running", false, A::kQuit},
      {C::kMinimise, "Stoped", false, A::kMinimise},  {C::kClose, "Stoped", false, A::kQuit},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideWindowAction(c.command, c.state, c.tray), c.action)
        << static_cast<int>(c.command) << " " << c.state << " " << c.tray;
  }
}

TEST(TrayPolicy, Tips) {
  EXPECT_EQ(HiddenTip(true, 12), "[Pelmo_bot v 1.3]\nUser: 12");
  EXPECT_EQ(HiddenTip(false, 12), "[Pelmo_bot v 1.3] - [Stoped]");
  EXPECT_EQ(MenuTip(true, 0), "Pelmo_bot v 1.3\nUser: 0");
  EXPECT_EQ(MenuTip(false, 3), "Pelmo_bot v 1.3 - [Stoped]");
}

}  // namespace
}  // namespace pelmo
