#include "core/check/config_check.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>

#include "core/bitmap_file.h"
#include "core/check/button_font.h"
#include "core/config_rule.h"
#include "core/glyph_layout.h"
#include "core/messages.h"
#include "core/search.h"

namespace vtb::check {
namespace {

// The toolbar's form: sizes of its buttons and of the built-in glyphs.
constexpr int kMainButtonWidth = 100;
constexpr int kSearchButtonWidth = 72;
constexpr int kSettingsButtonWidth = 75;
constexpr int kLinkButtonWidth = 65;
constexpr int kButtonHeight = 25;
constexpr int kSearchGlyphWidth = 20;
constexpr int kSearchGlyphHeight = 23;
constexpr int kSettingsGlyphWidth = 15;
constexpr int kSettingsGlyphHeight = 16;
// The glyph button reads no larger file.
constexpr std::size_t kMaxGlyphFileSize = 64u * 1024u * 1024u;
// Reading again after an error stops after this many errors of the file.
constexpr int kMaxReaderErrors = 50;

const char kButtons[] = "[Buttons]";
const char kMainMenu[] = "[Main Menu]";
const char kSearchMenu[] = "[Settings Menu - Search]";
const char kMiscMenu[] = "[Settings Menu - Misc]";
const char kSearchParameters[] = "[Search Parameters]";
const char kUpdateUrl[] = "[ToolBar Update URL]";
const char* const kHeaders[] = {kButtons, kMainMenu, kSearchMenu, kMiscMenu, kSearchParameters, kUpdateUrl};

const char kInvalidBitmap[] = "Bitmap image is not valid";
const char kMenuIndex[] = "Menu index out of range";

std::size_t Shown(std::size_t line) { return line + 1; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string LineRange(std::size_t first, std::size_t last)
{
    if (first == last)
        return "line " + std::to_string(Shown(first));
    return "lines " + std::to_string(Shown(first)) + " to " + std::to_string(Shown(last));
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (a != prefix[i])
            return false;
    }
    return true;
}

// The size of one cell of the glyph a button shows; 0 x 0 without one.
void GlyphCell(const GlyphInfo& glyph, int& width, int& height)
{
    width = height = 0;
    if (glyph.Source == GlyphInfo::Kind::None)
        return;
    width = glyph.Width / std::max(1, glyph.Cells);
    height = glyph.Height;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// A single "&" underlines the next letter; "&&" shows one "&".
bool HasAccelerator(const std::string& caption)
{
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (i + 1 < caption.size() && caption[i + 1] == '&')
            ++i;
        else
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Glyph files, each looked up and decoded once per check.

struct GlyphLookup {
    GlyphInfo Info;
    std::string Error;  // the toolbar's message when the file cannot be used
};

class GlyphCache {
public:
    explicit GlyphCache(GlyphSource& source) : source_(source) {}

    const GlyphLookup& Get(const std::string& caption)
    {
        auto it = cache_.find(caption);
        if (it == cache_.end())
            it = cache_.emplace(caption, Look(caption)).first;
        return it->second;
    }

private:
    GlyphLookup Look(const std::string& caption)
    {
        GlyphLookup result;
        GlyphInfo& info = result.Info;
        info.FileName = caption + ".bmp";
        info.Looked = true;
        const GlyphFile file = source_.Find(caption);
        info.Path = file.Path;
        if (file.State == GlyphFile::Status::Missing)
            return result;
        info.Found = true;
        if (file.State == GlyphFile::Status::Unreadable) {
            result.Error = "Cannot open file " + Quoted(file.Path) + ". " + file.Error;
            return result;
        }
        DecodedBitmap bitmap;
        if (file.TooLarge || file.Bytes.size() > kMaxGlyphFileSize ||
            !DecodeBitmap(reinterpret_cast<const std::uint8_t*>(file.Bytes.data()), file.Bytes.size(), bitmap)) {
            result.Error = kInvalidBitmap;
            return result;
        }
        info.Valid = true;
        info.Source = GlyphInfo::Kind::File;
        info.Width = bitmap.Width;
        info.Height = bitmap.Height;
        info.Cells = CellCountFor(bitmap.Width, bitmap.Height, 1);
        info.BitsPerPixel = bitmap.BitsPerPixel;
        if (bitmap.Width > 0 && bitmap.Height > 0)
            info.Transparent = bitmap.Monochrome ? 0xFFFFFFu : bitmap.At(0, bitmap.Height - 1);
        return result;
    }

    GlyphSource& source_;
    std::map<std::string, GlyphLookup> cache_;
};

// ---------------------------------------------------------------------------
// One reading of the file through the toolbar's reader.

struct SectionRecord {
    std::string Header;
    std::size_t HeaderLine = 0;
    bool HasCount = false;
    std::size_t CountLine = 0;
    std::int32_t Count = 0;
    std::optional<std::size_t> FirstRead;  // lines read after the count line
    std::optional<std::size_t> LastRead;
};

struct ButtonLine {
    std::size_t Line = 0;
    ButtonInfo Button;  // as this line made it
    std::string Target;
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

class ErrorStop {};  // ends a reading at the first glyph error, as the toolbar does

void InitialModel(ToolbarModel& model)
{
    model.Main.Name = "Main_Menu_SpdButn";
    model.Main.Caption = "Veltrane";
    model.Search.Name = "Search_SpdButn";
    model.Search.Caption = "Search";
    model.Search.Glyph.Source = GlyphInfo::Kind::Builtin;
    model.Search.Glyph.Width = kSearchGlyphWidth;
    model.Search.Glyph.Height = kSearchGlyphHeight;
    model.Settings.Name = "Settings_SpdButn";
    model.Settings.Caption = "Settings";
    model.Settings.Glyph.Source = GlyphInfo::Kind::Builtin;
    model.Settings.Glyph.Width = kSettingsGlyphWidth;
    model.Settings.Glyph.Height = kSettingsGlyphHeight;
    for (int n = 1; n <= kLinkButtonCount; ++n) {
        ButtonInfo& link = model.Links[static_cast<std::size_t>(n - 1)];
        link.Name = "SpdButn_" + std::to_string(n);
        link.Number = n;
    }
    model.SearchOptionsCaption.Text = "Search options";
    for (int k = 1; k <= kSearchOptionCount; ++k) {
        SearchOptionInfo& option = model.SearchOptions[static_cast<std::size_t>(k - 1)];
        option.Caption = "SearchOption_" + std::to_string(k);
        option.Visible = k <= 3;
    }
}

// Records what the reader hands over, with the line it came from.
class ModelSink : public ConfigSink {
public:
    ModelSink(const TargetList& urls, GlyphCache& glyphs, Reading& reading, bool stopAtGlyphError)
        : urls_(urls), glyphs_(glyphs), reading_(reading), model_(reading.Model),
          stopAtGlyphError_(stopAtGlyphError)
    {
    }

    std::size_t CurrentLine() const { return line_; }

    void SectionHeader(const std::string& header, std::size_t line) override
    {
        SectionRecord record;
        record.Header = header;
        record.HeaderLine = line;
        reading_.Sections.push_back(record);
        paramIndex_ = 0;
        if (header == kButtons)
            model_.HasButtonsSection = true;
    }

    void LayoutLine(std::size_t line) override
    {
        line_ = line;
        if (reading_.Sections.empty())
            return;  // the version line
        SectionRecord& section = reading_.Sections.back();
        const bool counted = section.Header != kSearchParameters && section.Header != kUpdateUrl;
        if (counted && line == section.HeaderLine + 1)
            return;  // the count line
        if (!section.FirstRead)
            section.FirstRead = line;
        section.LastRead = line;
        if (section.Header == kSearchParameters && paramIndex_ < 3)
            model_.SearchParams[paramIndex_++].Line = Shown(line);
        else if (section.Header == kUpdateUrl)
            model_.UpdateURL.Line = Shown(line);
    }

    void CountLine(std::size_t line, std::int32_t count) override
    {
        if (reading_.Sections.empty())
            return;
        SectionRecord& section = reading_.Sections.back();
        section.HasCount = true;
        section.CountLine = line;
        section.Count = count;
    }

    void MainButton(const std::string& caption) override
    {
        ButtonInfo& button = model_.Main;
        SetButton(button, caption, static_cast<int>(urls_.size()));
        LoadGlyph(button, "the main button");
        NoteButtonLine(button, urls_.size());
    }

    void SearchButton(const std::string& caption, int tag) override
    {
        SetButton(model_.Search, caption, tag);
        NoteButtonLine(model_.Search, static_cast<std::size_t>(tag));
    }

    void SettingsButton(const std::string& caption, int tag) override
    {
        SetButton(model_.Settings, caption, tag);
        NoteButtonLine(model_.Settings, static_cast<std::size_t>(tag));
    }

    void LinkButton(int number, const std::string& caption, int tag) override
    {
        ButtonInfo& button = model_.Links[static_cast<std::size_t>(number - 1)];
        SetButton(button, caption, tag);
        LoadGlyph(button, "link button " + std::to_string(number));
        NoteButtonLine(button, static_cast<std::size_t>(tag));
    }

    void MainMenuEntry(const std::string& caption, int tag, bool subEntry) override
    {
        MenuEntry entry;
        entry.Line = Shown(line_);
        entry.Caption = caption;
        entry.Tag = tag;
        entry.SubEntry = subEntry;
        if (subEntry) {
            reading_.SubEntryLines.push_back(line_);
            model_.MainMenu.back().SubEntries.push_back(entry);
        } else {
            model_.MainMenu.push_back(entry);
        }
    }

    void SearchOptionsCaption(const std::string& caption) override
    {
        model_.SearchOptionsCaption = {Shown(line_), caption};
    }

    void SearchOption(int number, const std::string& caption, int tag) override
    {
        SearchOptionInfo& option = model_.SearchOptions[static_cast<std::size_t>(number - 1)];
        option.Line = Shown(line_);
        option.Caption = caption;
        option.Tag = tag;
        option.Visible = true;
    }

    void SettingsMenuEntry(const std::string& caption, int tag) override
    {
        MenuEntry entry;
        entry.Line = Shown(line_);
        entry.Caption = caption;
        entry.Tag = tag;
        model_.SettingsEntries.push_back(entry);
    }

private:
    void SetButton(ButtonInfo& button, const std::string& caption, int targetIndex)
    {
        button.Configured = true;
        button.Line = Shown(line_);
        button.Caption = caption;
        button.TargetIndex = targetIndex;
    }

    // A glyph file that exists replaces the button's glyph; one that does
    // not leaves the glyph it had.
    void LoadGlyph(ButtonInfo& button, const std::string& which)
    {
        const GlyphLookup& lookup = glyphs_.Get(button.Caption);
        const GlyphInfo previous = button.Glyph;
        button.Glyph = lookup.Info;
        if (!lookup.Info.Found) {
            button.Glyph.Source = previous.Source;
            button.Glyph.Width = previous.Width;
            button.Glyph.Height = previous.Height;
            button.Glyph.Cells = previous.Cells;
        }
        if (lookup.Error.empty())
            return;
        Diagnostic error;
        error.Line = Shown(line_);
        error.Level = Severity::Error;
        error.Message = WithFullStop(lookup.Error);
        error.Detail = which + " " + Quoted(button.Caption) + ": " + lookup.Info.Path;
        error.GlyphProblem = true;
        reading_.GlyphErrors.push_back(error);
        if (stopAtGlyphError_)
            throw ErrorStop();
    }

    void NoteButtonLine(const ButtonInfo& button, std::size_t targetIndex)
    {
        ButtonLine record;
        record.Line = line_;
        record.Button = button;
        record.Target = targetIndex < urls_.size() ? urls_[targetIndex] : std::string();
        reading_.ButtonLines.push_back(record);
    }

    const TargetList& urls_;
    GlyphCache& glyphs_;
    Reading& reading_;
    ToolbarModel& model_;
    const bool stopAtGlyphError_;
    std::size_t line_ = 0;
    std::size_t paramIndex_ = 0;
};

// A settings file without any key: every value takes its default.
class NoSettings : public SettingsStore {
public:
    std::optional<std::string> Read(const std::string&) override { return std::nullopt; }
    void Write(const std::string&, const std::string&) override {}
    void Remove(const std::string&) override {}
};

// Applying the user's settings needs the search options' targets.
std::optional<Diagnostic> SettingsError(const ToolbarModel& model)
{
    std::array<int, kSearchOptionCount> tags{};
    for (int k = 0; k < kSearchOptionCount; ++k)
        tags[static_cast<std::size_t>(k)] = model.SearchOptions[static_cast<std::size_t>(k)].Tag;
    NoSettings settings;
    const LoadedSettings loaded = LoadSettings(settings, model.Targets, tags, std::string());
    if (loaded.Error.empty())
        return std::nullopt;
    Diagnostic error;
    error.Level = Severity::Error;
    error.Message = WithFullStop(loaded.Error);
    error.Detail = "no line of the file gives a target, so the search options have none when the user's "
                   "settings are applied";
    return error;
}

Reading Read(const LineStore& lines, GlyphCache& glyphs, bool stopAtFirstError)
{
    Reading reading;
    InitialModel(reading.Model);
    ConfigValues values;
    ModelSink sink(reading.Model.Targets, glyphs, reading, stopAtFirstError);
    try {
        ReadConfiguration(lines, reading.Model.Targets, values, sink);
    } catch (const ToolbarError& e) {
        Diagnostic error;
        error.Line = Shown(sink.CurrentLine());
        error.Level = Severity::Error;
        error.Message = WithFullStop(e.what());
        reading.ReaderErrorIsCount = error.Message != WithFullStop(kMenuIndex);
        error.Detail = reading.ReaderErrorIsCount ? "a count line must hold a whole number and nothing else"
                                                  : "a sub-entry (a line with \"+\") needs an entry above it";
        reading.ReaderError = error;
    } catch (const ErrorStop&) {
    }
    ToolbarModel& model = reading.Model;
    model.Version = {Shown(0), values.ConfigVersion};
    model.VersionNote = {Shown(0), values.ConfigVersionNote};
    model.SearchParams[0].Text = values.SearchParam1;
    model.SearchParams[1].Text = values.SearchParam2;
    model.SearchParams[2].Text = values.SearchParam3;
    model.UpdateURL.Text = values.UpdateURL;
    if (lines.Count() == 0)
        model.Version.Line = model.VersionNote.Line = 0;

    if (reading.ReaderError) {
        model.Stopped = true;
        model.StopError = *reading.ReaderError;
    } else if (!reading.GlyphErrors.empty() && stopAtFirstError) {
        model.Stopped = true;
        model.StopError = reading.GlyphErrors.front();
    } else if (const std::optional<Diagnostic> error = SettingsError(model)) {
        model.Stopped = true;
        model.StopError = *error;
    }
    return reading;
}

// The same lines with one made harmless, so that reading can go on past an
// error to the next one.
void Neutralise(LineStore& lines, std::size_t index, bool countLine)
{
    std::string text;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        text += i == index ? (countLine ? "0" : "|") : lines.Line(i);
        text += '\n';
    }
    lines.Load(text);
}

// ---------------------------------------------------------------------------
// The checks.

class Checker {
public:
    Checker(std::string_view bytes, const LineStore& lines, std::vector<Diagnostic>& out)
        : bytes_(bytes), lines_(lines), out_(out)
    {
    }

    void Warn(std::size_t shownLine, std::string message)
    {
        Diagnostic d;
        d.Line = shownLine;
        d.Level = Severity::Warning;
        d.Message = std::move(message);
        out_.push_back(std::move(d));
    }

    void Error(std::size_t shownLine, std::string message)
    {
        Diagnostic d;
        d.Line = shownLine;
        d.Level = Severity::Error;
        d.Message = std::move(message);
        out_.push_back(std::move(d));
    }

    // What is wrong with the bytes before any section is read.
    void Text()
    {
        const std::size_t zero = bytes_.find('\0');
        if (zero != std::string_view::npos) {
            LineStore before;
            before.Load(bytes_.substr(0, zero));
            const bool openLine = zero > 0 && bytes_[zero - 1] != '\n' && bytes_[zero - 1] != '\r';
            const std::size_t line = before.Count() - (openLine ? 1 : 0);
            Error(Shown(line), "the file holds a zero byte: the toolbar reads nothing after it, and the update "
                               "command refuses the file");
        }
        if (bytes_.substr(0, 3) == "\xEF\xBB\xBF")
            Warn(1, "the file starts with a UTF-8 byte order mark, which the toolbar reads as part of the "
                    "first line: save the file as plain 8-bit (ANSI) text");
        bool hasHeader = false;
        for (std::size_t i = 0; i < lines_.Count(); ++i) {
            for (const char* header : kHeaders)
                hasHeader = hasHeader || lines_.IsLine(i, header);
        }
        if (!hasHeader)
            Error(0, "no section header: the toolbar builds only its built-in buttons, and the update command "
                     "refuses the file");
    }

    void LongLines()
    {
        std::size_t start = 0;
        std::size_t line = 0;
        const std::string_view text = bytes_.substr(0, bytes_.find('\0'));
        // The line store cuts lines; their lengths are seen in the bytes.
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '\r' && text[i] != '\n')
                continue;
            if (i - start > LineStore::kMaxLineLength)
                Warn(Shown(line), "the line is " + std::to_string(i - start) +
                                      " characters long; the toolbar reads only its first 4096");
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
            ++line;
        }
    }

    // Lines that look like a header but are none.
    void NearMissHeaders()
    {
        std::vector<std::pair<std::string, const char*>> keys;
        for (const char* header : kHeaders)
            keys.emplace_back(HeaderKey(header), header);
        for (std::size_t i = 0; i < lines_.Count(); ++i) {
            const std::string line = lines_.Line(i);
            if (line.size() > 64 || line.find_first_of("[]") == std::string::npos)
                continue;
            const std::string key = HeaderKey(line);
            for (const auto& [headerKey, header] : keys) {
                if (key == headerKey && line != header) {
                    Warn(Shown(i), Quoted(line) + " is not a section header, and the section is not read: "
                                   "write it exactly " + Quoted(header) +
                                   " (same letters and case, no spaces around it, both brackets)");
                }
            }
        }
    }

    void RepeatedHeaders(const Reading& reading)
    {
        std::map<std::string, std::size_t> first;
        for (const SectionRecord& section : reading.Sections) {
            const auto it = first.find(section.Header);
            if (it == first.end()) {
                first.emplace(section.Header, section.HeaderLine);
                continue;
            }
            std::string effect;
            if (section.Header == kMainMenu || section.Header == kMiscMenu)
                effect = "the menu shows the entries of both";
            else if (section.Header == kButtons || section.Header == kSearchMenu)
                effect = "the later one sets the captions, and both add targets";
            else
                effect = "the later one wins";
            Warn(Shown(section.HeaderLine), Quoted(section.Header) + " appears again (first on line " +
                                                std::to_string(Shown(it->second)) + "): both sections are read; " +
                                                effect);
        }
    }

    // Count lines that were errors are not judged again.
    void Counts(const Reading& reading, const std::vector<std::size_t>& badLines)
    {
        for (const SectionRecord& section : reading.Sections) {
            if (!section.HasCount ||
                std::find(badLines.begin(), badLines.end(), section.CountLine) != badLines.end())
                continue;
            if (section.Header == kButtons)
                ButtonCount(section);
            else
                CountAgainstLines(section, section.Header == kSearchMenu ? "search method" : "entry line", 0);
        }
    }

    // Where the lines that follow a count end: at a blank line, a line
    // starting with "[" (a header), a comment (";" or "#") or the end.
    std::size_t BlockEnd(std::size_t first) const
    {
        std::size_t i = first;
        for (; i < lines_.Count(); ++i) {
            const std::string line = lines_.Line(i);
            const std::size_t text = line.find_first_not_of(" \t");
            if (text == std::string::npos || line[text] == '[' || line[text] == ';' || line[text] == '#')
                break;
        }
        return i;  // one past the last line of the block
    }

    void ButtonCount(const SectionRecord& section)
    {
        const std::size_t first = section.HeaderLine + 2;
        const std::size_t lines = BlockEnd(first) - first;
        if (section.Count > 3 + kLinkButtonCount || lines > 3 + static_cast<std::size_t>(kLinkButtonCount)) {
            const std::size_t asked = std::max<std::size_t>(
                lines > 3 ? lines - 3 : 0, section.Count > 3 ? static_cast<std::size_t>(section.Count) - 3 : 0);
            Warn(Shown(section.CountLine), "more than 17 link buttons (" + std::to_string(asked) +
                                               "): the toolbar has 17 at most, and reads no more");
        }
        CountAgainstLines(section, "button line", 3);
    }

    // The lines the count made the reader take against the lines that follow.
    void CountAgainstLines(const SectionRecord& section, const std::string& what, int fixedLines)
    {
        const std::size_t first = section.HeaderLine + 2;
        const bool searchMenu = section.Header == kSearchMenu;
        const std::size_t end = BlockEnd(first);
        const std::size_t lastRead = section.LastRead ? *section.LastRead + 1 : first;  // one past
        const std::string where = Quoted(section.Header) + ": the count " + std::to_string(section.Count);
        // What follows, as the operator counts it.
        std::size_t follow = end - first;
        if (searchMenu && follow > 0)
            --follow;  // the caption of the "Search options" sub-menu is no method
        std::string followText = std::to_string(follow) + " " + what + (follow == 1 ? "" : "s") + " follow";
        if (follow == 1)
            followText = "1 " + what + " follows";
        if (fixedLines > 0)
            followText += " (the count includes the 3 fixed buttons)";

        const bool menu = section.Header == kMainMenu || section.Header == kMiscMenu;
        const std::size_t available = lines_.Count() > first ? lines_.Count() - first : 0;
        if (menu && section.Count > 0 && static_cast<std::size_t>(section.Count) > available) {
            Warn(Shown(section.CountLine), where + " runs past the end of the file: only " +
                                               std::to_string(available) +
                                               (available == 1 ? " line follows" : " lines follow"));
            return;
        }
        if (!menu && lastRead > lines_.Count()) {
            Warn(Shown(section.CountLine), where + " runs past the end of the file: " +
                                               LineRange(std::max(first, lines_.Count()), lastRead - 1) +
                                               " are read as empty lines");
            return;
        }
        if (lastRead < end) {
            std::string note;
            if (searchMenu && section.Count == 4)
                note = " (a count of 4 gives three methods; the fourth and fifth come with 5)";
            if (fixedLines > 0 && lastRead - first >= 3 + static_cast<std::size_t>(kLinkButtonCount))
                return;  // said above: more than 17 link buttons
            Warn(Shown(section.CountLine), where + " disagrees with the lines that follow: " + followText + ", and " +
                                               LineRange(lastRead, end - 1) + (end - lastRead == 1 ? " is" : " are") +
                                               " not read" + note);
        } else if (lastRead > end) {
            Warn(Shown(section.CountLine), where + " disagrees with the lines that follow: " + followText + ", but " +
                                               LineRange(end, lastRead - 1) + (lastRead - end == 1 ? " is" : " are") +
                                               " read as well" + Describe(end, lastRead));
        }
    }

    // What stands on the lines read by mistake.
    std::string Describe(std::size_t first, std::size_t end) const
    {
        std::string text;
        int shown = 0;
        for (std::size_t i = first; i < end && shown < 3; ++i, ++shown) {
            const std::string line = lines_.Line(i);
            text += shown ? ", " : " (";
            text += line.find_first_not_of(" \t") == std::string::npos ? std::string("a blank line") : Quoted(line);
        }
        if (end - first > 3)
            text += ", ...";
        return text.empty() ? text : text + ")";
    }

    // A "+" anywhere makes a sub-entry and costs the caption its first letter.
    void PlusSigns(const Reading& reading)
    {
        for (const std::size_t line : reading.SubEntryLines) {
            const std::string text = lines_.Line(line);
            const std::string caption = SplitField(text, 1);
            if (!caption.empty() && caption[0] == '+')
                continue;  // meant as a sub-entry
            Warn(Shown(line), Quoted(text) + " holds a \"+\", so it becomes a sub-entry of the entry above it and "
                              "its caption loses its first letter: " +
                                  Quoted(caption.empty() ? caption : caption.substr(1)));
        }
    }

    void Buttons(const Reading& reading)
    {
        for (const ButtonLine& record : reading.ButtonLines) {
            const ButtonInfo& button = record.Button;
            const std::string name = button.Number > 0 ? "link button " + std::to_string(button.Number)
                                     : button.Name == "Main_Menu_SpdButn" ? std::string("the main button")
                                     : button.Name == "Search_SpdButn"    ? std::string("the Search button")
                                                                          : std::string("the Settings button");
            const std::size_t line = Shown(record.Line);
            if (button.Number > 0 && !button.Glyph.Found)
                Warn(line, name + " " + Quoted(button.Caption) + " has no glyph file " +
                               Quoted(button.Glyph.FileName) + ": it shows its caption alone");
            CaptionWidth(line, name, button);
            if (HasAccelerator(button.Caption))
                Warn(line, name + " " + Quoted(button.Caption) +
                               ": a single \"&\" is not shown and underlines the letter after it (write \"&&\" "
                               "for \"&\")");
            if (button.Number > 0 && IsCommandCode(record.Target))
                Warn(line, name + " " + Quoted(button.Caption) + " has the target " + Quoted(record.Target) +
                               ": buttons do not run command codes, only menu entries do; the button opens " +
                               Quoted(record.Target) + " as an address");
        }
    }

    void CaptionWidth(std::size_t line, const std::string& name, const ButtonInfo& button)
    {
        const bool main = button.Name == "Main_Menu_SpdButn";
        const bool settings = button.Name == "Settings_SpdButn";
        const int width = main ? kMainButtonWidth
                          : settings                         ? kSettingsButtonWidth
                          : button.Name == "Search_SpdButn" ? kSearchButtonWidth
                                                            : kLinkButtonWidth;
        int glyphWidth = 0;
        int glyphHeight = 0;
        GlyphCell(button.Glyph, glyphWidth, glyphHeight);
        const std::string shown = ShownCaption(button.Caption, width, glyphWidth, glyphHeight, main, main || settings);
        const std::string whole = ShownCaption(button.Caption, INT_MAX / 4, glyphWidth, glyphHeight, main, false);
        if (shown == whole)
            return;
        const int textWidth = TextWidth(main ? kButtonFontBold : kButtonFont, whole);
        Warn(line, name + " " + Quoted(button.Caption) + ": the caption, about " + std::to_string(textWidth) +
                       " pixels wide, does not fit its " + std::to_string(width) +
                       "-pixel button and is shortened to " + Quoted(shown) +
                       " (an estimate from the toolbar's font; the preview shows the exact result)");
    }

    static bool IsCommandCode(const std::string& target)
    {
        return target == "@1" || target == "@2" || target == "@3" || target == "@4";
    }

    void Menus(const ToolbarModel& model)
    {
        for (const MenuEntry& entry : model.MainMenu) {
            MenuEntryChecks(entry, model);
            for (const MenuEntry& sub : entry.SubEntries)
                MenuEntryChecks(sub, model);
        }
        for (const MenuEntry& entry : model.SettingsEntries)
            MenuEntryChecks(entry, model);
    }

    void MenuEntryChecks(const MenuEntry& entry, const ToolbarModel& model)
    {
        if (HasAccelerator(entry.Caption))
            Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) +
                                 ": a single \"&\" is not shown and underlines the letter after it (write \"&&\" "
                                 "for \"&\")");
        if (entry.Tag < 0 || static_cast<std::size_t>(entry.Tag) >= model.Targets.size())
            return;
        const std::string& target = model.Targets[static_cast<std::size_t>(entry.Tag)];
        const Command command = CommandOf(entry, model.Targets);
        const char* const codes[] = {"@1", "@2", "@3", "@4"};
        for (const char* code : codes) {
            if (!Contains(target, code) || target == code)
                continue;
            if (command == Command::NewWindow)
                Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) + ": its target holds \"help\", so it "
                                     "opens " + Quoted(target) + " in a new window, and the " + Quoted(code) +
                                     " in it does nothing");
            else
                Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) + ": its target " + Quoted(target) +
                                     " holds " + Quoted(code) + ", so choosing it runs the command \"" +
                                     CommandName(command) + "\" instead of opening an address");
            break;
        }
        if (command == Command::Update && model.UpdateURL.Text.empty())
            Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) +
                                 " updates the toolbar, but the file gives no update address: the update always "
                                 "fails");
    }

    void Addresses(const ToolbarModel& model, bool hasSearchSection)
    {
        const ValueLine& first = model.SearchParams[0];
        if (!hasSearchSection)
            Warn(0, "no " + Quoted(kSearchParameters) +
                        " section: the search address is made of the search method and the query alone");
        else if (!StartsWithNoCase(first.Text, "http://") && !StartsWithNoCase(first.Text, "https://"))
            Warn(first.Line, "the search address " + Quoted(first.Text) +
                                 " does not start with http:// or https://: the browser may not open it");
        const ValueLine& update = model.UpdateURL;
        if (!update.Text.empty() && !StartsWithNoCase(update.Text, "https://"))
            Warn(update.Line, "the update address " + Quoted(update.Text) +
                                  " is not https: anyone on the network path could replace every user's "
                                  "configuration");
    }

