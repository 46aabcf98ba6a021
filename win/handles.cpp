#include "win/handles.h"

#include <vector>

namespace vtb {

UniqueBstr UniqueBstr::FromAnsi(const std::string& text) {
    UniqueBstr result;
    const int size = static_cast<int>(text.size());
    const int length = size ? MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0) : 0;
    result.s_ = SysAllocStringLen(nullptr, static_cast<UINT>(length));  // zero-terminated by the system
    if (result.s_ && length) MultiByteToWideChar(CP_ACP, 0, text.data(), size, result.s_, length);
    return result;
}

std::string Narrow(const wchar_t* text) {
    if (!text || !*text) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(length - 1));
    return narrow;
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
