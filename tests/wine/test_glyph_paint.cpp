// Faces of the glyph button painted into memory and checked pixel by pixel:
// frames per state and look, glyph images per state, the drop-down triangle,
// captions, and the image lists the glyphs share.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/config_file.h"
#include "tests/wine/support_wine.h"
#include "widgets/face_drawing.h"
#include "widgets/face_painter.h"
#include "widgets/glyph_button.h"
#include "widgets/glyph_file_cache.h"

namespace {

using vtb::TButtonFaceState;
using S = vtb::TButtonFaceState;

constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kGreen = 0x00C000;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kCanvas = 0x010203;  // no system colour is this

std::uint32_t Sys(int index) { return vtb::SysPixel(index); }

// A 32-bit memory surface to paint on.
class Canvas {
public:
    Canvas(int width, int height, std::uint32_t fill = kCanvas)
        : dib_(vtb::CreateDib(width, height)), dc_(CreateCompatibleDC(nullptr)) {
        old_ = SelectObject(dc_.get(), dib_.Bitmap.get());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) dib_.At(x, y) = fill;
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    int Width() const { return dib_.Width; }
    int Height() const { return dib_.Height; }
    std::uint32_t At(int x, int y) {
        GdiFlush();
        return dib_.At(x, y) & 0xFFFFFF;
    }
    // First pixel of that colour, row by row; (-1, -1) when there is none.
    POINT Find(std::uint32_t colour) {
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x)
                if (At(x, y) == colour) return {x, y};
        return {-1, -1};
    }
    int Count(std::uint32_t colour) {
        int n = 0;
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x) n += At(x, y) == colour;
        return n;
    }

private:
    vtb::DibBitmap dib_;
    vtb::UniqueDc dc_;
    HGDIOBJ old_ = nullptr;
};

vtb::DecodedBitmap Solid(int width, int height, std::uint32_t colour) {
    vtb::DecodedBitmap b;
    b.Width = width;
    b.Height = height;
    b.BitsPerPixel = 24;
    b.Pixels.assign(static_cast<std::size_t>(width) * height, colour);
    return b;
}

void Set(vtb::DecodedBitmap& b, int x, int y, std::uint32_t colour) {
    b.Pixels[static_cast<std::size_t>(y) * b.Width + x] = colour;
}

// A glyph object's image of a state drawn at (0, 0) on a fresh canvas.
std::unique_ptr<Canvas> DrawState(vtb::TButtonGlyph& glyph, S state, int width, int height) {
    auto canvas = std::make_unique<Canvas>(width, height);
    const int slot = glyph.MakeStateImage(state);
    EXPECT_GE(slot, 0);
    if (slot >= 0) ImageList_Draw(glyph.SharedList()->Handle(), slot, canvas->dc(), 0, 0, ILD_NORMAL);
    return canvas;
}

class GlyphPaint : public ::testing::Test {
protected:
    void SetUp() override {
        // The colours the checks tell apart must differ on this system.
        const std::uint32_t colours[] = {Sys(COLOR_BTNFACE), Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT),
                                         Sys(COLOR_WINDOWFRAME)};
        for (std::size_t i = 0; i < 4; ++i)
            for (std::size_t j = i + 1; j < 4; ++j) ASSERT_NE(colours[i], colours[j]) << i << " " << j;
        ASSERT_EQ(vtb::SharedGlyphCache(), nullptr) << "a glyph object of another test is still alive";
    }
};

// ---- Glyph images ----------------------------------------------------------

TEST_F(GlyphPaint, KeyColourIsTransparentInEveryState) {
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    Set(bitmap, 4, 4, kRed);
    Set(bitmap, 5, 5, kBlack);
    vtb::TButtonGlyph glyph(nullptr);
    glyph.SetSource(bitmap);
    EXPECT_EQ(glyph.KeyColor(), kMagenta);  // from the bottom-left pixel
    for (S state : {S::bfsUp, S::bfsPressed, S::bfsLatched, S::bfsIdle, S::bfsDisabled}) {
        auto canvas = DrawState(glyph, state, 16, 16);
        EXPECT_EQ(canvas->At(0, 15), kCanvas) << static_cast<int>(state);
        EXPECT_EQ(canvas->At(10, 10), kCanvas) << static_cast<int>(state);
    }
    auto up = DrawState(glyph, S::bfsUp, 16, 16);
    EXPECT_EQ(up->At(4, 4), kRed);
    EXPECT_EQ(up->At(5, 5), kBlack);
}

