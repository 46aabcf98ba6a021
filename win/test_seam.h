// What the tests may do to the toolbar that no user or host can: put the
// process back into the state of one that has just loaded the DLL, or make
// the system refuse what it rarely refuses. Nothing in the product calls
// these; they live beside the state they touch.
#pragma once

#include <optional>

namespace vtb::test_seam {

// Forgets the configuration, the targets and the search method every
// toolbar of the process shares.
void ResetModuleValues();

// Makes the next count glyph state images fail to build, as an image list
// refusing them would ("Unable to Replace Image").
void FailNextImageStores(int count);

// The next search box made learns the control's heights again, as the
// process's first one does when its list first drops down.
void ForgetLearnedComboHeights();

// Whether a high-contrast scheme counts as on, whatever the system says
// (Wine has none to switch on); nullopt asks the system again.
void ForceHighContrast(std::optional<bool> on);

}  // namespace vtb::test_seam
