// The user's settings: search history, search method and shown link buttons,
// kept under the section "Settings" of the INI file beside the DLL.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/config_file.h"
#include "core/toolbar_layout.h"

namespace vtb {

// The names the settings file is written with; the installer and the
// scripts keep copies, held against these by a test.
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kHistoryKeyPrefix[] = "Search History";  // then the entry's number
inline constexpr char kMethodKey[] = "Search Method";
// A link button's flag is kept under the button's name (LinkButtonName).
constexpr int kHistoryKeyCount = 8;  // "Search History0" .. "Search History7"

// Key access; section and key names match without regard to case.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> Read(const std::string& key) = 0;  // nullopt: missing
    // Both throw ToolbarError("Unable to write to <path>") when refused.
    virtual void Write(const std::string& key, const std::string& value) = 0;
    virtual void Remove(const std::string& key) = 0;
};

// A history entry as the settings file keeps it. An entry the code page
// holds is stored as it is, byte for byte. Any other (a search sent as
// UTF-8) is stored as "UTF-8:" and its UTF-8 bytes, each byte above 127,
// "%" and each control character written "%XX" (upper-case hex): plain
// ASCII that every version reads and keeps, and an earlier version shows as
// it stands. An entry the code page holds that begins with "UTF-8:" is
// stored the second way too, so every entry reads back as it was.
inline constexpr char kUtf8EntryPrefix[] = "UTF-8:";
std::string StoredHistoryEntry(Utf16View text, const CodePage& page);
// A stored value that is no well-formed "UTF-8:" form reads as code-page text.
Utf16String HistoryEntryText(std::string_view stored, const CodePage& page);

// "Enter <caption> search query"
std::string PlaceholderText(const std::string& mainCaption);

// A button key reads as a whole number; non-zero is shown. nullopt when the
// value is missing or does not convert.
std::optional<bool> ParseButtonFlag(const std::optional<std::string>& value);

struct LoadedSettings {
    std::vector<std::string> History;         // non-empty values in key order
    bool UsePlaceholder = false;              // no history: the placeholder is added and shown
    int CheckedOption = 0;                    // 1..7 to receive the check mark, 0 to leave it
    std::optional<std::string> SearchMethod;  // new module-wide method, when chosen
    bool ButtonsApplied = false;
    std::array<bool, kLinkButtonCount> Visible{};
    std::string Error;  // non-empty: loading stopped here ("List index out of bounds (%d)")
};

// optionTags are the tags of SearchOption_1..7; currentMethod the module's
// SearchMethod before loading.
LoadedSettings LoadSettings(SettingsStore& store, const TargetList& urls,
                            const std::array<int, kSearchOptionCount>& optionTags, const std::string& currentMethod);

// How the search box orders its entries and finds one already listed,
// without regard to case: below zero, zero or above zero, as strcmp. The
// system's collation under Windows; AsciiCollation where there is none.
using HistoryCollation = int (*)(const std::string& a, const std::string& b);
int AsciiCollation(const std::string& a, const std::string& b);

struct SettingsToSave {
    // Sorted, placeholder already taken out; nullopt when the list could not
    // be read (its window is gone): the stored history then stays as it is.
    std::optional<std::vector<std::string>> History;
    std::string SearchMethod;
    std::array<bool, kLinkButtonCount> Visible{};
    // The history as this window read it from the file, when it did: the
    // save then merges what other windows saved since (MergeHistory).
    std::optional<std::vector<std::string>> LoadedHistory;
    // The search box's own, for the merge.
    HistoryCollation Collate = AsciiCollation;
};

// The non-empty history entries the store holds, in key order.
std::vector<std::string> ReadHistory(SettingsStore& store);

// The history a window saves when other windows may have saved theirs
// since it read the file (loaded): its own entries stay, the entries other
// windows added since (in stored, not in loaded) come in by the search
// box's history rule, and an entry another window dropped since (a cleared
// history, one pushed out by the limit) stays dropped.
std::vector<std::string> MergeHistory(const std::vector<std::string>& loaded, const std::vector<std::string>& own,
                                      const std::vector<std::string>& stored, HistoryCollation collate = AsciiCollation);

// Writes history keys 0..p-1, removes p..7 (a cleared history stays
// cleared), then the method and the seventeen button keys. Without a
// history no history key is touched; with the loaded history the stored
// one is merged in first. Throws
// ToolbarError at the first refused write; later writes are skipped.
void SaveSettings(SettingsStore& store, const SettingsToSave& settings);

}  // namespace vtb