TEST_F(GlyphPaint, DisabledOneCellGlyphIsEmbossedFromItsBlackPixels) {
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    Set(bitmap, 5, 5, kBlack);
    Set(bitmap, 9, 9, kRed);  // not black: gone in the disabled image
    vtb::TButtonGlyph glyph(nullptr);
    glyph.SetSource(bitmap);
    auto canvas = DrawState(glyph, S::bfsDisabled, 16, 16);
    EXPECT_EQ(canvas->At(5, 5), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas->At(6, 6), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(canvas->At(9, 9), kCanvas);
    EXPECT_EQ(canvas->At(6, 5), kCanvas);
    EXPECT_EQ(canvas->Count(kCanvas), 16 * 16 - 2);
}

TEST_F(GlyphPaint, IdleImageIsGrayedWithKeyAndFaceKept) {
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    Set(bitmap, 1, 1, 0xC86432);  // (200, 100, 50)
    Set(bitmap, 2, 2, Sys(COLOR_BTNFACE));
    vtb::TButtonGlyph glyph(nullptr);
    glyph.SetSource(bitmap);
    auto canvas = DrawState(glyph, S::bfsIdle, 16, 16);
    EXPECT_EQ(canvas->At(1, 1), 0x7C7C7Cu);  // 124
    EXPECT_EQ(canvas->At(2, 2), Sys(COLOR_BTNFACE));
    EXPECT_EQ(canvas->At(3, 3), kCanvas);
}

TEST_F(GlyphPaint, CellsServeTheStates) {
    // Two cells: the right half is the disabled image, pressed and latched
    // use the left one.
    vtb::DecodedBitmap two = Solid(32, 16, kMagenta);
    Set(two, 3, 3, kRed);
    Set(two, 16 + 3, 3, kBlue);
    vtb::TButtonGlyph glyph(nullptr);
    glyph.SetSource(two);
    EXPECT_EQ(glyph.CellCount(), 2);
    EXPECT_EQ(DrawState(glyph, S::bfsDisabled, 16, 16)->At(3, 3), kBlue);
    EXPECT_EQ(DrawState(glyph, S::bfsPressed, 16, 16)->At(3, 3), kRed);
    EXPECT_EQ(DrawState(glyph, S::bfsLatched, 16, 16)->At(3, 3), kRed);
    EXPECT_EQ(glyph.StateImageIndex(S::bfsPressed), -1);  // shares the up slot
    EXPECT_EQ(glyph.SharedList()->Width(), 16);

    // Three cells: pressed has the third, latched falls back to the first.
    vtb::DecodedBitmap three = Solid(48, 16, kMagenta);
    Set(three, 3, 3, kRed);
    Set(three, 16 + 3, 3, kBlue);
    Set(three, 32 + 3, 3, kGreen);
    glyph.SetSource(three);
    EXPECT_EQ(glyph.CellCount(), 3);
    EXPECT_EQ(DrawState(glyph, S::bfsPressed, 16, 16)->At(3, 3), kGreen);
    EXPECT_EQ(DrawState(glyph, S::bfsLatched, 16, 16)->At(3, 3), kRed);

    // Six cells would be too many: one cell of 96 x 16.
    glyph.SetSource(Solid(96, 16, kRed));
    EXPECT_EQ(glyph.CellCount(), 1);
    glyph.MakeStateImage(S::bfsUp);
    EXPECT_EQ(glyph.SharedList()->Width(), 96);

    // Not a multiple of the height: the count stays.
    glyph.SetCellCount(4);
    glyph.SetSource(Solid(40, 16, kRed));
    EXPECT_EQ(glyph.CellCount(), 4);
}

TEST_F(GlyphPaint, EmptyGlyphDrawsNothing) {
    vtb::TButtonGlyph glyph(nullptr);
    EXPECT_EQ(glyph.MakeStateImage(S::bfsUp), -1);
    glyph.SetSource(Solid(0, 16, kRed));
    EXPECT_FALSE(glyph.HasPixels());
    EXPECT_EQ(glyph.MakeStateImage(S::bfsDisabled), -1);
    // Pixels that do not cover the size are no glyph either.
    vtb::DecodedBitmap broken = Solid(16, 16, kRed);
    broken.Pixels.resize(10);
    glyph.SetSource(broken);
    EXPECT_FALSE(glyph.HasPixels());
    EXPECT_EQ(glyph.SharedList(), nullptr);
}

// ---- Image lists and the cache -------------------------------------------------

TEST_F(GlyphPaint, SameCellSizeSharesOneListUntilTheLastGlyphGoes) {
    auto a = std::make_unique<vtb::TButtonGlyph>(nullptr);
    auto b = std::make_unique<vtb::TButtonGlyph>(nullptr);
    a->SetSource(Solid(16, 16, kRed));
    b->SetSource(Solid(16, 16, kBlue));
    const int slotA = a->MakeStateImage(S::bfsUp);
    const int slotB = b->MakeStateImage(S::bfsUp);
    ASSERT_NE(vtb::SharedGlyphCache(), nullptr);
    EXPECT_EQ(a->SharedList(), b->SharedList());
    EXPECT_EQ(vtb::SharedGlyphCache()->ListCount(), 1);
    EXPECT_NE(slotA, slotB);
    EXPECT_EQ(a->SharedList()->UsedCount(), 2);

    // Another size gets its own list.
    auto c = std::make_unique<vtb::TButtonGlyph>(nullptr);
    c->SetSource(Solid(20, 23, kRed));
    c->MakeStateImage(S::bfsUp);
    EXPECT_EQ(vtb::SharedGlyphCache()->ListCount(), 2);
    c.reset();
    EXPECT_EQ(vtb::SharedGlyphCache()->ListCount(), 1);

    a.reset();
    ASSERT_NE(vtb::SharedGlyphCache(), nullptr);
    EXPECT_EQ(b->SharedList()->UsedCount(), 1);
    b.reset();
    EXPECT_EQ(vtb::SharedGlyphCache(), nullptr);
}

TEST_F(GlyphPaint, EachThreadHasItsOwnCache) {
    // Two browser windows run their toolbars on two threads; nothing is locked.
    vtb::TButtonGlyph mine(nullptr);
    mine.SetSource(Solid(16, 16, kRed));
    mine.MakeStateImage(S::bfsUp);
    const vtb::TGlyphCache* ours = vtb::SharedGlyphCache();
    const vtb::TGlyphCache* before = nullptr;
    const vtb::TGlyphCache* during = nullptr;
    const vtb::TGlyphList* theirList = nullptr;
    const vtb::TGlyphCache* after = ours;
    std::thread other([&] {
        before = vtb::SharedGlyphCache();
        {
            vtb::TButtonGlyph theirs(nullptr);
            theirs.SetSource(Solid(16, 16, kBlue));
            theirs.MakeStateImage(S::bfsUp);
            during = vtb::SharedGlyphCache();
            theirList = theirs.SharedList();
        }
        after = vtb::SharedGlyphCache();
    });
    other.join();
    EXPECT_EQ(before, nullptr);
    EXPECT_NE(during, nullptr);
    EXPECT_NE(during, ours);
    EXPECT_NE(theirList, mine.SharedList());
    EXPECT_EQ(after, nullptr);
    EXPECT_EQ(vtb::SharedGlyphCache(), ours);
    EXPECT_EQ(mine.SharedList()->UsedCount(), 1);
}

TEST_F(GlyphPaint, ReleasedSlotsAreReusedBeforeTheListGrows) {
    vtb::TButtonGlyph keeper(nullptr);  // holds the list open
    keeper.SetSource(Solid(16, 16, kRed));
    keeper.MakeStateImage(S::bfsUp);
    vtb::TButtonGlyph glyph(nullptr);
    for (int round = 0; round < 20; ++round) {
        vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
        Set(bitmap, 8, 8, round % 2 ? kBlue : kGreen);
        glyph.SetSource(bitmap);
        for (S state : {S::bfsUp, S::bfsDisabled, S::bfsIdle}) glyph.MakeStateImage(state);
    }
    vtb::TGlyphList* list = keeper.SharedList();
    EXPECT_EQ(list->UsedCount(), 4);
    EXPECT_EQ(list->ImageCount(), 4);
    // The last source's images, not stale ones, are drawn from the reused slots.
    EXPECT_EQ(DrawState(glyph, S::bfsUp, 16, 16)->At(8, 8), kBlue);

    glyph.SetSource(Solid(16, 16, kRed));
    EXPECT_EQ(list->UsedCount(), 1);
    EXPECT_FALSE(list->SlotInUse(1));
    EXPECT_EQ(glyph.MakeStateImage(S::bfsUp), 1);  // the lowest free slot
}

TEST_F(GlyphPaint, RefusedImageLeavesNoSlotTaken) {
    vtb::TGlyphList list(16, 16);
    vtb::DibBitmap wrong = vtb::CreateDib(8, 8);
    try {
        list.StoreKeyed(wrong.Bitmap.get(), kMagenta);
        FAIL() << "an image of the wrong size went in";
    } catch (const vtb::ToolbarError& error) {
        EXPECT_STREQ(error.what(), "Unable to Replace Image");
    }
    EXPECT_EQ(list.UsedCount(), 0);
    EXPECT_FALSE(list.SlotInUse(0));
    vtb::DibBitmap right = vtb::CreateDib(16, 16);
    EXPECT_EQ(list.StoreKeyed(right.Bitmap.get(), kMagenta), 0);
    EXPECT_EQ(list.UsedCount(), 1);
    list.ReleaseSlot(0);
    list.ReleaseSlot(0);  // twice is once
    EXPECT_EQ(list.UsedCount(), 0);
}

TEST_F(GlyphPaint, AGlyphWhoseImageFailedHoldsNoListThatCanGo) {
    vtb::TButtonGlyph first(nullptr);
    vtb::TButtonGlyph second(nullptr);
    vtb::DecodedBitmap red = Solid(16, 16, kMagenta);
    Set(red, 8, 8, kRed);
    first.SetSource(red);
    second.SetSource(Solid(16, 16, kBlue));
    vtb::test_seam::FailNextImageStores(1);
    EXPECT_THROW(first.MakeStateImage(S::bfsUp), vtb::ToolbarError);
    EXPECT_EQ(first.SharedList(), nullptr);
    EXPECT_EQ(vtb::SharedGlyphCache()->ListCount(), 0) << "the list taken for it went back";

    // Another glyph of that size makes a list, and lets it go again.
    EXPECT_GE(second.MakeStateImage(S::bfsUp), 0);
    second.ReleaseStateImages();
    EXPECT_EQ(vtb::SharedGlyphCache()->ListCount(), 0);

    // The first draws through a live list of its own.
    const auto canvas = DrawState(first, S::bfsUp, 16, 16);
    EXPECT_EQ(canvas->At(8, 8), kRed);
    ASSERT_EQ(vtb::SharedGlyphCache()->ListCount(), 1);
    EXPECT_EQ(first.SharedList(), &vtb::SharedGlyphCache()->List(0));
}

TEST_F(GlyphPaint, StateImagesFollowAChangeOfTheSystemColours) {
    // A child window such as the toolbar is never told of the change: the
    // next draw finds the images made with other colours and makes them again.
    vtb::TButtonGlyph glyph(nullptr);
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    Set(bitmap, 5, 5, kBlack);
    glyph.SetSource(bitmap);
    EXPECT_EQ(DrawState(glyph, S::bfsDisabled, 16, 16)->At(5, 5), Sys(COLOR_BTNSHADOW));
    const int index = COLOR_BTNSHADOW;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF changed = RGB(160, 30, 30);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    const std::uint32_t seen = DrawState(glyph, S::bfsDisabled, 16, 16)->At(5, 5);
    SetSysColors(1, &index, &shadow);
    EXPECT_EQ(seen, 0xA01E1Eu);
}

TEST_F(GlyphPaint, SystemColourChangeDropsStateImages) {
    vtb::TGlyphButton button(nullptr, "b");
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    button.SetGlyph(bitmap);
    button.SetEnabled(false);  // prepares the disabled image
    EXPECT_GE(button.FaceGlyph().StateImageIndex(S::bfsDisabled), 0);
    button.Perform(vtb::CM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(button.FaceGlyph().StateImageIndex(S::bfsDisabled), -1);
    EXPECT_EQ(button.FaceGlyph().SharedList(), nullptr);
}

// ---- Faces ------------------------------------------------------------------

// A parentless button brought into a state through its own mouse handling.
struct FaceCase {
    vtb::TButtonStyle style;
    bool flat;
    bool down;
    std::uint32_t outerTopLeft, outerBottomRight;
};

std::unique_ptr<Canvas> PaintButton(vtb::TGlyphButton& button) {
    auto canvas = std::make_unique<Canvas>(button.Width(), button.Height());
    button.Paint(canvas->dc());
    return canvas;
}

void Hover(vtb::TGlyphButton& button) {
    // A press hovers the button; moving off while held brings the face up.
    button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    button.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, -20));
}

