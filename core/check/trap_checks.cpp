#include "core/check/trap_checks.h"

#include <algorithm>
#include <climits>
#include <map>

#include "core/ascii_case.h"
#include "core/check/button_font.h"
#include "core/caption_accelerator.h"
#include "core/code_page.h"
#include "core/display_scale.h"
#include "core/link_layout.h"

namespace vtb::check {
namespace {

std::string LineRange(std::size_t first, std::size_t last) {
    if (first == last) return "line " + std::to_string(Shown(first));
    return "lines " + std::to_string(Shown(first)) + " to " + std::to_string(Shown(last));
}


// A single "&" that marks no key a user can press with Alt: a blank or a
// sign after it, or nothing (a "&" at the end). "&&" shows one "&". The
// text names what it marks; empty when every single "&" marks a letter or
// a digit (characters beyond ASCII count as letters of the user's keyboard).
std::string MarkNoKeyMatches(const std::string& caption) {
    for (const char mark : AcceleratorMarks(caption)) {
        if (mark == '\0') return "nothing";
        const auto marked = static_cast<unsigned char>(mark);
        const bool letter = (marked >= 'a' && marked <= 'z') || (marked >= 'A' && marked <= 'Z') ||
                            (marked >= '0' && marked <= '9') || marked >= 0x80;
        if (!letter) return Quoted(std::string(1, mark));
    }
    return {};
}

// The letter of an accelerator as a key, "C" for "c".
std::string KeyOf(char accelerator) { return std::string(1, AsciiUpper(accelerator)); }

// How the checker names a button in its messages.
std::string Called(const ButtonInfo& button) {
    return button.Number > 0                    ? "link button " + std::to_string(button.Number)
           : button.Name == "Main_Menu_SpdButn" ? std::string("the main button")
           : button.Name == "Search_SpdButn"    ? std::string("the Search button")
                                                : std::string("the Settings button");
}

// The toolbar's name for a button whose caption reads out as nothing.
std::string PlaceName(const ButtonInfo& button) {
    return button.Number > 0                    ? "Link button " + std::to_string(button.Number)
           : button.Name == "Main_Menu_SpdButn" ? std::string("Main button")
           : button.Name == "Search_SpdButn"    ? std::string("Search button")
                                                : std::string("Settings button");
}


class TrapChecks {
public:
    TrapChecks(std::string_view text, const LineStore& lines, std::vector<Diagnostic>& out)
        : text_(text), lines_(lines), out_(out) {}

    void Warn(std::size_t shownLine, std::string message) {
        Diagnostic d;
        d.Line = shownLine;
        d.Level = Severity::Warning;
        d.Message = std::move(message);
        out_.push_back(std::move(d));
    }

    void Error(std::size_t shownLine, std::string message) {
        Diagnostic d;
        d.Line = shownLine;
        d.Level = Severity::Error;
        d.Message = std::move(message);
        out_.push_back(std::move(d));
    }

    // What is wrong with the bytes before any section is read.
    void Text() {
        const std::size_t zero = text_.find('\0');
        if (zero != std::string_view::npos) {
            LineStore before;
            before.LoadText(text_.substr(0, zero));
            const bool openLine = zero > 0 && text_[zero - 1] != '\n' && text_[zero - 1] != '\r';
            const std::size_t line = before.Count() - (openLine ? 1 : 0);
            Error(Shown(line),
                  "the file holds a zero byte: the toolbar reads nothing after it, and the update "
                  "command refuses the file");
        }
        bool hasHeader = false;
        for (std::size_t i = 0; i < lines_.Count(); ++i) {
            for (const char* header : kSectionHeaders) hasHeader = hasHeader || lines_.IsLine(i, header);
        }
        if (!hasHeader)
            Error(0,
                  "no section header: the toolbar builds only its built-in buttons, and the update command "
                  "refuses the file");
    }

