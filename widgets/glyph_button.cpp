#include "widgets/glyph_button.h"

#include <windowsx.h>
#include <oleacc.h>  // STATE_SYSTEM_HASPOPUP

#include <algorithm>
#include <utility>
#include <vector>

#include "core/caption_accelerator.h"
#include "core/display_scale.h"
#include "core/glyph_images.h"
#include "core/toolbar_error.h"
#include "widgets/face_drawing.h"
#include "widgets/face_painter.h"
#include "widgets/fonts.h"
#include "widgets/form.h"
#include "widgets/glyph_file_cache.h"
#include "widgets/same_values.h"
#include "widgets/toolkit.h"
#include "win/files.h"
#include "win/locks.h"
#include "win/module.h"

namespace vtb {

namespace {

static_assert(static_cast<int>(MenuAlign::Left) == paLeft && static_cast<int>(MenuAlign::Right) == paRight &&
                  static_cast<int>(MenuAlign::Center) == paCenter,
              "menu alignments line up");

BOOL CALLBACK FindThreadWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<std::pair<HWND, bool>*>(param);
    if (window != search->first) return TRUE;
    search->second = true;
    return FALSE;  // found: stop
}

}  // namespace

char UpperAnsi(char c) {
    // CharUpperA takes a single character in the low word of its argument.
    const auto code = static_cast<ULONG_PTR>(static_cast<unsigned char>(c));
    return static_cast<char>(reinterpret_cast<ULONG_PTR>(CharUpperA(reinterpret_cast<LPSTR>(code))) & 0xFF);
}

// ---- Auto-repeat timer -------------------------------------------------------

// A thread timer whose ticks reach the button that owns it.
class TGlyphButton::TRepeatTimer {
public:
    explicit TRepeatTimer(TGlyphButton* owner) : owner_(owner) {}
    ~TRepeatTimer() { Stop(); }
    TRepeatTimer(const TRepeatTimer&) = delete;
    TRepeatTimer& operator=(const TRepeatTimer&) = delete;

    // (Re)starts with a new interval.
    void Start(UINT interval) {
        Stop();
        id_ = SetTimer(nullptr, 0, interval, &TRepeatTimer::Tick);
        if (!id_) return;
        const ExclusiveLock guard(TimersLock());
        Timers().push_back({{GetCurrentThreadId(), id_}, this});
    }
    void Stop() {
        if (!id_) return;
        KillTimer(nullptr, id_);
        const ExclusiveLock guard(TimersLock());
        auto& timers = Timers();
        const Key key{GetCurrentThreadId(), id_};
        timers.erase(std::remove_if(timers.begin(), timers.end(), [&key](const auto& t) { return t.first == key; }),
                     timers.end());
        id_ = 0;
    }

private:
    // Thread timers tick on the thread that set them; their ids are told
    // apart per thread.
    using Key = std::pair<DWORD, UINT_PTR>;
    static SlimLock& TimersLock() { return timersLock; }
    static std::vector<std::pair<Key, TRepeatTimer*>>& Timers() { return timers; }
    static SlimLock timersLock;
    static std::vector<std::pair<Key, TRepeatTimer*>> timers;
    static TRepeatTimer* Find(UINT_PTR id) {
        const SharedLock guard(TimersLock());
        const Key key{GetCurrentThreadId(), id};
        for (const auto& [seen, timer] : Timers())
            if (seen == key) return timer;
        return nullptr;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        TRepeatTimer* timer = Find(id);
        if (!timer) {
            KillTimer(nullptr, id);
            return;
        }
        const TToolkit::HandlerScope scope;
        RunAtEventBoundary([timer] { timer->owner_->RepeatTick(); });
    }

    TGlyphButton* owner_;
    UINT_PTR id_ = 0;
};

SlimLock TGlyphButton::TRepeatTimer::timersLock;
std::vector<std::pair<TGlyphButton::TRepeatTimer::Key, TGlyphButton::TRepeatTimer*>> TGlyphButton::TRepeatTimer::timers;

// ---- Construction ------------------------------------------------------------

TGlyphButton::TGlyphButton(TWinControl* parent, std::string name) : TControl(parent, std::move(name)) {
    CaptureOnPress = true;
    ParentShowHint = false;
    faceGlyph_ = std::make_unique<TButtonGlyph>(this);
    SetBounds(0, 0, 25, 25);
}

