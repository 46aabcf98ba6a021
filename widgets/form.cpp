#include "widgets/form.h"

#include "widgets/toolkit.h"

namespace vtb {

TCustomForm::TCustomForm(TWinControl* parent, std::string name) : TWinControl(parent, std::move(name)) {
    TToolkit::ForThread().RegisterForm(this);
}

TCustomForm::~TCustomForm() { TToolkit::ForThread().UnregisterForm(this); }

bool TCustomForm::Active() const {
    const HWND focus = GetFocus();
    return Handle() && focus && (focus == Handle() || IsChild(Handle(), focus));
}

}  // namespace vtb
