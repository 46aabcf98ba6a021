#include "widgets/glyph_image_lists.h"

#include "widgets/face_drawing.h"
#include "win/thread_slot.h"

namespace vtb {

namespace {

// One cache per thread: every browser window runs its toolbar on a thread of
// its own, and a cache and its lists are not locked.
const ThreadSlot cacheSlot;

}  // namespace

TGlyphCache& EnsureSharedGlyphCache() {
    auto* cache = static_cast<TGlyphCache*>(cacheSlot.Get());
    if (!cache) {
        cache = new TGlyphCache();
        cacheSlot.Set(cache);
    }
    return *cache;
}

void DestroySharedGlyphCacheIfEmpty() {
    auto* cache = static_cast<TGlyphCache*>(cacheSlot.Get());
    if (!cache || !cache->Empty()) return;
    cacheSlot.Set(nullptr);
    delete cache;
}

TGlyphCache* SharedGlyphCache() { return static_cast<TGlyphCache*>(cacheSlot.Get()); }

void ThrowImageRefused() { throw ToolbarError("Unable to Replace Image"); }

// ---- TGlyphList ------------------------------------------------------------

TGlyphList::TGlyphList(int width, int height)
    : list_(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 0, 4)), width_(width), height_(height) {
    if (!list_) ThrowImageRefused();
}

int TGlyphList::AllocateSlot() {
    for (std::size_t i = 0; i < slotInUse_.size(); ++i) {
        if (!slotInUse_[i]) {
            slotInUse_[i] = true;
            return static_cast<int>(i);
        }
    }
    const int index = ImageList_GetImageCount(list_.get());
    if (index < 0 || !ImageList_SetImageCount(list_.get(), static_cast<UINT>(index) + 1)) ThrowImageRefused();
    slotInUse_.resize(static_cast<std::size_t>(index) + 1, false);
    slotInUse_[index] = true;
    return index;
}

int TGlyphList::StoreKeyed(HBITMAP image, std::uint32_t keyColor) {
    const std::vector<std::uint32_t> pixels = ReadPixels(image, width_, height_);
    if (pixels.empty()) ThrowImageRefused();
    keyColor &= 0xFFFFFFu;

    // The list composes an image as mask AND, then image OR: transparent
    // pixels are set in the mask and black in the image.
    const int stride = (width_ + 15) / 16 * 2;  // monochrome rows are word aligned
    std::vector<BYTE> maskBits(static_cast<std::size_t>(stride) * height_, 0);
    DibBitmap color = CreateDib(width_, height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width_ + x];
            const bool transparent = p == keyColor;
            if (transparent) maskBits[static_cast<std::size_t>(y) * stride + x / 8] |= 0x80 >> (x % 8);
            color.At(x, y) = transparent ? 0 : p;
        }
    }
    const UniqueBitmap mask(CreateBitmap(width_, height_, 1, 1, maskBits.data()));
    GdiFlush();

    const int slot = AllocateSlot();
    if (!mask || !ImageList_Replace(list_.get(), slot, color.Bitmap.get(), mask.get())) {
        slotInUse_[slot] = false;  // no live image went in: the slot stays free
        ThrowImageRefused();
    }
    ++usedCount_;
    return slot;
}

void TGlyphList::ReleaseSlot(int index) {
    if (!SlotInUse(index)) return;
    slotInUse_[index] = false;
    --usedCount_;
}

bool TGlyphList::SlotInUse(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < slotInUse_.size() && slotInUse_[index];
}

// ---- TGlyphCache -----------------------------------------------------------

TGlyphList* TGlyphCache::ListForSize(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it) {
        if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
    }
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return lists_.back().get();
}

void TGlyphCache::HandBack(TGlyphList* list) {
    if (!list || list->UsedCount() != 0) return;
    for (auto it = lists_.begin(); it != lists_.end(); ++it) {
        if (it->get() == list) {
            lists_.erase(it);
            return;
        }
    }
}

}  // namespace vtb
