#include "core/config_file.h"

#include <algorithm>
#include <cstdint>

#include "core/code_page.h"
#include "core/integer_field.h"
#include "core/toolbar_layout.h"

namespace vtb {

// ---------------------------------------------------------------------------
// Fields

std::string SplitField(std::string_view line, int which) {
    const std::size_t bar = FindCharacter(line, '|');
    if (which == 1) return bar == std::string_view::npos ? std::string() : std::string(line.substr(0, bar));
    if (which == 2) return bar == std::string_view::npos ? std::string(line) : std::string(line.substr(bar + 1));
    return std::string();
}

// ---------------------------------------------------------------------------
// Section passes

namespace {

class ConfigReader {
public:
    ConfigReader(const LineStore& lines, TargetList& urls, ConfigValues& values, ConfigSink& sink)
        : lines_(lines), urls_(urls), values_(values), sink_(sink) {}

    void Run() {
        sink_.LayoutLine(0);
        const std::string first = lines_.Line(0);
        values_.ConfigVersion = SplitField(first, 1);
        values_.ConfigVersionNote = SplitField(first, 2);
        values_.SearchEncoding.clear();

        Pass(kButtonsHeader, &ConfigReader::Buttons);
        Pass(kMainMenuHeader, &ConfigReader::MainMenu);
        Pass(kSearchMenuHeader, &ConfigReader::SearchOptions);
        Pass(kMiscMenuHeader, &ConfigReader::SettingsMisc);
        Pass(kSearchParametersHeader, &ConfigReader::SearchParameters);
        Pass(kUpdateUrlHeader, &ConfigReader::UpdateUrl);
        Pass(kSearchEncodingHeader, &ConfigReader::SearchEncoding);
    }

private:
    using Section = void (ConfigReader::*)(std::size_t header);

    // Every header of the kind is processed, in file order.
    void Pass(std::string_view header, Section section) {
        const std::size_t count = lines_.Count();
        for (std::size_t h = 0; h < count; ++h) {
            if (lines_.IsLine(h, header)) {
                sink_.SectionHeader(std::string(header), h);
                (this->*section)(h);
            }
        }
    }

    std::int32_t CountAt(std::size_t line) const {
        sink_.LayoutLine(line);
        const std::string text = lines_.Line(line);
        std::int32_t count = 0;
        if (!ParseInteger(text, count)) throw ToolbarError(InvalidIntegerMessage(text));
        sink_.CountLine(line, count);
        return count;
    }

    std::string LineAt(std::size_t line) const {
        sink_.LayoutLine(line);
        return lines_.Line(line);
    }

    // A menu section has count entry lines; those past the end of the file
    // read as empty lines and make empty entries. No menu gets more entries
    // than a full menu holds (made counts this menu's entries from earlier
    // sections), so a huge count cannot hang construction.
    static std::size_t MenuEntries(std::int32_t count, std::size_t made) {
        if (count <= 0 || made >= kMaxMenuEntries) return 0;
        return std::min(static_cast<std::size_t>(count), kMaxMenuEntries - made);
    }

    int Append(std::string target) {
        urls_.push_back(std::move(target));
        return static_cast<int>(urls_.size() - 1);
    }

    void Buttons(std::size_t h) {
        const std::int32_t count = CountAt(h + 1);

        // The main button's glyph is loaded before its target is appended.
        std::string line = LineAt(h + 2);
        sink_.MainButton(SplitField(line, 1));
        Append(SplitField(line, 2));

        line = LineAt(h + 3);
        int tag = Append(SplitField(line, 2));
        sink_.SearchButton(SplitField(line, 1), tag);

        line = LineAt(h + 4);
        tag = Append(SplitField(line, 2));
        sink_.SettingsButton(SplitField(line, 1), tag);

        // The count includes the three fixed buttons.
        for (int n = 1; n <= kLinkButtonCount && count >= n + 3; ++n) {
            line = LineAt(h + 4 + static_cast<std::size_t>(n));
            tag = Append(SplitField(line, 2));
            sink_.LinkButton(n, SplitField(line, 1), tag);
        }
    }

    void MainMenu(std::size_t h) {
        const std::size_t entries = MenuEntries(CountAt(h + 1), mainMenuEntries_);
        for (std::size_t j = 0; j < entries; ++j, ++mainMenuEntries_) {
            const std::string line = LineAt(h + 2 + j);
            const std::string caption = SplitField(line, 1);
            if (FindCharacter(line, '+') != std::string::npos) {
                // A "+" anywhere makes a sub-entry; its caption loses its
                // first character (the marker when there is one). The entry
                // exists and its target is appended before it is placed.
                const int tag = Append(SplitField(line, 2));
                if (!haveTopLevelEntry_) throw ToolbarError("Menu index out of range");
                sink_.MainMenuEntry(caption.empty() ? caption : caption.substr(CharacterLength(caption, 0)), tag, true);
            } else {
                std::string target = SplitField(line, 2);
                const int tag = target.empty() ? -1 : Append(std::move(target));
                sink_.MainMenuEntry(caption, tag, false);
                haveTopLevelEntry_ = true;
            }
        }
    }

    void SearchOptions(std::size_t h) {
        const std::int32_t count = CountAt(h + 1);
        sink_.SearchOptionsCaption(SplitField(LineAt(h + 2), 1));

        // Options 4 and 5 share one threshold.
        const bool read[kSearchOptionCount] = {true, true, true, count >= 5, count >= 5, count >= 6, count >= 7};
        for (int n = 1; n <= kSearchOptionCount; ++n) {
            if (!read[n - 1]) continue;
            const std::string line = LineAt(h + 2 + static_cast<std::size_t>(n));
            const int tag = Append(SplitField(line, 2));
            sink_.SearchOption(n, SplitField(line, 1), tag);
        }
    }

    void SettingsMisc(std::size_t h) {
        const std::size_t entries = MenuEntries(CountAt(h + 1), settingsMenuEntries_);
        for (std::size_t j = 0; j < entries; ++j, ++settingsMenuEntries_) {
            const std::string line = LineAt(h + 2 + j);
            std::string target = SplitField(line, 2);
            const int tag = target.empty() ? -1 : Append(std::move(target));
            sink_.SettingsMenuEntry(SplitField(line, 1), tag);
        }
    }

    void SearchParameters(std::size_t h) {
        values_.SearchParam1 = LineAt(h + 1);
        values_.SearchParam2 = LineAt(h + 2);
        values_.SearchParam3 = LineAt(h + 3);
    }

    void UpdateUrl(std::size_t h) { values_.UpdateURL = LineAt(h + 1); }

    void SearchEncoding(std::size_t h) { values_.SearchEncoding = LineAt(h + 1); }

    const LineStore& lines_;
    TargetList& urls_;
    ConfigValues& values_;
    ConfigSink& sink_;
    // Sub-entries go under the last top-level entry, across repeated sections.
    bool haveTopLevelEntry_ = false;
    std::size_t mainMenuEntries_ = 0;
    std::size_t settingsMenuEntries_ = 0;
};

}  // namespace

void ReadConfiguration(const LineStore& lines, TargetList& urls, ConfigValues& values, ConfigSink& sink) {
    ConfigReader(lines, urls, values, sink).Run();
}

}  // namespace vtb
