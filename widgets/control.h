// The toolkit the toolbar is built from: components with names and tags,
// windowless controls drawn on their parent's surface, windowed controls
// that host them, and the notifications that pass between them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win/handles.h"

namespace vtb {

// Toolkit notifications (sent with TControl::Perform).
enum : UINT {
    CM_BASE = 0xB000,
    CM_ENABLEDCHANGED = CM_BASE + 3,
    CM_CANCELMODE = CM_BASE + 4,
    CM_DIALOGCHAR = CM_BASE + 6,
    CM_VISIBLECHANGED = CM_BASE + 7,
    CM_FONTCHANGED = CM_BASE + 9,
    CM_TEXTCHANGED = CM_BASE + 18,
    CM_MOUSEENTER = CM_BASE + 19,
    CM_MOUSELEAVE = CM_BASE + 20,
    CM_SYSCOLORCHANGE = CM_BASE + 25,
    CM_DPICHANGED = CM_BASE + 26,  // the control's DPI changed: sizes and images anew
    CM_BUTTONPRESSED = CM_BASE + 81,  // GroupDownNotice: wParam group, lParam sender
    CM_CHILDINPUT = CM_BASE + 90,     // to a form's window: input in a child window, wParam its message,
                                      // lParam the message's wParam
    CN_BASE = 0xBC00,                 // + a keyboard message: the key notification
};

// A colour that is either plain RGB or, with the top bit set, a system colour
// index (0x80000000 | COLOR_xxx).
using TColor = DWORD;
constexpr TColor clWindowText = 0x80000000u | COLOR_WINDOWTEXT;
constexpr TColor clBtnFace = 0x80000000u | COLOR_BTNFACE;
constexpr TColor clBtnText = 0x80000000u | COLOR_BTNTEXT;
// Text under the pointer: blue where it stands out from the button face,
// else the scheme's colour of hot-tracked items or the button text (see
// HoverCaptionColour). Resolved when painted, like the system colours, so a
// change of scheme shows with the next paint.
constexpr TColor clHotText = 0x40000000u;
COLORREF ColorToRGB(TColor color);

class TComponent;
using TNotifyEvent = std::function<void(TComponent* sender)>;

class TComponent {
public:
    explicit TComponent(std::string name = {}) : Name(std::move(name)) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string Name;
    int Tag = 0;

    // Asks to be told (Notification) when `other` is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Let go (TToolkit::Destroy) while a handler of its thread still runs:
    // it stays until that handler has returned, out of sight from now on.
    virtual void Closing() {}

protected:
    // `component` is being destroyed; drop every reference to it.
    virtual void Notification(TComponent* component) { (void)component; }

private:
    std::vector<TComponent*> notify_;  // both directions, so neither outlives the link
};

class TControl;

// A font description with its GDI font, shared by the process, found on demand.
class TFont {
public:
    // owner hears of every change (CM_FONTCHANGED); none for a font alone.
    explicit TFont(TControl* owner = nullptr) : owner_(owner) {}

    std::string Name = "MS Sans Serif";
    int Height = 13;  // pixels of the design, at 96 DPI
    bool Bold = false;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    void Assign(const TFont& other);
    void SetStyle(const std::string& name, int height, bool bold);
    // The DPI the font is drawn at, and its height there in pixels.
    int Dpi() const { return dpi_; }
    void SetDpi(int dpi);
    int PixelHeight() const;
    HFONT Handle() const;

private:
    TControl* owner_;
    TColor color_ = clWindowText;
    int dpi_ = 96;
    mutable HFONT handle_ = nullptr;  // the process's, not this object's
    void Changed();
};

class TWinControl;

// The mouse button (MK_LBUTTON, MK_RBUTTON, MK_MBUTTON) a message presses,
// a double click included; 0 for any other message.
UINT ButtonPressedBy(UINT msg);

// A control without a window of its own: it paints on its parent's surface
// and gets its mouse input and notifications through the parent.
class TControl : public TComponent {
public:
    TControl(TWinControl* parent, std::string name);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual HWND Handle() const { return nullptr; }  // windowless