    // Letters the code page cannot carry, in a file marked as UTF-8 or
    // UTF-16; a file saved as UTF-8 without its mark; a search encoding the
    // toolbar does not know.
    void Encoding(const DecodedText& file, const ToolbarModel& model) {
        const CodePage& page = TextCodePage();
        const std::string codePage = "code page " + std::to_string(page.Number());
        for (const std::size_t line : file.InexactLines)
            Warn(Shown(line), "the line holds a character that " + codePage +
                                  " cannot show: the toolbar shows \"?\" in its place");
        if (file.Mark == TextMark::None && page.Number() != kUtf8CodePage) {
            if (const std::optional<std::size_t> line = FirstUtf8Line(text_))
                Warn(Shown(*line), "the file looks like UTF-8 text without a byte order mark, and the toolbar "
                                   "reads it in " + codePage + ", letter by byte: save it as \"UTF-8 with BOM\" "
                                   "(\"UTF-8 with signature\"), or as 8-bit text in " + codePage);
        }
        const ValueLine& encoding = model.SearchEncoding;
        if (encoding.Line && encoding.Text != kUtf8Encoding)
            Warn(encoding.Line, "the search encoding " + Quoted(encoding.Text) + " is not " + Quoted(kUtf8Encoding) +
                                    ": the toolbar sends every query in " + codePage);
    }

    void LongLines() {
        std::size_t start = 0;
        std::size_t line = 0;
        const std::string_view text = text_.substr(0, text_.find('\0'));
        // The line store cuts lines; their lengths are seen in the bytes.
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
            if (i - start > LineStore::kMaxLineLength)
                Warn(Shown(line), "the line is " + std::to_string(i - start) +
                                      " characters long; the toolbar reads only its first 4096");
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
            ++line;
        }
    }

    // Lines that look like a header but are none.
    void NearMissHeaders() {
        std::vector<std::pair<std::string, const char*>> keys;
        for (const char* header : kSectionHeaders) keys.emplace_back(HeaderKey(header), header);
        for (std::size_t i = 0; i < lines_.Count(); ++i) {
            const std::string line = lines_.Line(i);
            if (line.size() > 64 || line.find_first_of("[]") == std::string::npos) continue;
            const std::string key = HeaderKey(line);
            for (const auto& [headerKey, header] : keys) {
                if (key == headerKey && line != header) {
                    Warn(Shown(i), Quoted(line) +
                                       " is not a section header, and the section is not read: "
                                       "write it exactly " +
                                       Quoted(header) + " (same letters and case, no spaces around it, both brackets)");
                }
            }
        }
    }

    void RepeatedHeaders(const Reading& reading) {
        std::map<std::string, std::size_t> first;
        for (const SectionRecord& section : reading.Sections) {
            const auto it = first.find(section.Header);
            if (it == first.end()) {
                first.emplace(section.Header, section.HeaderLine);
                continue;
            }
            std::string effect;
            if (section.Header == kMainMenuHeader || section.Header == kMiscMenuHeader)
                effect = "the menu shows the entries of both";
            else if (section.Header == kButtonsHeader || section.Header == kSearchMenuHeader)
                effect = "the later one sets the captions, and both add targets";
            else
                effect = "the later one wins";
            Warn(Shown(section.HeaderLine), Quoted(section.Header) + " appears again (first on line " +
                                                std::to_string(Shown(it->second)) + "): both sections are read; " +
                                                effect);
        }
    }

    // Count lines that were errors are not judged again.
    void Counts(const Reading& reading, const std::vector<std::size_t>& badLines) {
        for (const SectionRecord& section : reading.Sections) {
            if (!section.HasCount || std::find(badLines.begin(), badLines.end(), section.CountLine) != badLines.end())
                continue;
            if (section.Header == kButtonsHeader)
                ButtonCount(section);
            else
                CountAgainstLines(section, section.Header == kSearchMenuHeader ? "search method" : "entry line", 0);
        }
    }

    // Where the lines that follow a count end: at a blank line, a line
    // starting with "[" (a header), a comment (";" or "#") or the end.
    std::size_t BlockEnd(std::size_t first) const {
        std::size_t i = first;
        for (; i < lines_.Count(); ++i) {
            const std::string line = lines_.Line(i);
            const std::size_t text = line.find_first_not_of(" \t");
            if (text == std::string::npos || line[text] == '[' || line[text] == ';' || line[text] == '#') break;
        }
        return i;  // one past the last line of the block
    }

