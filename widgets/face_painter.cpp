#include "widgets/face_painter.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "core/display_scale.h"
#include "core/glyph_images.h"
#include "core/toolbar_error.h"
#include "widgets/control.h"
#include "widgets/same_values.h"

namespace vtb {

namespace {

constexpr DWORD kMaskRop = 0x00E20746;  // DSPDxax: brush where the mask is set, else keep

// Marks a transparent pixel of a kept state image.
constexpr std::uint32_t kTransparent = 0xFF000000u;
constexpr std::size_t kKeptLayouts = 2;

// Image stores still to fail (see test_seam::FailNextImageStores).
std::atomic<int> g_failImageStores{0};

const DecodedBitmap kNoBitmap;

}  // namespace

TButtonGlyph::TButtonGlyph(TControl* owner) : owner_(owner) {
    stateImageIndex_.fill(-1);
    EnsureSharedGlyphCache();
}

TButtonGlyph::~TButtonGlyph() {
    ReleaseStateImages();
    DestroySharedGlyphCacheIfEmpty();
}

bool TButtonGlyph::HasPixels() const { return Source().Width > 0 && Source().Height > 0 && !Source().Pixels.empty(); }

void TButtonGlyph::SetSource(const DecodedBitmap& bitmap) { SetSource(std::make_shared<const DecodedBitmap>(bitmap)); }

void TButtonGlyph::SetSource(std::shared_ptr<const DecodedBitmap> bitmap) {
    ReleaseStateImages();
    // Pixels that do not cover the stated size make no glyph at all.
    if (bitmap && (bitmap->Width < 0 || bitmap->Height < 0 ||
                   bitmap->Pixels.size() != static_cast<std::size_t>(bitmap->Width) * bitmap->Height))
        bitmap.reset();
    source_ = std::move(bitmap);
    SourceChanged();
}

const DecodedBitmap& TButtonGlyph::Source() const { return source_ ? *source_ : kNoBitmap; }

void TButtonGlyph::SourceChanged() {
    ++version_;
    drawn_.reset();
    ReleaseStateImages();
    if (Source().Height > 0 && HasPixels()) {
        // Automatic transparency: the bottom-left pixel, white for monochrome.
        keyColor_ = Source().Monochrome ? 0xFFFFFFu : Source().At(0, Source().Height - 1) & 0xFFFFFFu;
        SetCellCount(CellCountFor(Source().Width, Source().Height, cellCount_));
    }
    if (owner_) owner_->Invalidate();
}

void TButtonGlyph::SetCellCount(int count) {
    if (count > kMaxGlyphCells) count = kMaxGlyphCells;
    if (count <= 0 || count == cellCount_) return;
    ReleaseStateImages();
    cellCount_ = count;
    drawn_.reset();  // the cells are scaled one by one
    ++version_;
}

void TButtonGlyph::SetDpi(int dpi) {
    dpi = ValidDpi(dpi);
    if (dpi == dpi_) return;
    ReleaseStateImages();
    dpi_ = dpi;
    drawn_.reset();
    ++version_;
}

const DecodedBitmap& TButtonGlyph::Drawn() {
    if (!drawn_ && source_)
        drawn_ = dpi_ == kDesignDpi ? source_
                                    : std::make_shared<const DecodedBitmap>(ScaleGlyphBitmap(*source_, cellCount_, dpi_));
    return drawn_ ? *drawn_ : kNoBitmap;
}

void TButtonGlyph::ReleaseStateImages() {
    for (auto& pixels : statePixels_) pixels.clear();
    for (int& index : stateImageIndex_) {
        if (index != -1 && sharedList_) sharedList_->ReleaseSlot(index);
        index = -1;
    }
    if (sharedList_) {
        if (TGlyphCache* cache = SharedGlyphCache()) cache->HandBack(sharedList_);
        sharedList_ = nullptr;
    }
}

FaceSize TButtonGlyph::CellSize() {
    if (!HasPixels()) return {0, 0};
    return {Drawn().Width / cellCount_, Drawn().Height};
}

int TButtonGlyph::MakeStateImage(TButtonFaceState state) {
    // Images made with other system colours are made again with these.
    const std::array<std::uint32_t, 3> colors = {SysPixel(COLOR_BTNFACE), SysPixel(COLOR_BTNHIGHLIGHT),
                                                 SysPixel(COLOR_BTNSHADOW)};
    if (sharedList_ && colors != imageColors_) ReleaseStateImages();
    const StateImageRecipe recipe = RecipeForState(state, cellCount_);
    int& slot = stateImageIndex_[static_cast<int>(recipe.Slot)];
    if (slot != -1) return slot;
    const FaceSize cell = CellSize();
    if (cell.cx <= 0 || cell.cy <= 0) return -1;

    // The glyph refers to a list only while it holds a slot in it: a list
    // taken for an image that could not be built goes back at once, so the
    // cache never destroys a list that a glyph still points to.
    TGlyphCache& cache = EnsureSharedGlyphCache();
    TGlyphList* list = sharedList_ ? sharedList_ : cache.ListForSize(cell.cx, cell.cy);
    try {
        if (g_failImageStores > 0 && g_failImageStores-- > 0) ThrowImageRefused();
        DibBitmap image;
        std::uint32_t key = keyColor_;
        switch (recipe.Source) {
        case StateImageRecipe::Cell:
            image = CellImage(recipe.CellIndex);
            break;
        case StateImageRecipe::Grayed:
            image = GrayedImage();
            break;
        case StateImageRecipe::Embossed:
            image = EmbossedImage();
            key = SysPixel(COLOR_BTNFACE);
            break;
        }
        slot = list->StoreKeyed(image.Bitmap.get(), key);
        std::vector<std::uint32_t>& pixels = statePixels_[static_cast<int>(recipe.Slot)];
        GdiFlush();
        pixels.assign(image.Bits, image.Bits + static_cast<std::size_t>(image.Width) * image.Height);
        for (std::uint32_t& p : pixels) p = (p & 0xFFFFFFu) == (key & 0xFFFFFFu) ? kTransparent : p & 0xFFFFFFu;
    } catch (...) {
        if (!sharedList_) cache.HandBack(list);
        throw;
    }
    sharedList_ = list;
    imageColors_ = colors;
    return slot;
}

void test_seam::FailNextImageStores(int count) { g_failImageStores = count; }

DibBitmap TButtonGlyph::CellImage(int cell) {
    const DecodedBitmap& source = Drawn();
    const FaceSize size = CellSize();
    DibBitmap image = CreateDib(size.cx, size.cy);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) image.At(x, y) = source.At(cell * size.cx + x, y) & 0xFFFFFFu;
    return image;
}

