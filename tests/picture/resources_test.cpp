// The files built into the program: what the window and Save rely on.
#include "resources/embedded.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>

namespace {

QImage pictureOf(std::string_view name) {
    const std::string_view bytes = resources::windowPicture(name);
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), "PNG");
}

TEST(EmbeddedResources, GlyphsAreSixteenPixelPicturesWithAlpha) {
    for (const char* name : {"glyph_new.png", "glyph_open.png", "glyph_save.png", "glyph_exit.png", "glyph_browse.png",
                             "glyph_clear.png", "glyph_ok.png", "glyph_ok_disabled.png"}) {
        const QImage glyph = pictureOf(name);
        EXPECT_EQ(glyph.size(), QSize(16, 16)) << name;
        EXPECT_TRUE(glyph.hasAlphaChannel()) << name;
    }
    EXPECT_TRUE(resources::windowPicture("no_such_glyph.png").empty());
}

TEST(EmbeddedResources, HeaderStripsHaveTheirTabWidthAndBottomLine) {
    for (int tab : {136, 182}) {
        const QImage strip = pictureOf("header_" + std::to_string(tab) + ".png");
        ASSERT_EQ(strip.size(), QSize(408, 23)) << tab;
        EXPECT_EQ(qAlpha(strip.pixel(tab / 2, 12)), 255) << tab;  // inside the tab
        EXPECT_EQ(qAlpha(strip.pixel(tab - 1, 12)), 255) << tab;  // its last column
        EXPECT_EQ(qAlpha(strip.pixel(tab, 12)), 0) << tab;        // right of it
        EXPECT_EQ(qAlpha(strip.pixel(0, 0)), 0) << tab;           // rounded corner
        EXPECT_EQ(qAlpha(strip.pixel(tab / 2, 0)), 255) << tab;
        for (int y : {21, 22})
            for (int x : {0, tab, 407})
                EXPECT_EQ(qAlpha(strip.pixel(x, y)), 255) << tab << " line at " << x << "," << y;
        EXPECT_EQ(qAlpha(strip.pixel(407, 20)), 0) << tab;
    }
}

TEST(EmbeddedResources, DefaultRingtoneIsAacInWholeAdtsFrames) {
    const std::string_view ring = resources::defaultRingtone();
    ASSERT_GT(ring.size(), 1000u);
    size_t at = 0, frames = 0;
    while (at + 7 <= ring.size()) {
        const auto byte = [&](size_t i) { return unsigned(static_cast<unsigned char>(ring[at + i])); };
        ASSERT_EQ(byte(0), 0xFFu) << "sync at " << at;
        ASSERT_EQ(byte(1) & 0xF6u, 0xF0u) << "sync, layer 0 at " << at;
        EXPECT_EQ((byte(2) >> 6) + 1, 2u) << "AAC LC profile";
        const size_t length = (byte(3) & 0x03u) << 11 | byte(4) << 3 | byte(5) >> 5;
        ASSERT_GE(length, 7u);
        at += length;
        ++frames;
    }
    EXPECT_EQ(at, ring.size());  // the last frame ends the file
    EXPECT_GT(frames, 40u);      // a few seconds of sound
}

TEST(EmbeddedResources, IconAndAboutPicture) {
    EXPECT_EQ(pictureOf("icon_48.png").size(), QSize(48, 48));
    EXPECT_EQ(pictureOf("icon_128.png").size(), QSize(128, 128));
    EXPECT_EQ(pictureOf("about.png").size(), QSize(80, 80));
}

}  // namespace
