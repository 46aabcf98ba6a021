#include "tools/vtbcheck/preview.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <system_error>

#include "core/ascii_case.h"
#include "core/identifiers.h"
#include "core/link_layout.h"
#include "tools/vtbcheck/glyph_folder.h"

namespace vtbcheck {
namespace fs = std::filesystem;

const char kPreviewName[] = "vtbpreview.exe";

namespace {

bool HoldsToolbar(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / vtb::kToolbarDllName, ec) && fs::is_regular_file(dir / kPreviewName, ec);
}

// A new, empty folder of our own; removed with everything in it.
class StageFolder {
public:
    StageFolder() {
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        std::random_device random;
        for (int attempt = 0; attempt < 20 && path_.empty(); ++attempt) {
            const fs::path candidate = base / ("vtbcheck-" + std::to_string(random()));
            if (fs::create_directory(candidate, ec) && !ec) path_ = candidate;
        }
    }
    ~StageFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    StageFolder(const StageFolder&) = delete;
    StageFolder& operator=(const StageFolder&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

bool Copy(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) std::cerr << "vtbcheck: cannot copy " << from.string() << ": " << ec.message() << "\n";
    return !ec;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The configuration, every glyph file of the glyph folder and the settings
// file, beside the DLL and the preview program.
bool Stage(const PreviewRequest& request, const fs::path& toolbarDir, const fs::path& stage) {
    if (!Copy(toolbarDir / vtb::kToolbarDllName, stage / vtb::kToolbarDllName) ||
        !Copy(toolbarDir / kPreviewName, stage / kPreviewName) || !Copy(request.Config, stage / vtb::kConfigFileName))
        return false;
    std::error_code ec;
    for (fs::directory_iterator it(request.GlyphDir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& file = it->path();
        std::error_code kind;
        if (vtb::AsciiLowered(file.extension().string()) == vtb::kGlyphExtension && fs::is_regular_file(file, kind) &&
            !Copy(file, stage / file.filename()))
            return false;
    }
    if (request.Settings) return Copy(*request.Settings, stage / vtb::kSettingsFileName);
    // Without the user's own choices: every configured link button shown.
    std::string settings = "[Settings]\r\n";
    for (int n = 1; n <= 17; ++n) {
        bool shown = false;
        for (const int link : request.LinkButtons) shown = shown || link == n;
        settings += vtb::LinkButtonName(n) + "=" + (shown ? "1" : "0") + "\r\n";
    }
    return WriteFile(stage / vtb::kSettingsFileName, settings);
}

// Width and height from the PNG's header; 0 x 0 when it is none.
void PngSize(const std::string& png, unsigned& width, unsigned& height) {
    width = height = 0;
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return;
    auto u32 = [&png](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    width = u32(16);
    height = u32(20);
}

}  // namespace

std::optional<fs::path> FindToolbarDir(const PreviewRequest& request) {
    std::vector<fs::path> candidates;
    if (request.ToolbarDir) {
        candidates.push_back(*request.ToolbarDir);
    } else {
        if (const char* dir = std::getenv("VTBCHECK_TOOLBAR_DIR"); dir && *dir) candidates.emplace_back(dir);
        const fs::path self = request.Self.parent_path();
        candidates.push_back(self);
        candidates.push_back(self / ".." / "cross");  // the project's build folders
    }
    for (const fs::path& dir : candidates) {
        if (HoldsToolbar(dir)) return dir;
    }
    std::cerr << "vtbcheck: " << vtb::kToolbarDllName << " and " << kPreviewName << " not found; looked in:";
    for (const fs::path& dir : candidates) std::cerr << " " << dir.string();
    std::cerr << " (give the folder with --toolbar-dir DIR or VTBCHECK_TOOLBAR_DIR)\n";
    return std::nullopt;
}

int RunPreview(const PreviewRequest& request) {
    const std::optional<fs::path> toolbarDir = FindToolbarDir(request);
    if (!toolbarDir) return 3;
    StageFolder stage;
    if (stage.Path().empty()) {
        std::cerr << "vtbcheck: cannot make a temporary folder\n";
        return 3;
    }
    if (!Stage(request, *toolbarDir, stage.Path())) return 3;

    const bool ran = RunPreviewProgram(stage.Path(), request.Menu, request.Dpi);
    // What the toolbar said in its message boxes, and what went wrong.
    std::string messages = ReadFile(stage.Path() / "messages.txt");
    std::size_t start = 0;
    while (start < messages.size()) {
        std::size_t end = messages.find('\n', start);
        if (end == std::string::npos) end = messages.size();
        std::string line = messages.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) std::cerr << "vtbcheck: " << line << "\n";
        start = end + 1;
    }
    const std::string png = ReadFile(stage.Path() / "preview.png");
    unsigned width = 0;
    unsigned height = 0;
    PngSize(png, width, height);
    if (!ran || width == 0) {
        std::cerr << "vtbcheck: the preview could not be made\n";
        return 3;
    }
    // Written whole under a new name, then put in place.
    fs::path part = request.Output;
    part += ".part";
    std::error_code ec;
    bool written = WriteFile(part, png);
    if (written) fs::rename(part, request.Output, ec);
    if (!written || ec) {
        fs::remove(part, ec);
        std::cerr << "vtbcheck: cannot write " << request.Output.string() << "\n";
        return 3;
    }
    std::cout << request.Output.string() << ": " << width << " x " << height << " pixels\n";
    return 0;
}

}  // namespace vtbcheck
