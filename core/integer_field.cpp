#include "core/integer_field.h"

namespace vtb {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseInteger(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (i == text.size()) return false;  // no digits at all

    // Accumulate in 64 bits and stop as soon as the 32-bit range is left, so
    // a long run of digits cannot overflow the accumulator.
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return false;  // anything after the digits, a trailing space included
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit) return false;
    }

    // Hexadecimal is the 32-bit pattern ("$FFFFFFFF" is -1); the sign then
    // negates that pattern.
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

std::string InvalidIntegerMessage(std::string_view text) {
    std::string message = "'";
    message.append(text);
    message += "' is not a valid integer value";
    return message;
}

}  // namespace vtb
