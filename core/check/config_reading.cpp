#include "core/check/config_reading.h"

#include <algorithm>

#include "core/bitmap_file.h"
#include "core/caption_accelerator.h"
#include "core/glyph_images.h"
#include "core/identifiers.h"
#include "core/messages.h"

namespace vtb::check {
namespace {

// The glyph button reads no larger file.
constexpr std::size_t kMaxGlyphFileSize = 64u * 1024u * 1024u;

const char kInvalidBitmap[] = "Bitmap image is not valid";
const char kMenuIndex[] = "Menu index out of range";

}  // namespace

void GlyphCell(const GlyphInfo& glyph, int& width, int& height) {
    width = height = 0;
    if (glyph.Source == GlyphInfo::Kind::None) return;
    width = glyph.Width / std::max(1, glyph.Cells);
    height = glyph.Height;
}

// ---------------------------------------------------------------------------
// Glyph files

const GlyphLookup& GlyphCache::Get(const std::string& caption) {
    auto it = cache_.find(caption);
    if (it == cache_.end()) it = cache_.emplace(caption, Look(caption)).first;
    return it->second;
}

const GlyphFile& GlyphCache::Find(const std::string& name) {
    auto it = files_.find(name);
    if (it == files_.end()) it = files_.emplace(name, source_.Find(name)).first;
    return it->second;
}

GlyphLookup GlyphCache::Look(const std::string& caption) {
    GlyphLookup result;
    GlyphInfo& info = result.Info;
    info.Looked = true;
    // As the toolbar looks: the caption as written, then as it reads.
    GlyphFile file;
    for (const std::string& name : GlyphFileCaptions(caption)) {
        info.FileName = name + kGlyphExtension;
        file = Find(name);
        if (file.State != GlyphFile::Status::Missing) break;
    }
    info.Path = file.Path;
    if (file.State == GlyphFile::Status::Missing) return result;
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

// ---------------------------------------------------------------------------
// One reading of the file through the toolbar's reader.

namespace {

class ErrorStop {};  // ends a reading at the first glyph error, as the toolbar does

void InitialModel(ToolbarModel& model) {
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
        : urls_(urls), glyphs_(glyphs), reading_(reading), model_(reading.Model), stopAtGlyphError_(stopAtGlyphError) {}

    std::size_t CurrentLine() const { return line_; }

    void SectionHeader(const std::string& header, std::size_t line) override {
        SectionRecord record;
        record.Header = header;
        record.HeaderLine = line;
        reading_.Sections.push_back(record);
        paramIndex_ = 0;
        if (header == kButtonsHeader) model_.HasButtonsSection = true;
    }

    void LayoutLine(std::size_t line) override {
        line_ = line;
        if (reading_.Sections.empty()) return;  // the version line
        SectionRecord& section = reading_.Sections.back();
        const bool counted = section.Header != kSearchParametersHeader && section.Header != kUpdateUrlHeader &&
                             section.Header != kSearchEncodingHeader;
        if (counted && line == section.HeaderLine + 1) return;  // the count line
        if (!section.FirstRead) section.FirstRead = line;
        section.LastRead = line;
        if (section.Header == kSearchParametersHeader && paramIndex_ < 3)
            model_.SearchParams[paramIndex_++].Line = Shown(line);
        else if (section.Header == kUpdateUrlHeader)
            model_.UpdateURL.Line = Shown(line);
        else if (section.Header == kSearchEncodingHeader)
            model_.SearchEncoding.Line = Shown(line);
    }

    void CountLine(std::size_t line, std::int32_t count) override {
        if (reading_.Sections.empty()) return;
        SectionRecord& section = reading_.Sections.back();
        section.HasCount = true;
        section.CountLine = line;
        section.Count = count;
    }

    void MainButton(const std::string& caption) override {
        ButtonInfo& button = model_.Main;
        SetButton(button, caption, static_cast<int>(urls_.size()));
        LoadGlyph(button, "the main button");
        NoteButtonLine(button, urls_.size());
    }

    void SearchButton(const std::string& caption, int tag) override {
        SetButton(model_.Search, caption, tag);
        NoteButtonLine(model_.Search, static_cast<std::size_t>(tag));
    }

    void SettingsButton(const std::string& caption, int tag) override {
        SetButton(model_.Settings, caption, tag);
        NoteButtonLine(model_.Settings, static_cast<std::size_t>(tag));
    }

    void LinkButton(int number, const std::string& caption, int tag) override {
        ButtonInfo& button = model_.Links[static_cast<std::size_t>(number - 1)];
        SetButton(button, caption, tag);
        LoadGlyph(button, "link button " + std::to_string(number));
        NoteButtonLine(button, static_cast<std::size_t>(tag));
    }

    void MainMenuEntry(const std::string& caption, int tag, bool subEntry) override {
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

    void SearchOptionsCaption(const std::string& caption) override {
        model_.SearchOptionsCaption = {Shown(line_), caption};
    }

    void SearchOption(int number, const std::string& caption, int tag) override {
        SearchOptionInfo& option = model_.SearchOptions[static_cast<std::size_t>(number - 1)];
        option.Line = Shown(line_);
        option.Caption = caption;
        option.Tag = tag;
        option.Visible = true;
    }

    void SettingsMenuEntry(const std::string& caption, int tag) override {
        MenuEntry entry;
        entry.Line = Shown(line_);
        entry.Caption = caption;
        entry.Tag = tag;
        model_.SettingsEntries.push_back(entry);
    }

private:
    void SetButton(ButtonInfo& button, const std::string& caption, int targetIndex) {
        button.Configured = true;
        button.Line = Shown(line_);
        button.Caption = caption;
        button.TargetIndex = targetIndex;
    }

    // A glyph file that exists replaces the button's glyph; one that does
    // not leaves the glyph it had.
    void LoadGlyph(ButtonInfo& button, const std::string& which) {
        const GlyphLookup& lookup = glyphs_.Get(button.Caption);
        const GlyphInfo previous = button.Glyph;
        button.Glyph = lookup.Info;
        if (!lookup.Info.Found) {
            button.Glyph.Source = previous.Source;
            button.Glyph.Width = previous.Width;
            button.Glyph.Height = previous.Height;
            button.Glyph.Cells = previous.Cells;
        }
        if (lookup.Error.empty()) return;
        Diagnostic error;
        error.Line = Shown(line_);
        error.Level = Severity::Error;
        error.Message = WithFullStop(lookup.Error);
        error.Detail = which + " " + Quoted(button.Caption) + ": " + lookup.Info.Path;
        error.GlyphProblem = true;
        reading_.GlyphErrors.push_back(error);
        if (stopAtGlyphError_) throw ErrorStop();
    }

    void NoteButtonLine(const ButtonInfo& button, std::size_t targetIndex) {
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
std::optional<Diagnostic> SettingsError(const ToolbarModel& model) {
    std::array<int, kSearchOptionCount> tags{};
    for (int k = 0; k < kSearchOptionCount; ++k)
        tags[static_cast<std::size_t>(k)] = model.SearchOptions[static_cast<std::size_t>(k)].Tag;
    NoSettings settings;
    const LoadedSettings loaded = LoadSettings(settings, model.Targets, tags, std::string());
    if (loaded.Error.empty()) return std::nullopt;
    Diagnostic error;
    error.Level = Severity::Error;
    error.Message = WithFullStop(loaded.Error);
    error.Detail =
        "no line of the file gives a target, so the search options have none when the user's "
        "settings are applied";
    return error;
}

}  // namespace

Reading ReadModel(const LineStore& lines, GlyphCache& glyphs, bool stopAtFirstError) {
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
    model.SearchEncoding.Text = values.SearchEncoding;
    if (lines.Count() == 0) model.Version.Line = model.VersionNote.Line = 0;

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

void Neutralise(LineStore& lines, std::size_t index, bool countLine) {
    std::string text;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        text += i == index ? (countLine ? "0" : "|") : lines.Line(i);
        text += '\n';
    }
    lines.LoadText(text);
}

}  // namespace vtb::check
