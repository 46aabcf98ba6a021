// Where a glyph button's face puts its glyph, caption and drop-down mark,
// and how a caption is cut to fit, without a drawing surface: text is
// measured through callbacks so that the rules run anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/face_geometry.h"

namespace vtb {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Measures text in the font the caption will be drawn with.
struct TextMeasure {
    // Width of one line of text.
    std::function<int(const std::string& line)> LineWidth;
    // Size of the text laid out in a box `width` wide, as the caption will be
    // drawn (line breaks, word wrap and alignment as the caller draws them).
    std::function<FaceSize(const std::string& text, int width)> Extent;
};

constexpr std::size_t kMaxCaptionLength = 255;

// Cuts text with "..." until it is no wider than width; "..." when nothing fits.
std::string ShortenToWidth(const std::string& text, int width, const std::function<int(const std::string&)>& lineWidth);

// The caption as it is drawn in a space `width` wide: at most 255 characters;
// without word wrap each line is shortened on its own and trailing blanks and
// control characters go. cut, when given, tells whether any of the caption
// was left out (a line shortened, or the caption beyond 255 characters).
std::string ShortenCaption(const std::string& caption, int width, bool wordWrap,
                           const std::function<int(const std::string&)>& lineWidth, bool* cut = nullptr);

struct FaceLayoutInput {
    FaceRect Rect;   // the face inside its frame
    FaceSize Glyph;  // one cell of the glyph; 0 x 0 without one
    std::string Caption;
    TButtonLayout Layout = blGlyphTop;
    int Margin = -1;  // -1: centre the group
    int Spacing = 1;  // -1: spread evenly
    bool ShowMark = false;
    bool WordWrap = false;
    // The DPI the face is drawn at: the margin, the spacing and the room of
    // the drop-down mark are design sizes scaled to it.
    int Dpi = 96;
};

struct FaceLayout {
    FacePoint GlyphPos;
    FaceRect TextRect;        // where the shortened caption is drawn
    std::string Caption;      // shortened
    bool CaptionCut = false;  // part of the caption does not show
};

FaceLayout LayoutFace(const FaceLayoutInput& in, const TextMeasure& measure);

// Top-left of the drop-down triangle. drawn is the size of the glyph image
// actually drawn (0 x 0 when none was).
FacePoint DropMarkPosition(const FaceLayoutInput& in, const FaceLayout& layout, bool hasSource, FaceSize drawn);

// One horizontal run of the drop-down triangle, both ends included.
struct PixelRun {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
};
// The triangle's runs: its top row, 7 design pixels wide, starts at x one
// design pixel above y; each row below is a pixel narrower on each side.
std::vector<PixelRun> DropMarkRuns(int x, int y, int dpi = 96);

// The button counts the row just below it as inside, its right edge not.
bool InsideButton(int x, int y, int width, int height);

}  // namespace vtb