TEST_F(GlyphPaint, FrameColoursPerStateAndLook) {
    const std::uint32_t hi = Sys(COLOR_BTNHIGHLIGHT), sh = Sys(COLOR_BTNSHADOW), fr = Sys(COLOR_WINDOWFRAME),
                        face = Sys(COLOR_BTNFACE);
    struct Case {
        vtb::TButtonStyle style;
        bool flat, down;
        std::uint32_t tl0, br0, tl1, br1;  // outer and second ring
    };
    const Case cases[] = {
        {vtb::bsNew, true, false, hi, sh, face, face},   {vtb::bsNew, false, false, hi, fr, face, sh},
        {vtb::bsWin31, true, false, hi, fr, face, face}, {vtb::bsWin31, false, false, fr, fr, hi, sh},
        {vtb::bsNew, true, true, fr, hi, face, face},    {vtb::bsNew, false, true, fr, hi, sh, face},
        {vtb::bsWin31, true, true, fr, hi, face, face},  {vtb::bsWin31, false, true, fr, fr, sh, face},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " flat " << c.flat << " down " << c.down);
        vtb::TGlyphButton button(nullptr, "b");
        button.SetBounds(0, 0, 30, 20);
        button.SetStyle(c.style);
        button.SetFlat(c.flat);
        if (c.down)
            button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        else
            Hover(button);
        ASSERT_EQ(button.FaceState(), c.down ? S::bfsPressed : S::bfsUp);
        auto canvas = PaintButton(button);
        EXPECT_EQ(canvas->At(0, 0), c.tl0);
        EXPECT_EQ(canvas->At(28, 0), c.tl0);  // the top row stops short of the corner
        EXPECT_EQ(canvas->At(0, 18), c.tl0);
        EXPECT_EQ(canvas->At(29, 0), c.br0);
        EXPECT_EQ(canvas->At(0, 19), c.br0);
        EXPECT_EQ(canvas->At(29, 19), c.br0);
        EXPECT_EQ(canvas->At(1, 1), c.tl1);
        EXPECT_EQ(canvas->At(28, 18), c.br1);
        EXPECT_EQ(canvas->At(15, 10), face);
    }
}

