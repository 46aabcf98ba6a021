// The toolbar on a display of another DPI, as the browser hosts it. These
// tests run with the others at 96 DPI and again in a process of their own at
// 120, 144 and 192 DPI (tools/run_tests.sh sets the display's LogPixels
// before each starts): what they expect is the table's row for the DPI the
// process finds.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "tests/wine/support_band.h"
#include "tests/wine/toolbar_fixture.h"
#include "widgets/display_scale.h"
#include "widgets/face_drawing.h"
#include "widgets/face_painter.h"
#include "widgets/toolkit.h"

namespace vtbtest {
namespace {

using vtb::ComPtr;

// What the design becomes at a DPI: edges rounded to the nearest pixel,
// halves toward zero.
struct AtDpi {
    int dpi;
    int row;
    RECT main, box, search, settings;
    int firstSlot, slot;
    int buttonFont, boxFont;  // pixel heights of Tahoma 11 and MS Sans Serif 11
    int glyph16;              // a 16-pixel glyph drawn
    int outline;              // the test glyph's black square, 10 pixels at 96 DPI
    int line;                 // a frame line, the emboss's offset
};
const AtDpi kTable[] = {
    {96, 25, {0, 0, 100, 25}, {105, 2, 287, 23}, {293, 0, 365, 25}, {365, 0, 440, 25}, 440, 65, 11, 11, 16, 10, 1},
    {120, 31, {0, 0, 125, 31}, {131, 2, 359, 29}, {366, 0, 456, 31}, {456, 0, 550, 31}, 550, 81, 14, 14, 20, 12, 1},
    {144, 37, {0, 0, 150, 37}, {157, 3, 430, 34}, {439, 0, 547, 37}, {547, 0, 660, 37}, 660, 97, 16, 16, 24, 15, 1},
    {192, 50, {0, 0, 200, 50}, {210, 4, 574, 46}, {586, 0, 730, 50}, {730, 0, 880, 50}, 880, 130, 22, 22, 32, 20, 2},
};

const AtDpi* RowFor(int dpi) {
    for (const AtDpi& row : kTable)
        if (row.dpi == dpi) return &row;
    return nullptr;
}

// The display's DPI as this process sees it.
int DisplayDpi() {
    const vtb::WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int FontHeight(HFONT font) {
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    return std::abs(lf.lfHeight);
}

::testing::AssertionResult SameRect(const RECT& expected, const RECT& actual) {
    if (EqualRect(&expected, &actual)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected {" << expected.left << ", " << expected.top << ", "
                                         << expected.right << ", " << expected.bottom << "}, got {" << actual.left
                                         << ", " << actual.top << ", " << actual.right << ", " << actual.bottom << "}";
}

class Scaled : public ::testing::Test {
protected:
    void SetUp() override {
        expected_ = RowFor(DisplayDpi());
        if (!expected_) GTEST_SKIP() << "no expectations at " << DisplayDpi() << " DPI";
        vtb::test_seam::ResetModuleValues();
        DeleteFileA(settings_.Path().c_str());
        WriteTextFile(config_.Path(), kTestConfig);
        ASSERT_EQ(S_OK, host_.factory.CreateInstance(nullptr, IID_IDeskBand, host_.band.put_void()));
    }
    void TearDown() override {
        vtb::test_seam::ForceWindowDpi(std::nullopt);
        host_.band.reset();
    }

    // Sited, built and shown, as the browser leaves a new band.
    vtb::TBandForm& Open() {
        OpenShownBand(host_.band.get(), host_.site);
        return *host_.Form();
    }
    DESKBANDINFO BandInfo() {
        DESKBANDINFO info{};
        info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_ACTUAL;
        EXPECT_EQ(S_OK, host_.band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info));
        return info;
    }
    // Where the form stands and how it is sized, against a row of the table.
    static void ExpectLaidOut(vtb::TBandForm& form, const AtDpi& at) {
        EXPECT_EQ(form.ClientSize().cy, at.row);
        EXPECT_TRUE(SameRect(at.main, form.Main_Menu_SpdButn->BoundsRect()));
        EXPECT_TRUE(SameRect(at.box, form.Search_Edit->BoundsRect()));
        EXPECT_TRUE(SameRect(at.search, form.Search_SpdButn->BoundsRect()));
        EXPECT_TRUE(SameRect(at.settings, form.Settings_SpdButn->BoundsRect()));
        // The search box's own window, closed, where its bounds are.
        RECT box;
        GetWindowRect(form.Search_Edit->Handle(), &box);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&box), 2);
        EXPECT_TRUE(SameRect(at.box, box));
        EXPECT_EQ(form.SpdButn[0]->Left(), at.firstSlot);
        for (const vtb::TGlyphButton* link : form.SpdButn) EXPECT_EQ(link->Width(), at.slot);
        EXPECT_EQ(FontHeight(form.Search_SpdButn->Font.Handle()), at.buttonFont);
        EXPECT_EQ(FontHeight(reinterpret_cast<HFONT>(SendMessageA(form.Search_Edit->Handle(), WM_GETFONT, 0, 0))),
                  at.boxFont);
    }

    const AtDpi* expected_ = nullptr;
    SavedFile config_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kConfigExtension)};
    SavedFile settings_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kSettingsExtension)};
    MessageBoxWatcher boxes_;
    InProcessBand host_;
};

