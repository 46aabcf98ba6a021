// The configuration checker estimates caption widths from a table of the
// button font's character widths; the table must be what GDI measures with
// the font the toolbar's buttons use.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/check/button_font.h"
#include "core/toolbar_layout.h"
#include "widgets/control.h"
#include "win/handles.h"

namespace {

int GdiWidth(HDC dc, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void ExpectTableMatches(bool bold, const vtb::check::ButtonFontTable& table) {
    vtb::TFont font;
    const vtb::FontFace& face = bold ? vtb::kMainButtonFace : vtb::kButtonFace;
    font.SetStyle(face.Name, face.Height, face.Bold);
    const vtb::UniqueDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), font.Handle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.get(), &metrics);
    EXPECT_EQ(metrics.tmHeight, table.Height);
    for (int c = 1; c < 256; ++c)
        EXPECT_EQ(GdiWidth(dc.get(), std::string(1, static_cast<char>(c))), table.Widths[c]) << "character " << c;
    for (const char* caption : {"Veltrane", "Case Lookup", "Statutes & Rules", "Terms of use", "W\xE9rterbuch \x80"})
        EXPECT_EQ(GdiWidth(dc.get(), caption), vtb::check::TextWidth(table, caption)) << caption;
    SelectObject(dc.get(), old);
}

TEST(ButtonFontTable, IsWhatGdiMeasuresWithTheButtonsFont) {
    ExpectTableMatches(false, vtb::check::kButtonFont);
    ExpectTableMatches(true, vtb::check::kButtonFontBold);
}

}  // namespace