TGlyphButton::~TGlyphButton() {
    autoRepeatTimer_.reset();
    faceGlyph_.reset();
}

bool TGlyphButton::ParentUpdating() const { return Parent() && Parent()->Updating(); }

void TGlyphButton::CheckHover() { RecheckHover(); }

void TGlyphButton::PrepareStateImage() {
    using S = TButtonFaceState;
    faceGlyph_->SetDpi(Dpi());
    faceGlyph_->MakeStateImage(!Enabled() ? S::bfsDisabled : flat_ ? S::bfsIdle : S::bfsUp);
}

// ---- Properties ----------------------------------------------------------------

TAlignment TGlyphButton::Alignment() const { return faceGlyph_->Alignment; }

void TGlyphButton::SetAlignment(TAlignment value) {
    if (value == faceGlyph_->Alignment) return;
    faceGlyph_->Alignment = value;
    Invalidate();
}

void TGlyphButton::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    NotifyGroup();
}

void TGlyphButton::SetAllowTimer(bool value) {
    allowTimer_ = value;
    if (!value) autoRepeatTimer_.reset();
}

void TGlyphButton::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TGlyphButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false;
    // A down button of a group comes up only when another goes down, unless
    // the group allows all up.
    if (value == down_ || (down_ && !allowAllUp_)) return;
    down_ = value;
    if (value) {
        if (faceState_ == TButtonFaceState::bfsUp) Invalidate();
        faceState_ = TButtonFaceState::bfsLatched;
    } else {
        faceState_ = TButtonFaceState::bfsUp;
    }
    Repaint();
    AccessibleChanged();
    if (value) NotifyGroup();
    Invalidate();
}

void TGlyphButton::SetDropDownMenu(TPopupMenu* menu) {
    if (dropDownMenu_ && dropDownMenu_ != menu) RemoveFreeNotification(dropDownMenu_);
    dropDownMenu_ = menu;
    if (menu) FreeNotification(menu);
    if (markDropDown_) Invalidate();
}

void TGlyphButton::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    Invalidate();
}

void TGlyphButton::SetGlyph(const DecodedBitmap& bitmap) {
    faceGlyph_->SetSource(bitmap);
    Invalidate();
}

void TGlyphButton::SetGlyph(std::shared_ptr<const DecodedBitmap> bitmap) {
    faceGlyph_->SetSource(std::move(bitmap));
    Invalidate();
}

void TGlyphButton::LoadGlyphFromFile(const std::string& path) {
    std::shared_ptr<const DecodedBitmap> bitmap = LoadGlyphFile(path);
    if (!bitmap) throw ToolbarError("Cannot open file \"" + path + "\". " + SystemErrorText(ERROR_FILE_NOT_FOUND));
    SetGlyph(std::move(bitmap));
}

bool TGlyphButton::HasGlyph() const { return faceGlyph_->HasPixels(); }

void TGlyphButton::SetGrayedInactive(bool value) {
    if (value == grayedInactive_) return;
    grayedInactive_ = value;
    Invalidate();
}

void TGlyphButton::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    NotifyGroup();
}

void TGlyphButton::SetLayout(TButtonLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TGlyphButton::SetMargin(int value) {
    if (value == margin_ || value < -1) return;
    margin_ = value;
    Invalidate();
}

void TGlyphButton::SetMarkDropDown(bool value) {
    if (value == markDropDown_) return;
    markDropDown_ = value;
    Invalidate();
}

int TGlyphButton::NumGlyphs() const { return faceGlyph_->CellCount(); }

void TGlyphButton::SetNumGlyphs(int value) {
    if (value > kMaxGlyphCells) value = kMaxGlyphCells;
    if (value < 1 || value == faceGlyph_->CellCount()) return;
    faceGlyph_->SetCellCount(value);
    Invalidate();
}

void TGlyphButton::SetSpacing(int value) {
    if (value == spacing_) return;
    spacing_ = value;
    Invalidate();
}

void TGlyphButton::SetStyle(TButtonStyle value) {
    if (value == style_) return;
    style_ = value;
    Invalidate();
}

void TGlyphButton::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}

bool TGlyphButton::WordWrap() const { return faceGlyph_->WordWrap; }

