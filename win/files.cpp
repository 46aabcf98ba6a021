#include "win/files.h"

#include <cwchar>
#include <vector>

#include "core/toolbar_error.h"
#include "win/handles.h"

namespace vtb {

namespace {

// No best-fit mapping: a character without its own code becomes the
// default character, and says so. A code page of UTF-8 names everything.
std::string Narrow(const wchar_t* path, bool& lossy) {
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, flags, path, -1, nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
    lossy = true;
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, path, -1, text.data(), size, nullptr, utf8 ? nullptr : &usedDefault);
    text.resize(static_cast<std::size_t>(size - 1));
    // And it must read back as the same path.
    const int back = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> again(static_cast<std::size_t>(back > 0 ? back : 1), L'\0');
    if (back > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, again.data(), back);
    lossy = usedDefault || back <= 0 || std::wcscmp(again.data(), path) != 0;
    return text;
}

}  // namespace

std::optional<std::string> AnsiPath(const wchar_t* path) {
    bool lossy = true;
    std::string text = Narrow(path, lossy);
    if (lossy) return std::nullopt;
    return text;
}

std::string ShownPath(const wchar_t* path) {
    bool lossy = true;
    return Narrow(path, lossy);
}

std::string UnnameablePathText(const std::string& shown) {
    return "\"" + shown + "\" cannot be named in the system's code page";
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxSize) {
    auto cannotOpen = [&path](DWORD code) {
        return ToolbarError("Cannot open file \"" + path + "\". " + SystemErrorText(code));
    };
    const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw cannotOpen(GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) throw cannotOpen(GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > maxSize || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        throw cannotOpen(GetLastError());
    bytes.resize(read);
    return bytes;
}

}  // namespace vtb
