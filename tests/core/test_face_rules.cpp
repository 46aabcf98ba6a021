#include "core/caption_accelerator.h"
#include "core/ascii_case.h"
#include "core/caption_colour.h"
#include "core/caption_accelerator.h"
#include "core/face_layout.h"
#include "core/face_states.h"
#include "core/face_states.h"
#include "core/glyph_images.h"
#include "core/glyph_images.h"
#include "core/menu_anchor.h"
#include "core/menu_anchor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace vtb {
namespace {

using S = TButtonFaceState;

// A fixed-pitch font: every character 5 pixels wide, lines 13 high.
constexpr int kCharWidth = 5;
constexpr int kLineHeight = 13;

int FixedWidth(const std::string& line) { return static_cast<int>(line.size()) * kCharWidth; }

TextMeasure FixedMeasure() {
    TextMeasure m;
    m.LineWidth = FixedWidth;
    m.Extent = [](const std::string& text, int) {
        int lines = 1;
        int widest = 0;
        int current = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                ++lines;
                current = 0;
                continue;
            }
            current += kCharWidth;
            widest = std::max(widest, current);
        }
        return FaceSize{widest, lines * kLineHeight};
    };
    return m;
}

FaceLayoutInput Input(FaceRect rect, FaceSize glyph, std::string caption, TButtonLayout layout, int margin, int spacing,
                      bool mark = false) {
    FaceLayoutInput in;
    in.Rect = rect;
    in.Glyph = glyph;
    in.Caption = std::move(caption);
    in.Layout = layout;
    in.Margin = margin;
    in.Spacing = spacing;
    in.ShowMark = mark;
    return in;
}

TEST(LayoutFace, EvenSpreadSplitsFreeSpaceInThree) {
    // Glyph 16, caption 40 wide, 91 pixels: (91 - 56) / 3 = 11 each.
    const auto in = Input({0, 0, 91, 25}, {16, 16}, "abcdefgh", blGlyphLeft, -1, -1);
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    EXPECT_EQ(out.GlyphPos.x, 11);
    EXPECT_EQ(out.TextRect.left, 11 + 16 + 11);
    EXPECT_EQ(out.TextRect.Width(), 40);
    EXPECT_EQ(out.Caption, "abcdefgh");
}

TEST(LayoutFace, ToolbarButtonCentresGroupWithOnePixelGap) {
    // A 65 x 25 flat button: content 2 pixels inside its edge.
    const auto in = Input({2, 2, 63, 23}, {16, 16}, "Cases", blGlyphLeft, -1, 1);
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    // client 61, group 16 + 1 + 25 = 42: margin 30 - 21 = 9.
    EXPECT_EQ(out.GlyphPos.x, 2 + 9);
    EXPECT_EQ(out.TextRect.left, out.GlyphPos.x + 16 + 1);
    // Vertically centred each on its own: 21 / 2 - 16 / 2 and 21 / 2 - 13 / 2.
    EXPECT_EQ(out.GlyphPos.y, 2 + 2);
    EXPECT_EQ(out.TextRect.top, 2 + 4);
    EXPECT_EQ(out.TextRect.Height(), kLineHeight);
}

TEST(LayoutFace, FixedMarginAndSpacingPerLayout) {
    const FaceRect rect{10, 20, 110, 70};  // 100 x 50
    const FaceSize glyph{16, 16};
    FaceLayout out = LayoutFace(Input(rect, glyph, "abc", blGlyphLeft, 4, 2), FixedMeasure());
    EXPECT_EQ(out.GlyphPos.x, 14);
    EXPECT_EQ(out.TextRect.left, 14 + 16 + 2);

    out = LayoutFace(Input(rect, glyph, "abc", blGlyphRight, 4, 2), FixedMeasure());
    EXPECT_EQ(out.GlyphPos.x, 10 + 100 - 4 - 16);
    EXPECT_EQ(out.TextRect.left, out.GlyphPos.x - 2 - 15);

    out = LayoutFace(Input(rect, glyph, "abc", blGlyphTop, 4, 2), FixedMeasure());
    EXPECT_EQ(out.GlyphPos.y, 24);
    EXPECT_EQ(out.TextRect.top, 24 + 16 + 2);
    EXPECT_EQ(out.GlyphPos.x, 10 + 50 - 8);
    EXPECT_EQ(out.TextRect.left, 10 + 50 - 7);  // 15 / 2 = 7

    out = LayoutFace(Input(rect, glyph, "abc", blGlyphBottom, 4, 2), FixedMeasure());
    EXPECT_EQ(out.GlyphPos.y, 20 + 50 - 4 - 16);
    EXPECT_EQ(out.TextRect.top, out.GlyphPos.y - 2 - kLineHeight);
}

