#include "widgets/glyph_file_cache.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/toolbar_error.h"
#include "win/files.h"
#include "win/locks.h"

namespace vtb {
namespace {

// Larger glyph files are no toolbar glyph: they are refused unread.
constexpr std::uint64_t kMaxGlyphFileSize = 64 * 1024 * 1024;
// Toolbars show up to twenty glyphs; a few configurations' worth are kept.
constexpr std::size_t kKeptFiles = 64;

struct Stamp {
    std::uint64_t size = 0;
    FILETIME written{};
    bool operator==(const Stamp& other) const {
        return size == other.size && written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

struct CachedGlyph {
    std::string path;
    Stamp stamp;
    std::shared_ptr<const DecodedBitmap> bitmap;
};

SlimLock cacheLock;
std::vector<CachedGlyph> cache;  // most recently used first

std::shared_ptr<const DecodedBitmap> Decode(const std::string& path) {
    const std::optional<std::string> bytes = ReadWholeFile(path, kMaxGlyphFileSize);
    DecodedBitmap bitmap;
    if (!bytes || !DecodeBitmap(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), bitmap))
        throw ToolbarError("Bitmap image is not valid");
    // Shared as the buttons hold every glyph: read-only.
    return std::make_shared<const DecodedBitmap>(std::move(bitmap));
}

}  // namespace

std::shared_ptr<const DecodedBitmap> LoadGlyphFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;  // no glyph file: the caption alone
    Stamp stamp;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = data.ftLastWriteTime;

    {
        const ExclusiveLock guard(cacheLock);
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->path != path || !(it->stamp == stamp)) continue;
            std::rotate(cache.begin(), it, it + 1);
            return cache.front().bitmap;
        }
    }
    // Read outside the lock: toolbars of other threads go on meanwhile.
    std::shared_ptr<const DecodedBitmap> bitmap = Decode(path);
    const ExclusiveLock guard(cacheLock);
    cache.erase(
        std::remove_if(cache.begin(), cache.end(), [&path](const CachedGlyph& entry) { return entry.path == path; }),
        cache.end());
    cache.insert(cache.begin(), {path, stamp, bitmap});
    if (cache.size() > kKeptFiles) cache.pop_back();
    return bitmap;
}

}  // namespace vtb