TEST_F(GlyphPaint, FlatButtonShowsNoFrameUntilHovered) {
    vtb::TGlyphButton button(nullptr, "b");
    button.SetBounds(0, 0, 40, 30);
    button.SetFlat(true);
    button.SetGrayedInactive(false);
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    Set(bitmap, 0, 0, kRed);
    button.SetGlyph(bitmap);

    auto idle = PaintButton(button);
    const std::uint32_t face = Sys(COLOR_BTNFACE);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(idle->At(x, 0), face);
        EXPECT_EQ(idle->At(x, 29), face);
    }
    const POINT idleGlyph = idle->Find(kRed);  // the normal glyph, not grayed
    EXPECT_EQ(idleGlyph.x, 2 + (36 - 16) / 2);
    EXPECT_EQ(idleGlyph.y, 2 + 26 / 2 - 8);

    Hover(button);
    auto hovered = PaintButton(button);
    EXPECT_EQ(hovered->At(0, 0), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(hovered->At(39, 29), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(hovered->Find(kRed).x, idleGlyph.x);

    // Pressed: sunken frame, glyph one pixel right and down.
    button.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_EQ(button.FaceState(), S::bfsPressed);
    auto pressed = PaintButton(button);
    EXPECT_EQ(pressed->At(0, 0), Sys(COLOR_WINDOWFRAME));
    EXPECT_EQ(pressed->At(39, 29), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pressed->Find(kRed).x, idleGlyph.x + 1);
    EXPECT_EQ(pressed->Find(kRed).y, idleGlyph.y + 1);

    // With GrayedInactive the idle face shows the grayed image instead.
    button.Perform(WM_LBUTTONUP, 0, MAKELPARAM(-20, -20));
    button.SetGrayedInactive(true);
    auto grayed = PaintButton(button);
    EXPECT_EQ(grayed->Find(kRed).x, -1);
    EXPECT_EQ(grayed->Find(0x4C4C4C).x, idleGlyph.x);
}

TEST_F(GlyphPaint, AFaceIsComposedAgainWhenAnythingOfItChanges) {
    vtb::TGlyphButton button(nullptr, "b");
    button.SetBounds(0, 0, 65, 25);
    button.SetFlat(true);
    button.SetCaption("Cases");
    Hover(button);
    const auto first = PaintButton(button);
    const auto again = PaintButton(button);  // from the cache
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 65; ++x) ASSERT_EQ(first->At(x, y), again->At(x, y)) << x << "," << y;
    EXPECT_EQ(first->At(64, 12), Sys(COLOR_BTNSHADOW));

    button.SetFlat(false);  // the new look's outer frame
    EXPECT_EQ(PaintButton(button)->At(64, 12), Sys(COLOR_WINDOWFRAME));
    button.SetFlat(true);
    EXPECT_EQ(PaintButton(button)->At(64, 12), Sys(COLOR_BTNSHADOW));

    button.Font.SetColor(RGB(0, 0, 255));
    EXPECT_GT(PaintButton(button)->Count(kBlue), 0) << "the caption in its new colour";

    const int index = COLOR_BTNSHADOW;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF changed = RGB(160, 30, 30);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    const std::uint32_t seen = PaintButton(button)->At(64, 12);
    SetSysColors(1, &index, &shadow);
    EXPECT_EQ(seen, 0xA01E1Eu) << "a face made with other system colours is made again";
}

