#include "core/face_layout.h"

#include <algorithm>

#include "core/caption_accelerator.h"
#include "core/display_scale.h"

namespace vtb {

namespace {

constexpr int kMarkWidth = 9;     // room kept for the triangle after the text
constexpr int kMarkGlyphGap = 6;  // room kept for it after a glyph
constexpr int kMarkSize = 7;      // the triangle's top row
constexpr int kMarkAfterText = 3;
constexpr int kMarkAfterGlyph = 1;
constexpr const char* kEllipsis = "...";

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// Lines as a caption holds them: CR, LF and CR LF each end one; a break at
// the very end opens no further line.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && !IsLineBreak(text[end])) ++end;
        lines.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

std::string TrimRight(std::string text) {
    // Spaces and control characters alike: a code of 32 or less.
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

std::string Limit(std::string text) {
    if (text.size() > kMaxCaptionLength) text.resize(kMaxCaptionLength);
    return text;
}

}  // namespace

std::string ShortenToWidth(const std::string& text, int width,
                           const std::function<int(const std::string&)>& lineWidth) {
    const int length = static_cast<int>(text.size());
    std::string result = text;
    for (int k = 2; lineWidth(result) > width && k - 1 <= length; ++k)
        result = text.substr(0, static_cast<std::size_t>(std::max(0, length - k))) + kEllipsis;
    return result;
}

std::string ShortenCaption(const std::string& caption, int width, bool wordWrap,
                           const std::function<int(const std::string&)>& lineWidth, bool* cut) {
    std::string text = Limit(caption);
    bool shortened = text.size() < caption.size();
    if (!wordWrap) {
        std::string joined;
        for (const std::string& line : SplitLines(text)) {
            const std::string shown = ShortenToWidth(line, width, lineWidth);
            shortened = shortened || shown != line;
            joined += shown;
            joined += "\r\n";
        }
        text = Limit(TrimRight(std::move(joined)));
    }
    if (cut) *cut = shortened;
    return text;
}

namespace {

bool IsHorizontal(TButtonLayout layout) { return layout == blGlyphLeft || layout == blGlyphRight; }

// A margin or spacing at the face's DPI; -1 keeps its meaning.
int ScaledGap(int design, int dpi) { return design == -1 ? -1 : ScaleToDpi(design, dpi); }

// The room the caption has: the face less the glyph and the margin and
// spacing that are fixed along the layout, and beside a horizontal layout
// less the drop-down mark.
FaceSize CaptionRoom(const FaceLayoutInput& in, FaceSize glyph) {
    int aw = in.Rect.Width();
    int ah = in.Rect.Height();
    int& along = IsHorizontal(in.Layout) ? aw : ah;
    along -= IsHorizontal(in.Layout) ? glyph.cx : glyph.cy;
    if (in.Margin != -1) along -= ScaledGap(in.Margin, in.Dpi);
    if (in.Spacing != -1) along -= ScaledGap(in.Spacing, in.Dpi);
    if (in.ShowMark && IsHorizontal(in.Layout)) aw -= ScaleToDpi(kMarkWidth, in.Dpi);
    return {std::max(0, aw), std::max(0, ah)};
}

// Glyph and text within the face: centred across the layout; along it a
// margin or spacing of -1 is shared out of what the two leave of the face.
void PlaceGlyphAndText(const FaceLayoutInput& in, FaceSize glyph, FaceSize text, FacePoint& glyphAt,
                       FacePoint& textAt) {
    const int cw = in.Rect.Width();
    const int ch = in.Rect.Height();
    const bool horizontal = IsHorizontal(in.Layout);
    if (horizontal) {
        glyphAt.y = ch / 2 - glyph.cy / 2;
        textAt.y = ch / 2 - text.cy / 2;
    } else {
        glyphAt.x = cw / 2 - glyph.cx / 2;
        textAt.x = cw / 2 - text.cx / 2;
    }

    int margin = ScaledGap(in.Margin, in.Dpi);
    int spacing = text.cx == 0 || glyph.cx == 0 ? 0 : ScaledGap(in.Spacing, in.Dpi);
    const int client = horizontal ? cw : ch;
    const int glyphSize = horizontal ? glyph.cx : glyph.cy;
    const int textSize = horizontal ? text.cx : text.cy;
    if (margin == -1 && spacing == -1) {
        margin = (client - (glyphSize + textSize)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = client / 2 - (glyphSize + spacing + textSize) / 2;
    } else if (spacing == -1) {
        spacing = (client - (margin + glyphSize)) / 2 - textSize / 2;
    }

    switch (in.Layout) {
    case blGlyphLeft:
        glyphAt.x = margin;
        textAt.x = glyphAt.x + glyph.cx + spacing;
        break;
    case blGlyphRight:
        glyphAt.x = cw - margin - glyph.cx;
        textAt.x = glyphAt.x - spacing - text.cx;
        break;
    case blGlyphTop:
        glyphAt.y = margin;
        textAt.y = glyphAt.y + glyph.cy + spacing;
        break;
    case blGlyphBottom:
        glyphAt.y = ch - margin - glyph.cy;
        textAt.y = glyphAt.y - spacing - text.cy;
        break;
    }
}

}  // namespace

FaceLayout LayoutFace(const FaceLayoutInput& in, const TextMeasure& measure) {
    FaceLayout out;
    FaceSize glyph = in.Glyph;
    if (glyph.cx <= 0 || glyph.cy <= 0) glyph = {0, 0};  // a glyph without pixels takes no room
    const FaceSize room = CaptionRoom(in, glyph);

    // A line is as wide as it is drawn: the "&" that marks an accelerator
    // takes no room of its own.
    const auto drawnWidth = [&measure](const std::string& line) {
        return measure.LineWidth(CaptionWithoutAccelerator(line));
    };
    out.Caption = ShortenCaption(in.Caption, room.cx, in.WordWrap, drawnWidth, &out.CaptionCut);
    FaceSize drawn{0, 0};
    if (!out.Caption.empty()) {
        const FaceSize extent = measure.Extent(out.Caption, room.cx);
        drawn = {std::min(extent.cx, room.cx), std::min(extent.cy, room.cy)};
    }

    // The drop-down mark is placed as part of the text or of the glyph.
    FaceSize text = drawn;
    if (in.ShowMark) {
        if (glyph.cx == 0 || glyph.cy == 0 || in.Layout == blGlyphLeft)
            text.cx += ScaleToDpi(kMarkWidth, in.Dpi);  // the triangle follows the text
        else
            glyph.cx += ScaleToDpi(kMarkGlyphGap, in.Dpi);  // the triangle follows the glyph
    }

    FacePoint glyphAt;
    FacePoint textAt;
    PlaceGlyphAndText(in, glyph, text, glyphAt, textAt);
    out.GlyphPos = {glyphAt.x + in.Rect.left, glyphAt.y + in.Rect.top};
    const int left = textAt.x + in.Rect.left;
    const int top = textAt.y + in.Rect.top;
    out.TextRect = {left, top, left + drawn.cx, top + drawn.cy};
    return out;
}

FacePoint DropMarkPosition(const FaceLayoutInput& in, const FaceLayout& layout, bool hasSource, FaceSize drawn) {
    if (in.Layout != blGlyphLeft && hasSource)
        return {layout.GlyphPos.x + drawn.cx + ScaleToDpi(kMarkAfterGlyph, in.Dpi), layout.GlyphPos.y + drawn.cy / 2};
    const FaceRect& t = layout.TextRect;
    const int x = layout.Caption.empty() ? (in.Rect.left + in.Rect.right - ScaleToDpi(kMarkSize, in.Dpi)) / 2
                                         : t.right + ScaleToDpi(kMarkAfterText, in.Dpi);
    return {x, t.top + t.Height() / 2};
}

std::vector<PixelRun> DropMarkRuns(int x, int y, int dpi) {
    // From its top row, one design pixel above the point, each row a pixel
    // narrower on each side down to the tip: a clean triangle at any scale.
    std::vector<PixelRun> runs;
    const int width = ScaleToDpi(kMarkSize, dpi);
    const int top = y - ScaleToDpi(1, dpi);
    for (int row = 0; 2 * row < width; ++row) runs.push_back({top + row, x + row, x + width - 1 - row});
    return runs;
}

bool InsideButton(int x, int y, int width, int height) { return x >= 0 && x < width && y >= 0 && y <= height; }

}  // namespace vtb
