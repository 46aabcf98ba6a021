// The painter of a glyph button's face: the glyph image of each face state,
// the caption and the drop-down triangle. State images are built once and
// kept in the image lists every glyph of the same cell size shares.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/bitmap_file.h"
#include "core/face_layout.h"
#include "core/face_states.h"
#include "widgets/face_drawing.h"
#include "widgets/glyph_image_lists.h"
#include "win/handles.h"

namespace vtb {

class TControl;

class TButtonGlyph {
public:
    // owner is painted again whenever the face changes; none for a glyph
    // drawn by hand.
    explicit TButtonGlyph(TControl* owner);
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    // Copies the bitmap into the source; an empty one clears the glyph.
    void SetSource(const DecodedBitmap& bitmap);
    // Shares a bitmap that nobody changes (a decoded glyph file).
    void SetSource(std::shared_ptr<const DecodedBitmap> bitmap);
    const DecodedBitmap& Source() const;
    bool HasPixels() const;
    std::uint32_t KeyColor() const { return keyColor_; }  // 0x00RRGGBB

    int CellCount() const { return cellCount_; }
    // Changes whenever what the glyph draws changes (source, cells, DPI).
    unsigned Version() const { return version_; }
    // Ignored for 0 and for the current count.
    void SetCellCount(int count);

    // The DPI the glyph is drawn at: its cells are scaled to it by whole
    // pixels and the state images made from the scaled cells.
    int Dpi() const { return dpi_; }
    void SetDpi(int dpi);
    // The source as it is drawn at Dpi().
    const DecodedBitmap& Drawn();

    bool WordWrap = false;
    TAlignment Alignment = taCenter;

    void ReleaseStateImages();
    // The slot of the state's image in SharedList, built on first use; -1
    // when there is nothing to draw.
    int MakeStateImage(TButtonFaceState state);
    int StateImageIndex(TButtonFaceState state) const { return stateImageIndex_[static_cast<int>(state)]; }
    TGlyphList* SharedList() const { return sharedList_; }

    // Glyph, caption and drop-down mark inside rect; the canvas carries the
    // caption's font and colour. Returns the caption rectangle. When surface
    // is the bitmap the canvas draws on (origin and clip its own), the glyph
    // is copied into its pixels instead of drawn through the image list: the
    // same pixels at a fraction of the cost.
    RECT DrawFace(HDC canvas, const RECT& rect, const std::string& caption, TButtonLayout layout, int margin,
                  int spacing, bool showMark, TButtonFaceState glyphState, UINT textFlags,
                  DibBitmap* surface = nullptr);
    void DrawCaption(HDC canvas, const std::string& caption, RECT rect, TButtonFaceState state, UINT textFlags) const;
    // Whether the last face drawn left part of its caption out.
    bool CaptionCut() const { return captionCut_; }
    static void DrawDropMark(const FaceCanvas& canvas, int x, int y, TButtonFaceState state, int dpi = 96);

private:
    // Everything the layout of a face is made from, compared whole as the
    // key of the last layouts: the layout reads nothing beyond it, so an
    // input added here is in the key by construction. It depends on the
    // face's size, not on where it lies: a face that only changes colour or
    // moves is not measured again.
    struct LayoutInputs {
        // Plain values, compared byte for byte (see SameValues).
        struct Values {
            FaceSize size;
            FaceSize glyph;  // one cell
            TButtonLayout layout;
            int margin;
            int spacing;
            UINT textFlags;
            BOOL showMark;
            BOOL wordWrap;
            int dpi;
            LOGFONTA font;  // the canvas's, measured with
        };
        Values values{};
        std::string caption;
        bool operator==(const LayoutInputs& other) const;
        // The layout's own input, the face's rectangle at (left, top).
        FaceLayoutInput At(int left, int top) const;
    };
    // The layout at (0, 0); the canvas carries the font of in.
    FaceLayout Layout(HDC canvas, const LayoutInputs& in);
    void CopyGlyph(DibBitmap& surface, int slot, int x, int y) const;
    void SourceChanged();
    FaceSize CellSize();
    DibBitmap CellImage(int cell);
    DibBitmap GrayedImage();
    DibBitmap EmbossedImage();

    TControl* owner_;
    std::shared_ptr<const DecodedBitmap> source_;
    std::shared_ptr<const DecodedBitmap> drawn_;  // source_ at dpi_, made on first use
    int dpi_ = 96;
    TGlyphList* sharedList_ = nullptr;
    std::array<int, kFaceStateCount> stateImageIndex_;
    std::uint32_t keyColor_ = 0xFF00FF;
    int cellCount_ = 1;
    unsigned version_ = 0;
    // The system colours the state images were made with: a child window
    // never hears of a change, so each draw compares.
    std::array<std::uint32_t, 3> imageColors_{};
    // Each state image as stored in the list, kTransparent where the mask is.
    std::array<std::vector<std::uint32_t>, kFaceStateCount> statePixels_;
    std::vector<std::pair<LayoutInputs, FaceLayout>> layouts_;
    bool captionCut_ = false;
};

// For the tests only: makes the next `count` glyph state images fail to
// build, as an image list refusing them would ("Unable to Replace Image").
namespace test_seam {
void FailNextImageStores(int count);
}

}  // namespace vtb