TEST(LayoutFace, SpacingMinusOneCentresTextAfterGlyph) {
    const auto in = Input({0, 0, 100, 20}, {20, 16}, "abcd", blGlyphLeft, 10, -1);
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    // (100 - 30) / 2 - 20 / 2 = 25
    EXPECT_EQ(out.GlyphPos.x, 10);
    EXPECT_EQ(out.TextRect.left, 10 + 20 + 25);
}

TEST(LayoutFace, NoGlyphOrNoTextMeansNoSpacing) {
    // Without a glyph the caption alone is centred; the spacing is dropped.
    FaceLayout out = LayoutFace(Input({0, 0, 60, 20}, {0, 0}, "abcd", blGlyphLeft, -1, 5), FixedMeasure());
    EXPECT_EQ(out.TextRect.left, 30 - 10);
    // A glyph with no pixels on one axis takes no room either.
    out = LayoutFace(Input({0, 0, 60, 20}, {16, 0}, "abcd", blGlyphLeft, -1, 5), FixedMeasure());
    EXPECT_EQ(out.TextRect.left, 30 - 10);
    // Without a caption the glyph is centred.
    out = LayoutFace(Input({0, 0, 60, 20}, {16, 16}, "", blGlyphLeft, -1, 5), FixedMeasure());
    EXPECT_EQ(out.GlyphPos.x, 30 - 8);
    EXPECT_EQ(out.TextRect.Width(), 0);
    EXPECT_EQ(out.TextRect.Height(), 0);
}

TEST(LayoutFace, CaptionCutToTheSpaceLeft) {
    // 40 - 16 - 1 = 23 pixels for "Settings" (40): cut to "S..." (20).
    FaceLayout out = LayoutFace(Input({0, 0, 40, 25}, {16, 16}, "Settings", blGlyphLeft, -1, 1), FixedMeasure());
    EXPECT_EQ(out.Caption, "S...");
    // With a mark 9 more pixels are kept free: 14 pixels, "..." only.
    out = LayoutFace(Input({0, 0, 40, 25}, {16, 16}, "Settings", blGlyphLeft, -1, 1, true), FixedMeasure());
    EXPECT_EQ(out.Caption, "...");
    // The text box never outgrows the space: a two-line caption in a face
    // 15 pixels high keeps a height of 15.
    out = LayoutFace(Input({0, 0, 100, 15}, {0, 0}, "ab\ncd", blGlyphLeft, -1, 1), FixedMeasure());
    EXPECT_EQ(out.TextRect.Height(), 15);
    // An accelerator's "&" is not drawn and takes no room: "a&bcd" (20
    // pixels drawn) fits 23 pixels whole.
    out = LayoutFace(Input({0, 0, 40, 25}, {16, 16}, "a&bcd", blGlyphLeft, -1, 1), FixedMeasure());
    EXPECT_EQ(out.Caption, "a&bcd");
    EXPECT_FALSE(out.CaptionCut);
}

TEST(LayoutFace, NegativeSpaceBecomesZero) {
    // No height left under the glyph: the text box is cut to nothing high.
    const FaceLayout out = LayoutFace(Input({0, 0, 10, 10}, {16, 16}, "abc", blGlyphTop, 3, 1), FixedMeasure());
    EXPECT_EQ(out.Caption, "...");
    EXPECT_EQ(out.TextRect.Width(), 10);
    EXPECT_EQ(out.TextRect.Height(), 0);
}

TEST(DropMark, FollowsCaptionOnGlyphLeftLayout) {
    const auto in = Input({2, 2, 98, 23}, {0, 0}, "Veltrane", blGlyphLeft, -1, 1, true);
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    // client 96, text 40 + 9: margin 48 - 24 = 24.
    EXPECT_EQ(out.TextRect.left, 2 + 24);
    const FacePoint mark = DropMarkPosition(in, out, false, {0, 0});
    EXPECT_EQ(mark.x, out.TextRect.right + 3);
    EXPECT_EQ(mark.y, out.TextRect.top + kLineHeight / 2);
}

