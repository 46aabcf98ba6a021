// The toolbar's design is drawn at 96 dots per inch; on a display of
// another DPI every design size is scaled by DPI / 96. One rounding rule for
// all of them: the nearest whole pixel, halves toward zero. At 150 % every
// odd design size falls on a half, and a caption grows faster than its font
// (Tahoma 17 draws "Settings" 71 pixels wide, 16 draws it 64, 11 draws it
// 45): rounded up, fonts, glyphs, frames and margins all took a little more
// room than the button's share and captions that fit at 100 % were cut.
// Edges are scaled rather than widths, so that controls that meet at 96 DPI
// meet at any DPI; a length that stands on its own (a slot, a font, a frame
// line) is scaled as it is.
#pragma once

#include <cstdint>

#include "core/bitmap_file.h"
#include "core/face_geometry.h"

namespace vtb {

constexpr int kDesignDpi = 96;
// What a window may report is taken between these; 0 or less is the design.
constexpr int kMaxDpi = 960;

constexpr int ValidDpi(int dpi) { return dpi <= 0 ? kDesignDpi : dpi > kMaxDpi ? kMaxDpi : dpi; }

// A design length or coordinate at dpi.
constexpr int ScaleToDpi(int design, int dpi) {
    const int scaled = design * ValidDpi(dpi);
    const int half = kDesignDpi / 2 - 1;  // what a half leaves short of the next pixel
    return scaled >= 0 ? (scaled + half) / kDesignDpi : -((-scaled + half) / kDesignDpi);
}

// The width of a control whose design edges are left and left + width.
constexpr int ScaledSpan(int left, int width, int dpi) {
    return ScaleToDpi(left + width, dpi) - ScaleToDpi(left, dpi);
}

// A design rectangle at dpi, its edges scaled.
FaceRect ScaleRect(int left, int top, int width, int height, int dpi);

// A glyph's size at dpi: by the exact factor, each side rounded as every
// other size, so that a glyph keeps its share of the button at any scale.
FaceSize ScaledGlyphSize(FaceSize design, int dpi);

// A glyph bitmap drawn at dpi: each cell scaled by itself to its scaled size
// (the cells stay equal), every pixel taken whole from the nearest source
// pixel, so that no colour is mixed and the transparent colour stays exact.
DecodedBitmap ScaleGlyphBitmap(const DecodedBitmap& source, int cells, int dpi);

}  // namespace vtb
