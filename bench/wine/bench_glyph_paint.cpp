// What a glyph button costs to draw: one 75 x 25 face with glyph, caption and
// drop-down mark, idle, under the pointer and pressed, each painted again
// unchanged and painted new (a caption colour it never had), beside two
// floors: one BitBlt of a face-sized image, and the same face composed with
// plain GDI calls. The face and its floors are drawn at the display's DPI
// (run it with the display's LogPixels at 144 for 150 %). Then the time to build a glyph's state images, and the
// image lists and slots left after new glyphs were loaded into the same
// buttons many times (they must not grow).
//
//   bench_glyph_paint.exe [paints]
//
// Lines starting with "table|" feed the summary of tools/run_benchmarks.sh.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/display_scale.h"
#include "core/toolbar_layout.h"
#include "widgets/control.h"
#include "widgets/face_drawing.h"
#include "widgets/face_painter.h"
#include "widgets/glyph_button.h"
#include "widgets/menus.h"
#include "win/handles.h"

namespace {

using S = vtb::TButtonFaceState;

// The display's DPI, and a design size at it.
int DisplayDpi() {
    const vtb::WindowDc screen(nullptr);
    return vtb::ValidDpi(GetDeviceCaps(screen.get(), LOGPIXELSY));
}
const int kDpi = DisplayDpi();
int Px(int design) { return vtb::ScaleToDpi(design, kDpi); }

const int kFaceWidth = Px(75);
const int kFaceHeight = Px(25);

double Frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

double Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart);
}

// Microseconds that f takes, once.
double Micros(const std::function<void()>& f) {
    static const double frequency = Frequency();
    const double start = Now();
    f();
    return (Now() - start) * 1e6 / frequency;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median of runs of f, in microseconds.
double MedianMicros(int runs, const std::function<void()>& f) {
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) times.push_back(Micros(f));
    return Median(times);
}

// A top-down 32-bit DIB section; bits receives its pixels (0x00RRGGBB).
vtb::UniqueBitmap Dib(int width, int height, std::uint32_t** bits) {
    const BITMAPINFO info = vtb::TopDown32(width, height);
    void* pixels = nullptr;
    vtb::UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    *bits = static_cast<std::uint32_t*>(pixels);
    return bitmap;
}

// A face-sized DIB section selected into a memory DC: the paint target.
struct Surface {
    std::uint32_t* Bits = nullptr;  // before Bitmap, which sets it
    vtb::UniqueDc Dc;
    vtb::UniqueBitmap Bitmap;
    HGDIOBJ Old = nullptr;

    Surface() : Dc(CreateCompatibleDC(nullptr)), Bitmap(Dib(kFaceWidth, kFaceHeight, &Bits)) {
        if (Dc && Bitmap) Old = SelectObject(Dc.get(), Bitmap.get());
    }
    ~Surface() {
        if (Old) SelectObject(Dc.get(), Old);
    }
    bool Ok() const { return Dc && Bitmap && Bits; }
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        return {Bits, Bits + kFaceWidth * kFaceHeight};
    }
};

// A glyph on a magenta key with a black outline and a coloured body.
vtb::DecodedBitmap Glyph(int width, int height, std::uint32_t body) {
    vtb::DecodedBitmap b;
    b.Width = width;
    b.Height = height;
    b.BitsPerPixel = 24;
    b.Pixels.assign(static_cast<std::size_t>(width) * height, 0xFF00FF);
    for (int y = 2; y < height - 2; ++y)
        for (int x = 2; x < width - 2; ++x) {
            const bool edge = y == 2 || x == 2 || y == height - 3 || x == width - 3;
            b.Pixels[static_cast<std::size_t>(y) * width + x] = edge ? 0x000000 : body;
        }
    return b;
}

