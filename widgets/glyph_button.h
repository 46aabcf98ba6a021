// The flat, windowless push button with glyph, caption and drop-down menu
// from which every toolbar button is made.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/bitmap_file.h"
#include "core/face_layout.h"
#include "core/face_states.h"
#include "core/menu_anchor.h"
#include "widgets/control.h"
#include "widgets/face_drawing.h"
#include "widgets/menus.h"

namespace vtb {

class TButtonGlyph;

class TGlyphButton : public TControl {
public:
    TGlyphButton(TWinControl* parent, std::string name);
    ~TGlyphButton() override;

    // Published properties.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Down() const { return down_; }
    void SetDown(bool value);
    TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(TPopupMenu* menu);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // Copies the bitmap; an empty one clears the glyph.
    void SetGlyph(const DecodedBitmap& bitmap);
    // Shares a decoded glyph file.
    void SetGlyph(std::shared_ptr<const DecodedBitmap> bitmap);
    // Reads a .bmp file into Glyph. Throws ToolbarError "Bitmap image is not
    // valid" or "Cannot open file "%s". %s".
    void LoadGlyphFromFile(const std::string& path);
    bool HasGlyph() const;
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    std::uint16_t InitPause = 500;
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool value);
    TDropDownMenuPos MenuPosition = dmpBottom;
    int ModalResult = 0;
    int NumGlyphs() const;
    void SetNumGlyphs(int value);
    std::uint16_t RepeatInterval = 100;
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const;
    void SetWordWrap(bool value);

    // OnClick, with the parent form's modal result set first.
    void FireClick();

    TButtonFaceState FaceState() const { return faceState_; }
    bool IsHovered() const { return isHovered_; }
    bool IsTracking() const { return isTracking_; }
    bool IsMenuShowing() const { return isMenuShowing_; }
    // The painter of glyph, caption and drop-down mark.
    TButtonGlyph& FaceGlyph() const { return *faceGlyph_; }

    // The button as a screen reader sees it: STATE_SYSTEM_ bits (no
    // visibility: a hidden button is no child at all).
    DWORD AccessibleState() const;

    // What a click does, without the mouse: a button with a drop-down menu
    // opens it under itself, pressed while it is open, its first entry
    // selected for the arrow keys; any other fires its click. A disabled or
    // hidden button, or one already pressed, does nothing.
    void Activate();

    // Whether the pointer is over the button now, with the enter or leave
    // event when that changed (a parent built under the pointer asks once).
    void CheckHover();

    void Paint(HDC dc) override;
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The whole caption, read out, while the face shows it cut; none while
    // it fits.
    std::string HintText() const override;

protected:
    // Everything a face is composed from, compared whole as the key of the
    // composed faces: composition reads nothing of the button beyond it, so
    // an input added here is in the key by construction.
    struct FaceInputs {
        // Plain values, compared byte for byte (see SameValues).
        struct Values {
            TButtonFaceState faceState, paintState, glyphState;
            bool showMark, flat, transparent, fontBold, wordWrap;
            int width, height;
            int dpi;         // frames, mark and glyph are drawn at it
            int fontHeight;  // pixels, at dpi
            COLORREF fontColor;
            unsigned glyphVersion;  // the glyph's source and cells
            TButtonLayout layout;
            int margin, spacing;
            TButtonStyle style;
            TAlignment alignment;
            std::array<COLORREF, 5> systemColors;  // face, highlight, shadow, frame, text
        };
        struct Texts {
            std::string caption;
            std::string fontName;
        };
        Values values{};
        Texts texts;
        bool operator==(const FaceInputs& other) const;
    };
    // Glyph, caption and drop-down mark inside rect.
    virtual void PaintContents(const FaceCanvas& canvas, RECT rect, const FaceInputs& face);
    void Notification(TComponent* component) override;

private:
    enum class MouseButton { Left, Right, Middle };
    static constexpr UINT KeyCode(MouseButton button) {
        return button == MouseButton::Left ? MK_LBUTTON : button == MouseButton::Right ? MK_RBUTTON : MK_MBUTTON;
    }
    class TRepeatTimer;

    void Press(MouseButton button, int x, int y);
    void Release(MouseButton button, WPARAM keys, int x, int y);
    void FinishPress(MouseButton button, int x, int y);
    void TrackPointer(int x, int y);
    // From the keyboard, the menu opens with its first entry selected.
    bool ShowDropDownMenu(POINT anchor, bool fromKeyboard = false);
    void DropClosingClick();
    void MouseEntered();
    void MouseLeft();
    void RecheckHover();
    bool ParentUpdating() const;
    void HoverChanged(bool hovered);
    void NotifyGroup();
    void GroupDownNotice(WPARAM group, LPARAM sender);
    bool DialogChar(WPARAM key);
    void EndActivation();
    // Tells screen readers of a change: the state when it differs from what
    // they were last told, or the name, showing and hiding. The one place
    // the button's events are raised.
    void AccessibleChanged(DWORD event = EVENT_OBJECT_STATECHANGE);
    void StartAutoRepeat();
    void StopAutoRepeat();
    void RepeatTick();
    void PaintParentBackground(HDC buffer);

    // An unchanged face is copied from the cache in one operation.
    struct CachedFace {
        FaceInputs inputs;
        DibBitmap bitmap;
        bool captionCut;
    };
    FaceInputs CurrentFace(TButtonFaceState paintState, TButtonFaceState glyphState, bool showMark) const;
    // Draws the face into surface, the bitmap selected into the memory
    // device context.
    void ComposeFace(const FaceInputs& face, DibBitmap& surface);
    void PrepareStateImage();
    POINT MenuAnchor() const;

    std::unique_ptr<TButtonGlyph> faceGlyph_;
    std::unique_ptr<TRepeatTimer> autoRepeatTimer_;
    // The composed faces, most recently used first, and the memory device
    // context they are drawn in and copied from (kept, not made per paint).
    std::vector<CachedFace> faces_;
    UniqueDc bufferDc_;
    HGDIOBJ defaultBitmap_ = nullptr;  // the context's own, selected while faces change
    std::string caption_;
    TPopupMenu* dropDownMenu_ = nullptr;
    TButtonFaceState faceState_ = TButtonFaceState::bfsUp;
    TButtonLayout layout_ = blGlyphTop;
    TButtonStyle style_ = bsAutoDetect;
    int groupIndex_ = 0;
    int margin_ = -1;
    int spacing_ = 1;
    bool allowAllUp_ = false;
    bool allowTimer_ = false;
    bool down_ = false;
    bool flat_ = false;
    bool grayedInactive_ = true;
    bool markDropDown_ = true;
    bool transparent_ = false;
    bool isHovered_ = false;
    bool isTracking_ = false;
    bool isMenuShowing_ = false;
    bool paintingCopy_ = false;  // the parent paints into this button's buffer
    bool captionCut_ = false;    // the face on screen shows part of the caption
    DWORD reportedState_ = 0;    // the state screen readers were last told
};

// The window active for the user is one of this thread's top-level windows.
bool ActiveWindowInThread();

// A character in the code page's upper case: how an accelerator is matched
// with the key pressed, and how its key is named.
char UpperAnsi(char c);

// Removes the first queued message of that kind from the thread's queue.
bool DropQueuedMessage(UINT msg);

}  // namespace vtb
