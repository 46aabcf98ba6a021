// The toolkit's side of a thread's message handling: one message per call,
// keyboard messages offered to the toolbar controls first, and the idle step
// that tells controls when the mouse enters and leaves them.
//
// Every browser window runs its toolbars on a thread of its own, and windows
// of other threads and processes lie under the same pointer. So all of this
// is per thread: a thread knows only its own toolkit windows, and never
// takes a window handle of another thread for one of its controls.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

namespace vtb {

class TComponent;
class TControl;
class TWinControl;
class THintWindow;

class TToolkit {
public:
    // The toolkit state of the calling thread.
    static TToolkit& ForThread();

    // The toolkit window of this thread for a window handle, or the nearest
    // one at or above it. Windows of other threads are never ours.
    static TWinControl* FindControl(HWND window);
    static TWinControl* FindControlAtOrAbove(HWND window);

    // What one tick of a form's timer did.
    enum class TickResult {
        Handled,  // a message was taken and handled
        Skipped,  // the next message is another loop's (a key for the browser)
        Idle,     // none was waiting: the idle step ran
        Busy,     // a modal loop that is not the toolbar's own owns the queue: the idle step ran
    };
    // Takes one message off the thread's queue and handles it; with none
    // waiting, runs the idle step. While a modal loop that is not the
    // toolbar's own runs (a drop-down menu, a message box, a dialog of the
    // window holding form) the queue is left alone, and so are keyboard
    // messages for windows outside the toolbar; the idle step still runs,
    // so hover follows the pointer while a menu or a box is up.
    TickResult HandleMessage(HWND form);
    // The toolkit's handling of a key before it is translated, the same for
    // a key a tick takes and one the browser hands the band: the key
    // notification to the window holding the mouse capture, if it is one of
    // ours, else to the nearest toolbar control at or above the key's
    // window (its key events, the form's key preview, dialog characters).
    // True when a control handled the key: it is finished, neither
    // translated nor dispatched. A key for no window of ours is not routed.
    // wide: the message was read with the wide API (see KeyOfCharacter).
    static bool PreTranslateKey(const MSG& msg, bool wide);

    // How a loop reads its messages decides what a character message holds:
    // read with the wide API, a UTF-16 code unit; with the 8-bit API, a byte
    // of the code page. The key handlers take 8-bit keys: this is the key of
    // a character message, nullopt for a character the code page does not
    // write as one byte (it goes on to its window as it came).
    static std::optional<char> KeyOfCharacter(WPARAM wParam, bool wide);
    // The browser's loop reads as its windows are made: a Unicode program's
    // top-level window is Unicode. Asked once for each site.
    static bool HostReadsWide(HWND siteWindow);
    // A key the browser's loop hands the toolbar, as that loop read it:
    // offered to the toolbar's controls, else translated and dispatched.
    static void HandleHostKey(const MSG& msg, bool wide);
    // After an idle tick in the toolbar's own loop: the wait for the next
    // message (the timer's next tick at the latest).
    static void WaitForMessage() { WaitMessage(); }

    // The control under the cursor now (disabled and windowless included).
    static TControl* ControlAtCursor();

    // Mouse-enter and mouse-leave notifications for the control under the
    // cursor, and its hint. Returns whether it sent any: false when the
    // pointer is over the same control as at the last step.
    bool Idle();

    // The idle step's hint: when a control with a hint text comes under the
    // pointer and the pointer pauses there, its hint shows until the pointer
    // goes to another control or to none. EndHintOn ends it earlier for a
    // click or a key press; every message the toolkit's windows receive, and
    // every key it routes, is shown to it.
    static void EndHintOn(UINT msg);

    // While a form's timer rests, the toolkit window under the pointer, if
    // it is one of this thread's, tells when the pointer leaves it: its
    // WM_MOUSELEAVE reaches the form (see NotifyFormOfInput), so the idle
    // step's control under the pointer never stays behind.
    static void TrackLeaveUnderCursor();
    // While one of the toolbar's own menus is open, its loop reports every
    // move of the pointer (WM_ENTERIDLE to the menu's owner): a leave watch
    // armed before the menu opened would only wake that loop for nothing,
    // several times a second, for as long as the menu stays up.
    static void CancelLeaveTracking();
    // Input in a window of a form other than the form's own (the search
    // box: keys, the mouse moving or leaving, the focus) is sent on to the
    // form's window as CM_CHILDINPUT: the form hears of every input that
    // may need its timer, and of the focus coming and going.
    static void NotifyFormOfInput(const TWinControl& control, UINT msg, WPARAM wParam);

    TControl* MouseControl() const { return mouseControl_; }
    // Whether the idle step of the last idle or busy tick sent notifications.
    bool IdleMoved() const { return idleMoved_; }
    // Whether the pointer stands elsewhere than at the last idle step.
    bool PointerMovedSinceIdle() const;
    static void ControlDestroyed(TControl* control);

    // Window handles of this thread's toolkit windows.
    void RegisterWindow(HWND window, TWinControl* control);
    void UnregisterWindow(HWND window, const TWinControl* control);

    // The lifetime rule of toolkit objects: none is destroyed while a
    // handler of its thread is on the stack. Every entry from the system
    // into the toolkit (a window's procedure, a timer's callback, the idle
    // step) runs inside a HandlerScope, and Destroy is the one way a toolkit
    // object is let go: at once when no handler runs, otherwise out of sight
    // now and destroyed when the outermost scope ends, in the order handed
    // over. So no handler needs to ask whether its object still exists.
    static void Destroy(std::unique_ptr<TComponent> component);

    // Nothing refers to this thread's state any more.
    bool Unused() const;
    ~TToolkit();

    // One entry from the system into the toolkit, for its whole call.
    class HandlerScope {
    public:
        HandlerScope();
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        TToolkit& toolkit_;
    };

private:
    TToolkit() = default;
    void UpdateHint(TControl* target, bool inLoop);
    void ShowHint();
    void HideHint();
    static void CALLBACK HintPauseEnded(HWND, UINT, UINT_PTR id, DWORD);
    bool InOtherModalLoop() const;
    bool IsOutsideKey(const MSG& msg) const;
    void DestroyPending();

    TControl* mouseControl_ = nullptr;
    bool idleMoved_ = false;
    POINT idleCursor_{-1, -1};                            // where the last idle step found the pointer
    std::vector<std::pair<HWND, TWinControl*>> windows_;  // a few per toolbar
    int handlerDepth_ = 0;
    int releasing_ = 0;           // DestroyPending runs (perhaps nested in its own boxes)
    int tickDispatchDepth_ = -1;  // depth of a tick dispatching a message
    std::vector<std::unique_ptr<TComponent>> pending_;
    TControl* hintControl_ = nullptr;  // whose hint shows or is to show
    UINT_PTR hintTimer_ = 0;           // the pause before it shows
    std::unique_ptr<THintWindow> hint_;
};

}  // namespace vtb