void TGlyphButton::SetWordWrap(bool value) {
    if (value == faceGlyph_->WordWrap) return;
    faceGlyph_->WordWrap = value;
    Invalidate();
}

void TGlyphButton::FireClick() {
    if (TCustomForm* form = ParentForm()) form->ModalResult = ModalResult;
    Click();
}

void TGlyphButton::Notification(TComponent* component) {
    TControl::Notification(component);
    if (component != dropDownMenu_ || !component) return;
    // The menu is being destroyed and has already dropped its link to us.
    dropDownMenu_ = nullptr;
    if (markDropDown_) Invalidate();
}

// ---- Messages ------------------------------------------------------------------

LRESULT TGlyphButton::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (msg) {
    case WM_LBUTTONDOWN:
        Press(MouseButton::Left, x, y);
        return 0;
    case WM_LBUTTONDBLCLK: {
        if (isMenuShowing_) return 0;
        // A double-click is a second press; only a down button hears of it.
        Press(MouseButton::Left, x, y);
        if (down_ && OnDblClick) OnDblClick(this);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:  // a double-click of another button is one more press
    case WM_RBUTTONUP:
        if (msg == WM_RBUTTONUP)
            Release(MouseButton::Right, wParam, x, y);
        else
            Press(MouseButton::Right, x, y);
        RecheckHover();
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        Press(MouseButton::Middle, x, y);
        return 0;
    case WM_LBUTTONUP:
        Release(MouseButton::Left, wParam, x, y);
        return 0;
    case WM_MBUTTONUP:
        Release(MouseButton::Middle, wParam, x, y);
        return 0;
    case WM_MOUSEMOVE:
        if (OnMouseMove) OnMouseMove(this, x, y);
        if (isTracking_) TrackPointer(x, y);
        return 0;
    case CM_MOUSEENTER:
        MouseEntered();
        return 0;
    case CM_MOUSELEAVE:
        MouseLeft();
        return 0;
    case CM_ENABLEDCHANGED:
        TControl::Perform(msg, wParam, lParam);
        PrepareStateImage();
        if (!ParentUpdating()) RecheckHover();
        AccessibleChanged();
        Repaint();
        return 0;
    case CM_VISIBLECHANGED:
        TControl::Perform(msg, wParam, lParam);
        AccessibleChanged(Visible() ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
        // A parent being built checks the hover once, when it is done.
        if (Visible() && !ParentUpdating()) RecheckHover();
        return 0;
    case CM_TEXTCHANGED:
        AccessibleChanged(EVENT_OBJECT_NAMECHANGE);
        Invalidate();
        return 0;
    case CM_FONTCHANGED:
    case CM_DPICHANGED:  // the face is composed anew at the new DPI
        Invalidate();
        return 0;
    case CM_SYSCOLORCHANGE:
        // Rebuilt with the new colours when next drawn.
        faceGlyph_->ReleaseStateImages();
        Invalidate();
        return 0;
    case CM_DIALOGCHAR:
        if (DialogChar(wParam)) return 1;
        return TControl::Perform(msg, wParam, lParam);
    case CM_BUTTONPRESSED:
        GroupDownNotice(wParam, lParam);
        return 0;
    default:
        return TControl::Perform(msg, wParam, lParam);
    }
}

void TGlyphButton::Press(MouseButton button, int x, int y) {
    if (isMenuShowing_) return;  // the drop-down menu of this very press is open
    MouseButtonDown(KeyCode(button), x, y);
    if (!isHovered_ && Enabled()) {
        isHovered_ = true;
        Repaint();
    }
    if (button != MouseButton::Left || !Enabled()) {
        AccessibleChanged();
        return;
    }

    if (!down_) {
        faceState_ = TButtonFaceState::bfsPressed;
        Repaint();  // on screen before any menu opens
    }
    isTracking_ = true;
    isMenuShowing_ = true;
    AccessibleChanged();  // told before a menu's loop starts
    try {
        if (ShowDropDownMenu(MenuAnchor())) FinishPress(MouseButton::Left, x, y);
        DropClosingClick();
    } catch (...) {
        isMenuShowing_ = false;
        throw;
    }
    isMenuShowing_ = false;
    AccessibleChanged();

    if (allowTimer_) {
        if (!autoRepeatTimer_) autoRepeatTimer_ = std::make_unique<TRepeatTimer>(this);
        autoRepeatTimer_->Start(InitPause);
    }
}

POINT TGlyphButton::MenuAnchor() const {
    const MenuAlign align = dropDownMenu_ ? static_cast<MenuAlign>(dropDownMenu_->Alignment) : MenuAlign::Left;
    const FacePoint p = MenuAnchorPoint(dropDownMenu_ != nullptr, MenuPosition, align, Width(), Height());
    return {p.x, p.y};
}

bool TGlyphButton::ShowDropDownMenu(POINT anchor, bool fromKeyboard) {
    if (!dropDownMenu_ || !dropDownMenu_->AutoPopup) return false;
    if (TCustomForm* form = ParentForm(); form && form->Active() && form->ActiveControl())
        form->ActiveControl()->Perform(CM_CANCELMODE, 0, 0);
    dropDownMenu_->PopupComponent = this;
    const POINT screen = ClientToScreen(anchor);
    dropDownMenu_->Popup(static_cast<short>(screen.x), static_cast<short>(screen.y), fromKeyboard);
    return true;
}

void TGlyphButton::DropClosingClick() {
    // The click that closed the menu over this button stays queued; left
    // there, it would open the menu again.
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
    if (msg.message != WM_LBUTTONDOWN && msg.message != WM_LBUTTONDBLCLK) return;
    POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    if (msg.hwnd) ::ClientToScreen(msg.hwnd, &screen);
    const POINT client = ScreenToClient(screen);
    if (InsideButton(client.x, client.y, Width(), Height())) DropQueuedMessage(msg.message);
}

bool DropQueuedMessage(UINT msg) {
    MSG removed;
    return PeekMessageA(&removed, nullptr, msg, msg, PM_REMOVE) != FALSE;
}

void TGlyphButton::TrackPointer(int x, int y) {
    const TButtonFaceState next = TrackingState(down_, InsideButton(x, y, Width(), Height()));
    if (next == faceState_) return;
    faceState_ = next;
    AccessibleChanged();
    Repaint();
}

void TGlyphButton::Release(MouseButton button, WPARAM keys, int x, int y) {
    MouseButtonUp(KeyCode(button), keys, x, y);
    FinishPress(button, x, y);
    StopAutoRepeat();
}

void TGlyphButton::FinishPress(MouseButton button, int x, int y) {
    if (isTracking_ && button == MouseButton::Left) {
        isTracking_ = false;
        const bool inside = InsideButton(x, y, Width(), Height());
        if (groupIndex_ == 0) {
            faceState_ = TButtonFaceState::bfsUp;
            isHovered_ = false;  // RecheckHover below tells whether it still is
            if (inside)
                Repaint();
            else
                Invalidate();
        } else if (inside) {
            SetDown(!down_);
            if (down_) Repaint();
        } else if (down_) {
            // Released outside: a down button shows latched; one that is not
            // keeps the face the pointer's last move gave it (pressed when no
            // move came between press and release).
            faceState_ = TButtonFaceState::bfsLatched;
            Repaint();
        }
        AccessibleChanged();
        if (inside && !isMenuShowing_) FireClick();
    }
    RecheckHover();
}

// ---- Hover -----------------------------------------------------------------------

bool ActiveWindowInThread() {
    std::pair<HWND, bool> search{GetActiveWindow(), false};
    if (!search.first) return false;
    EnumThreadWindows(GetCurrentThreadId(), FindThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

void TGlyphButton::MouseEntered() {
    if (isHovered_ || !Enabled() || !ActiveWindowInThread()) return;
    isHovered_ = true;
    AccessibleChanged();
    if (flat_) Repaint();
    if (OnMouseEnter) OnMouseEnter(this);
}

void TGlyphButton::MouseLeft() {
    // While a press on the button is held, leaving does not end the hover.
    if (!isHovered_ || !Enabled() || isTracking_) return;
    isHovered_ = false;
    AccessibleChanged();
    if (flat_) Invalidate();
    if (OnMouseLeave) OnMouseLeave(this);
}

void TGlyphButton::RecheckHover() {
    const bool old = isHovered_;
    isHovered_ = Enabled() && TToolkit::ControlAtCursor() == this && ActiveWindowInThread();
    if (isHovered_ != old) HoverChanged(isHovered_);
}

void TGlyphButton::HoverChanged(bool hovered) {
    AccessibleChanged();
    if (hovered) {
        if (flat_) Repaint();
        if (OnMouseEnter) OnMouseEnter(this);
    } else {
        if (flat_) Invalidate();
        if (OnMouseLeave) OnMouseLeave(this);
    }
}

// ---- Screen readers ------------------------------------------------------------------

DWORD TGlyphButton::AccessibleState() const {
    DWORD state = 0;
    if (!Enabled()) state |= STATE_SYSTEM_UNAVAILABLE;
    if (isHovered_) state |= STATE_SYSTEM_HOTTRACKED;
    if (faceState_ == TButtonFaceState::bfsPressed || faceState_ == TButtonFaceState::bfsLatched || down_ ||
        isMenuShowing_)
        state |= STATE_SYSTEM_PRESSED;
    if (dropDownMenu_) state |= STATE_SYSTEM_HASPOPUP;
    return state;
}

void TGlyphButton::AccessibleChanged(DWORD event) {
    const TWinControl* parent = Parent();
    if (event == EVENT_OBJECT_STATECHANGE) {
        const DWORD state = AccessibleState();
        if (state == reportedState_) return;
        reportedState_ = state;
    }
    // A toolbar being built is told of as a whole, once it is shown; a
    // hidden button is no child, and its number is another's.
    if (!parent || !parent->Handle() || parent->Updating()) return;
    if (!Visible() && event != EVENT_OBJECT_HIDE) return;
    // A reader asks about an event after it was raised: a hidden button's
    // number already names the next button, so its going is told only as
    // the toolbar's children changing.
    if (event != EVENT_OBJECT_HIDE)
        NotifyWinEvent(event, parent->Handle(), OBJID_CLIENT, parent->AccessibleChildId(this));
    // Showing or hiding a button numbers the buttons after it anew.
    if (event == EVENT_OBJECT_SHOW || event == EVENT_OBJECT_HIDE)
        NotifyWinEvent(EVENT_OBJECT_REORDER, parent->Handle(), OBJID_CLIENT, CHILDID_SELF);
}

void TGlyphButton::Activate() {
    if (!Enabled() || !Visible() || isMenuShowing_ || isTracking_) return;
    if (!dropDownMenu_ || !dropDownMenu_->AutoPopup) {
        FireClick();
        return;
    }
    if (!down_) faceState_ = TButtonFaceState::bfsPressed;
    isMenuShowing_ = true;
    Repaint();
    AccessibleChanged();
    try {
        ShowDropDownMenu(MenuAnchor(), true);
        DropClosingClick();
    } catch (...) {
        EndActivation();
        throw;
    }
    EndActivation();
}

void TGlyphButton::EndActivation() {
    isMenuShowing_ = false;
    faceState_ = down_ ? TButtonFaceState::bfsLatched : TButtonFaceState::bfsUp;
    Invalidate();
    RecheckHover();
    AccessibleChanged();
}

// ---- Groups, accelerators, auto-repeat ---------------------------------------------

void TGlyphButton::NotifyGroup() {
    if (groupIndex_ == 0 || !Parent()) return;
    Parent()->Broadcast(CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_),
                        reinterpret_cast<LPARAM>(static_cast<TControl*>(this)));
}

void TGlyphButton::GroupDownNotice(WPARAM group, LPARAM senderParam) {
    if (static_cast<int>(group) != groupIndex_ || !Parent() || !Parent()->Handle()) return;
    auto* sender = dynamic_cast<TGlyphButton*>(reinterpret_cast<TControl*>(senderParam));
    if (!sender || sender == this) return;
    if (sender->down_ && down_) {
        down_ = false;
        faceState_ = TButtonFaceState::bfsUp;
        AccessibleChanged();
        Repaint();
    }
    allowAllUp_ = sender->allowAllUp_;  // the group shares one setting
}

bool TGlyphButton::DialogChar(WPARAM key) {
    const char accelerator = CaptionAccelerator(caption_);
    if (accelerator == 0 || !Enabled() || !Visible()) return false;
    if (UpperAnsi(static_cast<char>(key)) != UpperAnsi(accelerator)) return false;
    // What a click does: a menu button opens its menu under itself.
    Activate();
    return true;
}

void TGlyphButton::StopAutoRepeat() {
    if (autoRepeatTimer_) autoRepeatTimer_->Stop();
}

void TGlyphButton::RepeatTick() {
    autoRepeatTimer_->Start(RepeatInterval);
    if (faceState_ != TButtonFaceState::bfsPressed || !MouseCapture()) return;
    try {
        FireClick();
    } catch (...) {
        StopAutoRepeat();
        throw;
    }
}

// ---- Painting ----------------------------------------------------------------------

namespace {

UINT TextFlagsFor(TAlignment alignment) {
    // The toolkit has no right-to-left controls: no exchange, no DT_RTLREADING.
    switch (alignment) {
    case taLeftJustify:
        return DT_LEFT;
    case taRightJustify:
        return DT_RIGHT;
    case taCenter:
        break;
    }
    return DT_CENTER;
}

// A few faces per button: idle, hovered, pressed, and one more.
constexpr std::size_t kCachedFaces = 4;

}  // namespace

void TGlyphButton::PaintContents(const FaceCanvas& canvas, RECT rect, const FaceInputs& face) {
    const FaceInputs::Values& v = face.values;
    faceGlyph_->DrawFace(canvas.Dc, rect, face.texts.caption, v.layout, v.margin, v.spacing, v.showMark, v.glyphState,
                         TextFlagsFor(v.alignment), canvas.Pixels);
}

bool TGlyphButton::FaceInputs::operator==(const FaceInputs& other) const {
    static_assert(sizeof(Texts) == 2 * sizeof(std::string), "every text is compared here");
    return SameValues(values, other.values) && texts.caption == other.texts.caption &&
           texts.fontName == other.texts.fontName;
}

TGlyphButton::FaceInputs TGlyphButton::CurrentFace(TButtonFaceState paintState, TButtonFaceState glyphState,
                                                   bool showMark) const {
    FaceInputs face;
    FaceInputs::Values& v = face.values;
    v.faceState = faceState_;
    v.paintState = paintState;
    v.glyphState = glyphState;
    v.showMark = showMark;
    v.flat = flat_;
    v.transparent = transparent_;
    v.fontBold = Font.Bold;
    v.wordWrap = faceGlyph_->WordWrap;
    v.width = Width();
    v.height = Height();
    v.dpi = Dpi();
    v.fontHeight = Font.PixelHeight();
    v.fontColor = ColorToRGB(Font.Color());
    v.glyphVersion = faceGlyph_->Version();
    v.layout = layout_;
    v.margin = margin_;
    v.spacing = spacing_;
    v.style = style_;
    v.alignment = faceGlyph_->Alignment;
    v.systemColors = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW),
                      GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_BTNTEXT)};
    face.texts = {caption_, Font.Name};
    return face;
}

