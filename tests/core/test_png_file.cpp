#include "core/check/png_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtb::check {
namespace {

const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

std::uint32_t U32(const std::string& s, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

TEST(PngChecksums, MatchTheirPublishedCheckValues) {
    const std::string digits = "123456789";
    EXPECT_EQ(Crc32(Bytes(digits), digits.size()), 0xCBF43926u);
    EXPECT_EQ(Adler32(Bytes(std::string("Wikipedia")), 9), 0x11E60398u);
    // Both can be fed in pieces.
    EXPECT_EQ(Crc32(Bytes(digits) + 4, 5, Crc32(Bytes(digits), 4)), 0xCBF43926u);
    EXPECT_EQ(Adler32(Bytes(std::string("pedia")), 5, Adler32(Bytes(std::string("Wiki")), 4)), 0x11E60398u);
}

// Reads the chunks back, checks their CRCs and undoes the stored blocks.
struct DecodedPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string header;
    std::string raw;  // filter bytes and RGB
    std::vector<std::string> types;
    int blocks = 0;
};

DecodedPng Decode(const std::string& png) {
    DecodedPng out;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::string zlib;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = U32(png, at);
        const std::string type = png.substr(at + 4, 4);
        const std::string data = png.substr(at + 8, length);
        EXPECT_EQ(U32(png, at + 8 + length), Crc32(Bytes(png) + at + 4, 4 + length)) << type;
        out.types.push_back(type);
        if (type == "IHDR") out.header = data;
        if (type == "IDAT") zlib += data;
        at += 12 + length;
    }
    out.width = U32(out.header, 0);
    out.height = U32(out.header, 4);
    EXPECT_EQ((static_cast<unsigned char>(zlib[0]) * 256 + static_cast<unsigned char>(zlib[1])) % 31, 0);
    std::size_t at = 2;
    for (bool last = false; !last && at + 5 <= zlib.size(); ++out.blocks) {
        last = zlib[at] & 1;
        EXPECT_EQ(zlib[at] & 6, 0) << "stored block";
        const unsigned len = static_cast<unsigned char>(zlib[at + 1]) | static_cast<unsigned char>(zlib[at + 2]) << 8;
        const unsigned nlen = static_cast<unsigned char>(zlib[at + 3]) | static_cast<unsigned char>(zlib[at + 4]) << 8;
        EXPECT_EQ(len ^ 0xFFFFu, nlen);
        out.raw += zlib.substr(at + 5, len);
        at += 5 + len;
    }
    EXPECT_EQ(at + 4, zlib.size());
    EXPECT_EQ(U32(zlib, at), Adler32(Bytes(out.raw), out.raw.size()));
    return out;
}

TEST(EncodePng, WritesEightBitRgbRowsWithoutFilters) {
    const std::vector<std::uint32_t> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
    const DecodedPng png = Decode(EncodePng(3, 2, pixels));
    EXPECT_EQ(png.types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(png.width, 3u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(png.header.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
    EXPECT_EQ(png.raw, std::string("\0\xFF\0\0\0\xFF\0\0\0\xFF"
                                   "\0\x12\x34\x56\xFF\xFF\xFF\0\0\0",
                                   20));
}

TEST(EncodePng, LargeImagesTakeSeveralStoredBlocks) {
    const int width = 1545;
    const int height = 60;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    const DecodedPng png = Decode(EncodePng(width, height, pixels));
    ASSERT_EQ(png.raw.size(), static_cast<std::size_t>(height) * (1 + 3 * width));
    EXPECT_EQ(png.blocks, 5);
    const std::size_t row = 37;
    const std::size_t column = 1000;
    const std::uint32_t p = pixels[row * width + column];
    const std::size_t at = row * (1 + 3 * width) + 1 + 3 * column;
    EXPECT_EQ(static_cast<unsigned char>(png.raw[at]), p >> 16);
    EXPECT_EQ(static_cast<unsigned char>(png.raw[at + 2]), p & 0xFF);
}

TEST(EncodePng, RefusesSizesThatDoNotMatch) {
    EXPECT_TRUE(EncodePng(0, 1, {}).empty());
    EXPECT_TRUE(EncodePng(2, 2, {1, 2, 3}).empty());
    EXPECT_TRUE(EncodePng(-1, -1, {1}).empty());
}

}  // namespace
}  // namespace vtb::check
