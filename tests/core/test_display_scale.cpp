// The design's sizes at other DPIs: one rounding rule, edges that still
// meet, glyphs scaled by whole pixels.
#include "core/display_scale.h"
#include "core/toolbar_layout.h"

#include <gtest/gtest.h>

#include <set>

namespace vtb {
namespace {

TEST(DisplayScale, NearestPixelHalvesTowardZero) {
    EXPECT_EQ(ScaleToDpi(25, 96), 25);
    EXPECT_EQ(ScaleToDpi(25, 144), 37);  // 37.5
    EXPECT_EQ(ScaleToDpi(11, 144), 16);  // 16.5
    EXPECT_EQ(ScaleToDpi(1, 144), 1);    // 1.5
    EXPECT_EQ(ScaleToDpi(13, 120), 16);  // 16.25
    EXPECT_EQ(ScaleToDpi(11, 120), 14);  // 13.75
    EXPECT_EQ(ScaleToDpi(3, 160), 5);    // 5.0
    EXPECT_EQ(ScaleToDpi(-1, 144), -1);  // -1.5
    EXPECT_EQ(ScaleToDpi(-3, 120), -4);  // -3.75
    EXPECT_EQ(ScaleToDpi(7, 0), 7) << "a window without a DPI has the design's";
}

TEST(DisplayScale, FixedControlsMeetAtEveryDpi) {
    for (int dpi = 96; dpi <= 480; ++dpi) {
        const FaceRect search = ScaleRect(kSearchButtonLeft, 0, kSearchButtonWidth, kButtonHeight, dpi);
        const FaceRect settings = ScaleRect(kSettingsButtonLeft, 0, kSettingsButtonWidth, kButtonHeight, dpi);
        const FaceRect box = ScaleRect(kSearchBoxLeft, kSearchBoxTop, kSearchBoxWidth, kSearchBoxHeight, dpi);
        EXPECT_EQ(search.right, settings.left) << dpi;
        EXPECT_EQ(settings.right, ScaleToDpi(kFirstLinkSlot, dpi)) << dpi;
        EXPECT_LT(ScaleToDpi(kMainButtonLeft + kMainButtonWidth, dpi), box.left) << dpi;
        EXPECT_LT(box.right, search.left) << dpi;
        EXPECT_LE(box.bottom, settings.bottom) << dpi;
    }
    const FaceRect at96 = ScaleRect(kSearchBoxLeft, kSearchBoxTop, kSearchBoxWidth, kSearchBoxHeight, 96);
    EXPECT_EQ(at96.Width(), kSearchBoxWidth);
    EXPECT_EQ(at96.Height(), kSearchBoxHeight);
}

DecodedBitmap Numbered(int width, int height) {
    DecodedBitmap b;
    b.Width = width;
    b.Height = height;
    b.BitsPerPixel = 24;
    for (int i = 0; i < width * height; ++i) b.Pixels.push_back(static_cast<std::uint32_t>(i));
    return b;
}

TEST(DisplayScale, GlyphsScaledByWholePixelsCellByCell) {
    // Two 4 x 4 cells, every pixel a colour of its own.
    const DecodedBitmap source = Numbered(8, 4);
    EXPECT_EQ(ScaleGlyphBitmap(source, 2, 96).Pixels, source.Pixels);

    const DecodedBitmap scaled = ScaleGlyphBitmap(source, 2, 144);  // cells of 6 x 6
    ASSERT_EQ(scaled.Width, 12);
    ASSERT_EQ(scaled.Height, 6);
    std::set<std::uint32_t> seen;
    for (int y = 0; y < scaled.Height; ++y) {
        for (int x = 0; x < scaled.Width; ++x) {
            const std::uint32_t p = scaled.At(x, y);
            // Each pixel is a source pixel of the same cell, no mixed colour.
            ASSERT_LT(p, source.Pixels.size());
            EXPECT_EQ(static_cast<int>(p % 8) / 4, x / 6) << x << "," << y;
            seen.insert(p);
        }
    }
    EXPECT_EQ(seen.size(), source.Pixels.size()) << "every source pixel shows";
    // The corners stay the corners: the transparent colour is read from the
    // bottom-left pixel.
    EXPECT_EQ(scaled.At(0, 5), source.At(0, 3));
    EXPECT_EQ(scaled.At(11, 0), source.At(7, 0));
}

}  // namespace
}  // namespace vtb
