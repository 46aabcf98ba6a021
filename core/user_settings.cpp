#include "core/user_settings.h"

#include <algorithm>

#include "core/ascii_case.h"
#include "core/caption_accelerator.h"
#include "core/integer_field.h"
#include "core/link_layout.h"
#include "core/search.h"

namespace vtb {

namespace {

std::string HistoryKey(int n) { return kHistoryKeyPrefix + std::to_string(n); }

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

bool Holds(const std::vector<std::string>& list, const std::string& entry) {
    return std::find(list.begin(), list.end(), entry) != list.end();
}

// The search box's history rule (RecordQuery) on the merged list, kept in
// the box's sort order: a search already listed, whatever its case, is not
// added again; at the limit the first in sort order goes.
void Record(std::vector<std::string>& history, const std::string& entry, HistoryCollation collate) {
    for (const std::string& listed : history)
        if (collate(listed, entry) == 0) return;
    if (static_cast<int>(history.size()) >= kHistoryLimit) history.erase(history.begin());
    const auto before = [collate](const std::string& a, const std::string& b) { return collate(a, b) < 0; };
    history.insert(std::upper_bound(history.begin(), history.end(), entry, before), entry);
}

}  // namespace

std::vector<std::string> ReadHistory(SettingsStore& store) {
    std::vector<std::string> history;
    for (int n = 0; n < kHistoryKeyCount; ++n) {
        const std::optional<std::string> entry = store.Read(HistoryKey(n));
        if (entry && !entry->empty()) history.push_back(*entry);
    }
    return history;
}

int AsciiCollation(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::vector<std::string> MergeHistory(const std::vector<std::string>& loaded, const std::vector<std::string>& own,
                                      const std::vector<std::string>& stored, HistoryCollation collate) {
    std::vector<std::string> merged;
    for (const std::string& entry : own)
        if (!Holds(loaded, entry) || Holds(stored, entry)) merged.push_back(entry);
    for (const std::string& entry : stored)
        if (!Holds(loaded, entry)) Record(merged, entry, collate);
    return merged;
}

std::string StoredHistoryEntry(Utf16View text, const CodePage& page) {
    const std::string_view prefix = kUtf8EntryPrefix;
    if (std::optional<std::string> plain = ExactlyIn(page, text); plain && plain->compare(0, prefix.size(), prefix) != 0)
        return *plain;
    static const char kHex[] = "0123456789ABCDEF";
    std::string stored(prefix);
    for (const char c : Utf16ToUtf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '%') {
            stored += c;
        } else {
            stored += '%';
            stored += kHex[u >> 4];
            stored += kHex[u & 0x0F];
        }
    }
    return stored;
}

Utf16String HistoryEntryText(std::string_view stored, const CodePage& page) {
    const std::string_view prefix = kUtf8EntryPrefix;
    if (stored.substr(0, prefix.size()) != prefix) return page.ToUtf16(stored);
    const auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    std::string bytes;
    for (std::size_t i = prefix.size(); i < stored.size(); ++i) {
        if (stored[i] != '%') {
            bytes += stored[i];
            continue;
        }
        const int high = i + 2 < stored.size() ? hex(stored[i + 1]) : -1;
        const int low = i + 2 < stored.size() ? hex(stored[i + 2]) : -1;
        if (high < 0 || low < 0) return page.ToUtf16(stored);
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    const std::optional<Utf16String> text = Utf8ToUtf16(bytes);
    return text ? *text : page.ToUtf16(stored);
}

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

    loaded.History = ReadHistory(store);
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
        loaded.Visible[n - 1] = ParseButtonFlag(store.Read(LinkButtonName(n))).value_or(byDefault);
    }
    loaded.ButtonsApplied = true;
    return loaded;
}

void SaveSettings(SettingsStore& store, const SettingsToSave& settings) {
    if (settings.History) {
        // Other windows may have saved since this one read the file.
        const std::vector<std::string> history =
            settings.LoadedHistory ? MergeHistory(*settings.LoadedHistory, *settings.History, ReadHistory(store), settings.Collate)
                                   : *settings.History;
        const int entries = static_cast<int>(history.size());
        for (int p = 0; p < entries; ++p) store.Write(HistoryKey(p), history[static_cast<std::size_t>(p)]);
        for (int p = entries; p < kHistoryKeyCount; ++p) store.Remove(HistoryKey(p));
    }

    store.Write(kMethodKey, settings.SearchMethod);

    for (int n = 1; n <= kLinkButtonCount; ++n) store.Write(LinkButtonName(n), settings.Visible[n - 1] ? "1" : "0");
}

}  // namespace vtb
