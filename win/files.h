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

// A path from the system as 8-bit text in the ANSI code page, character for
// character; nullopt when a character has no exact counterpart there: a
// look-alike ("L" for "\u0141") would name another folder, and "?" none.
std::optional<std::string> AnsiPath(const wchar_t* path);
// The path for a message: "?" in place of each character the code page lacks.
std::string ShownPath(const wchar_t* path);
// "\"<shown>\" cannot be named in the system's code page"
std::string UnnameablePathText(const std::string& shown);

// The file's bytes; nullopt when it holds more than maxSize bytes. Throws
// ToolbarError "Cannot open file "<path>". <system text>" when it cannot be
// opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::uint64_t maxSize = std::numeric_limits<std::uint64_t>::max());

}  // namespace vtb