    // The DPI the control is drawn at: its window's, which the form holding
    // it keeps; and a design size (at 96 DPI) at that DPI.
    virtual int Dpi() const;
    int Scaled(int design) const;

    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    RECT BoundsRect() const { return bounds_; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    TFont Font{this};
    bool ParentFont = true;
    bool ShowHint = true;
    bool ParentShowHint = true;
    std::string Hint;
    // What the hint shows when the pointer pauses over the control; none
    // when empty.
    virtual std::string HintText() const { return ShowHint ? Hint : std::string(); }

    // Schedules a repaint of the control's area / paints it now.
    void Invalidate();
    void Repaint();

    // Paints into dc, whose origin is the control's top-left corner.
    virtual void Paint(HDC dc) { (void)dc; }

    // Mouse messages arrive with client coordinates of the control;
    // toolkit notifications with their own parameters.
    virtual LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

    // Client point to screen point and back.
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    // The parent's top-level form, if any.
    class TCustomForm* ParentForm() const;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    std::function<void(TComponent*, UINT button, int x, int y)> OnMouseDown;
    std::function<void(TComponent*, int x, int y)> OnMouseMove;
    std::function<void(TComponent*, UINT button, int x, int y)> OnMouseUp;

    // Control style: captures the mouse while a button is held on it.
    bool CaptureOnPress = true;

protected:
    virtual void Click();  // fires OnClick
    bool MouseCapture() const;
    void SetMouseCapture(bool capture);
    // A mouse button (MK_LBUTTON, MK_RBUTTON, MK_MBUTTON) pressed on the
    // control: the capture of CaptureOnPress, then OnMouseDown.
    void MouseButtonDown(UINT button, int x, int y);
    // A mouse button released; `keys` are the buttons still held: the
    // capture stays while any is, then OnMouseUp.
    void MouseButtonUp(UINT button, WPARAM keys, int x, int y);

private:
    friend class TWinControl;
    TWinControl* parent_;
    RECT bounds_{0, 0, 0, 0};
    bool visible_ = true;
    bool enabled_ = true;
};

// A control with a window. It hosts windowless child controls: it paints
// them, routes mouse messages to the one under the pointer (or to the one
// holding the capture), and broadcasts notifications to them.
class TWinControl : public TControl {
public:
    TWinControl(TWinControl* parent, std::string name);
    ~TWinControl() override;

    HWND Handle() const override { return handle_; }
    void Closing() override;

    // A window that knows its DPI holds it for the controls on it, and
    // tells them when it changes (CM_DPICHANGED, after their fonts took it).
    int Dpi() const override;
    void SetDpi(int dpi);

    // The toolkit control of a window handle, if it is one of ours.
    static TWinControl* FromHandle(HWND window);

    // Children in z-order, bottom first. Not owned.
    const std::vector<TControl*>& Controls() const { return controls_; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    // The topmost visible child at a client point (windowless and windowed;
    // disabled ones only when allowDisabled).
    TControl* ControlAtPos(POINT client, bool allowDisabled) const;

    // The shown children as a screen reader gets them, numbered from 1 in
    // z-order (on the toolbar that is their order from left to right).
    std::vector<TControl*> ShownControls() const;
    // A child's number among them; for a hidden child, the number it had
    // when shown (its place). 0 for a control that is not a child.
    LONG AccessibleChildId(const TControl* control) const;

    // The windowless child holding the mouse capture, if any.
    TControl* CaptureControl() const { return captureControl_; }

    // Sends a notification to every child control.
    void Broadcast(UINT msg, WPARAM wParam, LPARAM lParam);

    // Paints the visible windowless children that meet area.
    void PaintControls(HDC dc, const RECT& area);

    // While the control is being built: its children neither paint nor ask
    // to be painted; the end invalidates the whole window once.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();
    bool Updating() const { return updating_ > 0; }

    // Key press handling: the form's preview first, then OnKeyPress. True
    // when the key was consumed (set to 0).
    bool DoKeyPress(char& key);
    std::function<void(TComponent* sender, char& key)> OnKeyPress;
    // A dialog character (a letter typed with Alt): offered to every control
    // of the form, wherever in the form the focus is, until one takes it.
    bool DoDialogChar(WPARAM key, LPARAM data);

    TColor BackgroundColor = clBtnFace;

protected:
    // Window procedure of the control's window; the default routes paints
    // and mouse input to the windowless children.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Messages of further subclassed windows (the edit inside a combo box).
    virtual LRESULT ChildWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    // The previous procedure of the window now handled.
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // For windows of our own class: lpCreateParams of CreateWindowEx is `this`.
    static LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);
    // Subclasses a system window; the first one becomes Handle().
    void AttachSubclass(HWND handle);
    void DetachHandle();

private:
    void WindowDestroyed(HWND window);
    void FillBackground(HDC dc, const RECT& area) const;
    void PaintWindow();
    void AttachHandle(HWND handle, WNDPROC previous);
    WNDPROC PreviousProc(HWND window) const;
    static LRESULT CallDefault(WNDPROC previous, HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    TControl* MouseTarget(POINT client) const;

    HWND handle_ = nullptr;
    HWND current_ = nullptr;      // the window whose message is being handled
    WNDPROC previous_ = nullptr;  // for a subclassed system window
    std::vector<std::pair<HWND, WNDPROC>> subclassed_;
    std::vector<TControl*> controls_;
    TControl* captureControl_ = nullptr;
    int dpi_ = 0;  // 0: the parent's
    bool paintFailed_ = false;  // the last paint's error was shown
    int updating_ = 0;
    friend class TControl;
};

}  // namespace vtb
