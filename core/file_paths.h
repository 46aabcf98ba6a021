// Windows-style paths held as 8-bit text: extension and folder part.
#pragma once

#include <string>
#include <string_view>

namespace vtb {

std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string ExtractFilePath(std::string_view path);  // with trailing backslash

}  // namespace vtb
