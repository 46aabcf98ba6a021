#include "core/face_layout.h"

#include <algorithm>

#include "core/caption_accelerator.h"

namespace vtb {

namespace {

constexpr int kMarkWidth = 9;     // room kept for the triangle after the text
constexpr int kMarkGlyphGap = 6;  // room kept for it after a glyph
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

FaceLayout LayoutFace(const FaceLayoutInput& in, const TextMeasure& measure) {
    FaceLayout out;
    const int cw = in.Rect.Width();
    const int ch = in.Rect.Height();
    int gw = in.Glyph.cx;
    int gh = in.Glyph.cy;
    if (gw <= 0 || gh <= 0) gw = gh = 0;  // a glyph without pixels takes no room
    int margin = in.Margin;
    int spacing = in.Spacing;
    const bool horizontal = in.Layout == blGlyphLeft || in.Layout == blGlyphRight;

    int aw = cw;
    int ah = ch;
    if (horizontal) {
        aw = cw - gw;
        if (margin != -1) aw -= margin;
        if (spacing != -1) aw -= spacing;
        if (in.ShowMark) aw -= kMarkWidth;
    } else {
        ah = ch - gh;
        if (margin != -1) ah -= margin;
        if (spacing != -1) ah -= spacing;
    }
    aw = std::max(0, aw);
    ah = std::max(0, ah);

    // A line is as wide as it is drawn: the "&" that marks an accelerator
    // takes no room of its own.
    const auto drawnWidth = [&measure](const std::string& line) {
        return measure.LineWidth(CaptionWithoutAccelerator(line));
    };
    out.Caption = ShortenCaption(in.Caption, aw, in.WordWrap, drawnWidth, &out.CaptionCut);
    int textWidth = 0;
    int textHeight = 0;
    if (!out.Caption.empty()) {
        const FaceSize extent = measure.Extent(out.Caption, aw);
        textWidth = std::min(extent.cx, aw);
        textHeight = std::min(extent.cy, ah);
    }
    int tw = textWidth;
    int th = textHeight;

    if (in.ShowMark) {
        if (gw == 0 || gh == 0 || in.Layout == blGlyphLeft)
            tw += kMarkWidth;  // the triangle follows the text
        else
            gw += kMarkGlyphGap;  // the triangle follows the glyph
    }

    FacePoint glyph;
    FacePoint text;
    if (horizontal) {
        glyph.y = ch / 2 - gh / 2;
        text.y = ch / 2 - th / 2;
    } else {
        glyph.x = cw / 2 - gw / 2;
        text.x = cw / 2 - tw / 2;
    }

    if (tw == 0 || gw == 0) spacing = 0;

    const int client = horizontal ? cw : ch;
    const int glyphSize = horizontal ? gw : gh;
    const int textSize = horizontal ? tw : th;
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
        glyph.x = margin;
        text.x = glyph.x + gw + spacing;
        break;
    case blGlyphRight:
        glyph.x = cw - margin - gw;
        text.x = glyph.x - spacing - tw;
        break;
    case blGlyphTop:
        glyph.y = margin;
        text.y = glyph.y + gh + spacing;
        break;
    case blGlyphBottom:
        glyph.y = ch - margin - gh;
        text.y = glyph.y - spacing - th;
        break;
    }

    out.GlyphPos = {glyph.x + in.Rect.left, glyph.y + in.Rect.top};
    const int left = text.x + in.Rect.left;
    const int top = text.y + in.Rect.top;
    out.TextRect = {left, top, left + textWidth, top + textHeight};
    return out;
}

FacePoint DropMarkPosition(const FaceLayoutInput& in, const FaceLayout& layout, bool hasSource, FaceSize drawn) {
    if (in.Layout != blGlyphLeft && hasSource)
        return {layout.GlyphPos.x + drawn.cx + 1, layout.GlyphPos.y + drawn.cy / 2};
    const FaceRect& t = layout.TextRect;
    const int x = layout.Caption.empty() ? (in.Rect.left + in.Rect.right - 7) / 2 : t.right + 3;
    return {x, t.top + t.Height() / 2};
}

std::vector<PixelRun> DropMarkRuns(int x, int y) {
    return {{y - 1, x, x + 6}, {y, x + 1, x + 5}, {y + 1, x + 2, x + 4}, {y + 2, x + 3, x + 3}};
}

bool InsideButton(int x, int y, int width, int height) { return x >= 0 && x < width && y >= 0 && y <= height; }

}  // namespace vtb