private:
    // Letters in lower case, without spaces, brackets and a leading UTF-8 mark.
    static std::string HeaderKey(std::string_view text)
    {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        std::string key;
        for (const char c : text) {
            if (c == ' ' || c == '\t' || c == '[' || c == ']')
                continue;
            key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        return key;
    }

    std::string_view bytes_;
    const LineStore& lines_;
    std::vector<Diagnostic>& out_;
};

std::string SearchAddress(const ToolbarModel& model, const std::string& query)
{
    const int tag = model.SearchOptions[0].Tag;
    const std::string method =
        tag >= 0 && static_cast<std::size_t>(tag) < model.Targets.size() ? model.Targets[static_cast<std::size_t>(tag)]
                                                                         : std::string();
    return BuildSearchUrl(model.SearchParams[0].Text, method, model.SearchParams[1].Text, query,
                          model.SearchParams[2].Text);
}

void FillShownCaptions(ToolbarModel& model)
{
    int w = 0;
    int h = 0;
    GlyphCell(model.Main.Glyph, w, h);
    model.Main.ShownCaption = ShownCaption(model.Main.Caption, kMainButtonWidth, w, h, true, true);
    GlyphCell(model.Search.Glyph, w, h);
    model.Search.ShownCaption = ShownCaption(model.Search.Caption, kSearchButtonWidth, w, h, false, false);
    GlyphCell(model.Settings.Glyph, w, h);
    model.Settings.ShownCaption = ShownCaption(model.Settings.Caption, kSettingsButtonWidth, w, h, false, true);
    for (ButtonInfo& link : model.Links) {
        GlyphCell(link.Glyph, w, h);
        link.ShownCaption = ShownCaption(link.Caption, kLinkButtonWidth, w, h, false, false);
    }
}

}  // namespace