void TGlyphButton::ComposeFace(const FaceInputs& face, DibBitmap& surface) {
    const FaceInputs::Values& v = face.values;
    HDC buffer = bufferDc_.get();
    const SelectGuard fontSel(buffer, SharedFont(face.texts.fontName, v.fontHeight, v.fontBold));
    SetTextColor(buffer, v.fontColor);

    // Fills and frames go straight into the face's pixels.
    const FaceCanvas canvas(buffer, &surface);
    RECT r{0, 0, v.width, v.height};
    FillSolid(canvas, r, v.systemColors[0]);
    // What lies beneath is read anew: a transparent face is never reused.
    if (v.transparent) PaintParentBackground(buffer);

    // A frame line is one design pixel wide; the contents sit as far inside.
    const int line = ScaleToDpi(1, v.dpi);
    if (FaceIsFramed(v.faceState, v.paintState))
        r = DrawButtonFace(canvas, r, FaceIsSunken(v.faceState), v.flat, v.style, line);
    else if (v.flat)
        InflateRect(&r, -2 * line, -2 * line);  // no frame, the content where a frame would leave it
    if (FaceIsCheckered(v.faceState, v.paintState, v.flat, v.transparent)) {
        RECT checkered = r;
        InflateRect(&checkered, line, line);
        FillCheckered(buffer, checkered, line);
    }
    if (FaceIsSunken(v.faceState)) OffsetRect(&r, line, line);
    PaintContents(canvas, r, face);
}