TEST(DropMark, EmptyCaptionCentresTriangle) {
    const auto in = Input({2, 2, 63, 23}, {0, 0}, "", blGlyphLeft, -1, 1, true);
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    const FacePoint mark = DropMarkPosition(in, out, false, {0, 0});
    EXPECT_EQ(mark.x, (2 + 63 - 7) / 2);
    EXPECT_EQ(mark.y, 2 + 21 / 2);
}

TEST(DropMark, FollowsGlyphOnOtherLayouts) {
    const auto in = Input({0, 0, 60, 60}, {16, 16}, "ab", blGlyphTop, -1, 1, true);
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    // The glyph counts 6 pixels wider when centred: 30 - 22 / 2.
    EXPECT_EQ(out.GlyphPos.x, 19);
    const FacePoint mark = DropMarkPosition(in, out, true, {16, 16});
    EXPECT_EQ(mark.x, 19 + 16 + 1);
    EXPECT_EQ(mark.y, out.GlyphPos.y + 8);
}

TEST(DropMark, ScaledWithTheFace) {
    // At 200 %: spacing 2, the mark's room 18 and its gap after the text 6.
    auto in = Input({0, 0, 200, 50}, {32, 32}, "abcd", blGlyphLeft, -1, 1, true);
    in.Dpi = 192;
    const FaceLayout out = LayoutFace(in, FixedMeasure());
    // client 200, group 32 + 2 + 20 + 18: margin 100 - 36 = 64.
    EXPECT_EQ(out.GlyphPos.x, 64);
    EXPECT_EQ(out.TextRect.left, 64 + 32 + 2);
    EXPECT_EQ(DropMarkPosition(in, out, true, {32, 32}).x, out.TextRect.right + 6);

    // The triangle stays clean at any scale: 7 design pixels wide at the top
    // (10 at 150 %), each row a pixel narrower on each side.
    for (const auto& [dpi, top, rows] : {std::tuple{96, 7, 4}, std::tuple{144, 10, 5}, std::tuple{192, 14, 7}}) {
        const std::vector<PixelRun> runs = DropMarkRuns(100, 50, dpi);
        ASSERT_EQ(static_cast<int>(runs.size()), rows) << dpi;
        EXPECT_EQ(runs.front().y, 50 - dpi / 96) << dpi;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].y, runs.front().y + static_cast<int>(i)) << dpi;
            EXPECT_EQ(runs[i].x0, 100 + static_cast<int>(i)) << dpi;
            EXPECT_EQ(runs[i].x1 - runs[i].x0 + 1, top - 2 * static_cast<int>(i)) << dpi;
        }
    }
}

TEST(ShortenToWidth, DropsOneMoreLetterEachTry) {
    std::vector<std::string> tried;
    auto measure = [&](const std::string& s) {
        tried.push_back(s);
        return FixedWidth(s);
    };
    EXPECT_EQ(ShortenToWidth("Settings", 1, measure), "...");
    const std::vector<std::string> expected{"Settings", "Settin...", "Setti...", "Sett...",
                                            "Set...",   "Se...",     "S...",     "..."};
    ASSERT_GE(tried.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), tried.begin()));

    EXPECT_EQ(ShortenToWidth("Settings", 40, FixedWidth), "Settings");
    EXPECT_EQ(ShortenToWidth("Settings", 39, FixedWidth), "Sett...");
    // The first cut form can be wider than the text it replaces.
    EXPECT_EQ(ShortenToWidth("abcdefghij", 45, FixedWidth), "abcdef...");
    EXPECT_EQ(ShortenToWidth("", 0, FixedWidth), "");
    EXPECT_EQ(ShortenToWidth("ab", 0, FixedWidth), "...");
}

