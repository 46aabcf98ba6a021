#include "toolbar/settings_file.h"

#include <windows.h>

#include <vector>

namespace vtb {
namespace {

constexpr char kSection[] = "Settings";
constexpr DWORD kMaxSectionSize = 1u << 20;

}  // namespace

ProfileSection ReadSettingsSection(const std::string& path) {
    // The system says a section was cut by filling all but two characters.
    for (DWORD size = 4096; size <= kMaxSectionSize; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD length = GetPrivateProfileSectionA(kSection, buffer.data(), size, path.c_str());
        if (length < size - 2 || size == kMaxSectionSize)
            return ProfileSection::FromSectionText(std::string_view(buffer.data(), length));
    }
    return ProfileSection();
}

void WriteSettingsSection(const std::string& path, const ProfileSection& section) {
    if (!section.Changed()) return;
    const std::string text = section.ToSectionText();
    if (!WritePrivateProfileSectionA(kSection, text.c_str(), path.c_str()))
        throw ToolbarError("Unable to write to " + path);
}

}  // namespace vtb
