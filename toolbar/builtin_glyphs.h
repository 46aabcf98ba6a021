// The glyphs of the Search and Settings buttons, bound into the module.
#pragma once

#include "core/bitmap_file.h"

namespace vtb {

extern const char* const kSearchGlyph;
extern const char* const kSettingsGlyph;

// The bitmap resource of that name; empty when the module has none.
DecodedBitmap LoadGlyphResource(const char* name);

}  // namespace vtb
