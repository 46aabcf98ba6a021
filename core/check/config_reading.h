// Inside the configuration checker: one reading of a file through the
// toolbar's reader into a model of the toolbar, with the line of every value.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/check/config_check.h"
#include "core/config_file.h"
#include "core/toolbar_layout.h"

namespace vtb::check {

// The sizes of the built-in glyphs.
constexpr int kSearchGlyphWidth = 20;
constexpr int kSearchGlyphHeight = 23;
constexpr int kSettingsGlyphWidth = 15;
constexpr int kSettingsGlyphHeight = 16;

// Line numbers as the operator sees them: from 1.
inline std::size_t Shown(std::size_t line) { return line + 1; }

inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

inline bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The size of one cell of the glyph a button shows; 0 x 0 without one.
void GlyphCell(const GlyphInfo& glyph, int& width, int& height);

// Glyph files, each looked up and decoded once per check.
struct GlyphLookup {
    GlyphInfo Info;
    std::string Error;  // the toolbar's message when the file cannot be used
};

class GlyphCache {
public:
    explicit GlyphCache(GlyphSource& source) : source_(source) {}
    const GlyphLookup& Get(const std::string& caption);

private:
    GlyphLookup Look(const std::string& caption);
    // The file of one name ("&Cases" and "Cases" of two captions are one).
    const GlyphFile& Find(const std::string& name);

    GlyphSource& source_;
    std::map<std::string, GlyphLookup> cache_;
    std::map<std::string, GlyphFile> files_;
};

struct SectionRecord {
    std::string Header;
    std::size_t HeaderLine = 0;
    bool HasCount = false;
    std::size_t CountLine = 0;
    std::int32_t Count = 0;
    std::optional<std::size_t> FirstRead;  // lines read after the count line
    std::optional<std::size_t> LastRead;
};

// A button as one line of the file made it.
struct ButtonLine {
    std::size_t Line = 0;
    ButtonInfo Button;
    std::string Target;  // link buttons: the target of the line
};

struct Reading {
    ToolbarModel Model;
    std::vector<SectionRecord> Sections;
    std::vector<ButtonLine> ButtonLines;
    std::vector<std::size_t> SubEntryLines;
    std::vector<Diagnostic> GlyphErrors;
    std::optional<Diagnostic> ReaderError;  // a count that does not convert, a sub-entry with no entry
    bool ReaderErrorIsCount = false;
};

// Reads the lines as the toolbar does. With stopAtFirstError the reading
// ends at a glyph error as the toolbar's construction does; otherwise glyph
// errors are noted and reading goes on.
Reading ReadModel(const LineStore& lines, GlyphCache& glyphs, bool stopAtFirstError);

// The same lines with one made harmless ("0" for a count, "|" for a menu
// entry), so that reading can go on past an error to the next one.
void Neutralise(LineStore& lines, std::size_t index, bool countLine);

}  // namespace vtb::check
