#include "win/files.h"

#include "core/toolbar_error.h"
#include "win/handles.h"

namespace vtb {

std::optional<std::string> AnsiPath(const wchar_t* path) {
    bool exact = true;
    std::string text = Narrow(path ? path : L"", exact);
    if (!exact) return std::nullopt;
    return text;
}

std::string ShownPath(const wchar_t* path) { return Narrow(path); }

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
