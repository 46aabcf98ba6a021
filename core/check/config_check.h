// The configuration checker: what toolbar a configuration file builds, every
// error the toolbar would show for it, and the traps that build silently.
// It runs the toolbar's own reader (core/config_file.h) with a sink that
// records instead of building, and judges a file broken by the same rule as
// the update command (core/config_rule.h).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config_file.h"
#include "core/menu_command.h"
#include "core/user_settings.h"

namespace vtb::check {

enum class Severity { Error, Warning };

struct Diagnostic {
    std::size_t Line = 0;  // from 1, as editors count; 0 for the file as a whole
    Severity Level = Severity::Warning;
    std::string Message;        // for errors, the toolbar's own message box text
    std::string Detail;         // what the checker adds: which button, which file
    bool GlyphProblem = false;  // an error of a glyph file, not of the configuration
};

// A glyph file as the checker found it.
struct GlyphFile {
    enum class Status { Missing, Read, Unreadable };
    Status State = Status::Missing;
    std::string Path;       // where it was looked for or found
    std::string Bytes;      // when read
    std::string Error;      // when unreadable: the system's reason
    bool TooLarge = false;  // larger than the toolbar reads
};

// Finds the glyph file of a caption: the glyph folder, the caption, ".bmp",
// found as Windows finds files (letter case does not matter).
class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    virtual GlyphFile Find(const std::string& caption) = 0;
};

// The glyph a button shows.
struct GlyphInfo {
    enum class Kind {
        None,     // no glyph: the caption alone
        Builtin,  // the picture built into the toolbar (Search, Settings)
        File,     // a valid glyph file
    };
    Kind Source = Kind::None;
    std::string FileName;  // caption + ".bmp", for buttons that look one up
    std::string Path;
    bool Looked = false;  // a file was looked for
    bool Found = false;   // it exists
    bool Valid = false;   // and decodes
    int Width = 0;
    int Height = 0;
    int Cells = 1;
    int BitsPerPixel = 0;
    unsigned Transparent = 0;  // 0x00RRGGBB of the bottom-left pixel
};

struct ButtonInfo {
    std::string Name;  // the control: "Main_Menu_SpdButn", "SpdButn_3", ...
    int Number = 0;    // link buttons 1..17, 0 for the fixed ones
    bool Configured = false;
    std::size_t Line = 0;
    std::string Caption;
    int TargetIndex = -1;  // the target its line added
    GlyphInfo Glyph;
    std::string ShownCaption;  // the caption as the idle button draws it (estimate)
};

struct MenuEntry {
    std::size_t Line = 0;
    std::string Caption;
    int Tag = -1;  // -1: no command
    bool SubEntry = false;
    std::vector<MenuEntry> SubEntries;
};

struct SearchOptionInfo {
    std::size_t Line = 0;  // 0: not configured
    std::string Caption;
    int Tag = 0;
    bool Visible = false;
};

struct ValueLine {
    std::size_t Line = 0;  // 0: not read
    std::string Text;
};

// What the toolbar builds, up to where its construction stops.
struct ToolbarModel {
    ValueLine Version;
    ValueLine VersionNote;
    ButtonInfo Main;
    ButtonInfo Search;
    ButtonInfo Settings;
    std::array<ButtonInfo, kLinkButtonCount> Links;
    std::vector<MenuEntry> MainMenu;
    ValueLine SearchOptionsCaption;
    std::array<SearchOptionInfo, kSearchOptionCount> SearchOptions;
    std::vector<MenuEntry> SettingsEntries;
    std::array<ValueLine, 3> SearchParams;
    ValueLine UpdateURL;
    ValueLine SearchEncoding;  // the line after "[Search Encoding]"
    TargetList Targets;
    bool HasButtonsSection = false;

    bool Stopped = false;  // construction ends with an error
    Diagnostic StopError;
};

// What a menu entry does when chosen, by the toolbar's order of tests.
Command CommandOf(const MenuEntry& entry, const TargetList& targets);
const char* CommandName(Command command);  // "update", "clear history", ...

struct CheckOptions {
    std::string SampleQuery = "contract law";  // UTF-8, as typed
    // The text of the ShownLinkButtons policy the toolbar will meet, if any.
    std::optional<std::string> ShownLinkButtons;
};

struct CheckResult {
    ToolbarModel Toolbar;
    std::vector<Diagnostic> Diagnostics;  // by line
    bool UpdateAccepts = false;           // the update command takes this file
    std::string SampleQuery;    // UTF-8
    std::string SearchAddress;  // for the sample query and the first search option, as the toolbar sends it
    bool SampleSendable = true;  // false: the code page lacks a letter of the query, and nothing is sent
    bool SendsUtf8 = false;      // the query goes as UTF-8, not in the code page

    bool HasErrors() const;
    bool HasWarnings() const;
    // Errors of the file itself, glyph files aside: exactly when the update
    // command refuses the file.
    bool HasConfigurationErrors() const;
    int ExitCode() const;  // 0 clean, 1 warnings, 2 errors
};

CheckResult CheckConfiguration(std::string_view bytes, GlyphSource& glyphs, const CheckOptions& options = {});

// The caption as a button of this width draws it when the pointer is not
// over it, by the toolbar's own layout and the font table.
std::string ShownCaption(const std::string& caption, int buttonWidth, int glyphWidth, int glyphHeight, bool bold,
                         bool dropDownMark);

}  // namespace vtb::check
