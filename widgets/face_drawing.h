// GDI routines of the glyph button's face: frames in system colours, the
// checkered fill of a latched button, solid runs of pixels, and the 32-bit
// bitmaps in which glyph images are composed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/face_layout.h"
#include "core/face_states.h"
#include "win/handles.h"

namespace vtb {

// Pixels as the 32-bit bitmaps hold them (0x00RRGGBB) and as GDI takes them.
inline std::uint32_t PixelFromColor(COLORREF color) {
    return (static_cast<std::uint32_t>(GetRValue(color)) << 16) | (static_cast<std::uint32_t>(GetGValue(color)) << 8) |
           GetBValue(color);
}
inline COLORREF ColorFromPixel(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}
inline std::uint32_t SysPixel(int index) { return PixelFromColor(GetSysColor(index)); }

// A top-down 32-bit DIB section whose pixels can be read and written in place.
struct DibBitmap {
    UniqueBitmap Bitmap;
    std::uint32_t* Bits = nullptr;
    int Width = 0;
    int Height = 0;

    std::uint32_t& At(int x, int y) { return Bits[static_cast<std::size_t>(y) * Width + x]; }
};
// Throws ToolbarError when the system has no memory for it.
DibBitmap CreateDib(int width, int height);
// How such a bitmap's pixels are laid out, for GDI calls that copy pixels.
BITMAPINFO TopDown32(int width, int height);

// The pixels of any bitmap as 0x00RRGGBB, top-down; empty on failure.
std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int width, int height);

// Where a face is drawn: a device context, and, when the context draws on a
// 32-bit bitmap at its own origin without clipping, that bitmap, into whose
// pixels solid fills go directly (through GDI each rectangle is a call).
struct FaceCanvas {
    FaceCanvas(HDC dc) : Dc(dc) {}  // NOLINT: any context is a canvas
    FaceCanvas(HDC dc, DibBitmap* pixels) : Dc(dc), Pixels(pixels) {}
    HDC Dc;
    DibBitmap* Pixels = nullptr;
};

// Fills a rectangle with one colour without creating a brush.
void FillSolid(const FaceCanvas& canvas, const RECT& rect, COLORREF color);

// 3-D frame of lines `line` pixels wide (one at 96 DPI), right and bottom
// exclusive: top row and left column (short of the far corner) in topLeft,
// right column and bottom row whole in bottomRight. The rectangle shrinks by
// the line on every side.
void DrawBevel(const FaceCanvas& canvas, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int line = 1);

// The button frame for the state and look, its lines `line` pixels wide;
// returns the content rectangle.
RECT DrawButtonFace(const FaceCanvas& canvas, RECT rect, bool down, bool flat, TButtonStyle style, int line = 1);

// The 8 x 8 pattern of a latched face, of squares `cell` pixels wide:
// COLOR_BTNHIGHLIGHT where x + y is even, COLOR_BTNFACE elsewhere.
UniqueBrush CreateCheckeredBrush(int cell = 1);
void FillCheckered(HDC dc, const RECT& rect, int cell = 1);

void DrawPixelRuns(const FaceCanvas& canvas, const std::vector<PixelRun>& runs, COLORREF color);

// The major number of the running system's version.
int SystemMajorVersion();

}  // namespace vtb
