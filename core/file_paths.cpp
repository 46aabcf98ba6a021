#include "core/file_paths.h"

namespace vtb {

namespace {

bool IsPathDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

// Index just past the last delimiter: where the file-name part starts.
std::size_t FileNameStart(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathDelimiter(path[i - 1])) return i;
    }
    return 0;
}

}  // namespace

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    const std::size_t nameStart = FileNameStart(path);
    const std::size_t dot = path.rfind('.');
    std::string result;
    if (dot != std::string_view::npos && dot >= nameStart)
        result.assign(path.substr(0, dot));
    else
        result.assign(path);
    result.append(ext);
    return result;
}

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, FileNameStart(path))); }

}  // namespace vtb
