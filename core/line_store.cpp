#include "core/line_store.h"

#include <algorithm>

namespace vtb {

void LineStore::Load(std::string_view bytes) {
    // The text ends at the first zero byte; nothing after it is seen.
    const std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);

    text_.assign(bytes.data(), bytes.size());
    starts_.clear();

    // One linear scan: CR LF, lone CR and lone LF each end a line.
    std::size_t start = 0;
    std::size_t i = 0;
    const std::size_t size = text_.size();
    while (i < size) {
        const char c = text_[i];
        if (c == '\r' || c == '\n') {
            starts_.emplace_back(start, i - start);
            if (c == '\r' && i + 1 < size && text_[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    // A last line without a line break still counts; a final empty one does not.
    if (start < size) starts_.emplace_back(start, size - start);
}

void LineStore::Clear() {
    std::string().swap(text_);
    std::vector<std::pair<std::size_t, std::size_t>>().swap(starts_);
}

std::string LineStore::Line(std::size_t index) const {
    if (index >= starts_.size()) return std::string();
    const auto& [offset, length] = starts_[index];
    return text_.substr(offset, std::min(length, kMaxLineLength));
}

bool LineStore::IsLine(std::size_t index, std::string_view text) const {
    if (index >= starts_.size()) return text.empty();
    const auto& [offset, length] = starts_[index];
    return std::string_view(text_).substr(offset, std::min(length, kMaxLineLength)) == text;
}

}  // namespace vtb
