#include "core/check/check_report.h"

#include <algorithm>
#include <cstdio>

#include "core/code_page.h"

namespace vtb::check {
namespace {

// ---------------------------------------------------------------------------
// Text

class TextReport {
public:
    TextReport(const CheckResult& result, const std::string& fileName, bool utf8)
        : result_(result), model_(result.Toolbar), fileName_(fileName), utf8_(utf8) {}

    std::string Make() {
        Heading();
        Buttons();
        MainMenu();
        SettingsMenu();
        SearchOptions();
        Addresses();
        Diagnostics();
        return out_;
    }

private:
    std::string T(const std::string& text) const { return utf8_ ? TextToUtf8(text) : text; }
    // A text the checker was given in UTF-8 (the sample query).
    std::string U(const std::string& utf8) const {
        if (utf8_) return utf8;
        bool exact = true;
        const std::optional<Utf16String> wide = Utf8ToUtf16(utf8);
        return wide ? TextCodePage().FromUtf16(*wide, exact) : utf8;
    }
    std::string Q(const std::string& text) const { return "\"" + T(text) + "\""; }
    std::string P(const std::string& path) const { return utf8_ ? PathAsUtf8(path) : path; }

    std::string TargetAt(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < model_.Targets.size()
                   ? model_.Targets[static_cast<std::size_t>(index)]
                   : std::string();
    }

    // Characters, not bytes: a UTF-8 sequence counts once.
    static std::size_t Width(const std::string& text) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    }

    static std::string Pad(std::string text, std::size_t width) {
        const std::size_t have = Width(text);
        if (have < width) text.append(width - have, ' ');
        return text;
    }

    static std::string LineColumn(std::size_t line) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%5zu", line);
        return line ? std::string(buffer) : std::string(5, ' ');
    }

    void Heading() {
        out_ +=
            fileName_ + ": configuration version " + Q(model_.Version.Text) + " (" + T(model_.VersionNote.Text) + ")\n";
        if (model_.Stopped) {
            const Diagnostic& stop = model_.StopError;
            out_ += "The toolbar's construction stops ";
            out_ += stop.Line ? "at line " + std::to_string(stop.Line) : std::string("after reading the file");
            out_ += " with the message " + Q(stop.Message) +
                    ": below is what it builds up to there; the user's settings are not applied.\n";
        }
    }

    std::string GlyphText(const ButtonInfo& button) const {
        const GlyphInfo& glyph = button.Glyph;
        std::string text;
        if (glyph.Looked) {
            text = T(glyph.FileName);
            if (!glyph.Found)
                text += " not found";
            else if (!glyph.Valid)
                text += ": not a valid bitmap";
            else
                text += " " + Size(glyph);
        } else if (glyph.Source == GlyphInfo::Kind::Builtin) {
            text = "built in, " + Size(glyph);
        }
        if (glyph.Looked && !glyph.Found && glyph.Source == GlyphInfo::Kind::File)
            text += " (keeps the glyph of an earlier line)";
        return text;
    }

    static std::string Size(const GlyphInfo& glyph) {
        std::string text = std::to_string(glyph.Width) + " x " + std::to_string(glyph.Height);
        if (glyph.Cells > 1) text += ", " + std::to_string(glyph.Cells) + " cells";
        return text;
    }

