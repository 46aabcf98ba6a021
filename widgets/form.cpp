#include "widgets/form.h"

namespace vtb {

TCustomForm::TCustomForm(TWinControl* parent, std::string name) : TWinControl(parent, std::move(name)) {}

bool TCustomForm::Active() const {
    const HWND focus = GetFocus();
    return Handle() && focus && (focus == Handle() || IsChild(Handle(), focus));
}

}  // namespace vtb