TEST(ShortenCaption, LinesAreShortenedOneByOne) {
    EXPECT_EQ(ShortenCaption("abcdefgh\rab\nabcdefgh\r\nx", 35, false, FixedWidth), "abcd...\r\nab\r\nabcd...\r\nx");
    // Trailing blanks, breaks and control characters go.
    EXPECT_EQ(ShortenCaption("ab  \t\r\n", 100, false, FixedWidth), "ab");
    EXPECT_EQ(ShortenCaption("   ", 100, false, FixedWidth), "");
    // Word wrap leaves the text to the drawing, apart from the length limit.
    EXPECT_EQ(ShortenCaption("abcdefgh\r", 10, true, FixedWidth), "abcdefgh\r");
    // Whether anything was left out: a shortened line, not trailing blanks.
    bool cut = false;
    ShortenCaption("abcdefgh", 35, false, FixedWidth, &cut);
    EXPECT_TRUE(cut);
    ShortenCaption("ab  ", 100, false, FixedWidth, &cut);
    EXPECT_FALSE(cut);
}

TEST(ShortenCaption, LimitedTo255Characters) {
    const std::string longText(300, 'x');
    EXPECT_EQ(ShortenCaption(longText, 100000, false, FixedWidth).size(), 255u);
    EXPECT_EQ(ShortenCaption(longText, 100000, true, FixedWidth).size(), 255u);
    // Lone breaks widen to CR LF when joined; the result is still capped.
    std::string breaks;
    for (int i = 0; i < 127; ++i) breaks += "a\n";
    EXPECT_EQ(ShortenCaption(breaks, 1000, false, FixedWidth).size(), 255u);
}

TEST(MenuAnchor, TableByPositionAndAlignment) {
    struct Case {
        TDropDownMenuPos pos;
        MenuAlign align;
        int x, y;
    };
    const Case cases[] = {
        {dmpBottom, MenuAlign::Left, -1, 25},   {dmpBottom, MenuAlign::Right, 76, 25},
        {dmpBottom, MenuAlign::Center, 37, 25}, {dmpRight, MenuAlign::Left, 75, -1},
        {dmpRight, MenuAlign::Right, -1, -1},   {dmpRight, MenuAlign::Center, 37, 25},
    };
    for (const Case& c : cases) {
        const FacePoint p = MenuAnchorPoint(true, c.pos, c.align, 75, 25);
        EXPECT_EQ(p.x, c.x) << c.pos << " " << static_cast<int>(c.align);
        EXPECT_EQ(p.y, c.y) << c.pos << " " << static_cast<int>(c.align);
    }
    const FacePoint none = MenuAnchorPoint(false, dmpBottom, MenuAlign::Center, 75, 25);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
}

TEST(InsideButton, RowBelowCountsRightEdgeDoesNot) {
    EXPECT_TRUE(InsideButton(0, 0, 65, 25));
    EXPECT_TRUE(InsideButton(64, 25, 65, 25));
    EXPECT_FALSE(InsideButton(65, 10, 65, 25));
    EXPECT_FALSE(InsideButton(10, 26, 65, 25));
    EXPECT_FALSE(InsideButton(-1, 10, 65, 25));
    EXPECT_FALSE(InsideButton(10, -1, 65, 25));
}

TEST(CaptionAccelerator, LoneAmpersandMarksTheKey) {
    EXPECT_EQ(CaptionAccelerator("&File"), 'F');
    EXPECT_EQ(CaptionAccelerator("Save &as"), 'a');
    EXPECT_EQ(CaptionAccelerator("Fish && Chips"), 0);
    EXPECT_EQ(CaptionAccelerator("&&&x"), 'x');
    EXPECT_EQ(CaptionAccelerator("&a and &b"), 'b');  // the last one counts
    EXPECT_EQ(CaptionAccelerator("trailing&"), 0);
    EXPECT_EQ(CaptionAccelerator(""), 0);
    // As a screen reader names the key; none without a marked character.
    EXPECT_EQ(AcceleratorKeyName("&cases", AsciiUpper), "Alt+C");
    EXPECT_EQ(AcceleratorKeyName("Fish && Chips", AsciiUpper), "");
}

TEST(CaptionAccelerator, ReadOutWithoutItsMarker) {
    EXPECT_EQ(CaptionWithoutAccelerator("Save &as"), "Save as");
    EXPECT_EQ(CaptionWithoutAccelerator("Fish && &Chips&"), "Fish & Chips");
    // Nothing left to read but blanks: the button is named after its place.
    EXPECT_EQ(AnnouncedName("&", "Link button 3"), "Link button 3");
    EXPECT_EQ(AnnouncedName("  ", "Link button 3"), "Link button 3");
    EXPECT_EQ(AnnouncedName("&Cases", "Link button 1"), "Cases");
}

