// The rules of a glyph button's face that need no drawing surface: where
// glyph, caption and drop-down mark go, how a caption is cut to fit, which
// state the face and the glyph show, and the gray mapping of idle images.
// Text is measured through callbacks so that the rules run anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtb {

enum class TButtonFaceState : std::uint8_t {
    bfsUp = 0,
    bfsDisabled = 1,
    bfsPressed = 2,
    bfsLatched = 3,
    bfsIdle = 4,  // paint only: a flat button the mouse is not over
};
constexpr int kFaceStateCount = 5;

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TDropDownMenuPos { dmpBottom, dmpRight };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The pop-up menu's own alignment, in the order of the menu's enumeration.
enum class MenuAlign { Left = 0, Right = 1, Center = 2 };

struct FacePoint {
    int x = 0;
    int y = 0;
};
struct FaceSize {
    int cx = 0;
    int cy = 0;
};
struct FaceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

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
std::string ShortenToWidth(const std::string& text, int width,
                           const std::function<int(const std::string&)>& lineWidth);

// The caption as it is drawn in a space `width` wide: at most 255 characters;
// without word wrap each line is shortened on its own and trailing blanks and
// control characters go.
std::string ShortenCaption(const std::string& caption, int width, bool wordWrap,
                           const std::function<int(const std::string&)>& lineWidth);

struct FaceLayoutInput {
    FaceRect Rect;     // the face inside its frame
    FaceSize Glyph;    // one cell of the glyph; 0 x 0 without one
    std::string Caption;
    TButtonLayout Layout = blGlyphTop;
    int Margin = -1;   // -1: centre the group
    int Spacing = 1;   // -1: spread evenly
    bool ShowMark = false;
    bool WordWrap = false;
};

struct FaceLayout {
    FacePoint GlyphPos;
    FaceRect TextRect;  // where the shortened caption is drawn
    std::string Caption;  // shortened
};

FaceLayout LayoutFace(const FaceLayoutInput& in, const TextMeasure& measure);

// Top-left of the drop-down triangle. drawn is the size of the glyph image
// actually drawn (0 x 0 when none was).
FacePoint DropMarkPosition(const FaceLayoutInput& in, const FaceLayout& layout, bool hasSource,
                           FaceSize drawn);

// One horizontal run of the drop-down triangle, both ends included.
struct PixelRun {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
};
std::vector<PixelRun> DropMarkRuns(int x, int y);

// The client point under which a drop-down menu opens; (0, 0) without a menu.
FacePoint MenuAnchorPoint(bool hasMenu, TDropDownMenuPos position, MenuAlign align, int width,
                          int height);

// The button counts the row just below it as inside, its right edge not.
bool InsideButton(int x, int y, int width, int height);

// The accelerator of a caption: the character after a lone "&" ("&&" is a
// literal ampersand); the last one counts; 0 without one.
char CaptionAccelerator(const std::string& caption);

// A caption as it is read out: every lone "&" dropped, "&&" one "&".
std::string CaptionWithoutAccelerator(const std::string& caption);

// What a screen reader announces for a button: its caption without the
// accelerator marker, or placeName when that leaves nothing but blanks.
std::string AnnouncedName(const std::string& caption, const std::string& placeName);

// Pixels as 0x00RRGGBB. Key colour and face colour stay; every other colour
// becomes its luminance gray.
std::uint32_t GrayColor(std::uint32_t rgb, std::uint32_t keyColor, std::uint32_t faceColor);

// The cell count a bitmap of this size gets: width / height when that is a
// whole number of at most 5 cells, 1 for more cells, else unchanged.
int CellCountFor(int width, int height, int current);

// How a state's image is made from the glyph.
struct StateImageRecipe {
    enum Kind { Cell, Embossed, Grayed };
    TButtonFaceState Slot = TButtonFaceState::bfsUp;  // the state whose slot holds it
    Kind Source = Cell;
    int CellIndex = 0;  // for Cell
};
StateImageRecipe RecipeForState(TButtonFaceState state, int cellCount);

// Face-state rules of painting.
// The stored state as a paint leaves it: disabled is taken on and left here.
TButtonFaceState FaceStateAtPaint(TButtonFaceState face, bool enabled, bool down, int groupIndex);
// Idle for a flat button the pointer is not over.
TButtonFaceState PaintStateFor(TButtonFaceState face, bool flat, bool hovered);
bool FaceIsFramed(TButtonFaceState face, TButtonFaceState paint);
bool FaceIsSunken(TButtonFaceState face);
bool FaceIsCheckered(TButtonFaceState face, TButtonFaceState paint, bool flat, bool transparent);
TButtonFaceState GlyphStateFor(TButtonFaceState face, TButtonFaceState paint, bool grayedInactive);
// The face while a press is tracked and the pointer moves.
TButtonFaceState TrackingState(bool down, bool inside);
// New look: bsNew, or auto-detect on a system of major version 4 or later.
bool IsNewLook(TButtonStyle style, int systemMajorVersion);

}  // namespace vtb
