#include "core/check/button_font.h"

namespace vtb::check {

int TextWidth(const ButtonFontTable& font, std::string_view text) {
    int width = 0;
    for (const char c : text) width += font.Widths[static_cast<unsigned char>(c)];
    return width;
}

}  // namespace vtb::check
