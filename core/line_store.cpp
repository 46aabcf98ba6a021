#include "core/line_store.h"

#include <algorithm>

namespace vtb {

void LineStore::Load(std::string_view bytes) {
    if (MarkOf(bytes) == TextMark::None) return LoadText(bytes);
    DecodedText decoded = DecodeMarkedText(bytes, TextCodePage());
    LoadText(decoded.Text);
    mark_ = decoded.Mark;
    inexact_ = std::move(decoded.InexactLines);
}

void LineStore::LoadText(std::string_view text) {
    mark_ = TextMark::None;
    inexact_.clear();
    text_.assign(text.data(), text.size());
    // The text ends at the first zero byte; nothing after it is seen.
    const std::size_t zero = text_.find('\0');
    endedAtZero_ = zero != std::string::npos;
    if (endedAtZero_) text_.resize(zero);
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
    mark_ = TextMark::None;
    std::vector<std::size_t>().swap(inexact_);
    endedAtZero_ = false;
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
