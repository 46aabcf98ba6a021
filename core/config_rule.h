// Whether a file reads as a configuration: the rule by which the update
// command takes a downloaded file and by which the configuration checker
// calls a file broken.
#pragma once

#include <string_view>

namespace vtb {

// True when the toolbar builds from these bytes without an error of its own
// (glyph files aside): text without zero bytes, at least one section header,
// no error in any section, and a target for the search options to read when
// the user's settings are applied (a file without any target makes every
// toolbar show "List index out of bounds (0)").
bool ReadsAsConfiguration(std::string_view bytes);

}  // namespace vtb
