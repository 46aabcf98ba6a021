#include "widgets/face_drawing.h"

#include <algorithm>

#include "core/toolbar_error.h"

namespace vtb {

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

DibBitmap CreateDib(int width, int height) {
    DibBitmap dib;
    const BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    dib.Bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.Bitmap || !bits) throw ToolbarError("Out of system resources");
    dib.Bits = static_cast<std::uint32_t*>(bits);
    dib.Width = width;
    dib.Height = height;
    return dib;
}

std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    BITMAPINFO info = TopDown32(width, height);
    UniqueDc dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.get(), bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) return {};
    for (std::uint32_t& p : pixels) p &= 0xFFFFFFu;
    return pixels;
}

void FillSolid(const FaceCanvas& canvas, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    if (DibBitmap* pixels = canvas.Pixels) {
        GdiFlush();  // what GDI drew before is in the pixels first
        const std::uint32_t pixel = PixelFromColor(color);
        const int top = std::max<int>(rect.top, 0), bottom = std::min<int>(rect.bottom, pixels->Height);
        const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, pixels->Width);
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) pixels->At(x, y) = pixel;
        return;
    }
    const COLORREF old = SetBkColor(canvas.Dc, color);
    ExtTextOutA(canvas.Dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(canvas.Dc, old);
}

void DrawBevel(const FaceCanvas& dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int line) {
    const int n = line;
    FillSolid(dc, {r.left, r.top, r.right - n, r.top + n}, topLeft);
    FillSolid(dc, {r.left, r.top, r.left + n, r.bottom - n}, topLeft);
    FillSolid(dc, {r.right - n, r.top, r.right, r.bottom}, bottomRight);
    FillSolid(dc, {r.left, r.bottom - n, r.right, r.bottom}, bottomRight);
    InflateRect(&r, -n, -n);
}

RECT DrawButtonFace(const FaceCanvas& dc, RECT r, bool down, bool flat, TButtonStyle style, int line) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    const bool newLook = IsNewLook(style, SystemMajorVersion());
    const auto bevel = [&](COLORREF topLeft, COLORREF bottomRight) { DrawBevel(dc, r, topLeft, bottomRight, line); };

    if (!down) {
        if (newLook && flat) {
            bevel(highlight, shadow);
        } else if (newLook) {
            bevel(highlight, frame);
            bevel(face, shadow);
        } else if (flat) {
            bevel(highlight, frame);
        } else {
            bevel(frame, frame);
            bevel(highlight, shadow);
        }
    } else if (flat) {
        bevel(frame, highlight);  // the same for both looks
    } else if (newLook) {
        bevel(frame, highlight);
        bevel(shadow, face);
    } else {
        bevel(frame, frame);
        FillSolid(dc, {r.left, r.top, r.left + line, r.bottom}, shadow);
        FillSolid(dc, {r.left, r.top, r.right, r.top + line}, shadow);
    }
    InflateRect(&r, -line, -line);
    return r;
}

UniqueBrush CreateCheckeredBrush(int cell) {
    const int side = 8 * cell;
    DibBitmap pattern = CreateDib(side, side);
    const std::uint32_t highlight = SysPixel(COLOR_BTNHIGHLIGHT);
    const std::uint32_t face = SysPixel(COLOR_BTNFACE);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) pattern.At(x, y) = (x / cell + y / cell) % 2 == 0 ? highlight : face;
    // The brush keeps its own copy of the pattern.
    return UniqueBrush(CreatePatternBrush(pattern.Bitmap.get()));
}

void FillCheckered(HDC dc, const RECT& rect, int cell) {
    const UniqueBrush brush = CreateCheckeredBrush(cell);
    if (brush) FillRect(dc, &rect, brush.get());
}

void DrawPixelRuns(const FaceCanvas& dc, const std::vector<PixelRun>& runs, COLORREF color) {
    for (const PixelRun& run : runs) FillSolid(dc, {run.x0, run.y, run.x1 + 1, run.y + 1}, color);
}

int SystemMajorVersion() { return LOBYTE(LOWORD(GetVersion())); }

}  // namespace vtb
