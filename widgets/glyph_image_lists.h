// The masked image lists that hold the state images of glyph buttons: one
// list per cell size, its slots handed out and taken back, one set of lists
// per thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/toolbar_error.h"
#include "win/handles.h"

namespace vtb {

struct ImageListTraits {
    static HIMAGELIST Invalid() { return nullptr; }
    static bool Valid(HIMAGELIST h) { return h != nullptr; }
    static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;

// A masked image list of fixed cell size whose slots are handed out and
// taken back; a taken-back slot keeps its image until it is reused.
class TGlyphList {
public:
    // Throws ToolbarError "Unable to Replace Image" when the system refuses.
    TGlyphList(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    HIMAGELIST Handle() const { return list_.get(); }

    // The lowest free slot, the list growing by one empty image when none is.
    int AllocateSlot();
    // Stores a cell-sized bitmap in a new slot; pixels of exactly keyColor
    // (0x00RRGGBB) become transparent. Throws "Unable to Replace Image".
    int StoreKeyed(HBITMAP image, std::uint32_t keyColor);
    void ReleaseSlot(int index);

    bool SlotInUse(int index) const;
    int UsedCount() const { return usedCount_; }
    int ImageCount() const { return ImageList_GetImageCount(list_.get()); }

private:
    UniqueImageList list_;
    int width_;
    int height_;
    std::vector<std::uint8_t> slotInUse_;  // a byte a slot, not vector<bool>'s packed bits: lists are small
    int usedCount_ = 0;
};

// The image lists of all glyphs, at most one per cell size.
class TGlyphCache {
public:
    TGlyphList* ListForSize(int width, int height);
    // Destroys the list when none of its slots is in use any more.
    void HandBack(TGlyphList* list);
    bool Empty() const { return lists_.empty(); }
    int ListCount() const { return static_cast<int>(lists_.size()); }
    const TGlyphList& List(int index) const { return *lists_[index]; }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The cache of the calling thread's glyphs, or null while no glyph has made it.
TGlyphCache* SharedGlyphCache();
// The same, made when missing, and let go again once it holds no list.
TGlyphCache& EnsureSharedGlyphCache();
void DestroySharedGlyphCacheIfEmpty();

// Reports a refused image: throws ToolbarError "Unable to Replace Image".
// One call a site, the throw itself made once here.
[[noreturn]] void ThrowImageRefused();

}  // namespace vtb
