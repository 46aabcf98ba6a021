// The toolbar's configuration file: its section headers, record fields and
// the section passes that hand every value to the form in reading order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_store.h"
#include "core/toolbar_error.h"

namespace vtb {

// The six section headers, in reading order. A header line is exactly one
// of them, byte for byte.
inline constexpr char kButtonsHeader[] = "[Buttons]";
inline constexpr char kMainMenuHeader[] = "[Main Menu]";
inline constexpr char kSearchMenuHeader[] = "[Settings Menu - Search]";
inline constexpr char kMiscMenuHeader[] = "[Settings Menu - Misc]";
inline constexpr char kSearchParametersHeader[] = "[Search Parameters]";
inline constexpr char kUpdateUrlHeader[] = "[ToolBar Update URL]";
// Read last, and optional: earlier versions ignore it as any unknown line.
inline constexpr char kSearchEncodingHeader[] = "[Search Encoding]";
inline constexpr const char* kSectionHeaders[] = {kButtonsHeader,          kMainMenuHeader,  kSearchMenuHeader,
                                                  kMiscMenuHeader,         kSearchParametersHeader,
                                                  kUpdateUrlHeader,        kSearchEncodingHeader};
// The one value of "[Search Encoding]" that changes the encoding.
inline constexpr char kUtf8Encoding[] = "UTF-8";

// Field 1 is the text before the first "|", field 2 the text after it (the
// whole line when there is none); any other field number gives "". A "|"
// inside a two-byte character is no separator.
std::string SplitField(std::string_view line, int which);

// The targets of one construction, in reading order.
using TargetList = std::vector<std::string>;
using SharedTargets = std::shared_ptr<const TargetList>;

// The form side of construction. The reader calls these in the fixed
// reading order, after it has appended the target that the call names (tag
// is that target's index). A method may throw ToolbarError to end the
// construction there.
class ConfigSink {
public:
    virtual ~ConfigSink() = default;
    // "[Buttons]": the main button's glyph is loaded before its target is
    // appended, so it gets no tag.
    virtual void MainButton(const std::string& caption) = 0;
    virtual void SearchButton(const std::string& caption, int tag) = 0;
    virtual void SettingsButton(const std::string& caption, int tag) = 0;
    virtual void LinkButton(int number, const std::string& caption, int tag) = 0;  // 1..17
    // "[Main Menu]": tag is -1 for an entry without a command.
    virtual void MainMenuEntry(const std::string& caption, int tag, bool subEntry) = 0;
    // "[Settings Menu - Search]"
    virtual void SearchOptionsCaption(const std::string& caption) = 0;
    virtual void SearchOption(int number, const std::string& caption, int tag) = 0;  // 1..7
    // "[Settings Menu - Misc]": tag is -1 for an entry without a command.
    virtual void SettingsMenuEntry(const std::string& caption, int tag) = 0;

    // Where the reader is, for tools that report by line; the form needs
    // none of them. Lines count from 0.
    // A header line starts a section; its values follow.
    virtual void SectionHeader(const std::string& header, std::size_t line) {
        (void)header;
        (void)line;
    }
    // The next call, value or error comes from this line.
    virtual void LayoutLine(std::size_t line) { (void)line; }
    // The count line converted to this number.
    virtual void CountLine(std::size_t line, std::int32_t count) {
        (void)line;
        (void)count;
    }
};

// The most entries one construction makes in each of the two menus the file
// fills: the main menu (entries and sub-entries together) and the entries
// added to the Settings menu. Sections that repeat a header each read on to
// the end of the file, so without a bound a file of a few dozen kilobytes
// asks for millions of entries; no usable menu comes near this many.
constexpr std::size_t kMaxMenuEntries = 4096;

// Module-wide values that a construction reads; members it does not reach
// keep what they held.
struct ConfigValues {
    std::string ConfigVersion;
    std::string ConfigVersionNote;
    std::string SearchParam1;
    std::string SearchParam2;
    std::string SearchParam3;
    std::string UpdateURL;
    // The line after "[Search Encoding]"; each construction sets it, empty
    // without the section (the query goes in the code page).
    std::string SearchEncoding;
};

// A query goes to the service as UTF-8 only when the file says so exactly.
inline bool SendsUtf8(const ConfigValues& values) { return values.SearchEncoding == kUtf8Encoding; }

// Runs the passes over a loaded line store. Targets are appended to urls as
// their lines are read; values goes the module-wide strings. Throws
// ToolbarError on a bad count line or a sub-entry with no entry above it.
void ReadConfiguration(const LineStore& lines, TargetList& urls, ConfigValues& values, ConfigSink& sink);

}  // namespace vtb
