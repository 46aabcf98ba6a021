#include "toolbar/builtin_glyphs.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "resources/resource_ids.h"
#include "win/module.h"

namespace vtb {

const char* const kSearchGlyph = VTB_RESOURCE_NAME(VTB_SEARCH_GLYPH);
const char* const kSettingsGlyph = VTB_RESOURCE_NAME(VTB_SETTINGS_GLYPH);

namespace {

// A bitmap resource is a bitmap file without its file header.
DWORD PixelOffset(const BYTE* info, DWORD size) {
    if (size < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, info, sizeof header);
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
    DWORD offset = header.biSize + colours * sizeof(RGBQUAD);
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS) offset += 12;
    return offset;
}

}  // namespace

DecodedBitmap LoadGlyphResource(const char* name) {
    DecodedBitmap bitmap;
    const HMODULE module = ModuleInstance();
    HRSRC resource = FindResourceA(module, name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!resource) return bitmap;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* data = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = SizeofResource(module, resource);
    if (!data || size == 0) return bitmap;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = static_cast<DWORD>(sizeof file + size);
    file.bfOffBits = static_cast<DWORD>(sizeof file + PixelOffset(data, size));
    std::vector<std::uint8_t> bytes(sizeof file + size);
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, data, size);
    if (!DecodeBitmap(bytes.data(), bytes.size(), bitmap)) bitmap = DecodedBitmap{};
    return bitmap;
}

}  // namespace vtb
