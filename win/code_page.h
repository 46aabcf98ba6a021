// The system's ANSI code page, in which the toolbar's 8-bit texts are, and
// the one conversion between them and UTF-16 that every COM call, path and
// window text goes through.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/code_page.h"

namespace vtb {

// A code page of the system by its number (CP_ACP for the ANSI code page).
class TSystemCodePage : public CodePage {
public:
    explicit TSystemCodePage(UINT number);
    unsigned Number() const override { return number_; }
    bool IsLeadByte(unsigned char byte) const override { return lead_[byte]; }
    Utf16String ToUtf16(std::string_view text) const override;
    std::string FromUtf16(Utf16View text, bool& exact) const override;
    // The system knows the code page.
    bool Known() const { return known_; }

private:
    UINT number_;
    bool known_;
    bool lead_[256] = {};
};

// The ANSI code page; the text code page of the process from its start.
const TSystemCodePage& SystemCodePage();

// 8-bit text of the ANSI code page as UTF-16, and back: "?" for a
// character the code page lacks, no look-alikes; exact says whether every
// character had its own code.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text, bool& exact);
std::string Narrow(const wchar_t* text);  // null reads as ""

}  // namespace vtb
