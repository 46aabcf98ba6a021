// One section of a profile (INI) file held in memory, as the system's
// profile functions hand it over and take it back whole: "key=value" entries
// in file order. Reading it follows the rules of reading a single key:
// names match without regard to case, the first entry of a name counts, a
// value in a pair of matching quotes loses them, and at most 2047 characters
// are read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/code_page.h"
#include "core/user_settings.h"

namespace vtb {

class ProfileSection : public SettingsStore {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    // From the text the system gives for a section: entries ending with a
    // zero byte each, an empty entry (or the end) ending the list.
    static ProfileSection FromSectionText(std::string_view text);
    // The same form, for writing the section back whole.
    std::string ToSectionText() const;
    // The same in UTF-16, as the system's wide profile functions hand it
    // over: read through the code page, and an entry the toolbar did not
    // change written back exactly as it came, letters the code page lacks
    // included (another program's keys in a file it keeps in UTF-16).
    static ProfileSection FromWideSectionText(Utf16View text, const CodePage& page);
    Utf16String ToWideSectionText(const CodePage& page) const;

    std::optional<std::string> Read(const std::string& key) override;
    // Replaces the value of the first entry of that name, or adds one at the
    // end; a value that would not read back as it is goes in quotes, and a
    // value holding a line break is written up to it.
    void Write(const std::string& key, const std::string& value) override;
    // Removes every entry of that name.
    void Remove(const std::string& key) override;

    // No entry at all.
    bool Empty() const { return entries_.empty(); }

    // The same section without the entries of those names, as read.
    ProfileSection Without(bool (*byName)(std::string_view name)) const;

    // A write or removal changed the section since it was read.
    bool Changed() const { return changed_; }

private:
    struct Entry {
        std::string name;
        std::optional<std::string> value;  // none: a line without "="
        std::optional<Utf16String> wide;  // the entry as the file gave it, while unchanged
    };
    static Entry Parse(std::string_view entry);
    std::vector<Entry>::iterator Find(std::string_view name);

    std::vector<Entry> entries_;
    bool changed_ = false;
};

}  // namespace vtb