    void ButtonCount(const SectionRecord& section) {
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
    void CountAgainstLines(const SectionRecord& section, const std::string& what, int fixedLines) {
        const std::size_t first = section.HeaderLine + 2;
        const bool searchMenu = section.Header == kSearchMenuHeader;
        const std::size_t end = BlockEnd(first);
        const std::size_t lastRead = section.LastRead ? *section.LastRead + 1 : first;  // one past
        const std::string where = Quoted(section.Header) + ": the count " + std::to_string(section.Count);
        // What follows, as the operator counts it.
        std::size_t follow = end - first;
        if (searchMenu && follow > 0) --follow;  // the caption of the "Search options" sub-menu is no method
        std::string followText = std::to_string(follow) + " " + what + (follow == 1 ? "" : "s") + " follow";
        if (follow == 1) followText = "1 " + what + " follows";
        if (fixedLines > 0) followText += " (the count includes the 3 fixed buttons)";

        const bool menu = section.Header == kMainMenuHeader || section.Header == kMiscMenuHeader;
        const std::size_t available = lines_.Count() > first ? lines_.Count() - first : 0;
        if (menu && section.Count > 0 && FullMenu(section, std::min<std::size_t>(section.Count, available))) return;
        if (menu && section.Count > 0 && static_cast<std::size_t>(section.Count) > available) {
            Warn(Shown(section.CountLine), where + " runs past the end of the file: only " + std::to_string(available) +
                                               (available == 1 ? " line follows" : " lines follow"));
            return;
        }
        if (!menu && lastRead > lines_.Count()) {
            Warn(Shown(section.CountLine),
                 where + " runs past the end of the file: " + LineRange(std::max(first, lines_.Count()), lastRead - 1) +
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

    // A menu section that the reader stopped short of its lines because the
    // menu already held as many entries as the toolbar makes.
    bool FullMenu(const SectionRecord& section, std::size_t asked) {
        const std::size_t first = section.HeaderLine + 2;
        const std::size_t read = section.LastRead ? *section.LastRead + 1 - first : 0;
        if (read >= asked) return false;
        const std::string menu = section.Header == kMainMenuHeader ? "the main menu" : "the Settings menu";
        Warn(Shown(section.CountLine), Quoted(section.Header) + ": " + menu + " is full: the toolbar makes at most " +
                                           std::to_string(kMaxMenuEntries) + " entries in it, so " +
                                           LineRange(first + read, first + asked - 1) +
                                           (asked - read == 1 ? " is" : " are") + " not read");
        return true;
    }

    // What stands on the lines read by mistake.
    std::string Describe(std::size_t first, std::size_t end) const {
        std::string text;
        int shown = 0;
        for (std::size_t i = first; i < end && shown < 3; ++i, ++shown) {
            const std::string line = lines_.Line(i);
            text += shown ? ", " : " (";
            text += line.find_first_not_of(" \t") == std::string::npos ? std::string("a blank line") : Quoted(line);
        }
        if (end - first > 3) text += ", ...";
        return text.empty() ? text : text + ")";
    }

    // A "+" anywhere makes a sub-entry and costs the caption its first letter.
    void PlusSigns(const Reading& reading) {
        for (const std::size_t line : reading.SubEntryLines) {
            const std::string text = lines_.Line(line);
            const std::string caption = SplitField(text, 1);
            if (!caption.empty() && caption[0] == '+') continue;  // meant as a sub-entry
            Warn(Shown(line), Quoted(text) +
                                  " holds a \"+\", so it becomes a sub-entry of the entry above it and "
                                  "its caption loses its first letter: " +
                                  Quoted(caption.empty() ? caption : caption.substr(1)));
        }
    }

    void Buttons(const Reading& reading) {
        for (const ButtonLine& record : reading.ButtonLines) {
            const ButtonInfo& button = record.Button;
            const std::string name = Called(button);
            const std::size_t line = Shown(record.Line);
            if (button.Number > 0 && !button.Glyph.Found)
                Warn(line, name + " " + Quoted(button.Caption) + " has no glyph file " + Quoted(button.Glyph.FileName) +
                               ": it shows its caption alone");
            CaptionWidth(line, name, button);
            if (const std::string marked = MarkNoKeyMatches(button.Caption); !marked.empty())
                Warn(line, name + " " + Quoted(button.Caption) + ": a single \"&\" marks " + marked +
                               ", which no key presses; it is not shown (write \"&&\" for \"&\")");
            if (button.Number > 0 && IsCommandCode(record.Target))
                Warn(line, name + " " + Quoted(button.Caption) + " has the target " + Quoted(record.Target) +
                               ": buttons do not run command codes, only menu entries do; the button opens " +
                               Quoted(record.Target) + " as an address");
        }
        WidthAtScales(reading);
    }

    // The toolbar grows with the display's scale, the screen less so: one
    // that fits a 1366-pixel screen at 100 % may not fit a laptop's
    // 1920-pixel screen at 150 %, where the buttons past the browser
    // window's edge do not show.
    void WidthAtScales(const Reading& reading) {
        struct Display {
            int Percent;
            int ScreenWidth;
        };
        static constexpr Display kDisplays[] = {{100, 1366}, {125, 1920}, {150, 1920}, {200, 2560}};
        int links = 0;
        std::size_t line = 0;
        for (const ButtonLine& record : reading.ButtonLines) {
            if (record.Button.Number <= 0) continue;
            ++links;
            line = record.Line;
        }
        std::string widths;
        const Display* tooNarrow = nullptr;
        for (const Display& display : kDisplays) {
            const int dpi = kDesignDpi * display.Percent / 100;
            const int width = ToolbarWidth(links, ScaleToDpi(kLinkButtonWidth, dpi), ScaleToDpi(kFirstLinkSlot, dpi));
            widths += (widths.empty() ? "" : &display == std::end(kDisplays) - 1 ? " and " : ", ") +
                      std::to_string(width) + (widths.empty() ? " pixels" : "") + " at " +
                      std::to_string(display.Percent) + " %";
            if (width > display.ScreenWidth && !tooNarrow) tooNarrow = &display;
        }
        if (!tooNarrow) return;
        Warn(Shown(line), "with all " + std::to_string(links) + " link buttons shown the toolbar is " + widths +
                              ": wider than a screen " + std::to_string(tooNarrow->ScreenWidth) + " pixels wide at " +
                              std::to_string(tooNarrow->Percent) +
                              " %; the buttons past the browser window's edge do not show");
    }

    // The keyboard's way to the buttons: Alt and the letter a caption marks
    // with "&" presses the button from the search box. A button without one
    // cannot be reached (the Search button can: Enter in the box); of two
    // with the same letter only the first, in the toolbar's order, is pressed.
    void Accelerators(const ToolbarModel& model) {
        std::vector<const ButtonInfo*> buttons{&model.Main, &model.Search, &model.Settings};
        for (const ButtonInfo& link : model.Links) buttons.push_back(&link);
        std::vector<std::pair<std::string, const ButtonInfo*>> keys;
        for (const ButtonInfo* button : buttons) {
            if (!button->Configured) continue;
            const char accelerator = CaptionAccelerator(button->Caption);
            if (accelerator == 0) {
                if (button == &model.Search) continue;
                std::string warning = Called(*button) + " " + Quoted(button->Caption) +
                                      ": no letter is marked with \"&\", so a keyboard cannot reach it";
                const std::string& caption = button->Caption;
                // The first ASCII letter or digit that begins a character.
                std::size_t first = 0;
                const auto letter = [](char c) {
                    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
                };
                while (first < caption.size() && !letter(caption[first])) first += CharacterLength(caption, first);
                if (first < caption.size()) {
                    std::string marked = caption;
                    marked.insert(first, "&");
                    warning += " (" + Quoted(marked) + " would press it with Alt+" + KeyOf(caption[first]) + ")";
                }
                Warn(button->Line, warning);
                continue;
            }
            const std::string key = KeyOf(accelerator);
            for (const auto& [earlier, other] : keys) {
                if (earlier != AsciiLowered(key)) continue;
                Warn(button->Line, Called(*button) + " " + Quoted(button->Caption) + ": Alt+" + key +
                                       " is also the key of " + Called(*other) + " on line " +
                                       std::to_string(other->Line) +
                                       ", which it presses: this button cannot be "
                                       "reached from the keyboard");
                break;
            }
            keys.emplace_back(AsciiLowered(key), button);
        }
    }

    // What a screen reader announces for the buttons the toolbar ends with:
    // two alike cannot be told apart, and a caption that reads out as
    // nothing is announced by the button's place.
    void AnnouncedNames(const ToolbarModel& model) {
        std::vector<const ButtonInfo*> buttons{&model.Main, &model.Search, &model.Settings};
        for (const ButtonInfo& link : model.Links) buttons.push_back(&link);
        std::vector<std::pair<std::string, const ButtonInfo*>> announced;
        for (const ButtonInfo* button : buttons) {
            if (!button->Configured) continue;
            const std::string name = AnnouncedName(button->Caption, PlaceName(*button));
            if (name == PlaceName(*button) && CaptionWithoutAccelerator(button->Caption) != name) {
                Warn(button->Line, Called(*button) + " " + Quoted(button->Caption) +
                                       ": a screen reader would announce the caption as nothing, so the "
                                       "toolbar names the button " +
                                       Quoted(name) + " after its place");
            }
            for (const auto& [earlier, other] : announced) {
                if (earlier != AsciiLowered(name)) continue;
                Warn(button->Line, Called(*button) + " " + Quoted(button->Caption) +
                                       ": a screen reader announces it as " + Quoted(name) + ", as " + Called(*other) +
                                       " on line " + std::to_string(other->Line) +
                                       ": its users cannot tell the two apart");
                break;
            }
            announced.emplace_back(AsciiLowered(name), button);
        }
    }

    void CaptionWidth(std::size_t line, const std::string& name, const ButtonInfo& button) {
        const bool main = button.Name == "Main_Menu_SpdButn";
        const bool settings = button.Name == "Settings_SpdButn";
        const int width = main                              ? kMainButtonWidth
                          : settings                        ? kSettingsButtonWidth
                          : button.Name == "Search_SpdButn" ? kSearchButtonWidth
                                                            : kLinkButtonWidth;
        int glyphWidth = 0;
        int glyphHeight = 0;
        GlyphCell(button.Glyph, glyphWidth, glyphHeight);
        const std::string shown = ShownCaption(button.Caption, width, glyphWidth, glyphHeight, main, main || settings);
        const std::string whole = ShownCaption(button.Caption, INT_MAX / 4, glyphWidth, glyphHeight, main, false);
        if (shown == whole) return;
        const int textWidth = TextWidth(main ? kButtonFontBold : kButtonFont, whole);
        Warn(line, name + " " + Quoted(button.Caption) + ": the caption, about " + std::to_string(textWidth) +
                       " pixels wide, does not fit its " + std::to_string(width) +
                       "-pixel button and is shortened to " + Quoted(shown) +
                       " (an estimate from the toolbar's font; the preview shows the exact result)");
    }

    static bool IsCommandCode(const std::string& target) {
        for (const MenuCommand& row : kMenuCommands) {
            if (row.IsCode && target == row.Mark) return true;
        }
        return false;
    }

    void Menus(const ToolbarModel& model) {
        for (const MenuEntry& entry : model.MainMenu) {
            MenuEntryChecks(entry, model);
            for (const MenuEntry& sub : entry.SubEntries) MenuEntryChecks(sub, model);
        }
        for (const MenuEntry& entry : model.SettingsEntries) MenuEntryChecks(entry, model);
    }

    void MenuEntryChecks(const MenuEntry& entry, const ToolbarModel& model) {
        if (const std::string marked = MarkNoKeyMatches(entry.Caption); !marked.empty())
            Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) + ": a single \"&\" marks " + marked +
                                 ", which no key presses; it is not shown (write \"&&\" for \"&\")");
        if (entry.Tag < 0 || static_cast<std::size_t>(entry.Tag) >= model.Targets.size()) return;
        const std::string& target = model.Targets[static_cast<std::size_t>(entry.Tag)];
        const MenuCommand& runs = MenuCommandOfTarget(target);
        for (const MenuCommand& row : kMenuCommands) {
            const char* const code = row.Mark;
            if (!row.IsCode || !Contains(target, code) || target == code) continue;
            if (runs.Runs == Command::NewWindow)
                Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) + ": its target holds " +
                                     Quoted(runs.Mark) + ", so it opens " + Quoted(target) +
                                     " in a new window, and the " + Quoted(code) + " in it does nothing");
            else
                Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) + ": its target " + Quoted(target) +
                                     " holds " + Quoted(code) + ", so choosing it runs the command \"" + runs.Name +
                                     "\" instead of opening an address");
            break;
        }
        if (runs.Runs == Command::Update && model.UpdateURL.Text.empty())
            Warn(entry.Line, "the menu entry " + Quoted(entry.Caption) +
                                 " updates the toolbar, but the file gives no update address: the update always "
                                 "fails");
    }

    void Addresses(const ToolbarModel& model, bool hasSearchSection) {
        const ValueLine& first = model.SearchParams[0];
        if (!hasSearchSection)
            Warn(0, "no " + Quoted(kSearchParametersHeader) +
                        " section: the search address is made of the search method and the query alone");
        else if (!AsciiStartsWithNoCase(first.Text, "http://") && !AsciiStartsWithNoCase(first.Text, "https://"))
            Warn(first.Line, "the search address " + Quoted(first.Text) +
                                 " does not start with http:// or https://: the browser may not open it");
        const ValueLine& update = model.UpdateURL;
        if (!update.Text.empty() && !AsciiStartsWithNoCase(update.Text, "https://"))
            Warn(update.Line, "the update address " + Quoted(update.Text) +
                                  " is not https: anyone on the network path could replace every user's "
                                  "configuration");
    }

