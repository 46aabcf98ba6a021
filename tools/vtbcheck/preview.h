// vtbcheck --preview: the toolbar that Veltrane_ToolBar.dll itself builds
// from a configuration, painted by the DLL and saved as a PNG. The DLL runs
// in vtbpreview.exe, from a temporary folder holding a copy of the DLL, the
// configuration, the glyphs and a settings file; on Linux under Wine.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vtbcheck {

struct PreviewRequest {
    std::filesystem::path Output;  // the PNG to write
    std::filesystem::path Config;
    std::filesystem::path GlyphDir;
    std::string Menu;                                 // "", "main" or "settings"
    std::optional<std::filesystem::path> Settings;    // a user's settings file; none: all link buttons shown
    std::vector<int> LinkButtons;                     // configured link buttons, shown without a settings file
    std::optional<std::filesystem::path> ToolbarDir;  // where Veltrane_ToolBar.dll and vtbpreview.exe are
    int Dpi = 0;                                      // the display's DPI; 0: as it is (96 under Wine)
    std::filesystem::path Self;                       // this program, to find them beside it
};

// 0: written; 3: no picture could be made (said on stderr).
int RunPreview(const PreviewRequest& request);

// ---- Between the shared and the platform parts -------------------------

extern const char kPreviewName[];

// The folder with the DLL and the preview program, or nullopt (said on stderr).
std::optional<std::filesystem::path> FindToolbarDir(const PreviewRequest& request);

// The platform parts (preview_posix.cpp, preview_windows.cpp):
// Runs vtbpreview.exe in the staged folder, on a display of dpi (0: as it
// is); true when it exited with 0. Says what went wrong on stderr.
bool RunPreviewProgram(const std::filesystem::path& stage, const std::string& menu, int dpi);

// This program's own file.
std::filesystem::path ProgramPath(const char* argv0);

}  // namespace vtbcheck
