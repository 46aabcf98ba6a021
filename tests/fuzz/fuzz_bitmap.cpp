// Feeds arbitrary bytes to the bitmap decoder: it must refuse or decode
// without reading or writing out of bounds.
#include "core/bitmap_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vtb::DecodedBitmap bitmap;
    if (!vtb::DecodeBitmap(data, size, bitmap)) return 0;
    if (bitmap.Width <= 0 || bitmap.Height <= 0 ||
        bitmap.Pixels.size() != static_cast<std::size_t>(bitmap.Width) * bitmap.Height ||
        bitmap.Monochrome != (bitmap.BitsPerPixel == 1))
        std::abort();
    for (const std::uint32_t pixel : bitmap.Pixels) {
        if (pixel > 0xFFFFFFu) std::abort();
    }
    return 0;
}