// The glyph's pixels in a bitmap of their own.
vtb::UniqueBitmap DibOf(const vtb::DecodedBitmap& glyph) {
    std::uint32_t* bits = nullptr;
    vtb::UniqueBitmap bitmap = Dib(glyph.Width, glyph.Height, &bits);
    if (bits) std::memcpy(bits, glyph.Pixels.data(), glyph.Pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

// A caption colour no earlier paint used, so that nothing drawn before can
// be reused.
vtb::TColor FreshColor(int i) { return RGB(i & 0xFF, (i >> 8) & 0xFF, 0x40 + ((i >> 16) & 0x3F)); }

// Makes the window the active one; under Wine that takes a few messages.
bool Activate(HWND window) {
    SetForegroundWindow(window);
    SetActiveWindow(window);
    const DWORD start = GetTickCount();
    while (!vtb::ActiveWindowInThread() && GetTickCount() - start < 2000) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return vtb::ActiveWindowInThread();
}

// The face the button is in, checked against the one the case names.
bool InFace(const vtb::TGlyphButton& button, const char* name, S state, bool hovered) {
    if (button.FaceState() == state && button.IsHovered() == hovered) return true;
    std::fprintf(stderr, "FAIL: the %s face was not reached (state %d, hovered %d)\n", name,
                 static_cast<int>(button.FaceState()), button.IsHovered() ? 1 : 0);
    return false;
}

// A toolbar button: flat, glyph left of the caption, with a drop-down
// mark. Its menu does not pop up, so that a press stays a press instead of
// ending as soon as the menu returns.
std::unique_ptr<vtb::TGlyphButton> ToolbarButton(vtb::TPopupMenu& menu, vtb::TWinControl& host) {
    auto button = std::make_unique<vtb::TGlyphButton>(&host, "Settings_SpdButn");
    button->SetBounds(0, 0, kFaceWidth, kFaceHeight);
    button->SetFlat(true);
    button->SetLayout(vtb::blGlyphLeft);
    button->SetGrayedInactive(false);
    button->Font.SetStyle(vtb::kButtonFace.Name, vtb::kButtonFace.Height, vtb::kButtonFace.Bold);
    button->SetCaption("Settings");
    button->SetGlyph(Glyph(15, 16, 0x20C0F0));
    button->SetDropDownMenu(&menu);
    return button;
}

// One face and its timings.
struct FaceCase {
    const char* name;
    S state;
    bool hovered;
    std::unique_ptr<vtb::TGlyphButton> button;
    std::vector<double> unchanged, fresh;
};

// The same face composed with plain GDI calls in a back buffer and copied:
// fill, raised frame, masked glyph, caption, triangle.
class PlainFace {
public:
    PlainFace()
        : font_(CreateFontA(-Px(vtb::kButtonFace.Height), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                            DEFAULT_QUALITY, 0, vtb::kButtonFace.Name)),
          list_(ImageList_Create(Px(15), Px(16), ILC_COLOR24 | ILC_MASK, 1, 1)) {
        // A glyph made at the size it is drawn.
        const vtb::UniqueBitmap cell = DibOf(Glyph(Px(15), Px(16), 0x20C0F0));
        ImageList_AddMasked(list_.get(), cell.get(), RGB(0xFF, 0x00, 0xFF));
        SetBkMode(buffer_.Dc.get(), TRANSPARENT);
    }
    void SetColor(COLORREF color) { SetTextColor(buffer_.Dc.get(), color); }
    void Fill() {
        RECT r{0, 0, kFaceWidth, kFaceHeight};
        FillRect(buffer_.Dc.get(), &r, GetSysColorBrush(COLOR_BTNFACE));
    }
    void Frame() {
        RECT r{0, 0, kFaceWidth, kFaceHeight};
        DrawEdge(buffer_.Dc.get(), &r, BDR_RAISEDINNER, BF_RECT);
    }
    void Picture() { ImageList_Draw(list_.get(), 0, buffer_.Dc.get(), Px(6), Px(4), ILD_NORMAL); }
    void Caption() {
        HDC dc = buffer_.Dc.get();
        const HGDIOBJ old = SelectObject(dc, font_.get());
        RECT text{Px(24), Px(2), Px(62), Px(23)};
        DrawTextA(dc, "Settings", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }
    void Mark() {
        for (int row = 0; row < Px(3); ++row) {
            RECT line{Px(65) + row, Px(11) + row, Px(70) - row, Px(11) + row + 1};
            FillRect(buffer_.Dc.get(), &line, GetSysColorBrush(COLOR_BTNTEXT));
        }
    }
    // Floor of an unchanged face: one copy of a face-sized image.
    void Blit(HDC target) { BitBlt(target, 0, 0, kFaceWidth, kFaceHeight, buffer_.Dc.get(), 0, 0, SRCCOPY); }
    void Draw(HDC target) {
        Fill();
        Frame();
        Picture();
        Caption();
        Mark();
        Blit(target);
    }

private:
    Surface buffer_;
    vtb::UniqueFont font_;
    vtb::UniqueImageList list_;
};

// 1. One toolbar face in three states, each painted unchanged and new,
//    beside its floors; every series takes its turn in each round, so that
//    a busy machine slows them alike. False when a face was not the one
//    named.
bool FaceBenchmark(int paints) {
    Surface surface;
    if (!surface.Ok()) {
        std::fprintf(stderr, "FAIL: no paint surface\n");
        return false;
    }
    HDC target = surface.Dc.get();
    // The hover needs an active window of this thread, as in the browser.
    vtb::UniqueWindow active(CreateWindowExA(0, "STATIC", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 200, 60, nullptr,
                                             nullptr, GetModuleHandleA(nullptr), nullptr));
    if (!Activate(active.get())) {
        std::fprintf(stderr, "FAIL: no active window in this thread; the hovered face cannot be reached\n");
        return false;
    }
    vtb::TPopupMenu menu("menu");
    menu.AutoPopup = false;
    // What holds the buttons at the display's DPI, as the toolbar's form does.
    vtb::TWinControl host(nullptr, "host");
    host.SetDpi(kDpi);
    FaceCase faces[] = {{"idle", S::bfsUp, false, ToolbarButton(menu, host), {}, {}},
                        {"hovered", S::bfsUp, true, ToolbarButton(menu, host), {}, {}},
                        {"pressed", S::bfsPressed, true, ToolbarButton(menu, host), {}, {}}};
    faces[1].button->Perform(vtb::CM_MOUSEENTER, 0, 0);  // what the idle step sends
    faces[2].button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));

    std::vector<std::vector<std::uint32_t>> pixels;
    for (FaceCase& f : faces) {
        if (!InFace(*f.button, f.name, f.state, f.hovered)) return false;
        f.button->Paint(target);  // images built once, outside the timing
        pixels.push_back(surface.Pixels());
    }
    for (std::size_t a = 0; a < pixels.size(); ++a)
        for (std::size_t b = a + 1; b < pixels.size(); ++b)
            if (pixels[a] == pixels[b]) {
                std::fprintf(stderr, "FAIL: the %s and %s faces have the same pixels\n", faces[a].name, faces[b].name);
                return false;
            }

    PlainFace plain;
    plain.Draw(target);
    std::vector<double> blit, composed;
    for (int i = 0; i < paints; ++i) {
        blit.push_back(Micros([&] { plain.Blit(target); }));
        for (FaceCase& f : faces) f.unchanged.push_back(Micros([&] { f.button->Paint(target); }));
        plain.SetColor(FreshColor(i));
        composed.push_back(Micros([&] { plain.Draw(target); }));
        for (FaceCase& f : faces) {
            f.button->Font.SetColor(FreshColor(i));
            f.fresh.push_back(Micros([&] { f.button->Paint(target); }));
        }
    }
    for (FaceCase& f : faces)
        if (!InFace(*f.button, f.name, f.state, f.hovered)) return false;
    faces[2].button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    std::printf("paint one face (%d x %d at %d DPI, glyph, caption, drop-down mark), median of %d, us:\n", kFaceWidth,
                kFaceHeight, kDpi, paints);
    std::printf("  %-10s %12s %12s\n", "face", "unchanged", "new");
    double worstUnchanged = 0, worstNew = 0;
    for (const FaceCase& f : faces) {
        const double unchanged = Median(f.unchanged);
        const double fresh = Median(f.fresh);
        std::printf("  %-10s %12.1f %12.1f\n", f.name, unchanged, fresh);
        worstUnchanged = std::max(worstUnchanged, unchanged);
        worstNew = std::max(worstNew, fresh);
    }
    const double blitMedian = Median(blit);
    const double composedMedian = Median(composed);
    std::printf("  floor: one BitBlt of a face-sized image         %8.1f\n", blitMedian);
    std::printf("  floor: the same face composed with plain GDI    %8.1f\n", composedMedian);
    // Where the plain face's time goes.
    std::printf("    of which fill %.1f, frame %.1f, glyph %.1f, caption %.1f, mark %.1f, copy %.1f\n",
                MedianMicros(paints, [&] { plain.Fill(); }), MedianMicros(paints, [&] { plain.Frame(); }),
                MedianMicros(paints, [&] { plain.Picture(); }), MedianMicros(paints, [&] { plain.Caption(); }),
                MedianMicros(paints, [&] { plain.Mark(); }), MedianMicros(paints, [&] { plain.Blit(target); }));
    const std::string at = kDpi == vtb::kDesignDpi ? "" : " at " + std::to_string(kDpi) + " DPI";
    std::printf(
        "table|face that did not change (slowest of idle, hovered, pressed)%s|%.1f us|%.1f us (one BitBlt)|%.1fx\n",
        at.c_str(), worstUnchanged, blitMedian, worstUnchanged / blitMedian);
    std::printf("table|new face (slowest of idle, hovered, pressed)%s|%.1f us|%.1f us (plain GDI face)|%.1fx\n",
                at.c_str(), worstNew, composedMedian, worstNew / composedMedian);
    return true;
}

// 2. Building a glyph's state images from its bitmap.
void StateImageBenchmark(int builds) {
    vtb::TButtonGlyph keeper(nullptr);  // keeps the list alive between builds
    keeper.SetSource(Glyph(16, 16, 0x3060C0));
    keeper.MakeStateImage(S::bfsUp);
    vtb::TButtonGlyph glyph(nullptr);
    const vtb::DecodedBitmap bitmap = Glyph(16, 16, 0xC06030);
    std::printf("build state images (16 x 16, one cell), median of %d:\n", builds);
    const struct {
        const char* name;
        S state;
    } states[] = {{"up (cell)", S::bfsUp}, {"disabled (embossed)", S::bfsDisabled}, {"idle (grayed)", S::bfsIdle}};
    for (const auto& s : states) {
        const double t = MedianMicros(builds, [&] {
            glyph.SetSource(bitmap);
            glyph.MakeStateImage(s.state);
        });
        std::printf("  %-20s %8.1f us\n", s.name, t);
    }
    const double all = MedianMicros(builds, [&] {
        glyph.SetSource(bitmap);
        for (S state : {S::bfsUp, S::bfsDisabled, S::bfsPressed, S::bfsLatched, S::bfsIdle})
            glyph.MakeStateImage(state);
    });
    std::printf("  %-20s %8.1f us\n", "all five states", all);
}

struct ListCensus {
    int lists = 0, images = 0, used = 0;
};

ListCensus Census() {
    ListCensus c;
    if (const vtb::TGlyphCache* cache = vtb::SharedGlyphCache()) {
        c.lists = cache->ListCount();
        for (int i = 0; i < cache->ListCount(); ++i) {
            c.images += cache->List(i).ImageCount();
            c.used += cache->List(i).UsedCount();
        }
    }
    return c;
}

// 3. New glyphs loaded into the same buttons again and again. False when
//    the image lists grew.
bool ReloadBenchmark() {
    constexpr int kButtons = 20;
    constexpr int kRounds = 1000;
    Surface surface;
    std::vector<std::unique_ptr<vtb::TGlyphButton>> buttons;
    for (int i = 0; i < kButtons; ++i) {
        buttons.push_back(std::make_unique<vtb::TGlyphButton>(nullptr, "SpdButn_" + std::to_string(i + 1)));
        buttons.back()->SetBounds(0, 0, 65, 25);
        buttons.back()->SetFlat(true);
    }
    auto loadRound = [&](int round) {
        for (int i = 0; i < kButtons; ++i) {
            // Two cell sizes, as the toolbar's own glyphs have; each button
            // keeps its size and gets new pixels.
            const bool small = i % 2 == 0;
            buttons[i]->SetGlyph(Glyph(small ? 16 : 20, small ? 16 : 23, 0x010101u * ((round + i) % 200)));
            buttons[i]->Paint(surface.Dc.get());
            buttons[i]->SetEnabled(i % 5 != 0);
            buttons[i]->Paint(surface.Dc.get());
        }
    };
    loadRound(0);
    const ListCensus first = Census();
    for (int round = 1; round < kRounds; ++round) loadRound(round);
    const ListCensus last = Census();
    std::printf("image lists after loading glyphs into %d buttons: first round / after %d rounds\n", kButtons, kRounds);
    std::printf("  lists        %5d / %5d\n  images       %5d / %5d\n  slots in use %5d / %5d\n", first.lists,
                last.lists, first.images, last.images, first.used, last.used);
    buttons.clear();
    std::printf("  cache after the buttons are gone: %s\n", vtb::SharedGlyphCache() ? "alive" : "freed");
    if (last.images > first.images || last.lists > first.lists) {
        std::fprintf(stderr, "FAIL: the image lists grew\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!FaceBenchmark(paints)) return 1;
    StateImageBenchmark(std::max(1, paints / 4));
    return ReloadBenchmark() ? 0 : 1;
}