DibBitmap TButtonGlyph::GrayedImage() {
    DibBitmap image = CellImage(0);
    const std::uint32_t face = SysPixel(COLOR_BTNFACE);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) image.At(x, y) = GrayColor(image.At(x, y), keyColor_, face);
    return image;
}

DibBitmap TButtonGlyph::EmbossedImage() {
    const DecodedBitmap& source = Drawn();
    const int w = source.Width;
    const int h = source.Height;
    const WindowDc screen(nullptr);
    const UniqueDc sourceDc(CreateCompatibleDC(screen.get()));
    const UniqueDc maskDc(CreateCompatibleDC(screen.get()));
    const UniqueDc resultDc(CreateCompatibleDC(screen.get()));
    if (!sourceDc || !maskDc || !resultDc) ThrowImageRefused();

    // The source in the screen's format, so that the monochrome conversion
    // sees the colours as the screen does.
    const UniqueBitmap colour(CreateCompatibleBitmap(screen.get(), w, h));
    const UniqueBitmap mask(CreateBitmap(w, h, 1, 1, nullptr));
    if (!colour || !mask) ThrowImageRefused();
    const BITMAPINFO info = TopDown32(w, h);
    SetDIBits(screen.get(), colour.get(), 0, h, source.Pixels.data(), &info, DIB_RGB_COLORS);

    DibBitmap result = CreateDib(w, h);
    {
        // Mask set exactly where the source is black.
        const SelectGuard sourceSel(sourceDc.get(), colour.get());
        const SelectGuard maskSel(maskDc.get(), mask.get());
        SetBkColor(sourceDc.get(), RGB(0, 0, 0));
        BitBlt(maskDc.get(), 0, 0, w, h, sourceDc.get(), 0, 0, SRCCOPY);

        const SelectGuard resultSel(resultDc.get(), result.Bitmap.get());
        FillSolid(resultDc.get(), {0, 0, w, h}, GetSysColor(COLOR_BTNFACE));
        SetTextColor(resultDc.get(), RGB(0, 0, 0));
        SetBkColor(resultDc.get(), RGB(255, 255, 255));
        // The highlight one design pixel down and right, as wide as the frames.
        const std::pair<int, int> passes[] = {{COLOR_BTNHIGHLIGHT, ScaleToDpi(1, dpi_)}, {COLOR_BTNSHADOW, 0}};
        for (const auto& [colourIndex, offset] : passes) {
            const UniqueBrush brush(CreateSolidBrush(GetSysColor(colourIndex)));
            const SelectGuard brushSel(resultDc.get(), brush.get());
            BitBlt(resultDc.get(), offset, offset, w, h, maskDc.get(), 0, 0, kMaskRop);
        }
    }
    GdiFlush();
    return result;
}

