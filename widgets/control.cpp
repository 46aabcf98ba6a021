#include "widgets/control.h"

#include <algorithm>
#include <optional>

#include "core/caption_colour.h"
#include "core/display_scale.h"
#include "widgets/fonts.h"
#include "widgets/form.h"
#include "widgets/toolkit.h"
#include "win/module.h"

namespace vtb {
namespace {

// The messages of the pointer over a window; the wheel, just past them, goes
// to the focused window, not to the control under the pointer.
bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK; }

}  // namespace

COLORREF ColorToRGB(TColor color) {
    if (color == clHotText)
        return HoverCaptionColour(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_HOTLIGHT), GetSysColor(COLOR_BTNTEXT));
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color);
}

// ---- TComponent ----------------------------------------------------------

TComponent::~TComponent() {
    // Tell everyone linked to us, and unlink so no one calls back into us.
    const std::vector<TComponent*> linked = std::move(notify_);
    for (TComponent* other : linked) {
        auto& list = other->notify_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        other->Notification(this);
    }
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(notify_.begin(), notify_.end(), other) == notify_.end()) notify_.push_back(other);
    auto& theirs = other->notify_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    notify_.erase(std::remove(notify_.begin(), notify_.end(), other), notify_.end());
    auto& theirs = other->notify_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

// ---- TFont ---------------------------------------------------------------

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    if (owner_) owner_->Perform(CM_FONTCHANGED, 0, 0);
}

void TFont::SetStyle(const std::string& name, int height, bool bold) {
    Name = name;
    Height = height;
    Bold = bold;
    Changed();
}

void TFont::Assign(const TFont& other) {
    Name = other.Name;
    Height = other.Height;
    Bold = other.Bold;
    color_ = other.color_;
    dpi_ = other.dpi_;
    Changed();
}

void TFont::SetDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    Changed();
}

int TFont::PixelHeight() const { return ScaleToDpi(Height, dpi_); }

void TFont::Changed() {
    handle_ = nullptr;
    if (owner_) owner_->Perform(CM_FONTCHANGED, 0, 0);
}

HFONT TFont::Handle() const {
    if (!handle_) handle_ = SharedFont(Name, PixelHeight(), Bold);
    return handle_;
}

// ---- TControl ------------------------------------------------------------

TControl::TControl(TWinControl* parent, std::string name) : TComponent(std::move(name)), parent_(parent) {
    if (parent_) {
        Font.Assign(parent_->Font);
        parent_->InsertControl(this);
    }
}

TControl::~TControl() {
    TToolkit::ControlDestroyed(this);
    if (parent_) {
        if (MouseCapture()) SetMouseCapture(false);
        parent_->RemoveControl(this);
    }
}

int TControl::Dpi() const { return parent_ ? parent_->Dpi() : kDesignDpi; }

int TControl::Scaled(int design) const { return ScaleToDpi(design, Dpi()); }

void TControl::SetBounds(int left, int top, int width, int height) {
    const RECT next{left, top, left + width, top + height};
    if (EqualRect(&next, &bounds_)) return;
    if (visible_) Invalidate();
    bounds_ = next;
    if (visible_) Invalidate();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (visible_) Invalidate();
    visible_ = visible;
    if (visible_) Invalidate();
    Perform(CM_VISIBLECHANGED, visible, 0);
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->Handle() || parent_->Updating()) return;
    InvalidateRect(parent_->Handle(), &bounds_, FALSE);
}

void TControl::Repaint() {
    if (!parent_ || !parent_->Handle() || parent_->Updating() || !visible_ || !IsWindowVisible(parent_->Handle()))
        return;
    WindowDc dc(parent_->Handle());
    if (!dc.get()) return;
    const int saved = SaveDC(dc.get());
    SetViewportOrgEx(dc.get(), bounds_.left, bounds_.top, nullptr);
    IntersectClipRect(dc.get(), 0, 0, Width(), Height());
    Paint(dc.get());
    RestoreDC(dc.get(), saved);
}

