// The configuration text as numbered lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vtb {

// Holds the configuration text as numbered lines.
// CR LF, lone CR and lone LF each end a line; a final empty line is not
// counted; the text ends at the first zero byte; a line reads as at most
// 4096 characters; a line number past the end reads as an empty line.
class LineStore {
public:
    static constexpr std::size_t kMaxLineLength = 4096;

    void Load(std::string_view bytes);
    void Clear();
    std::size_t Count() const { return starts_.size(); }
    std::string Line(std::size_t index) const;
    bool IsLine(std::size_t index, std::string_view text) const;

private:
    std::string text_;
    std::vector<std::pair<std::size_t, std::size_t>> starts_;  // offset, length
};

}  // namespace vtb
