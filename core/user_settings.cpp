#include "core/user_settings.h"

#include "core/caption_accelerator.h"
#include "core/integer_field.h"

namespace vtb {

namespace {

const char kHistoryKey[] = "Search History";
const char kMethodKey[] = "Search Method";
const char kButtonKey[] = "SpdButn_";

std::string HistoryKey(int n) { return kHistoryKey + std::to_string(n); }

std::string ButtonKey(int n) { return kButtonKey + std::to_string(n); }

// The method text of the search option with this tag; an error text when the
// tag lies outside the list.
bool OptionText(const TargetList& urls, int tag, std::string& text, std::string& error) {
    if (tag < 0 || static_cast<std::size_t>(tag) >= urls.size()) {
        error = "List index out of bounds (" + std::to_string(tag) + ")";
        return false;
    }
    text = urls[static_cast<std::size_t>(tag)];
    return true;
}

}  // namespace

std::string PlaceholderText(const std::string& mainCaption) {
    // The caption as it reads, without the marker of its accelerator.
    return "Enter " + CaptionWithoutAccelerator(mainCaption) + " search query";
}

std::optional<bool> ParseButtonFlag(const std::optional<std::string>& value) {
    std::int32_t number = 0;
    if (!value || !ParseInteger(*value, number)) return std::nullopt;
    return number != 0;
}

LoadedSettings LoadSettings(SettingsStore& store, const TargetList& urls,
                            const std::array<int, kSearchOptionCount>& optionTags, const std::string& currentMethod) {
    LoadedSettings loaded;

    for (int n = 0; n < kHistoryKeyCount; ++n) {
        const std::optional<std::string> entry = store.Read(HistoryKey(n));
        if (entry && !entry->empty()) loaded.History.push_back(*entry);
    }
    loaded.UsePlaceholder = loaded.History.empty();

    // The stored method, or the first option's text when there is none,
    // selects the first option in number order whose text equals it.
    for (int k = 1; k <= kSearchOptionCount; ++k) {
        std::string text;
        if (!OptionText(urls, optionTags[k - 1], text, loaded.Error)) return loaded;
        const std::string stored = store.Read(kMethodKey).value_or(text);
        if (stored == text) {
            loaded.CheckedOption = k;
            loaded.SearchMethod = text;
            break;
        }
    }
    // No match: a method chosen earlier in the process stays; without one
    // the first option is taken.
    if (loaded.CheckedOption == 0 && currentMethod.empty()) {
        loaded.CheckedOption = 1;
        loaded.SearchMethod = urls[static_cast<std::size_t>(optionTags[0])];
    }

    for (int n = 1; n <= kLinkButtonCount; ++n) {
        const bool byDefault = n == 1;
        loaded.Visible[n - 1] = ParseButtonFlag(store.Read(ButtonKey(n))).value_or(byDefault);
    }
    loaded.ButtonsApplied = true;
    return loaded;
}

void SaveSettings(SettingsStore& store, const SettingsToSave& settings) {
    if (settings.History) {
        const std::vector<std::string>& history = *settings.History;
        const int entries = static_cast<int>(history.size());
        for (int p = 0; p < entries; ++p) store.Write(HistoryKey(p), history[static_cast<std::size_t>(p)]);
        for (int p = entries; p < kHistoryKeyCount; ++p) store.Remove(HistoryKey(p));
    }

    store.Write(kMethodKey, settings.SearchMethod);

    for (int n = 1; n <= kLinkButtonCount; ++n) store.Write(ButtonKey(n), settings.Visible[n - 1] ? "1" : "0");
}

}  // namespace vtb
