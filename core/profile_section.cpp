#include "core/profile_section.h"

#include <algorithm>

#include "core/ascii_case.h"

namespace vtb {

namespace {

bool SameName(std::string_view a, std::string_view b) { return AsciiEqualNoCase(a, b); }

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A value read back from the file loses a pair of matching quotes around it,
// and the file's lines lose their blanks at both ends.
bool ReadsBackChanged(std::string_view value) {
    if (value.empty()) return false;
    if (IsBlank(value.front()) || IsBlank(value.back())) return true;
    return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

}  // namespace

ProfileSection::Entry ProfileSection::Parse(std::string_view entry) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) return {std::string(entry), std::nullopt, std::nullopt};
    return {std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1)), std::nullopt};
}

// Entries end with a zero each; an empty entry (or the end) ends the list.
template <typename Char, typename Add>
void ForEachEntry(std::basic_string_view<Char> text, Add add) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(Char(0)), text.size());
        const std::basic_string_view<Char> entry = text.substr(0, end);
        if (entry.empty()) break;
        add(entry);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

ProfileSection ProfileSection::FromSectionText(std::string_view text) {
    ProfileSection section;
    ForEachEntry(text, [&section](std::string_view entry) { section.entries_.push_back(Parse(entry)); });
    return section;
}

ProfileSection ProfileSection::FromWideSectionText(Utf16View text, const CodePage& page) {
    ProfileSection section;
    ForEachEntry(text, [&section, &page](Utf16View entry) {
        bool exact = true;
        section.entries_.push_back(Parse(page.FromUtf16(entry, exact)));
        section.entries_.back().wide = Utf16String(entry);
    });
    return section;
}

std::string ProfileSection::ToSectionText() const {
    std::string text;
    for (const Entry& entry : entries_) {
        text += entry.name;
        if (entry.value) text += "=" + *entry.value;
        text += '\0';
    }
    text += '\0';
    return text;
}

Utf16String ProfileSection::ToWideSectionText(const CodePage& page) const {
    Utf16String text;
    for (const Entry& entry : entries_) {
        text += entry.wide ? *entry.wide : page.ToUtf16(entry.value ? entry.name + "=" + *entry.value : entry.name);
        text += Utf16Char(0);
    }
    text += Utf16Char(0);
    return text;
}

ProfileSection ProfileSection::Without(bool (*byName)(std::string_view name)) const {
    ProfileSection kept;
    for (const Entry& entry : entries_)
        if (!byName(entry.name)) kept.entries_.push_back(entry);
    return kept;
}

std::vector<ProfileSection::Entry>::iterator ProfileSection::Find(std::string_view name) {
    return std::find_if(entries_.begin(), entries_.end(), [name](const Entry& e) { return SameName(e.name, name); });
}

std::optional<std::string> ProfileSection::Read(const std::string& key) {
    // A line without "=" holds a name and no value: it reads as missing.
    const auto it = Find(key);
    if (it == entries_.end() || !it->value) return std::nullopt;
    std::string value = *it->value;
    // "value" and 'value' read as value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
    return value;
}

void ProfileSection::Write(const std::string& key, const std::string& text) {
    // A value is written up to its first line break (or zero byte): the file
    // holds one entry a line, so a stored text never adds or changes a key.
    const std::string value = text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
    // Quoted when reading would change it: a search for a quoted phrase keeps
    // its quotes from one toolbar to the next.
    const std::string stored = ReadsBackChanged(value) ? "\"" + value + "\"" : value;
    const auto it = Find(key);
    if (it == entries_.end()) {
        entries_.push_back({key, stored, std::nullopt});
    } else if (it->value == stored) {
        return;
    } else {
        it->value = stored;
        it->wide.reset();
    }
    changed_ = true;
}

void ProfileSection::Remove(const std::string& key) {
    const auto end =
        std::remove_if(entries_.begin(), entries_.end(), [&key](const Entry& e) { return SameName(e.name, key); });
    if (end == entries_.end()) return;
    entries_.erase(end, entries_.end());
    changed_ = true;
}

}  // namespace vtb
