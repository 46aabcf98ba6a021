#include "win/handles.h"


namespace vtb {

UniqueBstr UniqueBstr::FromAnsi(const std::string& text) { return FromWide(Widen(text)); }

UniqueBstr UniqueBstr::FromWide(const std::wstring& text) {
    UniqueBstr result;
    result.s_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return result;
}

std::string SystemErrorText(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace vtb
