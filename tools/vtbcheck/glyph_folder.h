// The glyph files of a folder, found as Windows finds them beside the DLL:
// the caption plus ".bmp", whatever the letter case of the file's name.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "core/check/config_check.h"

namespace vtbcheck {

class GlyphFolder : public vtb::check::GlyphSource {
public:
    explicit GlyphFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

    vtb::check::GlyphFile Find(const std::string& caption) override;

private:
    std::optional<std::filesystem::path> Locate(const std::string& fileName);

    std::filesystem::path folder_;
    std::optional<std::map<std::string, std::filesystem::path>> byLowerName_;  // read once
};

}  // namespace vtbcheck