namespace {

// The font selected into a canvas, its name's bytes after the end cleared
// (the system leaves whatever was there): the same font, the same bytes.
LOGFONTA CanvasFont(HDC canvas) {
    LOGFONTA font{};
    GetObjectA(GetCurrentObject(canvas, OBJ_FONT), sizeof font, &font);
    char* const end = std::find(font.lfFaceName, font.lfFaceName + LF_FACESIZE, '\0');
    std::fill(end, font.lfFaceName + LF_FACESIZE, '\0');
    return font;
}

}  // namespace

bool TButtonGlyph::LayoutInputs::operator==(const LayoutInputs& other) const {
    return SameValues(values, other.values) && caption == other.caption;
}

FaceLayoutInput TButtonGlyph::LayoutInputs::At(int left, int top) const {
    FaceLayoutInput in;
    in.Rect = {left, top, left + values.size.cx, top + values.size.cy};
    in.Glyph = values.glyph;
    in.Caption = caption;
    in.Layout = values.layout;
    in.Margin = values.margin;
    in.Spacing = values.spacing;
    in.ShowMark = values.showMark != FALSE;
    in.WordWrap = values.wordWrap != FALSE;
    in.Dpi = values.dpi;
    return in;
}

FaceLayout TButtonGlyph::Layout(HDC canvas, const LayoutInputs& in) {
    for (const auto& [seen, placed] : layouts_)
        if (seen == in) return placed;

    const UINT flags = in.values.textFlags | (in.values.wordWrap ? DT_WORDBREAK : 0);
    TextMeasure measure;
    measure.LineWidth = [canvas](const std::string& line) {
        SIZE size{};
        GetTextExtentPoint32A(canvas, line.c_str(), static_cast<int>(line.size()), &size);
        return static_cast<int>(size.cx);
    };
    measure.Extent = [canvas, flags](const std::string& text, int width) {
        RECT r{0, 0, width, 0};
        DrawTextA(canvas, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_CENTER | DT_VCENTER | flags);
        return FaceSize{r.right - r.left, r.bottom - r.top};
    };
    const FaceLayout placed = LayoutFace(in.At(0, 0), measure);
    if (layouts_.size() >= kKeptLayouts) layouts_.pop_back();
    layouts_.insert(layouts_.begin(), {in, placed});
    return placed;
}

void TButtonGlyph::CopyGlyph(DibBitmap& surface, int slot, int x, int y) const {
    const auto state = std::find(stateImageIndex_.begin(), stateImageIndex_.end(), slot) - stateImageIndex_.begin();
    const std::vector<std::uint32_t>& pixels = statePixels_[static_cast<std::size_t>(state)];
    const int w = sharedList_->Width();
    const int h = sharedList_->Height();
    GdiFlush();  // what GDI drew so far is in the pixels before they are read
    for (int row = std::max(0, -y); row < h && y + row < surface.Height; ++row) {
        for (int col = std::max(0, -x); col < w && x + col < surface.Width; ++col) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(row) * w + col];
            if (p != kTransparent) surface.At(x + col, y + row) = p;
        }
    }
}

