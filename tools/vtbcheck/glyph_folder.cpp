#include "tools/vtbcheck/glyph_folder.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/ascii_case.h"
#include "core/code_page.h"
#include "core/identifiers.h"

namespace vtbcheck {
namespace fs = std::filesystem;

namespace {

// The glyph button reads no larger file.
constexpr std::uintmax_t kMaxGlyphFileSize = 64u * 1024u * 1024u;

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// A file name of the configuration, in its code page, as this system names it.
fs::path Native(const std::string& name) {
    std::string relative = name;
#ifndef _WIN32
    // A caption may name a subfolder, as a Windows path would.
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
#endif
    return fs::path(vtb::TextCodePage().ToUtf16(relative));
}

}  // namespace

std::optional<fs::path> GlyphFolder::Locate(const std::string& fileName) {
    const fs::path native = Native(fileName);
    const fs::path exact = folder_ / native;
    if (IsFile(exact)) return exact;
#ifndef _WIN32
    const std::string relative = native.string();
    // Windows matches names without regard to letter case; so does the
    // checker, for files directly in the glyph folder.
    if (relative.find('/') != std::string::npos) return std::nullopt;
    if (!byLowerName_) {
        byLowerName_.emplace();
        std::error_code ec;
        for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
            byLowerName_->emplace(vtb::AsciiLowered(it->path().filename().string()), it->path());
    }
    const auto it = byLowerName_->find(vtb::AsciiLowered(relative));
    if (it != byLowerName_->end() && IsFile(it->second)) return it->second;
#endif
    return std::nullopt;
}

vtb::check::GlyphFile GlyphFolder::Find(const std::string& caption) {
    using vtb::check::GlyphFile;
    GlyphFile file;
    const std::string fileName = caption + vtb::kGlyphExtension;
    const std::optional<fs::path> found = Locate(fileName);
    file.Path = (folder_ / Native(fileName)).string();
    if (!found) return file;
    file.Path = found->string();
    std::error_code ec;
    if (fs::file_size(*found, ec) > kMaxGlyphFileSize && !ec) {
        file.State = GlyphFile::Status::Read;
        file.TooLarge = true;
        return file;
    }
    std::ifstream in(*found, std::ios::binary);
    if (!in) {
        file.State = GlyphFile::Status::Unreadable;
        file.Error = std::strerror(errno);
        return file;
    }
    file.Bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        file.State = GlyphFile::Status::Unreadable;
        file.Error = "the file could not be read";
        return file;
    }
    file.State = GlyphFile::Status::Read;
    return file;
}

}  // namespace vtbcheck
