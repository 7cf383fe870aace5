// The colour picker's core on a test image with known pixels: the colour under a point, its
// texts, the magnifier's area at the screen's edges, the history, and the Wayland message.
#include <gtest/gtest.h>

#include "colorpick/ColorPick.h"

using namespace qx::colorpick;

TEST(ColorPick, TheColourUnderAKnownPixelAndItsTexts) {
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(255, 255, 255));
    image.setPixelColor(10, 20, QColor(30, 144, 255));
    image.setPixelColor(0, 0, QColor(128, 128, 128, 40));  // the screen has no transparency
    image.setPixelColor(39, 29, QColor(255, 0, 0));

    const QColor c = colorAt(image, {10, 20});
    ASSERT_TRUE(c.isValid());
    EXPECT_EQ(hexText(c), "#1E90FF");
    EXPECT_EQ(rgbText(c), "rgb(30, 144, 255)");
    EXPECT_EQ(hsvText(c), "hsv(210°, 88%, 100%)");
    EXPECT_EQ(hexText(colorAt(image, {0, 0})), "#808080");
    EXPECT_EQ(colorAt(image, {0, 0}).alpha(), 255);
    EXPECT_EQ(hsvText(colorAt(image, {0, 0})), "hsv(0°, 0%, 50%)");
    EXPECT_EQ(hsvText(colorAt(image, {39, 29})), "hsv(0°, 100%, 100%)");
    EXPECT_FALSE(colorAt(image, {40, 0}).isValid());
    EXPECT_FALSE(colorAt(image, {-1, 5}).isValid());
    EXPECT_FALSE(colorAt(QImage(), {0, 0}).isValid());
}

TEST(ColorPick, MagnifierAreaHistoryAndScreenAccess) {
    const QRect screen(0, 0, 1280, 800);
    EXPECT_EQ(sampleRect({640, 400}, 7, screen), QRect(633, 393, 15, 15));
    EXPECT_EQ(sampleRect({0, 0}, 7, screen), QRect(0, 0, 8, 8));
    EXPECT_EQ(sampleRect({1279, 799}, 7, screen), QRect(1272, 792, 8, 8));
    EXPECT_EQ(sampleRect({1500, 10}, 7, screen), QRect());

    History h(3);
    h.add(QColor(1, 1, 1));
    h.add(QColor(2, 2, 2));
    h.add(QColor(1, 1, 1));  // picked again: to the front, once
    h.add(QColor());         // nothing
    ASSERT_EQ(h.colors().size(), 2u);
    EXPECT_EQ(h.colors()[0], QColor(1, 1, 1));
    h.add(QColor(3, 3, 3));
    h.add(QColor(4, 4, 4));
    ASSERT_EQ(h.colors().size(), 3u);
    EXPECT_EQ(h.colors()[0], QColor(4, 4, 4));
    EXPECT_EQ(h.colors()[2], QColor(1, 1, 1));

    EXPECT_TRUE(usesPortal("wayland"));
    EXPECT_TRUE(usesPortal("wayland-egl"));
    EXPECT_FALSE(usesPortal("xcb"));
    EXPECT_EQ(screenProblem("wayland"), "");
    EXPECT_EQ(screenProblem("offscreen"), "没有可显示的屏幕，无法取色。");
    EXPECT_EQ(screenProblem("xcb"), "");
}