UINT ButtonPressedBy(UINT msg) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return MK_LBUTTON;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        return MK_RBUTTON;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        return MK_MBUTTON;
    default:
        return 0;
    }
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (const UINT button = ButtonPressedBy(msg)) {
        MouseButtonDown(button, x, y);
        if (msg == WM_LBUTTONDBLCLK && OnDblClick) OnDblClick(this);
        return 0;
    }
    switch (msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        MouseButtonUp(msg == WM_RBUTTONUP ? MK_RBUTTON : msg == WM_MBUTTONUP ? MK_MBUTTON : MK_LBUTTON, wParam, x, y);
        return 0;
    case WM_MOUSEMOVE:
        if (OnMouseMove) OnMouseMove(this, x, y);
        return 0;
    case CM_MOUSEENTER:
        if (OnMouseEnter) OnMouseEnter(this);
        return 0;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        return 0;
    default:
        return 0;
    }
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

bool TControl::MouseCapture() const {
    return parent_ && parent_->captureControl_ == this && GetCapture() == parent_->Handle();
}

void TControl::SetMouseCapture(bool capture) {
    if (!parent_ || !parent_->Handle()) return;
    if (capture) {
        parent_->captureControl_ = this;
        SetCapture(parent_->Handle());
    } else if (parent_->captureControl_ == this) {
        parent_->captureControl_ = nullptr;
        if (GetCapture() == parent_->Handle()) ReleaseCapture();
    }
}

void TControl::MouseButtonDown(UINT button, int x, int y) {
    if (CaptureOnPress) SetMouseCapture(true);
    if (OnMouseDown) OnMouseDown(this, button, x, y);
}

void TControl::MouseButtonUp(UINT button, WPARAM keys, int x, int y) {
    if (!(keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && MouseCapture()) SetMouseCapture(false);
    if (OnMouseUp) OnMouseUp(this, button, x, y);
}

POINT TControl::ClientToScreen(POINT p) const {
    p.x += bounds_.left;
    p.y += bounds_.top;
    if (parent_ && parent_->Handle()) ::ClientToScreen(parent_->Handle(), &p);
    return p;
}

POINT TControl::ScreenToClient(POINT p) const {
    if (parent_ && parent_->Handle()) ::ScreenToClient(parent_->Handle(), &p);
    p.x -= bounds_.left;
    p.y -= bounds_.top;
    return p;
}

TCustomForm* TControl::ParentForm() const {
    for (const TControl* c = this; c; c = c->Parent()) {
        if (auto* form = dynamic_cast<TCustomForm*>(const_cast<TControl*>(c))) return form;
    }
    return nullptr;
}

// ---- TWinControl ---------------------------------------------------------

TWinControl::TWinControl(TWinControl* parent, std::string name) : TControl(parent, std::move(name)) {}

TWinControl::~TWinControl() {
    // Children are owned elsewhere; they must not call back into us.
    for (TControl* child : controls_) child->parent_ = nullptr;
    controls_.clear();
    DetachHandle();
}

int TWinControl::Dpi() const { return dpi_ ? dpi_ : TControl::Dpi(); }

void TWinControl::SetDpi(int dpi) {
    dpi = ValidDpi(dpi);
    if (dpi == Dpi()) return;
    dpi_ = dpi;
    Font.SetDpi(dpi);
    for (TControl* c : std::vector<TControl*>(controls_)) {
        c->Font.SetDpi(dpi);
        c->Perform(CM_DPICHANGED, 0, 0);
    }
}

void TWinControl::Closing() {
    if (handle_) ShowWindow(handle_, SW_HIDE);
}

void TWinControl::EndUpdate() {
    if (updating_ == 0 || --updating_ > 0) return;
    // A hidden window is painted whole when it is shown.
    if (handle_ && IsWindowVisible(handle_)) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::InsertControl(TControl* control) {
    if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) controls_.push_back(control);
}

void TWinControl::RemoveControl(TControl* control) {
    if (captureControl_ == control) captureControl_ = nullptr;
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

TControl* TWinControl::ControlAtPos(POINT client, bool allowDisabled) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        const RECT r = c->BoundsRect();
        if (PtInRect(&r, client)) return c;
    }
    return nullptr;
}