TEST_F(GlyphPaint, LatchedFaceIsCheckered) {
    const std::uint32_t hi = Sys(COLOR_BTNHIGHLIGHT), face = Sys(COLOR_BTNFACE);
    vtb::TGlyphButton button(nullptr, "b");
    button.SetBounds(0, 0, 30, 20);
    button.SetGroupIndex(1);
    button.SetDown(true);
    ASSERT_EQ(button.FaceState(), S::bfsLatched);
    auto canvas = PaintButton(button);
    // Frame of a down face, then the pattern from one pixel outside the content.
    EXPECT_EQ(canvas->At(0, 0), Sys(COLOR_WINDOWFRAME));
    EXPECT_EQ(canvas->At(2, 2), hi);
    EXPECT_EQ(canvas->At(3, 2), face);
    EXPECT_EQ(canvas->At(10, 6), hi);
    EXPECT_EQ(canvas->At(11, 6), face);

    // A latched flat button is checkered only while the mouse is not over it.
    button.SetFlat(true);
    auto idle = PaintButton(button);
    EXPECT_EQ(idle->At(10, 6), hi);
    EXPECT_EQ(idle->At(11, 6), face);
    button.SetTransparent(true);
    auto transparent = PaintButton(button);
    EXPECT_EQ(transparent->At(10, 6), face);
    EXPECT_EQ(transparent->At(11, 6), face);
}

