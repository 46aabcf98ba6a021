// What a glyph button costs to draw: the median time to paint one face into
// memory, the time to build a glyph's state images, and the image lists and
// slots left after new glyphs were loaded into the same buttons many times
// (they must not grow).
//
//   bench_glyph_paint.exe [paints]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/button_glyph.h"
#include "widgets/button_graphics.h"
#include "widgets/glyph_buttons.h"
#include "widgets/menus.h"

namespace {

using S = vtb::TButtonFaceState;

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

// Median of runs of f, in microseconds.
double MedianMicros(int runs, const std::function<void()>& f) {
    static const double frequency = Frequency();
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        f();
        times.push_back((Now() - start) * 1e6 / frequency);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

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

}  // namespace

int main(int argc, char** argv) {
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    vtb::DibBitmap surface = vtb::CreateDib(75, 25);
    vtb::UniqueDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), surface.Bitmap.get());

    // 1. One face of a toolbar button: flat, glyph left of the caption, with
    //    a drop-down mark, idle and under the pointer.
    vtb::TPopupMenu menu("menu");
    {
        vtb::TGlyphButton button(nullptr, "Settings_SpdButn");
        button.SetBounds(0, 0, 75, 25);
        button.SetFlat(true);
        button.SetLayout(vtb::blGlyphLeft);
        button.SetGrayedInactive(false);
        button.Font.SetStyle("Tahoma", 11, false);
        button.SetCaption("Settings");
        button.SetGlyph(Glyph(15, 16, 0x20C0F0));
        button.SetDropDownMenu(&menu);
        button.Paint(dc.get());  // images built once, outside the timing
        const double idle = MedianMicros(paints, [&] { button.Paint(dc.get()); });
        // A press hovers it; moving off while held brings the face up, framed.
        button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        button.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, -20));
        const double hovered = MedianMicros(paints, [&] { button.Paint(dc.get()); });
        button.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
        const double pressed = MedianMicros(paints, [&] { button.Paint(dc.get()); });
        std::printf("paint one face (75 x 25, glyph, caption, mark), median of %d:\n", paints);
        std::printf("  idle     %8.1f us\n  hovered  %8.1f us\n  pressed  %8.1f us\n", idle, hovered, pressed);
    }

    // 2. Building a glyph's state images from its bitmap.
    {
        const int builds = std::max(1, paints / 4);
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
        double all = 0;
        for (const auto& s : states) {
            const double t = MedianMicros(builds, [&] {
                glyph.SetSource(bitmap);
                glyph.MakeStateImage(s.state);
            });
            std::printf("  %-20s %8.1f us\n", s.name, t);
        }
        all = MedianMicros(builds, [&] {
            glyph.SetSource(bitmap);
            for (S state : {S::bfsUp, S::bfsDisabled, S::bfsPressed, S::bfsLatched, S::bfsIdle})
                glyph.MakeStateImage(state);
        });
        std::printf("  %-20s %8.1f us\n", "all five states", all);
    }

    // 3. New glyphs loaded into the same buttons again and again.
    {
        constexpr int kButtons = 20;
        constexpr int kRounds = 1000;
        std::vector<std::unique_ptr<vtb::TGlyphButton>> buttons;
        for (int i = 0; i < kButtons; ++i) {
            buttons.push_back(std::make_unique<vtb::TGlyphButton>(nullptr, "SpdButn_" + std::to_string(i + 1)));
            buttons.back()->SetBounds(0, 0, 65, 25);
            buttons.back()->SetFlat(true);
        }
        auto loadRound = [&](int round) {
            for (int i = 0; i < kButtons; ++i) {
                // Two cell sizes, as the toolbar's own glyphs have; each
                // button keeps its size and gets new pixels.
                const bool small = i % 2 == 0;
                buttons[i]->SetGlyph(Glyph(small ? 16 : 20, small ? 16 : 23, 0x010101u * ((round + i) % 200)));
                buttons[i]->Paint(dc.get());
                buttons[i]->SetEnabled(i % 5 != 0);
                buttons[i]->Paint(dc.get());
            }
        };
        loadRound(0);
        const ListCensus first = Census();
        for (int round = 1; round < kRounds; ++round) loadRound(round);
        const ListCensus last = Census();
        std::printf("image lists after loading glyphs into %d buttons: first round / after %d rounds\n", kButtons,
                    kRounds);
        std::printf("  lists        %5d / %5d\n  images       %5d / %5d\n  slots in use %5d / %5d\n", first.lists,
                    last.lists, first.images, last.images, first.used, last.used);
        buttons.clear();
        std::printf("  cache after the buttons are gone: %s\n", vtb::SharedGlyphCache() ? "alive" : "freed");
        if (last.images > first.images || last.lists > first.lists) {
            std::printf("FAIL: the image lists grew\n");
            SelectObject(dc.get(), old);
            return 1;
        }
    }
    SelectObject(dc.get(), old);
    return 0;
}