std::vector<TControl*> TWinControl::ShownControls() const {
    std::vector<TControl*> shown;
    for (TControl* c : controls_)
        if (c->Visible()) shown.push_back(c);
    return shown;
}

LONG TWinControl::AccessibleChildId(const TControl* control) const {
    LONG id = 1;
    for (const TControl* c : controls_) {
        if (c == control) return id;
        if (c->Visible()) ++id;
    }
    return 0;
}

void TWinControl::Broadcast(UINT msg, WPARAM wParam, LPARAM lParam) {
    const std::vector<TControl*> children = controls_;  // a handler may change the list
    for (TControl* c : children) c->Perform(msg, wParam, lParam);
}

void TWinControl::AttachHandle(HWND handle, WNDPROC previous) {
    handle_ = handle;
    previous_ = previous;
    TToolkit::ForThread().RegisterWindow(handle, this);
}

void TWinControl::AttachSubclass(HWND handle) {
    TToolkit::ForThread().RegisterWindow(handle, this);
    // A Unicode window (the search box) stays one: subclassed with the 8-bit
    // call, it would get every character cut to the code page.
    const auto setProc = IsWindowUnicode(handle) ? SetWindowLongPtrW : SetWindowLongPtrA;
    const auto previous =
        reinterpret_cast<WNDPROC>(setProc(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StaticWndProc)));
    subclassed_.push_back({handle, previous});
    if (!handle_) {
        handle_ = handle;
        previous_ = previous;
    }
}

void TWinControl::DetachHandle() {
    const std::vector<std::pair<HWND, WNDPROC>> subclassed = std::move(subclassed_);
    subclassed_.clear();
    for (const auto& [window, previous] : subclassed) {
        TToolkit::ForThread().UnregisterWindow(window, this);
        if (IsWindow(window))
            (IsWindowUnicode(window) ? SetWindowLongPtrW : SetWindowLongPtrA)(window, GWLP_WNDPROC,
                                                                             reinterpret_cast<LONG_PTR>(previous));
    }
    if (handle_) TToolkit::ForThread().UnregisterWindow(handle_, this);
    handle_ = nullptr;
    previous_ = nullptr;
}

void TWinControl::WindowDestroyed(HWND window) {
    TToolkit::ForThread().UnregisterWindow(window, this);
    if (window == handle_) handle_ = nullptr;
}

WNDPROC TWinControl::PreviousProc(HWND window) const {
    for (const auto& [w, previous] : subclassed_)
        if (w == window) return previous;
    return window == handle_ ? previous_ : nullptr;
}

TWinControl* TWinControl::FromHandle(HWND window) { return TToolkit::FindControl(window); }

LRESULT CALLBACK TWinControl::StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (auto* self = static_cast<TWinControl*>(create->lpCreateParams)) self->AttachHandle(window, nullptr);
    }
    TWinControl* self = FromHandle(window);
    if (!self) return CallDefault(nullptr, window, msg, wParam, lParam);
    // The entry of every message: nothing of the toolkit is destroyed under it.
    const TToolkit::HandlerScope scope;
    TToolkit::NotifyFormOfInput(*self, msg, wParam);
    TToolkit::EndHintOn(msg);
    const HWND saved = self->current_;
    self->current_ = window;
    LRESULT result = 0;
    RunAtEventBoundary([&] {
        result = window == self->handle_ ? self->WndProc(msg, wParam, lParam)
                                         : self->ChildWndProc(window, msg, wParam, lParam);
    });
    self->current_ = saved;
    if (msg == WM_NCDESTROY) self->WindowDestroyed(window);
    return result;
}

// A message goes on in the form its window reads: a Unicode window's
// characters and texts are UTF-16.
LRESULT TWinControl::CallDefault(WNDPROC previous, HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool wide = IsWindowUnicode(window) != FALSE;
    if (previous)
        return wide ? CallWindowProcW(previous, window, msg, wParam, lParam)
                    : CallWindowProcA(previous, window, msg, wParam, lParam);
    return wide ? DefWindowProcW(window, msg, wParam, lParam) : DefWindowProcA(window, msg, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND window = current_ ? current_ : handle_;
    return CallDefault(PreviousProc(window), window, msg, wParam, lParam);
}

LRESULT TWinControl::ChildWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallDefault(PreviousProc(window), window, msg, wParam, lParam);
}