Command CommandOf(const MenuEntry& entry, const TargetList& targets)
{
    if (entry.Tag < 0 || static_cast<std::size_t>(entry.Tag) >= targets.size())
        return Command::None;
    const std::string& target = targets[static_cast<std::size_t>(entry.Tag)];
    if (Contains(target, "help"))
        return Command::NewWindow;
    if (Contains(target, "@1"))
        return Command::Update;
    if (Contains(target, "@2"))
        return Command::ClearHistory;
    if (Contains(target, "@3"))
        return Command::Hide;
    if (Contains(target, "@4"))
        return Command::About;
    return Command::Navigate;
}

const char* CommandName(Command command)
{
    switch (command) {
    case Command::None:
        return "none";
    case Command::Navigate:
        return "opens the address";
    case Command::NewWindow:
        return "opens in a new window";
    case Command::Update:
        return "update";
    case Command::ClearHistory:
        return "clear history";
    case Command::Hide:
        return "hide";
    case Command::About:
        return "about";
    }
    return "none";
}

std::string ShownCaption(const std::string& caption, int buttonWidth, int glyphWidth, int glyphHeight, bool bold,
                         bool dropDownMark)
{
    const ButtonFontTable& font = bold ? kButtonFontBold : kButtonFont;
    FaceLayoutInput in;
    // A flat button the pointer is not over draws inside a 2-pixel edge.
    in.Rect = {2, 2, buttonWidth - 2, kButtonHeight - 2};
    in.Glyph = {glyphWidth, glyphHeight};
    in.Caption = caption;
    in.Layout = blGlyphLeft;
    in.Margin = -1;
    in.Spacing = 1;
    in.ShowMark = dropDownMark;
    TextMeasure measure;
    measure.LineWidth = [&font](const std::string& line) { return TextWidth(font, line); };
    measure.Extent = [&font](const std::string& text, int) {
        FaceSize size{0, 0};
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            size.cx = std::max(size.cx, TextWidth(font, std::string_view(text).substr(start, end - start)));
            size.cy += font.Height;
            if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
                ++end;
            start = end + 1;
        }
        return size;
    };
    return LayoutFace(in, measure).Caption;
}

