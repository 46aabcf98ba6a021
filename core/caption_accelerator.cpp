#include "core/caption_accelerator.h"

#include "core/code_page.h"

namespace vtb {

std::string AcceleratorMarks(const std::string& caption) {
    std::string marks;
    for (std::size_t i = 0; i < caption.size(); i += CharacterLength(caption, i)) {
        if (caption[i] != '&') continue;
        if (i + 1 == caption.size()) {
            marks += '\0';
            break;
        }
        ++i;  // the marked character, or the second "&" of a literal one
        // A two-byte character is no key of its own: it marks nothing.
        if (caption[i] != '&' && CharacterLength(caption, i) == 1) marks += caption[i];
    }
    return marks;
}

char CaptionAccelerator(const std::string& caption) {
    const std::string marks = AcceleratorMarks(caption);
    for (auto it = marks.rbegin(); it != marks.rend(); ++it)
        if (*it != '\0') return *it;
    return 0;
}

std::string AcceleratorKeyName(const std::string& caption, char (*upper)(char)) {
    const char key = CaptionAccelerator(caption);
    if (key == 0) return {};
    return std::string("Alt+") + upper(key);
}

std::string CaptionWithoutAccelerator(const std::string& caption) {
    std::string text;
    text.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            ++i;  // the marked character, or the second "&" of a literal one
            if (i == caption.size()) break;
        }
        if (CharacterLength(caption, i) == 2) text += caption[i++];
        text += caption[i];
    }
    return text;
}

std::vector<std::string> GlyphFileCaptions(const std::string& caption) {
    std::vector<std::string> captions{caption};
    const std::string read = CaptionWithoutAccelerator(caption);
    if (read != caption && !read.empty()) captions.push_back(read);
    return captions;
}

std::string AnnouncedName(const std::string& caption, const std::string& placeName) {
    std::string name = CaptionWithoutAccelerator(caption);
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) return placeName;
    return name;
}

}  // namespace vtb