void TWinControl::PaintControls(HDC dc, const RECT& area) {
    for (TControl* c : controls_) {
        if (!c->Visible() || c->Handle()) continue;
        RECT r = c->BoundsRect();
        RECT overlap;
        if (!IntersectRect(&overlap, &r, &area)) continue;
        const int saved = SaveDC(dc);
        SetViewportOrgEx(dc, r.left, r.top, nullptr);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        c->Paint(dc);
        RestoreDC(dc, saved);
    }
}

void TWinControl::FillBackground(HDC dc, const RECT& area) const {
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(BackgroundColor)));
    FillRect(dc, &area, brush.get());
}

void TWinControl::PaintWindow() {
    std::string error;
    {
        const PaintDc paint(handle_);
        try {
            if (paint.Erase()) FillBackground(paint.get(), paint.Area());
            PaintControls(paint.get(), paint.Area());
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    // Told once, after EndPaint: the box's own loop repaints the form, and a
    // failing paint would otherwise come back with every repaint.
    if (error.empty()) {
        paintFailed_ = false;
    } else if (!paintFailed_) {
        paintFailed_ = true;
        ShowErrorMessage(error);
    }
}

TControl* TWinControl::MouseTarget(POINT client) const {
    if (captureControl_ && GetCapture() == handle_) return captureControl_;
    TControl* c = ControlAtPos(client, false);
    return c && !c->Handle() ? c : nullptr;
}

bool TWinControl::DoKeyPress(char& key) {
    // A key whose handler failed goes no further: it was not pressed twice.
    try {
        if (TCustomForm* form = ParentForm(); form && form->KeyPreview && form->OnKeyPress && form != this) {
            form->OnKeyPress(form, key);
            if (key == 0) return true;
        }
        if (OnKeyPress) {
            OnKeyPress(this, key);
            if (key == 0) return true;
        }
    } catch (const std::exception& error) {
        key = 0;
        ShowErrorMessage(error.what());
        return true;
    }
    return false;
}

bool TWinControl::DoDialogChar(WPARAM key, LPARAM data) {
    TWinControl* host = ParentForm();
    if (!host) host = this;
    for (TControl* c : std::vector<TControl*>(host->controls_))
        if (c->Perform(CM_DIALOGCHAR, key, data)) return true;
    return false;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(handle_, &r);
        FillBackground(reinterpret_cast<HDC>(wParam), r);
        return 1;
    }
    case WM_PAINT:
        PaintWindow();
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != handle_) captureControl_ = nullptr;
        break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // Told by a host that passes the system's notices on (a high-contrast
        // scheme comes with both): painted with the new colours at once.
        Broadcast(CM_SYSCOLORCHANGE, 0, 0);
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        break;
    case WM_COMMAND:
        // A child control's notice goes back to the control it is about.
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child->Parent() == this)
            return SendMessageA(child->Handle(), CN_BASE + WM_COMMAND, wParam, lParam);
        break;
    case CN_BASE + WM_CHAR: {
        char key = static_cast<char>(wParam);
        return DoKeyPress(key) ? 1 : 0;
    }
    case CN_BASE + WM_SYSCHAR:
        return DoDialogChar(wParam, lParam) ? 1 : 0;
    case WM_SYSCHAR:
        // Dispatched by a host that did not offer it first.
        if (DoDialogChar(wParam, lParam)) return 0;
        break;
    default:
        if (msg >= CN_BASE + WM_KEYFIRST && msg <= CN_BASE + WM_KEYLAST) return 0;
        if (IsMouseMessage(msg)) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (TControl* target = MouseTarget(p)) {
                const RECT r = target->BoundsRect();
                target->Perform(msg, wParam, MAKELPARAM(p.x - r.left, p.y - r.top));
                return 0;
            }
        }
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

}  // namespace vtb