TEST_F(Scaled, TheToolbarStandsAtTheDisplaysScale) {
    vtb::TBandForm& form = Open();
    ExpectLaidOut(form, *expected_);
    EXPECT_EQ(form.Main_Menu_SpdButn->Font.PixelHeight(), expected_->buttonFont);
    EXPECT_TRUE(form.Main_Menu_SpdButn->Font.Bold);

    // Every slot as wide as the first link button.
    form.SettingsSpdButn[1]->Click();
    EXPECT_EQ(form.SpdButn[1]->Left(), expected_->firstSlot + expected_->slot);
    EXPECT_EQ(form.ClientSize().cx, expected_->firstSlot + 2 * expected_->slot);

    // The browser sizes the band by what it reports.
    const DESKBANDINFO info = BandInfo();
    EXPECT_EQ(info.ptMinSize.x, expected_->main.right);
    EXPECT_EQ(info.ptMinSize.y, expected_->row);
    EXPECT_EQ(info.ptMaxSize.y, expected_->row);
    EXPECT_EQ(info.ptActual.x, expected_->firstSlot + 2 * expected_->slot);
    EXPECT_EQ(info.ptActual.y, expected_->row);
}

// A 32-bit memory surface a button paints on.
struct Surface {
    Surface(int width, int height) : dib(vtb::CreateDib(width, height)), dc(CreateCompatibleDC(nullptr)) {
        old = SelectObject(dc.get(), dib.Bitmap.get());
    }
    ~Surface() { SelectObject(dc.get(), old); }
    std::uint32_t At(int x, int y) {
        GdiFlush();
        return dib.At(x, y) & 0xFFFFFFu;
    }
    // The smallest rectangle holding every pixel of one of the colours.
    RECT Bounds(const std::set<std::uint32_t>& colours) {
        RECT r{dib.Width, dib.Height, -1, -1};
        for (int y = 0; y < dib.Height; ++y)
            for (int x = 0; x < dib.Width; ++x)
                if (colours.count(At(x, y))) r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                                                  std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        return r;
    }
    vtb::DibBitmap dib;
    vtb::UniqueDc dc;
    HGDIOBJ old;
};

constexpr std::uint32_t kMagenta = 0xFF00FF, kRed = 0xFF0000, kBlack = 0x000000;

// 16 x 16 on magenta: a red square with a black rim from 3 to 12.
vtb::DecodedBitmap RimmedSquare() {
    vtb::DecodedBitmap glyph;
    glyph.Width = glyph.Height = 16;
    glyph.BitsPerPixel = 24;
    glyph.Pixels.assign(256, kMagenta);
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x) glyph.Pixels[y * 16 + x] = (x == 3 || x == 12 || y == 3 || y == 12) ? kBlack : kRed;
    return glyph;
}

