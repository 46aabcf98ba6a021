#include "core/display_scale.h"

namespace vtb {

FaceRect ScaleRect(int left, int top, int width, int height, int dpi) {
    return {ScaleToDpi(left, dpi), ScaleToDpi(top, dpi), ScaleToDpi(left + width, dpi), ScaleToDpi(top + height, dpi)};
}

FaceSize ScaledGlyphSize(FaceSize design, int dpi) { return {ScaleToDpi(design.cx, dpi), ScaleToDpi(design.cy, dpi)}; }

DecodedBitmap ScaleGlyphBitmap(const DecodedBitmap& source, int cells, int dpi) {
    if (cells < 1 || source.Width <= 0 || source.Height <= 0 ||
        source.Pixels.size() != static_cast<std::size_t>(source.Width) * source.Height)
        return source;
    const FaceSize cell{source.Width / cells, source.Height};
    const FaceSize scaled = ScaledGlyphSize(cell, dpi);
    if (scaled.cx == cell.cx && scaled.cy == cell.cy) return source;

    DecodedBitmap out;
    out.Width = scaled.cx * cells;
    out.Height = scaled.cy;
    out.BitsPerPixel = source.BitsPerPixel;
    out.Monochrome = source.Monochrome;
    out.Pixels.resize(static_cast<std::size_t>(out.Width) * out.Height);
    // Destination pixel d of a cell takes the source pixel under its centre,
    // (d + 1/2) * design / scaled: a pixel doubled lies where a design edge
    // scaled would put it.
    const auto sourceOf = [](int d, int design, int scaledLength) { return (2 * d + 1) * design / (2 * scaledLength); };
    for (int y = 0; y < out.Height; ++y) {
        const int sy = sourceOf(y, cell.cy, scaled.cy);
        for (int c = 0; c < cells; ++c) {
            for (int x = 0; x < scaled.cx; ++x) {
                const int sx = c * cell.cx + sourceOf(x, cell.cx, scaled.cx);
                out.Pixels[static_cast<std::size_t>(y) * out.Width + c * scaled.cx + x] = source.At(sx, sy);
            }
        }
    }
    return out;
}

}  // namespace vtb
