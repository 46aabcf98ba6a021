#include "widgets/fonts.h"

#include <vector>

#include "win/locks.h"

namespace vtb {
namespace {

struct CachedFont {
    std::string name;
    int height;
    bool bold;
    HFONT font;
};

class FontCache {
public:
    ~FontCache() {
        for (const CachedFont& entry : fonts_) DeleteObject(entry.font);
    }

    HFONT Find(const std::string& name, int height, bool bold) {
        const ExclusiveLock guard(lock_);
        for (const CachedFont& entry : fonts_)
            if (entry.height == height && entry.bold == bold && entry.name == name) return entry.font;
        LOGFONTA lf{};
        lf.lfHeight = -height;
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynA(lf.lfFaceName, name.c_str(), LF_FACESIZE);
        const HFONT font = CreateFontIndirectA(&lf);
        if (font) fonts_.push_back({name, height, bold, font});
        return font;
    }

private:
    SlimLock lock_;
    std::vector<CachedFont> fonts_;
};

FontCache fonts;

}  // namespace

HFONT SharedFont(const std::string& name, int height, bool bold) { return fonts.Find(name, height, bold); }

}  // namespace vtb