TEST(GrayColor, LuminanceWithKeyAndFaceKept) {
    const std::uint32_t key = 0xFF00FF;
    const std::uint32_t face = 0xC0C0C0;
    EXPECT_EQ(GrayColor(0xC86432, key, face), 0x7C7C7Cu);  // (200, 100, 50) -> 124
    EXPECT_EQ(GrayColor(key, key, face), key);
    EXPECT_EQ(GrayColor(face, key, face), face);
    EXPECT_EQ(GrayColor(0xFFFFFF, key, face), 0xFFFFFFu);  // 77 + 150 + 29 = 256
    EXPECT_EQ(GrayColor(0x000000, key, face), 0x000000u);
    EXPECT_EQ(GrayColor(0xFF0000, key, face), 0x4C4C4Cu);
}

TEST(HoverCaptionColour, BlueThenTheHotTrackingColourThenTheButtonText) {
    const std::uint32_t blue = 0xFF0000, black = 0, white = 0xFFFFFF, yellow = 0x00FFFF;
    EXPECT_NEAR(ContrastRatio(black, white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(blue, black), 2.44, 0.01);
    // The classic and the current light faces keep their blue.
    EXPECT_EQ(HoverCaptionColour(0xC0C0C0, 0x800000, black), blue);
    EXPECT_EQ(HoverCaptionColour(0xF0F0F0, 0xCC6600, black), blue);
    // A dark face: the scheme's hot-tracking colour, or the button text
    // when that does not stand out either.
    EXPECT_EQ(HoverCaptionColour(black, yellow, white), yellow);
    EXPECT_EQ(HoverCaptionColour(black, 0x800000, white), white);
}

TEST(CellCount, WholeMultiplesOfTheHeightUpToFive) {
    EXPECT_EQ(CellCountFor(16, 16, 3), 1);
    EXPECT_EQ(CellCountFor(32, 16, 1), 2);
    EXPECT_EQ(CellCountFor(48, 16, 1), 3);
    EXPECT_EQ(CellCountFor(80, 16, 1), 5);
    EXPECT_EQ(CellCountFor(96, 16, 4), 1);  // six would be too many
    EXPECT_EQ(CellCountFor(40, 16, 4), 4);  // not a multiple: kept
    EXPECT_EQ(CellCountFor(15, 16, 2), 2);
    EXPECT_EQ(CellCountFor(0, 16, 2), 2);
}

TEST(StateImages, RecipeByStateAndCellCount) {
    using R = StateImageRecipe;
    // One cell: everything from cell 0, disabled embossed, idle grayed,
    // pressed sharing the up slot.
    EXPECT_EQ(RecipeForState(S::bfsPressed, 1).Slot, S::bfsUp);
    EXPECT_EQ(RecipeForState(S::bfsDisabled, 1).Source, R::Embossed);
    EXPECT_EQ(RecipeForState(S::bfsIdle, 1).Source, R::Grayed);
    EXPECT_EQ(RecipeForState(S::bfsLatched, 1).CellIndex, 0);
    // Two cells: the right half is the disabled image.
    EXPECT_EQ(RecipeForState(S::bfsDisabled, 2).Source, R::Cell);
    EXPECT_EQ(RecipeForState(S::bfsDisabled, 2).CellIndex, 1);
    EXPECT_EQ(RecipeForState(S::bfsPressed, 2).Slot, S::bfsUp);
    EXPECT_EQ(RecipeForState(S::bfsPressed, 2).CellIndex, 0);
    // Three cells: pressed has its own, latched falls back to cell 0.
    EXPECT_EQ(RecipeForState(S::bfsPressed, 3).Slot, S::bfsPressed);
    EXPECT_EQ(RecipeForState(S::bfsPressed, 3).CellIndex, 2);
    EXPECT_EQ(RecipeForState(S::bfsLatched, 3).CellIndex, 0);
    EXPECT_EQ(RecipeForState(S::bfsLatched, 4).CellIndex, 3);
    EXPECT_EQ(RecipeForState(S::bfsIdle, 4).Source, R::Grayed);
    EXPECT_EQ(RecipeForState(S::bfsIdle, 5).Source, R::Cell);
    EXPECT_EQ(RecipeForState(S::bfsIdle, 5).CellIndex, 4);
}

}  // namespace
}  // namespace vtb
