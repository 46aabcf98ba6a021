#include "core/check/config_check.h"

#include <algorithm>
#include <set>

#include "core/caption_accelerator.h"
#include "core/check/button_font.h"
#include "core/check/config_reading.h"
#include "core/check/trap_checks.h"
#include "core/config_rule.h"
#include "core/face_layout.h"
#include "core/policy_table.h"
#include "core/search.h"

namespace vtb::check {
namespace {

// Reading again after an error stops after this many errors of the file.
constexpr int kMaxReaderErrors = 50;

// The address the toolbar sends for the query (UTF-8, as typed), encoded
// as it encodes it; empty, and not sendable, when the code page lacks one
// of its letters.
void SampleSearch(const ToolbarModel& model, const std::string& query, CheckResult& result) {
    const int tag = model.SearchOptions[0].Tag;
    const std::string method = tag >= 0 && static_cast<std::size_t>(tag) < model.Targets.size()
                                   ? model.Targets[static_cast<std::size_t>(tag)]
                                   : std::string();
    result.SampleQuery = query;
    result.SendsUtf8 = model.SearchEncoding.Text == kUtf8Encoding;
    const std::optional<Utf16String> typed = Utf8ToUtf16(query);
    const std::optional<std::string> bytes =
        typed ? QueryBytes(*typed, result.SendsUtf8, TextCodePage()) : std::optional<std::string>();
    result.SampleSendable = bytes.has_value();
    if (bytes)
        result.SearchAddress = BuildSearchUrl(model.SearchParams[0].Text, method, model.SearchParams[1].Text,
                                              *bytes, model.SearchParams[2].Text);
}

void FillShownCaptions(ToolbarModel& model) {
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

// Every error of the file: reading goes on past glyph files, and a line the
// reader fails on is made harmless (noted in badLines) and the file read
// again. Returns the last reading, which went through the whole file.
Reading ReadPastErrors(std::string_view bytes, GlyphCache& cache, std::vector<std::size_t>& badLines,
                       std::vector<Diagnostic>& out) {
    LineStore working;
    working.LoadText(bytes);
    std::set<std::pair<std::size_t, std::string>> glyphErrors;  // each reading finds them again
    for (int errors = 0;;) {
        Reading reading = ReadModel(working, cache, false);
        for (const Diagnostic& error : reading.GlyphErrors) {
            if (glyphErrors.emplace(error.Line, error.Message).second) out.push_back(error);
        }
        if (!reading.ReaderError) {
            if (reading.Model.Stopped) out.push_back(reading.Model.StopError);  // applying the user's settings fails
            return reading;
        }
        out.push_back(*reading.ReaderError);
        if (++errors == kMaxReaderErrors) {
            Diagnostic note;
            note.Line = reading.ReaderError->Line;
            note.Level = Severity::Error;
            note.Message = "too many errors: the rest of the file was not checked";
            out.push_back(note);
            return reading;
        }
        badLines.push_back(reading.ReaderError->Line - 1);
        Neutralise(working, badLines.back(), reading.ReaderErrorIsCount);
    }
}

}  // namespace

Command CommandOf(const MenuEntry& entry, const TargetList& targets) {
    if (entry.Tag < 0 || static_cast<std::size_t>(entry.Tag) >= targets.size()) return Command::None;
    return CommandOfTarget(targets[static_cast<std::size_t>(entry.Tag)]);
}

const char* CommandName(Command command) {
    for (const MenuCommand& row : kMenuCommands)
        if (row.Runs == command) return row.Name;
    return "none";
}

std::string ShownCaption(const std::string& caption, int buttonWidth, int glyphWidth, int glyphHeight, bool bold,
                         bool dropDownMark) {
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
            if (end == std::string::npos) end = text.size();
            // Drawn, an accelerator's "&" takes no room.
            const std::string line = CaptionWithoutAccelerator(text.substr(start, end - start));
            size.cx = std::max(size.cx, TextWidth(font, line));
            size.cy += font.Height;
            if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
            start = end + 1;
        }
        return size;
    };
    return LayoutFace(in, measure).Caption;
}

namespace {

// A link button the policy shows but the configuration does not fill is
// never shown: the policy names nothing.
void CheckShownLinkButtons(const std::string& policy, const ToolbarModel& toolbar, std::vector<Diagnostic>& out) {
    const auto shown = ParseLinkButtonNumbers(policy);
    if (!shown) return;
    for (int n = 1; n <= kLinkButtonCount; ++n) {
        if (!(*shown)[n - 1] || toolbar.Links[n - 1].Configured) continue;
        Diagnostic d;
        d.Level = Severity::Warning;
        d.Message = "the policy ShownLinkButtons names link button " + std::to_string(n) +
                    ", which this file does not fill: the toolbar never shows it";
        out.push_back(std::move(d));
    }
}

}  // namespace

bool CheckResult::HasErrors() const {
    return std::any_of(Diagnostics.begin(), Diagnostics.end(),
                       [](const Diagnostic& d) { return d.Level == Severity::Error; });
}

bool CheckResult::HasWarnings() const {
    return std::any_of(Diagnostics.begin(), Diagnostics.end(),
                       [](const Diagnostic& d) { return d.Level == Severity::Warning; });
}

bool CheckResult::HasConfigurationErrors() const {
    return std::any_of(Diagnostics.begin(), Diagnostics.end(),
                       [](const Diagnostic& d) { return d.Level == Severity::Error && !d.GlyphProblem; });
}

int CheckResult::ExitCode() const { return HasErrors() ? 2 : HasWarnings() ? 1 : 0; }

CheckResult CheckConfiguration(std::string_view bytes, GlyphSource& glyphs, const CheckOptions& options) {
    CheckResult result;
    // The text as the toolbar's line store holds it: a file marked as UTF-8
    // or UTF-16 in the code page.
    const DecodedText decoded = DecodeMarkedText(bytes, TextCodePage());
    LineStore lines;
    lines.Load(bytes);
    GlyphCache cache(glyphs);

    // What the toolbar builds: its construction stops at the first error.
    Reading built = ReadModel(lines, cache, true);
    result.Toolbar = built.Model;
    FillShownCaptions(result.Toolbar);
    SampleSearch(result.Toolbar, options.SampleQuery, result);

    std::vector<Diagnostic>& out = result.Diagnostics;
    std::vector<std::size_t> badLines;
    const Reading full = ReadPastErrors(decoded.Text, cache, badLines, out);
    CheckTraps(decoded, lines, full, badLines, out);
    if (options.ShownLinkButtons) CheckShownLinkButtons(*options.ShownLinkButtons, result.Toolbar, out);

    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.Line < b.Line; });
    result.UpdateAccepts = ReadsAsConfiguration(bytes);
    return result;
}

}  // namespace vtb::check
