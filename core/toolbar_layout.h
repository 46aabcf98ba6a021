// The toolbar form's fixed geometry and fonts, as its form definition lays
// them out: left edges and sizes in pixels, fonts by name and pixel height.
// The form, the link placement, the configuration checker and the tests
// take them from here.
#pragma once

namespace vtb {

// Every toolbar button is as high as the form.
constexpr int kButtonHeight = 25;
// The form's width before construction sizes it to its controls.
constexpr int kFormDesignWidth = 835;

constexpr int kMainButtonLeft = 0;
constexpr int kMainButtonWidth = 100;

constexpr int kSearchBoxLeft = 105;
constexpr int kSearchBoxTop = 2;
constexpr int kSearchBoxWidth = 182;
constexpr int kSearchBoxHeight = 21;

constexpr int kSearchButtonLeft = 293;
constexpr int kSearchButtonWidth = 72;

constexpr int kSettingsButtonLeft = 365;
constexpr int kSettingsButtonWidth = 75;

// The link buttons the form holds, shown or hidden, and the search options
// of its Settings menu.
constexpr int kLinkButtonCount = 17;
constexpr int kSearchOptionCount = 7;

// The shown link buttons stand side by side from here, one slot each.
constexpr int kFirstLinkSlot = 440;
constexpr int kLinkButtonWidth = 65;
// Design-time left edges of the link buttons, which construction replaces:
// a step apart from the first slot up to the seventh, the later ones on the
// seventh's place.
constexpr int kDesignLinkStep = 55;
constexpr int kDesignLinkSteps = 6;

// The buttons stand edge to edge, the search box between the first two.
static_assert(kMainButtonLeft + kMainButtonWidth < kSearchBoxLeft &&
                  kSearchBoxLeft + kSearchBoxWidth < kSearchButtonLeft &&
                  kSearchButtonLeft + kSearchButtonWidth == kSettingsButtonLeft &&
                  kSettingsButtonLeft + kSettingsButtonWidth == kFirstLinkSlot,
              "the fixed controls overlap or leave a gap before the link buttons");

struct FontFace {
    const char* Name;
    int Height;  // pixels
    bool Bold;
};

constexpr FontFace kFormFace{"MS Sans Serif", 13, false};
constexpr FontFace kSearchBoxFace{"MS Sans Serif", 11, false};
// The Search, Settings and link buttons; the main button has it in bold.
constexpr FontFace kButtonFace{"Tahoma", 11, false};
constexpr FontFace kMainButtonFace{"Tahoma", 11, true};

}  // namespace vtb