void TGlyphButton::Paint(HDC dc) {
    if (paintingCopy_) return;  // this button's own place in the parent's copy
    faceState_ = FaceStateAtPaint(faceState_, Enabled(), down_, groupIndex_);
    if (!Enabled()) isTracking_ = false;
    // A menu open under the button shows it as the pointer does, however
    // the menu was opened.
    const TButtonFaceState paintState = PaintStateFor(faceState_, flat_, isHovered_ || isMenuShowing_);
    if (Width() <= 0 || Height() <= 0) return;
    faceGlyph_->SetDpi(Dpi());
    if (!bufferDc_) {
        bufferDc_.reset(CreateCompatibleDC(nullptr));
        if (!bufferDc_) return;
        defaultBitmap_ = GetCurrentObject(bufferDc_.get(), OBJ_BITMAP);
    }
    const FaceInputs face =
        CurrentFace(paintState, GlyphStateFor(faceState_, paintState, grayedInactive_), markDropDown_ && dropDownMenu_);
    const int width = face.values.width;
    const int height = face.values.height;

    // A face seen before is copied as it is; a transparent one shows what
    // lies beneath it now, so it is always composed anew.
    auto found = std::find_if(faces_.begin(), faces_.end(), [&face](const CachedFace& f) { return f.inputs == face; });
    if (face.values.transparent || found == faces_.end()) {
        // No face bitmap may be selected while one is let go.
        SelectObject(bufferDc_.get(), defaultBitmap_);
        // The least recently used face's bitmap is drawn over when it has this size.
        DibBitmap bitmap;
        if (faces_.size() >= kCachedFaces) {
            if (faces_.back().bitmap.Width == width && faces_.back().bitmap.Height == height)
                bitmap = std::move(faces_.back().bitmap);
            faces_.pop_back();
        }
        if (!bitmap.Bitmap) bitmap = CreateDib(width, height);
        faces_.insert(faces_.begin(), CachedFace{face, std::move(bitmap), false});
        SelectObject(bufferDc_.get(), faces_.front().bitmap.Bitmap.get());
        try {
            ComposeFace(face, faces_.front().bitmap);
        } catch (...) {
            SelectObject(bufferDc_.get(), defaultBitmap_);
            faces_.erase(faces_.begin());  // half a face is no face
            throw;
        }
        faces_.front().captionCut = faceGlyph_->CaptionCut();
    } else {
        if (found != faces_.begin()) std::rotate(faces_.begin(), found, found + 1);
        SelectObject(bufferDc_.get(), faces_.front().bitmap.Bitmap.get());
    }
    captionCut_ = faces_.front().captionCut;
    BitBlt(dc, 0, 0, width, height, bufferDc_.get(), 0, 0, SRCCOPY);
}

