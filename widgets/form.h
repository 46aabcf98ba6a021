// A top-level toolkit window: modal result, active control, key preview.
#pragma once

#include "widgets/control.h"

namespace vtb {

class TCustomForm : public TWinControl {
public:
    TCustomForm(TWinControl* parent, std::string name);

    int ModalResult = 0;
    bool KeyPreview = false;

    // The form's window is the thread's active window or contains the focus.
    bool Active() const;
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control) { activeControl_ = control; }

private:
    TWinControl* activeControl_ = nullptr;
};

}  // namespace vtb