TEST_F(GlyphPaint, DisabledTakenOnAndLeftAtPaint) {
    vtb::TGlyphButton button(nullptr, "b");
    button.SetBounds(0, 0, 30, 20);
    button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(button.IsTracking());
    button.SetEnabled(false);
    PaintButton(button);
    EXPECT_EQ(button.FaceState(), S::bfsDisabled);
    EXPECT_FALSE(button.IsTracking());
    button.SetEnabled(true);
    PaintButton(button);
    EXPECT_EQ(button.FaceState(), S::bfsUp);

    button.SetGroupIndex(3);
    button.SetDown(true);
    button.SetEnabled(false);
    PaintButton(button);
    EXPECT_EQ(button.FaceState(), S::bfsDisabled);
    button.SetEnabled(true);
    PaintButton(button);
    EXPECT_EQ(button.FaceState(), S::bfsLatched);
}

TEST_F(GlyphPaint, DisabledButtonShowsEmbossedGlyph) {
    vtb::TGlyphButton button(nullptr, "b");
    button.SetBounds(0, 0, 40, 30);
    button.SetFlat(true);  // no frame to mistake for the glyph
    button.SetGrayedInactive(false);
    vtb::DecodedBitmap bitmap = Solid(16, 16, kMagenta);
    Set(bitmap, 0, 0, kBlack);
    Set(bitmap, 3, 3, kRed);
    button.SetGlyph(bitmap);
    auto enabled = PaintButton(button);
    const POINT glyph = enabled->Find(kBlack);
    ASSERT_NE(glyph.x, -1);
    button.SetEnabled(false);
    auto disabled = PaintButton(button);
    EXPECT_EQ(disabled->At(glyph.x, glyph.y), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(disabled->At(glyph.x + 1, glyph.y + 1), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(disabled->Find(kRed).x, -1);
}

// ---- Drop-down mark and caption --------------------------------------------------

TEST_F(GlyphPaint, DropMarkRows) {
    Canvas canvas(30, 20);
    vtb::TButtonGlyph::DrawDropMark(canvas.dc(), 10, 8, S::bfsUp);
    const std::uint32_t text = Sys(COLOR_BTNTEXT);
    for (int x = 10; x <= 16; ++x) EXPECT_EQ(canvas.At(x, 7), text) << x;
    for (int x = 11; x <= 15; ++x) EXPECT_EQ(canvas.At(x, 8), text) << x;
    for (int x = 12; x <= 14; ++x) EXPECT_EQ(canvas.At(x, 9), text) << x;
    EXPECT_EQ(canvas.At(13, 10), text);
    EXPECT_EQ(canvas.Count(text), 16);
    EXPECT_EQ(canvas.At(10, 8), kCanvas);

    Canvas disabled(30, 20);
    vtb::TButtonGlyph::DrawDropMark(disabled.dc(), 10, 8, S::bfsDisabled);
    EXPECT_EQ(disabled.At(10, 7), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(disabled.At(15, 8), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(disabled.At(16, 8), Sys(COLOR_BTNHIGHLIGHT));  // the copy one down and right
    EXPECT_EQ(disabled.At(17, 8), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(disabled.At(14, 11), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(disabled.Count(Sys(COLOR_BTNSHADOW)), 16);
}

TEST_F(GlyphPaint, EmptyCaptionCentresTheMark) {
    vtb::TButtonGlyph glyph(nullptr);
    Canvas canvas(60, 25);
    glyph.DrawFace(canvas.dc(), {2, 2, 58, 23}, "", vtb::blGlyphLeft, -1, 1, true, S::bfsUp, DT_CENTER);
    const int left = (2 + 58 - 7) / 2;
    const int y = 2 + 21 / 2;
    EXPECT_EQ(canvas.Find(Sys(COLOR_BTNTEXT)).x, left);
    EXPECT_EQ(canvas.Find(Sys(COLOR_BTNTEXT)).y, y - 1);
}

class CaptionPaint : public GlyphPaint {
protected:
    void SetUp() override {
        GlyphPaint::SetUp();
        font_.reset(
            CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma"));
        ASSERT_TRUE(font_);
    }
    // Pixels of a colour left and right of a column range.
    static int CountOutside(Canvas& canvas, std::uint32_t colour, int left, int right) {
        int n = 0;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                if ((x < left || x >= right) && canvas.At(x, y) == colour) ++n;
        return n;
    }
    vtb::UniqueFont font_;
};

TEST_F(CaptionPaint, LongCaptionIsCutInsideTheFace) {
    vtb::TButtonGlyph glyph(nullptr);
    Canvas canvas(60, 25, 0xFFFFFF);
    vtb::SelectGuard font(canvas.dc(), font_.get());
    SetTextColor(canvas.dc(), RGB(0, 0, 255));
    const RECT face{2, 2, 58, 23};
    const RECT text = glyph.DrawFace(canvas.dc(), face, "Settings and much more than fits", vtb::blGlyphLeft, -1, 1,
                                     false, S::bfsUp, DT_CENTER);
    EXPECT_GE(text.left, face.left);
    EXPECT_LE(text.right, face.right);
    EXPECT_GT(canvas.Count(0x0000FF), 0);
    EXPECT_EQ(CountOutside(canvas, 0x0000FF, text.left, text.right), 0);

    // With the mark, 9 more pixels stay free; the triangle follows the cut
    // text 3 pixels after its right edge.
    Canvas marked(60, 25, 0xFFFFFF);
    vtb::SelectGuard font2(marked.dc(), font_.get());
    SetTextColor(marked.dc(), RGB(0, 0, 255));
    const RECT cut = glyph.DrawFace(marked.dc(), face, "Settings and much more than fits", vtb::blGlyphLeft, -1, 1,
                                    true, S::bfsUp, DT_CENTER);
    EXPECT_LE(cut.right - cut.left, 56 - 1 - 9);
    ASSERT_NE(Sys(COLOR_BTNTEXT), 0xFFFFFFu);
    EXPECT_EQ(marked.Find(Sys(COLOR_BTNTEXT)).x, cut.right + 3);
}

TEST_F(CaptionPaint, DisabledCaptionIsShadowWithHighlightCopy) {
    vtb::TButtonGlyph glyph(nullptr);
    Canvas canvas(60, 25, 0x808081);
    vtb::SelectGuard font(canvas.dc(), font_.get());
    SetTextColor(canvas.dc(), RGB(0, 0, 255));
    glyph.DrawCaption(canvas.dc(), "Wide", {0, 0, 60, 25}, S::bfsDisabled, DT_CENTER);
    EXPECT_GT(canvas.Count(Sys(COLOR_BTNSHADOW)), 0);
    EXPECT_GT(canvas.Count(Sys(COLOR_BTNHIGHLIGHT)), 0);
    EXPECT_EQ(canvas.Count(0x0000FF), 0);
    // The copy lies one pixel down and right: the lowest highlight row is
    // one below the lowest shadow row.
    int lowestShadow = -1, lowestHighlight = -1;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 60; ++x) {
            if (canvas.At(x, y) == Sys(COLOR_BTNSHADOW)) lowestShadow = y;
            if (canvas.At(x, y) == Sys(COLOR_BTNHIGHLIGHT)) lowestHighlight = y;
        }
    EXPECT_EQ(lowestHighlight, lowestShadow + 1);
    // The font colour of the canvas is left as it was.
    EXPECT_EQ(GetTextColor(canvas.dc()), RGB(0, 0, 255));
}

TEST_F(CaptionPaint, CaptionDrawnInTheFontColourOfTheButton) {
    vtb::TGlyphButton button(nullptr, "b");
    button.SetBounds(0, 0, 70, 25);
    button.SetCaption("Search");
    button.Font.SetStyle("Tahoma", 11, false);
    button.Font.SetColor(RGB(0, 0, 255));
    auto canvas = PaintButton(button);
    EXPECT_GT(canvas->Count(0x0000FF), 0);
    EXPECT_EQ(button.Font.Color(), RGB(0, 0, 255));
}

// ---- Glyph files -------------------------------------------------------------------

// A 24-bit bottom-up bitmap file of one colour.
std::string BitmapFile(int width, int height, std::uint32_t colour) {
    const int stride = (width * 3 + 3) & ~3;
    const int imageSize = stride * height;
    std::string bytes(54 + imageSize, '\0');
    auto put32 = [&bytes](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, static_cast<std::uint32_t>(imageSize));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int at = 54 + y * stride + x * 3;
            bytes[at] = static_cast<char>(colour & 0xFF);
            bytes[at + 1] = static_cast<char>((colour >> 8) & 0xFF);
            bytes[at + 2] = static_cast<char>((colour >> 16) & 0xFF);
        }
    return bytes;
}

TEST_F(GlyphPaint, GlyphFilesAndTheirErrors) {
    const std::string good = vtbtest::ExeDir() + "glyph_paint_good.bmp";
    const std::string bad = vtbtest::ExeDir() + "glyph_paint_bad.bmp";
    vtbtest::WriteTextFile(good, BitmapFile(32, 16, kRed));
    vtbtest::WriteTextFile(bad, "BM this is no bitmap");
    {
        vtb::TGlyphButton button(nullptr, "b");
        button.LoadGlyphFromFile(good);
        EXPECT_TRUE(button.HasGlyph());
        EXPECT_EQ(button.NumGlyphs(), 2);

        try {
            button.LoadGlyphFromFile(bad);
            ADD_FAILURE() << "a bad file was taken";
        } catch (const vtb::ToolbarError& error) {
            EXPECT_STREQ(error.what(), "Bitmap image is not valid");
        }
        EXPECT_TRUE(button.HasGlyph());  // the old glyph stays

        // Held open without sharing by someone else: the system's reason.
        const std::string held = vtbtest::ExeDir() + "glyph_paint_held.bmp";
        vtbtest::WriteTextFile(held, BitmapFile(16, 16, kBlue));
        vtb::UniqueFile locked(CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locked);
        try {
            button.LoadGlyphFromFile(held);
            ADD_FAILURE() << "a locked file was read";
        } catch (const vtb::ToolbarError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot open file \"" + held + "\". " + vtb::SystemErrorText(ERROR_SHARING_VIOLATION));
        }
        locked.reset();
        DeleteFileA(held.c_str());
    }
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

TEST_F(GlyphPaint, AGlyphFileIsDecodedOnceWhileItIsUnchanged) {
    const std::string path = vtbtest::ExeDir() + "glyph_paint_shared.bmp";
    vtbtest::WriteTextFile(path, BitmapFile(16, 16, kRed));
    vtb::TGlyphButton first(nullptr, "a");
    vtb::TGlyphButton second(nullptr, "b");
    first.LoadGlyphFromFile(path);
    second.LoadGlyphFromFile(path);
    EXPECT_EQ(&first.FaceGlyph().Source(), &second.FaceGlyph().Source()) << "one decoded bitmap for both";

    // Changed on disk (another size): the next load reads it again.
    vtbtest::WriteTextFile(path, BitmapFile(32, 16, kBlue));
    vtb::TGlyphButton third(nullptr, "c");
    third.LoadGlyphFromFile(path);
    EXPECT_NE(&first.FaceGlyph().Source(), &third.FaceGlyph().Source());
    EXPECT_EQ(third.FaceGlyph().Source().Width, 32);
    EXPECT_EQ(first.FaceGlyph().Source().Width, 16) << "a glyph in use keeps its pixels";

    // The same size, written later: read again too.
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    later.dwHighDateTime += 1;
    vtbtest::WriteTextFile(path, BitmapFile(32, 16, kGreen));
    {
        vtb::UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &later));
    }
    vtb::TGlyphButton fourth(nullptr, "d");
    fourth.LoadGlyphFromFile(path);
    EXPECT_EQ(fourth.FaceGlyph().Source().At(0, 0) & 0xFFFFFF, kGreen);
    DeleteFileA(path.c_str());

    EXPECT_EQ(vtb::LoadGlyphFile(path), nullptr) << "no file, no glyph";
}

}  // namespace