std::string TGlyphButton::HintText() const {
    if (!ShowHint || !captionCut_) return {};
    return CaptionWithoutAccelerator(caption_);
}

void TGlyphButton::PaintParentBackground(HDC buffer) {
    TWinControl* parent = Parent();
    if (!parent || !parent->Handle()) return;
    paintingCopy_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{paintingCopy_};

    // The parent's surface, lined up with the button and clipped to its client area.
    int saved = SaveDC(buffer);
    SetViewportOrgEx(buffer, -Left(), -Top(), nullptr);
    RECT client;
    GetClientRect(parent->Handle(), &client);
    IntersectClipRect(buffer, client.left, client.top, client.right, client.bottom);
    SendMessageA(parent->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(buffer), 0);
    SendMessageA(parent->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(buffer), PRF_CLIENT);
    RestoreDC(buffer, saved);

    // The windowless siblings beneath the button, bottom first.
    const RECT bounds = BoundsRect();
    const std::vector<TControl*> siblings = parent->Controls();
    for (TControl* sibling : siblings) {
        if (sibling == this) break;
        if (sibling->Handle() || !sibling->Visible()) continue;
        const RECT theirs = sibling->BoundsRect();
        RECT overlap;
        if (!IntersectRect(&overlap, &theirs, &bounds)) continue;
        saved = SaveDC(buffer);
        SetViewportOrgEx(buffer, theirs.left - bounds.left, theirs.top - bounds.top, nullptr);
        IntersectClipRect(buffer, 0, 0, theirs.right - theirs.left, theirs.bottom - theirs.top);
        sibling->Paint(buffer);
        RestoreDC(buffer, saved);
    }
}

}  // namespace vtb