TEST_F(Scaled, GlyphsDrawnByWholePixelsTheirTransparentColourExact) {
    vtb::TBandForm& form = Open();
    vtb::TGlyphButton button(&form, "probe");
    button.SetVisible(false);  // painted here only
    button.SetBounds(0, 0, form.SpdButn[0]->Width(), expected_->row);
    button.SetFlat(true);
    button.SetGrayedInactive(false);
    button.SetGlyph(RimmedSquare());
    const std::uint32_t face = vtb::SysPixel(COLOR_BTNFACE);
    const std::uint32_t highlight = vtb::SysPixel(COLOR_BTNHIGHLIGHT);
    const std::uint32_t shadow = vtb::SysPixel(COLOR_BTNSHADOW);

    Surface up(button.Width(), button.Height());
    button.Paint(up.dc.get());
    const RECT drawn = up.Bounds({kRed, kBlack});
    EXPECT_EQ(drawn.right - drawn.left, expected_->outline);
    EXPECT_EQ(drawn.bottom - drawn.top, expected_->outline);
    EXPECT_EQ(button.FaceGlyph().SharedList()->Width(), expected_->glyph16);
    // Not a pixel of a mixed colour, nor of the transparent one.
    for (int y = 0; y < button.Height(); ++y)
        for (int x = 0; x < button.Width(); ++x) {
            const std::uint32_t p = up.At(x, y);
            ASSERT_TRUE(p == face || p == kRed || p == kBlack) << std::hex << p << " at " << std::dec << x << "," << y;
        }

    // The disabled face is embossed from the scaled glyph: the rim in shadow,
    // its highlight copy a frame line down and right.
    button.SetEnabled(false);
    Surface disabled(button.Width(), button.Height());
    button.Paint(disabled.dc.get());
    const RECT rim = disabled.Bounds({shadow});
    const RECT lit = disabled.Bounds({highlight});
    EXPECT_EQ(rim.right - rim.left, expected_->outline);
    EXPECT_EQ(lit.left - rim.left, expected_->line);
    EXPECT_EQ(lit.bottom - rim.bottom, expected_->line);
    for (int y = 0; y < button.Height(); ++y)
        for (int x = 0; x < button.Width(); ++x) {
            const std::uint32_t p = disabled.At(x, y);
            ASSERT_TRUE(p == face || p == shadow || p == highlight) << std::hex << p;
        }
}

TEST_F(Scaled, ANewDpiWhileOpenLaysOutAgainAndTellsTheHost) {
    vtb::TBandForm& form = Open();
    ComPtr<IInputObject> input;
    host_.band->QueryInterface(IID_IInputObject, input.put_void());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == host_.site.Window(); }));
    ASSERT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
    form.Search_Edit->SetText("tort law");
    form.SpdButn[0]->SetGlyph(RimmedSquare());
    const HWND focus = GetFocus();
    ASSERT_TRUE(focus && IsChild(form.Search_Edit->Handle(), focus));

    // A notice that changes nothing lays nothing out.
    SendMessageA(form.Handle(), WM_SETTINGCHANGE, 0, 0);
    EXPECT_TRUE(host_.site.BandCommands.empty());

    // Moved to a monitor of another DPI, as a host that follows each
    // monitor's DPI tells its children.
    const AtDpi& other = *RowFor(expected_->dpi == 192 ? 144 : 192);
    vtb::test_seam::ForceWindowDpi(other.dpi);
    SendMessageA(form.Handle(), vtb::kDpiChangedAfterParent, 0, 0);
    ExpectLaidOut(form, other);
    ASSERT_FALSE(host_.site.BandCommands.empty());
    EXPECT_EQ(static_cast<DWORD>(DBID_BANDINFOCHANGED), host_.site.BandCommands.back());
    const DESKBANDINFO info = BandInfo();
    EXPECT_EQ(info.ptActual.y, other.row);
    EXPECT_EQ(info.ptActual.x, other.firstSlot + other.slot);
    EXPECT_EQ(info.ptMinSize.x, other.main.right);

    // What the user typed and the focus stay; the faces are drawn anew.
    EXPECT_EQ(form.Search_Edit->Text(), "tort law");
    EXPECT_EQ(GetFocus(), focus);
    Surface face(form.SpdButn[0]->Width(), form.SpdButn[0]->Height());
    form.SpdButn[0]->Paint(face.dc.get());
    ASSERT_TRUE(form.SpdButn[0]->FaceGlyph().SharedList());
    EXPECT_EQ(form.SpdButn[0]->FaceGlyph().SharedList()->Width(), other.glyph16);

    // A host that tells only its own window moves its bands afterwards: back
    // at the display's DPI with the move.
    vtb::test_seam::ForceWindowDpi(expected_->dpi);
    SetWindowPos(form.Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ExpectLaidOut(form, *expected_);
    vtb::test_seam::ForceWindowDpi(other.dpi);
    SendMessageA(form.Handle(), vtb::kDpiChangedAfterParent, 0, 0);

    // A cut caption's hint in the system's hint font at the new DPI.
    vtb::TGlyphButton& main = *form.Main_Menu_SpdButn;
    main.SetCaption("Lexa legal information services");
    main.Repaint();
    const POINT middle = main.ClientToScreen({main.Width() / 2, main.Height() / 2});
    SetCursorPos(middle.x, middle.y);
    vtb::TToolkit::ForThread().Idle();
    ASSERT_TRUE(PumpUntil([] { return ShownHintWindow() != nullptr; }));
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    EXPECT_EQ(FontHeight(reinterpret_cast<HFONT>(SendMessageA(ShownHintWindow(), WM_GETFONT, 0, 0))),
              std::abs(MulDiv(metrics.lfStatusFont.lfHeight, other.dpi, expected_->dpi)));
}

}  // namespace
}  // namespace vtbtest
