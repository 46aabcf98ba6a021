// The configuration text as numbered lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/code_page.h"

namespace vtb {

// Holds the configuration text as numbered lines.
// A file marked as UTF-8 or UTF-16 is first converted to the text code
// page; CR LF, lone CR and lone LF each end a line; a final empty line is
// not counted; the text ends at the first zero byte; a line reads as at
// most 4096 characters; a line number past the end reads as an empty line.
class LineStore {
public:
    static constexpr std::size_t kMaxLineLength = 4096;

    void Load(std::string_view bytes);
    // Text in the code page already, as Load holds it: no mark is looked for.
    void LoadText(std::string_view text);
    void Clear();
    // How the file was marked, and the lines (from 0) with a character the
    // code page lacks ("?" stands in for it).
    TextMark Mark() const { return mark_; }
    const std::vector<std::size_t>& InexactLines() const { return inexact_; }
    // The text held a zero: what followed it was not seen.
    bool EndedAtZero() const { return endedAtZero_; }
    std::size_t Count() const { return starts_.size(); }
    std::string Line(std::size_t index) const;
    bool IsLine(std::size_t index, std::string_view text) const;

private:
    std::string text_;
    std::vector<std::pair<std::size_t, std::size_t>> starts_;  // offset, length
    TextMark mark_ = TextMark::None;
    std::vector<std::size_t> inexact_;
    bool endedAtZero_ = false;
};

}  // namespace vtb
