// Names by which the world outside the toolbar's code knows it: the band's
// class ID, under which it is registered, and the files beside the DLL. The
// installer, the build scripts and the tests name the same; a test holds
// their copies against these.
#pragma once

#include <cstdint>
#include <string_view>

namespace vtb {

// Registry form, with braces.
inline constexpr char kBandClassIdText[] = "{9C7E4B7F-1648-49D4-9A3E-CCDF350E36F8}";

// The fields of a class ID, as the system's GUID structure holds them.
struct ClassIdFields {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

namespace detail {

constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The number written in count hex digits from at; a character that is no
// hex digit makes it a compile-time error where a constant is needed.
constexpr std::uint32_t Hex(std::string_view text, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (HexDigit(text[i]) < 0) throw "not a hex digit";
        value = value * 16 + static_cast<std::uint32_t>(HexDigit(text[i]));
    }
    return value;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
constexpr ClassIdFields ParseClassId(std::string_view text) {
    if (text.size() != 38 || text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' ||
        text[24] != '-' || text[37] != '}')
        throw "not a class ID in registry form";
    ClassIdFields id{Hex(text, 1, 8),
                     static_cast<std::uint16_t>(Hex(text, 10, 4)),
                     static_cast<std::uint16_t>(Hex(text, 15, 4)),
                     {}};
    const std::size_t bytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) id.Data4[i] = static_cast<std::uint8_t>(Hex(text, bytes[i], 2));
    return id;
}

constexpr bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Whether a is b with the extension after the last "." replaced.
constexpr bool SameBaseName(std::string_view a, std::string_view b) {
    return a.substr(0, a.rfind('.')) == b.substr(0, b.rfind('.'));
}

}  // namespace detail

inline constexpr ClassIdFields kBandClassId = detail::ParseClassId(kBandClassIdText);

// The band's title: the default value of its class key, the name under which
// the browser lists the toolbar.
inline constexpr char kBandTitle[] = "Korvi Toolbar";

// The toolbar DLL, and what it finds beside itself: the configuration file
// and the machine's settings file, named after the DLL, and the button
// glyphs, named after their captions.
inline constexpr char kToolbarDllName[] = "Veltrane_ToolBar.dll";
inline constexpr char kConfigExtension[] = ".cfg";
inline constexpr char kSettingsExtension[] = ".ini";
inline constexpr char kGlyphExtension[] = ".bmp";
inline constexpr char kConfigFileName[] = "Veltrane_ToolBar.cfg";
inline constexpr char kSettingsFileName[] = "Veltrane_ToolBar.ini";

static_assert(detail::SameBaseName(kConfigFileName, kToolbarDllName) &&
                  detail::EndsWith(kConfigFileName, kConfigExtension),
              "the configuration file is the DLL's name with its own extension");
static_assert(detail::SameBaseName(kSettingsFileName, kToolbarDllName) &&
                  detail::EndsWith(kSettingsFileName, kSettingsExtension),
              "the settings file is the DLL's name with its own extension");

}  // namespace vtb