RECT TButtonGlyph::DrawFace(HDC canvas, const RECT& rect, const std::string& caption, TButtonLayout layout, int margin,
                            int spacing, bool showMark, TButtonFaceState glyphState, UINT textFlags,
                            DibBitmap* surface) {
    LayoutInputs layoutInputs;
    LayoutInputs::Values& v = layoutInputs.values;
    v.size = {rect.right - rect.left, rect.bottom - rect.top};
    v.glyph = CellSize();
    v.layout = layout;
    v.margin = margin;
    v.spacing = spacing;
    v.textFlags = textFlags;
    v.showMark = showMark;
    v.wordWrap = WordWrap;
    v.dpi = dpi_;
    v.font = CanvasFont(canvas);
    layoutInputs.caption = caption;
    FaceLayout placed = Layout(canvas, layoutInputs);
    captionCut_ = placed.CaptionCut;
    placed.GlyphPos.x += rect.left;
    placed.GlyphPos.y += rect.top;
    placed.TextRect.left += rect.left;
    placed.TextRect.right += rect.left;
    placed.TextRect.top += rect.top;
    placed.TextRect.bottom += rect.top;

    FaceSize drawn{0, 0};
    const int slot = MakeStateImage(glyphState);
    if (slot >= 0) {
        if (surface)
            CopyGlyph(*surface, slot, placed.GlyphPos.x, placed.GlyphPos.y);
        else
            ImageList_Draw(sharedList_->Handle(), slot, canvas, placed.GlyphPos.x, placed.GlyphPos.y, ILD_NORMAL);
        drawn = {sharedList_->Width(), sharedList_->Height()};
    }

    const RECT text{placed.TextRect.left, placed.TextRect.top, placed.TextRect.right, placed.TextRect.bottom};
    DrawCaption(canvas, placed.Caption, text, glyphState, textFlags);

    if (showMark) {
        const FacePoint mark =
            DropMarkPosition(layoutInputs.At(rect.left, rect.top), placed, Source().Width > 0, drawn);
        DrawDropMark(FaceCanvas(canvas, surface), mark.x, mark.y, glyphState, dpi_);
    }
    return text;
}

void TButtonGlyph::DrawCaption(HDC canvas, const std::string& caption, RECT rect, TButtonFaceState state,
                               UINT textFlags) const {
    if (caption.empty()) return;
    const std::string text = caption.substr(0, kMaxCaptionLength);
    const int length = static_cast<int>(text.size());
    const UINT flags = textFlags | DT_VCENTER | (WordWrap ? DT_WORDBREAK : 0);
    const int oldMode = SetBkMode(canvas, TRANSPARENT);
    if (state == TButtonFaceState::bfsDisabled) {
        const COLORREF oldColour = SetTextColor(canvas, GetSysColor(COLOR_BTNHIGHLIGHT));
        RECT moved = rect;
        OffsetRect(&moved, ScaleToDpi(1, dpi_), ScaleToDpi(1, dpi_));
        DrawTextA(canvas, text.c_str(), length, &moved, flags);
        SetTextColor(canvas, GetSysColor(COLOR_BTNSHADOW));
        DrawTextA(canvas, text.c_str(), length, &rect, flags);
        SetTextColor(canvas, oldColour);
    } else {
        DrawTextA(canvas, text.c_str(), length, &rect, flags);
    }
    SetBkMode(canvas, oldMode);
}

void TButtonGlyph::DrawDropMark(const FaceCanvas& canvas, int x, int y, TButtonFaceState state, int dpi) {
    if (state == TButtonFaceState::bfsDisabled) {
        const int step = ScaleToDpi(1, dpi);
        DrawPixelRuns(canvas, DropMarkRuns(x + step, y + step, dpi), GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawPixelRuns(canvas, DropMarkRuns(x, y, dpi), GetSysColor(COLOR_BTNSHADOW));
    } else {
        DrawPixelRuns(canvas, DropMarkRuns(x, y, dpi), GetSysColor(COLOR_BTNTEXT));
    }
}

}  // namespace vtb
