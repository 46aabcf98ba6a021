// Text widths in the toolbar buttons' font ("Tahoma", 11 pixels), so that
// the configuration checker can tell which captions a button shortens
// without a drawing surface. The table holds GDI's widths under Wine;
// where the system's font differs, the figures are an estimate.
#pragma once

#include <string_view>

namespace vtb::check {

struct ButtonFontTable {
    int Height;       // of one line of text
    int Widths[256];  // of each 8-bit character (Windows-1252)
};

extern const ButtonFontTable kButtonFont;      // link buttons, Search, Settings
extern const ButtonFontTable kButtonFontBold;  // the service's main button

int TextWidth(const ButtonFontTable& font, std::string_view text);

}  // namespace vtb::check
