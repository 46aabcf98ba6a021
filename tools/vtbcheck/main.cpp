// vtbcheck: the configuration checker for the service's operators.
//
//   vtbcheck [--json] [--query TEXT] [--codepage N] [--shown-link-buttons LIST] FILE.cfg [GLYPH_DIR]
//   vtbcheck --preview OUT.png [--menu main|settings] [--settings FILE.ini]
//            [--dpi N] [--toolbar-dir DIR] FILE.cfg [GLYPH_DIR]
//
// Exit status of a check: 0 clean, 1 warnings, 2 errors; 3 when the checker
// could not do its work (a wrong command line, no picture).
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "core/check/check_report.h"
#include "core/check/config_check.h"
#include "core/messages.h"
#include "tools/vtbcheck/code_pages.h"
#include "tools/vtbcheck/glyph_folder.h"
#include "tools/vtbcheck/preview.h"

namespace {
namespace fs = std::filesystem;

constexpr int kCannotRun = 3;

const char kUsage[] =
    "usage: vtbcheck [--json] [--query TEXT] [--codepage N] [--shown-link-buttons LIST]\n"
    "                FILE.cfg [GLYPH_DIR]\n"
    "       vtbcheck --preview OUT.png [--menu main|settings] [--settings FILE.ini]\n"
    "                [--dpi N] [--toolbar-dir DIR] FILE.cfg [GLYPH_DIR]\n"
    "\n"
    "Prints the toolbar that FILE.cfg builds, every error the toolbar would show\n"
    "for it and the traps it holds. Glyph files are looked up in GLYPH_DIR (by\n"
    "default the folder of FILE.cfg). Exit status: 0 clean, 1 warnings, 2 errors.\n"
    "  --json          the same as JSON\n"
    "  --query TEXT    the sample query of the search address (\"contract law\")\n"
    "  --codepage N    reads the file as a computer with code page N does (by\n"
    "                  default the system's on Windows, 1252 elsewhere)\n"
    "  --shown-link-buttons LIST\n"
    "                  the firm's ShownLinkButtons policy (\"1,2,6\"): warns of a\n"
    "                  button it names that the file does not fill\n"
    "  --preview OUT   paints the toolbar with Veltrane_ToolBar.dll itself (under\n"
    "                  Wine on Linux) and saves it as a PNG\n"
    "  --menu WHICH    with the main menu or the Settings menu open\n"
    "  --settings INI  as the user with this settings file sees it (default: every\n"
    "                  link button shown)\n"
    "  --dpi N         on a display of N dots per inch (96 is 100 %, 144 is 150 %;\n"
    "                  under Wine: on Windows the display's own)\n"
    "  --toolbar-dir   the folder with Veltrane_ToolBar.dll and vtbpreview.exe\n";

struct Options {
    bool Json = false;
    std::string Query = "contract law";
    std::optional<std::string> ShownLinkButtons;
    const vtb::CodePage* CodePage = nullptr;
    std::optional<fs::path> Preview;
    std::string Menu;
    std::optional<fs::path> Settings;
    std::optional<fs::path> ToolbarDir;
    int Dpi = 0;  // 0: the display's
    std::vector<std::string> Files;
};

constexpr int kMinDpi = 96;
constexpr int kMaxPreviewDpi = 480;  // 500 %

// The DPI given, or -1 when it is no whole number in the range.
int ParseDpi(const std::string& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int dpi = std::stoi(text);
    return dpi >= kMinDpi && dpi <= kMaxPreviewDpi ? dpi : -1;
}

bool Parse(int argc, char** argv, Options& options) {
    bool onlyFiles = false;  // after "--"
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyFiles) {
            options.Files.push_back(arg);
            continue;
        }
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "vtbcheck: " << name << " needs a value\n";
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--json") {
            options.Json = true;
        } else if (arg == "--codepage") {
            const char* v = value("--codepage");
            if (!v) return false;
            const unsigned long number = std::strtoul(v, nullptr, 10);
            options.CodePage = std::to_string(number) == v ? vtbcheck::CodePageNumbered(number) : nullptr;
            if (!options.CodePage) {
                std::cerr << "vtbcheck: code page " << v << " is not known here\n";
                return false;
            }
        } else if (arg == "--query" || arg == "--preview" || arg == "--menu" || arg == "--settings" ||
                   arg == "--toolbar-dir" || arg == "--shown-link-buttons" || arg == "--dpi") {
            const char* v = value(arg.c_str());
            if (!v) return false;
            if (arg == "--query")
                options.Query = v;
            else if (arg == "--shown-link-buttons")
                options.ShownLinkButtons = v;
            else if (arg == "--preview")
                options.Preview = fs::path(v);
            else if (arg == "--menu")
                options.Menu = v;
            else if (arg == "--settings")
                options.Settings = fs::path(v);
            else if (arg == "--dpi")
                options.Dpi = ParseDpi(v);
            else
                options.ToolbarDir = fs::path(v);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "vtbcheck: unknown option " << arg << "\n";
            return false;
        } else {
            options.Files.push_back(arg);
        }
    }
    if (options.Files.empty() || options.Files.size() > 2) {
        std::cerr << "vtbcheck: give one configuration file and, if you like, the glyph folder\n";
        return false;
    }
    if (!options.Menu.empty() && options.Menu != "main" && options.Menu != "settings") {
        std::cerr << "vtbcheck: --menu takes main or settings\n";
        return false;
    }
    if (options.Dpi < 0) {
        std::cerr << "vtbcheck: --dpi takes a number from " << kMinDpi << " to " << kMaxPreviewDpi << "\n";
        return false;
    }
    if (!options.Preview && (!options.Menu.empty() || options.Settings || options.ToolbarDir || options.Dpi)) {
        std::cerr << "vtbcheck: --menu, --settings, --dpi and --toolbar-dir go with --preview\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    Options options;
    if (!Parse(argc, argv, options)) {
        std::cerr << kUsage;
        return kCannotRun;
    }
    if (options.CodePage) vtb::SetTextCodePage(*options.CodePage);
    const fs::path config = options.Files[0];
    fs::path glyphDir = options.Files.size() > 1 ? fs::path(options.Files[1]) : config.parent_path();
    if (glyphDir.empty()) glyphDir = ".";
    std::error_code ec;
    if (!fs::is_directory(glyphDir, ec)) {
        std::cerr << "vtbcheck: " << glyphDir.string() << " is no folder\n";
        return kCannotRun;
    }

    // The toolbar's own message when it cannot open its configuration.
    std::ifstream in(config, std::ios::binary);
    if (!in || fs::is_directory(config, ec)) {
        const std::string reason = fs::is_directory(config, ec) ? "It is a folder" : std::strerror(errno);
        std::cerr << config.string()
                  << ": error: " << vtb::WithFullStop("Cannot open file \"" + config.string() + "\". " + reason)
                  << "\n";
        return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    vtbcheck::GlyphFolder glyphs(glyphDir);
    vtb::check::CheckOptions checkOptions;
    checkOptions.SampleQuery = vtbcheck::ArgumentAsUtf8(options.Query);
    checkOptions.ShownLinkButtons = options.ShownLinkButtons;
    const vtb::check::CheckResult result = vtb::check::CheckConfiguration(bytes, glyphs, checkOptions);

    if (options.Preview) {
        vtbcheck::PreviewRequest request;
        request.Output = *options.Preview;
        request.Config = config;
        request.GlyphDir = glyphDir;
        request.Menu = options.Menu;
        request.Settings = options.Settings;
        request.ToolbarDir = options.ToolbarDir;
        request.Dpi = options.Dpi;
        request.Self = vtbcheck::ProgramPath(argv[0]);
        for (const vtb::check::ButtonInfo& link : result.Toolbar.Links) {
            if (link.Configured) request.LinkButtons.push_back(link.Number);
        }
        return vtbcheck::RunPreview(request);
    }

#ifdef _WIN32
    const bool utf8 = false;  // the console shows the toolbar's own code page
#else
    const bool utf8 = true;
#endif
    const std::string name = config.string();
    std::cout << (options.Json ? vtb::check::FormatJson(result, name) : vtb::check::FormatText(result, name, utf8));
    std::cout.flush();
    return std::cout ? result.ExitCode() : kCannotRun;
}
