// Letter case of the 7-bit ASCII letters alone. The toolbar's texts are in
// the system's 8-bit code page, where the same byte above 127 is another
// letter in another code page: no rule here folds those.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace vtb {

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiLowered(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

inline bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

inline bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiEqualNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace vtb
