// Glyph bitmap files, read and decoded once for every toolbar of the
// process: a file is read again only when its path, size or write time
// changed.
#pragma once

#include <memory>
#include <string>

#include "core/bitmap_file.h"

namespace vtb {

// The decoded glyph of a file; null when there is no such file. Throws
// ToolbarError "Bitmap image is not valid" for a file that is no bitmap, and
// "Cannot open file "<path>". <system text>" for one that cannot be read.
std::shared_ptr<const DecodedBitmap> LoadGlyphFile(const std::string& path);

}  // namespace vtb
