#include "win/code_page.h"

namespace vtb {
namespace {

const TSystemCodePage systemCodePage(CP_ACP);

// The text code page is the system's before any text of the module is read.
const struct SetAtStart {
    SetAtStart() { SetTextCodePage(systemCodePage); }
} setAtStart;

}  // namespace

TSystemCodePage::TSystemCodePage(UINT number) : number_(number == CP_ACP ? GetACP() : number) {
    CPINFO info{};
    known_ = GetCPInfo(number_, &info) != FALSE;
    for (unsigned b = 0; b < 256; ++b) lead_[b] = known_ && IsDBCSLeadByteEx(number_, static_cast<BYTE>(b));
}

Utf16String TSystemCodePage::ToUtf16(std::string_view text) const {
    const int size = static_cast<int>(text.size());
    const int length = size ? MultiByteToWideChar(number_, 0, text.data(), size, nullptr, 0) : 0;
    Utf16String wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(number_, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string TSystemCodePage::FromUtf16(Utf16View text, bool& exact) const {
    exact = true;
    if (text.empty()) return {};
    // UTF-8 takes no flags and no default character: it names everything.
    const bool utf8 = number_ == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const wchar_t* wide = text.data();
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const char* fallback = utf8 ? nullptr : "?";
    const int length = WideCharToMultiByte(number_, flags, wide, size, nullptr, 0, fallback, used);
    if (length <= 0) {
        exact = false;
        return std::string(text.size(), '?');
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(number_, flags, wide, size, &narrow[0], length, fallback, used);
    // And it must read back as the same text: the system may write a
    // character it cannot name without saying so.
    exact = !usedDefault && ToUtf16(narrow) == text;
    return narrow;
}

const TSystemCodePage& SystemCodePage() { return systemCodePage; }

std::wstring Widen(std::string_view text) { return TextCodePage().ToUtf16(text); }

std::string Narrow(std::wstring_view text, bool& exact) { return TextCodePage().FromUtf16(text, exact); }

std::string Narrow(const wchar_t* text) {
    bool exact = true;
    return text ? Narrow(std::wstring_view(text), exact) : std::string();
}

}  // namespace vtb
