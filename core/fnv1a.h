// FNV-1a, 64 bits, and its sixteen hexadecimal digits: what tells two texts
// apart in a name or a record. It guards nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vtb {

inline std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// By hand: the printf family would bring its own formatter into the DLL.
inline std::string Hex64(std::uint64_t value) {
    std::string text;
    for (int shift = 60; shift >= 0; shift -= 4) text += "0123456789abcdef"[(value >> shift) & 0xF];
    return text;
}

}  // namespace vtb
