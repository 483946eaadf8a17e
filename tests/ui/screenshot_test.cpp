// A picture of every tab, page, dialog and message on the offscreen
// platform, saved under PELMO_SCREENSHOT_DIR (the X server's pictures are
// taken by tray_x11_test.cpp).
#include <QImage>

#include <gtest/gtest.h>

#include "screenshot_scenes.h"
#include "ui/settings_pages.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

TEST(Screenshots, EveryTabPageDialogAndMessage) {
  ShootEveryScene([](QWidget* widget, const std::string& name) {
    const QImage image = widget->grab().toImage();
    // A picture of nothing would be of no use to the eye.
    EXPECT_GT(image.width(), 50) << name;
    EXPECT_NE(image.pixel(image.width() / 2, image.height() / 2), 0u) << name;
    return SaveScreenshot(widget, name);
  });
}

}  // namespace
}  // namespace pelmo