    void Buttons() {
        out_ += "\nButtons\n";
        struct Row {
            std::string line, name, caption, target, index, glyph, note;
        };
        std::vector<Row> rows;
        rows.push_back({"line", "button", "caption", "target", "index", "glyph", ""});
        auto add = [&](const ButtonInfo& button, const std::string& name) {
            Row row;
            row.line = button.Line ? std::to_string(button.Line) : "-";
            row.name = name;
            row.caption = Q(button.Caption);
            row.target = button.TargetIndex >= 0 ? T(TargetAt(button.TargetIndex)) : "-";
            row.index = button.TargetIndex >= 0 ? std::to_string(button.TargetIndex) : "-";
            row.glyph = GlyphText(button);
            if (button.Number > 0 && CaptionOpensNewWindow(button.Caption))
                row.note = CommandName(Command::NewWindow);
            if (button.ShownCaption != button.Caption && button.Configured)
                row.note += std::string(row.note.empty() ? "" : "; ") + "shown as " + Q(button.ShownCaption);
            rows.push_back(row);
        };
        add(model_.Main, "main");
        add(model_.Search, "Search");
        add(model_.Settings, "Settings");
        int links = 0;
        for (const ButtonInfo& link : model_.Links) {
            if (!link.Configured) continue;
            add(link, "link " + std::to_string(link.Number));
            ++links;
        }
        std::size_t w[6] = {};
        for (const Row& row : rows) {
            const std::string* cells[6] = {&row.line, &row.name, &row.caption, &row.target, &row.index, &row.glyph};
            for (int i = 0; i < 6; ++i) w[i] = std::max(w[i], Width(*cells[i]));
        }
        for (const Row& row : rows) {
            std::string text = "  " + std::string(w[0] - Width(row.line), ' ') + row.line + "  " + Pad(row.name, w[1]) +
                               "  " + Pad(row.caption, w[2]) + "  " + Pad(row.target, w[3]) + "  " +
                               std::string(w[4] - Width(row.index), ' ') + row.index + "  " + Pad(row.glyph, w[5]);
            if (!row.note.empty()) text += "  " + row.note;
            while (!text.empty() && text.back() == ' ') text.pop_back();
            out_ += text + "\n";
        }
        if (links == 0) out_ += "  (no link buttons)\n";
    }

    std::string Action(const MenuEntry& entry) const {
        const Command command = CommandOf(entry, model_.Targets);
        const std::string target = TargetAt(entry.Tag);
        const std::string index = " [" + std::to_string(entry.Tag) + "]";
        switch (command) {
        case Command::None:
            return "";
        case Command::Navigate:
            return "-> " + T(target) + index;
        case Command::NewWindow:
            return std::string(CommandName(command)) + ": " + T(target) + index;
        default:
            return std::string(CommandName(command)) + " (" + T(target) + ")" + index;
        }
    }

    void Entry(const MenuEntry& entry, int depth, std::size_t captionWidth) {
        const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
        std::string caption = entry.Caption == "-" ? std::string("--------") : T(entry.Caption);
        if (entry.Caption.empty()) caption = "(empty)";
        std::string text = "  " + LineColumn(entry.Line) + "  " + indent + Pad(caption, captionWidth - indent.size());
        const std::string action = Action(entry);
        if (!action.empty()) text += "  " + action;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out_ += text + "\n";
    }

    std::size_t CaptionWidth(const std::vector<MenuEntry>& entries) const {
        std::size_t width = 8;
        for (const MenuEntry& entry : entries) {
            width = std::max(width, Width(T(entry.Caption)));
            for (const MenuEntry& sub : entry.SubEntries) width = std::max(width, Width(T(sub.Caption)) + 2);
        }
        return width;
    }

    void MainMenu() {
        out_ += "\nMain menu (under the button " + Q(model_.Main.Caption) + ")\n";
        if (model_.MainMenu.empty()) out_ += "  (no entries)\n";
        const std::size_t width = CaptionWidth(model_.MainMenu);
        for (const MenuEntry& entry : model_.MainMenu) {
            Entry(entry, 0, width);
            for (const MenuEntry& sub : entry.SubEntries) Entry(sub, 1, width);
        }
    }

    void SettingsMenu() {
        out_ += "\nSettings menu (under the button " + Q(model_.Settings.Caption) + ")\n";
        std::string buttons;
        for (const ButtonInfo& link : model_.Links) {
            if (link.Configured) buttons += (buttons.empty() ? "" : ", ") + Q(link.Caption);
        }
        std::size_t width = std::max<std::size_t>(CaptionWidth(model_.SettingsEntries),
                                                  std::max<std::size_t>(Width(T(model_.SearchOptionsCaption.Text)), 7));
        out_ += "  " + LineColumn(model_.SearchOptionsCaption.Line) + "  " +
                Pad(T(model_.SearchOptionsCaption.Text), width) + "  sub-menu of the search options\n";
        out_ += "  " + LineColumn(0) + "  " + Pad("Buttons", width) + "  sub-menu to show or hide the link buttons" +
                (buttons.empty() ? std::string(" (none)") : ": " + buttons) + "\n";
        out_ += "  " + LineColumn(0) + "  --------\n";
        for (const MenuEntry& entry : model_.SettingsEntries) Entry(entry, 0, width);
    }

