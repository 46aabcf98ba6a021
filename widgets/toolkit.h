// The toolkit's side of a thread's message handling: one message per call,
// keyboard messages offered to the toolbar controls first, and the idle step
// that tells controls when the mouse enters and leaves them.
#pragma once

#include <windows.h>

namespace vtb {

class TControl;
class TWinControl;

class TToolkit {
public:
    // The toolkit state of the calling thread.
    static TToolkit& ForThread();

    // The toolkit window for a window handle, or the nearest one above it.
    static TWinControl* FindControl(HWND window);
    static TWinControl* FindControlAtOrAbove(HWND window);

    // Takes one message off the thread's queue and handles it; with none
    // waiting, runs the idle step and waits for the next message.
    void HandleMessage();

    // The control under the cursor now (disabled and windowless included).
    static TControl* ControlAtCursor();

    // Mouse-enter and mouse-leave notifications for the control under the cursor.
    void Idle();

    TControl* MouseControl() const { return mouseControl_; }
    void ControlDestroyed(TControl* control);

private:
    bool ProcessMessage(MSG& msg);
    bool IsKeyMessage(const MSG& msg);

    TControl* mouseControl_ = nullptr;
};

}  // namespace vtb
