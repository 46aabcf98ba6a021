// Windows bitmap files (.bmp) decoded without the system, so that a bad file
// is refused before it reaches the drawing code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vtb {

struct DecodedBitmap {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;               // as stored in the file
    bool Monochrome = false;            // 1 bit per pixel
    std::vector<std::uint32_t> Pixels;  // top-down rows, 0x00RRGGBB

    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

// False when the bytes are no bitmap this toolbar can draw ("Bitmap image is
// not valid"). Accepts 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed,
// run-length encoded (4 and 8 bits) and bit fields, bottom-up or top-down.
bool DecodeBitmap(const std::uint8_t* data, std::size_t size, DecodedBitmap& out);

}  // namespace vtb