private:
    // Letters in lower case, without spaces, brackets and a UTF-8 mark
    // (one left inside the file when files were put together).
    static std::string HeaderKey(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        std::string key;
        for (const char c : text) {
            if (c == ' ' || c == '\t' || c == '[' || c == ']') continue;
            key += AsciiLower(c);
        }
        return key;
    }

    std::string_view text_;
    const LineStore& lines_;
    std::vector<Diagnostic>& out_;
};

}  // namespace

void CheckTraps(const DecodedText& file, const LineStore& lines, const Reading& full,
                const std::vector<std::size_t>& badLines, std::vector<Diagnostic>& out) {
    TrapChecks checks(file.Text, lines, out);
    checks.Text();
    checks.Encoding(file, full.Model);
    checks.LongLines();
    checks.NearMissHeaders();
    checks.RepeatedHeaders(full);
    checks.Counts(full, badLines);
    checks.PlusSigns(full);
    checks.Buttons(full);
    checks.AnnouncedNames(full.Model);
    checks.Accelerators(full.Model);
    checks.Menus(full.Model);
    auto has = [&full](const char* header) {
        return std::any_of(full.Sections.begin(), full.Sections.end(),
                           [header](const SectionRecord& s) { return s.Header == header; });
    };
    checks.Addresses(full.Model, has(kSearchParametersHeader));
    if (!has(kSearchMenuHeader) && has(kSearchParametersHeader))
        checks.Warn(0, "no " + Quoted(kSearchMenuHeader) +
                           " section: every search uses the first target of the file as its method");
    if (!full.Model.HasButtonsSection)
        checks.Warn(0, "no " + Quoted(kButtonsHeader) +
                           " section: the toolbar keeps its built-in captions \"Veltrane\", \"Search\" and "
                           "\"Settings\" and has no link buttons");
}

}  // namespace vtb::check
