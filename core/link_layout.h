// Placement of the shown link buttons after the Settings button.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/toolbar_layout.h"
#include "core/user_settings.h"

namespace vtb {

// "SpdButn_1" .. "SpdButn_17"
std::string LinkButtonName(int number);

struct LinkPlacement {
    std::vector<std::string> VisibleButtons;   // names, in number order
    std::array<int, kLinkButtonCount> Left{};  // new left edge; -1 = not moved
};

// The shown buttons side by side from firstSlot (the design's 440 at the
// form's DPI), every slot slotWidth wide.
LinkPlacement PlaceLinkButtons(const std::array<bool, kLinkButtonCount>& visible, int slotWidth,
                               int firstSlot = kFirstLinkSlot);

// firstSlot + slots, or firstSlot with none shown.
int ToolbarWidth(int shownCount, int slotWidth, int firstSlot = kFirstLinkSlot);

}  // namespace vtb
