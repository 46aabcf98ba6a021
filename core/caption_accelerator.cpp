#include "core/caption_accelerator.h"

namespace vtb {

char CaptionAccelerator(const std::string& caption) {
    char accelerator = 0;
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        ++i;  // the marked character, or the second "&" of a literal one
        if (caption[i] != '&') accelerator = caption[i];
    }
    return accelerator;
}

std::string AcceleratorKeyName(const std::string& caption) {
    char key = CaptionAccelerator(caption);
    if (key == 0) return {};
    if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
    return std::string("Alt+") + key;
}

std::string CaptionWithoutAccelerator(const std::string& caption) {
    std::string text;
    text.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            ++i;  // the marked character, or the second "&" of a literal one
            if (i == caption.size()) break;
        }
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
