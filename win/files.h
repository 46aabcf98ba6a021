// Whole-file reading for the configuration, the glyph bitmaps and the
// downloaded update.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace vtb {

// A file, not a directory.
bool FileExists(const std::string& path);

// The file's bytes; nullopt when it holds more than maxSize bytes. Throws
// ToolbarError "Cannot open file "<path>". <system text>" when it cannot be
// opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::uint64_t maxSize = std::numeric_limits<std::uint64_t>::max());

}  // namespace vtb
