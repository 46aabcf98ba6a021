// The whole numbers of count lines, and the message for one that is not.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vtb {

// Whole-number conversion of a count line: leading spaces, one sign, "$",
// "x" or "0x" for hexadecimal, nothing after the digits, 32-bit range.
bool ParseInteger(std::string_view text, std::int32_t& value);

// "'<text>' is not a valid integer value"
std::string InvalidIntegerMessage(std::string_view text);

}  // namespace vtb