    void SearchOptions() {
        out_ += "\nSearch options\n";
        std::size_t width = 0;
        for (const SearchOptionInfo& option : model_.SearchOptions) {
            if (option.Visible) width = std::max(width, Width(T(option.Caption)));
        }
        for (std::size_t k = 0; k < model_.SearchOptions.size(); ++k) {
            const SearchOptionInfo& option = model_.SearchOptions[k];
            if (!option.Visible) continue;
            std::string text = "  " + LineColumn(option.Line) + "  " + std::to_string(k + 1) + "  " +
                               Pad(T(option.Caption), width) + "  method " + Q(TargetAt(option.Tag)) + " [" +
                               std::to_string(option.Tag) + "]";
            if (k == 0) text += "  (selected until the user chooses another)";
            out_ += text + "\n";
        }
    }

    void Addresses() {
        const auto& p = model_.SearchParams;
        const std::string encoding =
            result_.SendsUtf8 ? std::string("UTF-8") : "code page " + std::to_string(TextCodePage().Number());
        out_ += "\nSearch address for \"" + U(result_.SampleQuery) + "\" with the first search option, the query in " +
                encoding + ":\n  " +
                (result_.SampleSendable ? T(result_.SearchAddress)
                                        : std::string("none: the query holds letters that ") + encoding +
                                              " lacks, and the toolbar sends no such search") +
                "\n";
        if (p[0].Line)
            out_ += "  (line " + std::to_string(p[0].Line) + ", the method, line " + std::to_string(p[1].Line) +
                    ", the query, line " + std::to_string(p[2].Line) + ")\n";
        out_ += "\nUpdate address";
        if (model_.UpdateURL.Line) out_ += " (line " + std::to_string(model_.UpdateURL.Line) + ")";
        out_ += ": " + (model_.UpdateURL.Text.empty() ? std::string("none") : T(model_.UpdateURL.Text)) + "\n";
        out_ += std::string("The toolbar's update command ") +
                (result_.UpdateAccepts ? "takes this file." : "refuses this file.") + "\n";
    }

    void Diagnostics() {
        out_ += "\n";
        int errors = 0;
        int warnings = 0;
        for (const Diagnostic& d : result_.Diagnostics) {
            const bool error = d.Level == Severity::Error;
            (error ? errors : warnings)++;
            out_ += fileName_;
            if (d.Line) out_ += ":" + std::to_string(d.Line);
            out_ += error ? ": error: " : ": warning: ";
            out_ += T(d.Message);
            if (!d.Detail.empty()) out_ += " (" + P(d.Detail) + ")";
            out_ += "\n";
        }
        auto count = [](int n, const char* what) {
            return (n ? std::to_string(n) : std::string("no")) + " " + what + (n == 1 ? "" : "s");
        };
        out_ += count(errors, "error") + ", " + count(warnings, "warning") + "\n";
    }

    const CheckResult& result_;
    const ToolbarModel& model_;
    const std::string& fileName_;
    const bool utf8_;
    std::string out_;
};

}  // namespace

std::string TextToUtf8(std::string_view text) { return Utf16ToUtf8(TextCodePage().ToUtf16(text)); }

std::string PathAsUtf8(std::string_view text) { return Utf8ToUtf16(text) ? std::string(text) : TextToUtf8(text); }

std::string FormatText(const CheckResult& result, const std::string& fileName, bool utf8) {
    return TextReport(result, fileName, utf8).Make();
}

}  // namespace vtb::check
