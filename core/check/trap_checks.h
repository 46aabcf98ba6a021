// Inside the configuration checker: the file's own errors that the reader
// does not raise, and the traps that build a toolbar silently.
#pragma once

#include <string_view>
#include <vector>

#include "core/check/config_reading.h"

namespace vtb::check {

// Adds to out: a zero byte, a file without any section header, and the
// warning of every trap, judged on the whole file as read by `full` (lines
// in badLines held errors and were made harmless for that reading). The
// file's text is as the line store holds it, in the code page.
void CheckTraps(const DecodedText& file, const LineStore& lines, const Reading& full,
                const std::vector<std::size_t>& badLines, std::vector<Diagnostic>& out);

}  // namespace vtb::check
