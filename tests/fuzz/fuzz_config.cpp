// Feeds arbitrary bytes to the configuration reader and, read as "key=value"
// lines, to the user settings loader; checks what both promise.
#include "core/config_file.h"
#include "core/integer_field.h"
#include "core/profile_section.h"
#include "core/user_settings.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Checks every call against the target list it was made with and keeps the
// search options' tags for the settings loader.
class CheckingSink : public vtb::ConfigSink {
public:
    explicit CheckingSink(const vtb::TargetList& urls) : urls_(urls) {}

    std::array<int, vtb::kSearchOptionCount> OptionTags{};
    std::string MainCaption = "Veltrane";

    void MainButton(const std::string& caption) override { MainCaption = caption; }
    void SearchButton(const std::string&, int tag) override { Fresh(tag); }
    void SettingsButton(const std::string&, int tag) override { Fresh(tag); }
    void LinkButton(int number, const std::string&, int tag) override {
        Check(number >= 1 && number <= vtb::kLinkButtonCount);
        Fresh(tag);
    }
    void MainMenuEntry(const std::string&, int tag, bool subEntry) override {
        Check(++mainMenuEntries_ <= vtb::kMaxMenuEntries);
        Check(tag >= 0 || !subEntry);
        if (tag >= 0) Fresh(tag);
    }
    void SearchOptionsCaption(const std::string&) override {}
    void SearchOption(int number, const std::string&, int tag) override {
        Check(number >= 1 && number <= vtb::kSearchOptionCount);
        Fresh(tag);
        OptionTags[static_cast<std::size_t>(number - 1)] = tag;
    }
    void SettingsMenuEntry(const std::string&, int tag) override {
        Check(++settingsMenuEntries_ <= vtb::kMaxMenuEntries);
        if (tag >= 0) Fresh(tag);
        Check(tag >= -1);
    }

private:
    // A tag names the target appended just before the call.
    void Fresh(int tag) { Check(tag >= 0 && static_cast<std::size_t>(tag) + 1 == urls_.size()); }

    const vtb::TargetList& urls_;
    std::size_t mainMenuEntries_ = 0;
    std::size_t settingsMenuEntries_ = 0;
};

void CheckLines(const vtb::LineStore& lines) {
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string line = lines.Line(i);
        Check(line.size() <= vtb::LineStore::kMaxLineLength);
        Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        Check(lines.IsLine(i, line));
        // Both fields together are the line less its separator.
        const std::string caption = vtb::SplitField(line, 1);
        const std::string target = vtb::SplitField(line, 2);
        Check(caption.size() + target.size() + (line.find('|') != std::string::npos) == line.size());

        std::int32_t value = 0;
        if (vtb::ParseInteger(line, value)) {
            std::int32_t again = 1;
            Check(vtb::ParseInteger(std::to_string(value), again) && again == value);
        }
    }
    Check(lines.Line(lines.Count()).empty());
}

void CheckSettings(const std::string& text, const vtb::TargetList& urls,
                   const std::array<int, vtb::kSearchOptionCount>& optionTags) {
    // The bytes as the entries of a settings section, one per line.
    std::string sectionText = text;
    std::replace(sectionText.begin(), sectionText.end(), '\n', '\0');
    vtb::ProfileSection store = vtb::ProfileSection::FromSectionText(sectionText);
    const vtb::ProfileSection copy = vtb::ProfileSection::FromSectionText(store.ToSectionText());
    Check(copy.ToSectionText() == store.ToSectionText());

    const vtb::LoadedSettings loaded = vtb::LoadSettings(store, urls, optionTags, "");
    Check(loaded.History.size() <= static_cast<std::size_t>(vtb::kHistoryKeyCount));
    Check(loaded.CheckedOption >= 0 && loaded.CheckedOption <= vtb::kSearchOptionCount);
    Check(loaded.Error.empty() == loaded.ButtonsApplied);
    if (!loaded.ButtonsApplied) return;
    Check(loaded.CheckedOption > 0 && loaded.SearchMethod.has_value());

    // What is saved loads back the same, each value up to its first line
    // break (an entry left empty is no entry).
    vtb::SettingsToSave settings;
    settings.History = loaded.History;
    settings.SearchMethod = *loaded.SearchMethod;
    settings.Visible = loaded.Visible;
    vtb::SaveSettings(store, settings);
    const vtb::LoadedSettings again = vtb::LoadSettings(store, urls, optionTags, "");
    const auto stored = [](const std::string& value) {
        return value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    };
    std::vector<std::string> history;
    for (const std::string& entry : loaded.History)
        if (!stored(entry).empty()) history.push_back(stored(entry));
    Check(again.History == history);
    Check(again.Visible == loaded.Visible);
    if (stored(*loaded.SearchMethod) == *loaded.SearchMethod) Check(again.SearchMethod == loaded.SearchMethod);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    vtb::LineStore lines;
    lines.Load(text);
    CheckLines(lines);

    vtb::TargetList urls;
    vtb::ConfigValues values;
    CheckingSink sink(urls);
    try {
        vtb::ReadConfiguration(lines, urls, values, sink);
    } catch (const vtb::ToolbarError& e) {
        const std::string message = e.what();
        Check(message == "Menu index out of range" ||
              message.find("' is not a valid integer value") != std::string::npos);
    }
    CheckSettings(text, urls, sink.OptionTags);
    return 0;
}
