// What the administrator's policies do to a toolbar as it is built.
#include "toolbar/band_form.h"
#include "toolbar/module_values.h"
#include "toolbar/policies.h"

namespace vtb {

void TBandForm::ApplyPolicies(LoadedSettings& loaded, const PolicyHives& read) {
    std::array<std::string, kSearchOptionCount> optionTexts;
    const TargetList& urls = URLList();
    // Only the options the configuration made count; a hidden one has no method.
    for (int k = 0; k < kSearchOptionCount; ++k) {
        const int tag = SearchOption[k]->Tag;
        if (SearchOption[k]->Visible && tag >= 0 && static_cast<std::size_t>(tag) < urls.size())
            optionTexts[k] = urls[static_cast<std::size_t>(tag)];
    }
    ownChoices_ = ApplyPoliciesOnLoad(policies_, optionTexts, loaded, fixedOption_);
    if (fixedOption_ > 0)
        for (TMenuItem* option : SearchOption) option->Enabled = false;
    for (int n = 1; n <= kLinkButtonCount; ++n)
        if (policies_.FixesButton(n)) SettingsSpdButn[n - 1]->Enabled = false;
    ReportPoliciesOnce(read, fixedOption_ > 0 || !policies_.SearchMethod);
}

}  // namespace vtb