bool CheckResult::HasErrors() const
{
    return std::any_of(Diagnostics.begin(), Diagnostics.end(),
                       [](const Diagnostic& d) { return d.Level == Severity::Error; });
}

bool CheckResult::HasWarnings() const
{
    return std::any_of(Diagnostics.begin(), Diagnostics.end(),
                       [](const Diagnostic& d) { return d.Level == Severity::Warning; });
}

bool CheckResult::HasConfigurationErrors() const
{
    return std::any_of(Diagnostics.begin(), Diagnostics.end(),
                       [](const Diagnostic& d) { return d.Level == Severity::Error && !d.GlyphProblem; });
}

int CheckResult::ExitCode() const { return HasErrors() ? 2 : HasWarnings() ? 1 : 0; }

CheckResult CheckConfiguration(std::string_view bytes, GlyphSource& glyphs, const CheckOptions& options)
{
    CheckResult result;
    LineStore lines;
    lines.Load(bytes);
    GlyphCache cache(glyphs);

    // What the toolbar builds: its construction stops at the first error.
    Reading built = Read(lines, cache, true);
    result.Toolbar = built.Model;
    FillShownCaptions(result.Toolbar);
    result.SampleQuery = options.SampleQuery;
    result.SearchAddress = SearchAddress(result.Toolbar, options.SampleQuery);

    // Every error: reading goes on past glyph files, and a line the reader
    // fails on is made harmless and the file read again.
    std::vector<Diagnostic>& out = result.Diagnostics;
    LineStore working;
    working.Load(bytes);
    Reading full;
    int readerErrors = 0;
    std::vector<std::size_t> badLines;  // from 0, made harmless
    std::map<std::pair<std::size_t, std::string>, bool> seenGlyphErrors;
    for (;;) {
        full = Read(working, cache, false);
        for (const Diagnostic& error : full.GlyphErrors) {
            if (seenGlyphErrors.emplace(std::make_pair(error.Line, error.Message), true).second)
                out.push_back(error);
        }
        if (!full.ReaderError)
            break;
        out.push_back(*full.ReaderError);
        if (++readerErrors == kMaxReaderErrors) {
            Diagnostic note;
            note.Line = full.ReaderError->Line;
            note.Level = Severity::Error;
            note.Message = "too many errors: the rest of the file was not checked";
            out.push_back(note);
            break;
        }
        badLines.push_back(full.ReaderError->Line - 1);
        Neutralise(working, badLines.back(), full.ReaderErrorIsCount);
    }
    if (!full.ReaderError && full.Model.Stopped)
        out.push_back(full.Model.StopError);  // applying the user's settings fails

    Checker checker(bytes, lines, out);
    checker.Text();
    checker.LongLines();
    checker.NearMissHeaders();
    checker.RepeatedHeaders(full);
    checker.Counts(full, badLines);
    checker.PlusSigns(full);
    checker.Buttons(full);
    checker.Menus(full.Model);
    const bool hasSearchSection = std::any_of(full.Sections.begin(), full.Sections.end(),
                                              [](const SectionRecord& s) { return s.Header == kSearchParameters; });
    checker.Addresses(full.Model, hasSearchSection);
    const bool hasSearchMenu = std::any_of(full.Sections.begin(), full.Sections.end(),
                                           [](const SectionRecord& s) { return s.Header == kSearchMenu; });
    if (!hasSearchMenu && hasSearchSection)
        checker.Warn(0, "no " + std::string(Quoted(kSearchMenu)) +
                            " section: every search uses the first target of the file as its method");
    if (!full.Model.HasButtonsSection)
        checker.Warn(0, "no " + std::string(Quoted(kButtons)) +
                            " section: the toolbar keeps its built-in captions \"Veltrane\", \"Search\" and "
                            "\"Settings\" and has no link buttons");

    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.Line < b.Line; });
    result.UpdateAccepts = ReadsAsConfiguration(bytes);
    return result;
}

}  // namespace vtb::check
