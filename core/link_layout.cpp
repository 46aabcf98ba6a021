#include "core/link_layout.h"

namespace vtb {

std::string LinkButtonName(int number) { return "SpdButn_" + std::to_string(number); }

LinkPlacement PlaceLinkButtons(const std::array<bool, kLinkButtonCount>& visible, int slotWidth, int firstSlot) {
    // Shown buttons stand side by side in number order without gaps for
    // hidden ones; hidden buttons are not moved.
    LinkPlacement placement;
    placement.Left.fill(-1);
    for (int n = 1; n <= kLinkButtonCount; ++n) {
        if (!visible[n - 1]) continue;
        const int slot = static_cast<int>(placement.VisibleButtons.size());
        placement.Left[n - 1] = firstSlot + slot * slotWidth;
        placement.VisibleButtons.push_back(LinkButtonName(n));
    }
    return placement;
}

int ToolbarWidth(int shownCount, int slotWidth, int firstSlot) {
    return firstSlot + (shownCount > 0 ? shownCount * slotWidth : 0);
}

}  // namespace vtb
