#include "core/bitmap_file.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace vtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// Writes a bitmap file the way common tools do; fields can be set wrong on
// purpose.
struct BmpFile {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::vector<std::uint32_t> masks;    // in the header (V2 and later) or after it
    Bytes pixels;
    std::int64_t pixelOffsetShift = 0;  // moves bfOffBits

    Bytes Build() const {
        Bytes info;
        Put32(info, headerSize);
        if (headerSize == 12) {
            Put16(info, static_cast<std::uint32_t>(width));
            Put16(info, static_cast<std::uint32_t>(height));
            Put16(info, planes);
            Put16(info, bitCount);
        } else {
            Put32(info, static_cast<std::uint32_t>(width));
            Put32(info, static_cast<std::uint32_t>(height));
            Put16(info, planes);
            Put16(info, bitCount);
            Put32(info, compression);
            Put32(info, static_cast<std::uint32_t>(pixels.size()));
            Put32(info, 2835);
            Put32(info, 2835);
            Put32(info, colorsUsed);
            Put32(info, 0);
            if (headerSize > 40) {
                for (std::size_t i = 0; i < 4; ++i) Put32(info, i < masks.size() ? masks[i] : 0);
            }
            info.resize(headerSize, 0);
            if (headerSize == 40) {
                for (const std::uint32_t mask : masks) Put32(info, mask);
            }
        }
        for (const std::uint32_t colour : palette) {
            info.push_back(static_cast<std::uint8_t>(colour));
            info.push_back(static_cast<std::uint8_t>(colour >> 8));
            info.push_back(static_cast<std::uint8_t>(colour >> 16));
            if (headerSize != 12) info.push_back(0);
        }

        Bytes file = {'B', 'M'};
        const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + pixelOffsetShift);
        Put32(file, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
        Put32(file, 0);
        Put32(file, offset);
        file.insert(file.end(), info.begin(), info.end());
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }
};

bool Decode(const Bytes& bytes, DecodedBitmap& out) { return DecodeBitmap(bytes.data(), bytes.size(), out); }

bool Refused(const Bytes& bytes) {
    DecodedBitmap out;
    return !Decode(bytes, out);
}

std::vector<std::uint32_t> PixelsOf(const BmpFile& file) {
    DecodedBitmap out;
    EXPECT_TRUE(Decode(file.Build(), out));
    return out.Pixels;
}

using Pixels = std::vector<std::uint32_t>;

// 2 x 2, 24 bits, rows stored bottom row first, each padded to 4 bytes.
BmpFile TwoByTwo24() {
    BmpFile f;
    f.width = 2;
    f.height = 2;
    f.pixels = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0,   // bottom: red, green
                0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0, 0};  // top: blue, white
    return f;
}

// ---------------------------------------------------------------------------
// Uncompressed

TEST(DecodeBitmap, TrueColourRowsComeOutTopDown) {
    DecodedBitmap out;
    ASSERT_TRUE(Decode(TwoByTwo24().Build(), out));
    EXPECT_EQ(out.Width, 2);
    EXPECT_EQ(out.Height, 2);
    EXPECT_EQ(out.BitsPerPixel, 24);
    EXPECT_FALSE(out.Monochrome);
    EXPECT_EQ(out.Pixels, (Pixels{0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}));
    EXPECT_EQ(out.At(1, 0), 0xFFFFFFu);

    BmpFile topDown = TwoByTwo24();
    topDown.height = -2;
    EXPECT_EQ(PixelsOf(topDown), (Pixels{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
}

TEST(DecodeBitmap, MonochromeWithPaddedRows) {
    BmpFile f;
    f.width = 9;
    f.height = 1;
    f.bitCount = 1;
    f.palette = {0x000000, 0xFFFFFF};
    f.pixels = {0xA5, 0x80, 0x00, 0x00};  // 1010 0101 1
    DecodedBitmap out;
    ASSERT_TRUE(Decode(f.Build(), out));
    EXPECT_TRUE(out.Monochrome);
    const std::uint32_t W = 0xFFFFFF;
    EXPECT_EQ(out.Pixels, (Pixels{W, 0, W, 0, 0, W, 0, W, W}));
}

TEST(DecodeBitmap, SixteenAndTwoHundredFiftySixColours) {
    BmpFile f;
    f.width = 3;
    f.height = 1;
    f.bitCount = 4;
    f.palette.assign(16, 0);
    f.palette[1] = 0x800000;
    f.palette[15] = 0x00FFFF;
    f.pixels = {0x1F, 0x10, 0, 0};
    EXPECT_EQ(PixelsOf(f), (Pixels{0x800000, 0x00FFFF, 0x800000}));

    f.bitCount = 8;
    f.palette.assign(256, 0x123456);
    f.palette[200] = 0xABCDEF;
    f.pixels = {200, 7, 200, 0};
    EXPECT_EQ(PixelsOf(f), (Pixels{0xABCDEF, 0x123456, 0xABCDEF}));
}

TEST(DecodeBitmap, ShortPaletteLeavesOtherIndexesBlack) {
    BmpFile f;
    f.width = 2;
    f.bitCount = 8;
    f.colorsUsed = 2;
    f.palette = {0x111111, 0x222222};
    f.pixels = {1, 255, 0, 0};
    EXPECT_EQ(PixelsOf(f), (Pixels{0x222222, 0x000000}));
}

TEST(DecodeBitmap, SixteenBitDefaultsToFiveBitsPerChannel) {
    BmpFile f;
    f.width = 2;
    f.bitCount = 16;
    f.pixels = {0x00, 0x7C, 0x1F, 0x00};  // 0x7C00 red, 0x001F blue
    EXPECT_EQ(PixelsOf(f), (Pixels{0xFF0000, 0x0000FF}));
}

TEST(DecodeBitmap, BitFieldsAfterThePlainInfoHeader) {
    BmpFile f;
    f.width = 2;
    f.bitCount = 16;
    f.compression = 3;
    f.masks = {0xF800, 0x07E0, 0x001F};   // 5-6-5
    f.pixels = {0xE0, 0x07, 0x10, 0x84};  // pure green; 0x8410 mid grey
    EXPECT_EQ(PixelsOf(f), (Pixels{0x00FF00, 0x848284}));
}

TEST(DecodeBitmap, ThirtyTwoBitsPlainAndWithMasksInV4AndV5Headers) {
    BmpFile f;
    f.width = 1;
    f.bitCount = 32;
    f.pixels = {0x33, 0x22, 0x11, 0xFF};
    EXPECT_EQ(PixelsOf(f), (Pixels{0x112233}));

    for (const std::uint32_t headerSize : {52u, 56u, 108u, 124u}) {
        f.headerSize = headerSize;
        f.compression = 3;
        f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // stored as R G B A
        EXPECT_EQ(PixelsOf(f), (Pixels{0x332211})) << headerSize;
    }
}

TEST(DecodeBitmap, CoreHeaderWithThreeBytePalette) {
    BmpFile f;
    f.headerSize = 12;
    f.width = 2;
    f.height = 2;
    f.bitCount = 1;
    f.palette = {0x0000FF, 0xFF0000};
    f.pixels = {0x40, 0, 0, 0, 0x80, 0, 0, 0};
    EXPECT_EQ(PixelsOf(f), (Pixels{0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000}));
}

TEST(DecodeBitmap, GapBetweenPaletteAndPixelsIsAllowed) {
    BmpFile f = TwoByTwo24();
    f.pixels.insert(f.pixels.begin(), 6, 0xEE);
    f.pixelOffsetShift = 6;
    EXPECT_EQ(PixelsOf(f), (Pixels{0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}));
}

// ---------------------------------------------------------------------------
// Run-length encoded

BmpFile Rle8(Bytes data, std::int32_t width = 4, std::int32_t height = 2) {
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bitCount = 8;
    f.compression = 1;
    f.palette.assign(256, 0);
    for (std::uint32_t i = 0; i < 256; ++i) f.palette[i] = 0x010101 * i;
    f.pixels = std::move(data);
    return f;
}

TEST(DecodeBitmapRunLength, EightBitRunsLiteralsAndLineEnds) {
    // Bottom row: a run of three 5s and one 9; top row: the literal 1 2 3
    // (padded to a 16-bit boundary) and a run of one 4.
    const BmpFile f = Rle8({3, 5, 1, 9, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1});
    EXPECT_EQ(PixelsOf(f), (Pixels{0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x050505, 0x050505, 0x090909}));
}

TEST(DecodeBitmapRunLength, DeltaSkipsPixelsWhichStayBlack) {
    // Move right 2 and up 1, then one pixel of colour 7.
    const BmpFile f = Rle8({0, 2, 2, 1, 1, 7, 0, 1});
    EXPECT_EQ(PixelsOf(f), (Pixels{0, 0, 0x070707, 0, 0, 0, 0, 0}));
}

TEST(DecodeBitmapRunLength, RunsPastTheEdgeAreClipped) {
    // A run of 255 on a row of 2, then a literal of 5 (padded to 6 bytes).
    const BmpFile f = Rle8({255, 6, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, 2, 2);
    EXPECT_EQ(PixelsOf(f), (Pixels{0x010101, 0x020202, 0x060606, 0x060606}));
    // A move beyond the last row ends the picture.
    EXPECT_EQ(PixelsOf(Rle8({1, 3, 0, 2, 200, 200}, 2, 2)), (Pixels{0, 0, 0x030303, 0}));
}

TEST(DecodeBitmapRunLength, FourBitRunsAlternateTheirTwoColours) {
    BmpFile f;
    f.width = 7;
    f.height = 1;
    f.bitCount = 4;
    f.compression = 2;
    f.palette.assign(16, 0);
    for (std::uint32_t i = 0; i < 16; ++i) f.palette[i] = i;
    // A run of 3 alternating 1 and 2, then the literal 3 4 5 (two bytes),
    // then the literal 6 (one byte, padded to two).
    f.pixels = {3, 0x12, 0, 3, 0x34, 0x50, 0, 3, 0x67, 0x80, 0, 1};
    EXPECT_EQ(PixelsOf(f), (Pixels{1, 2, 1, 3, 4, 5, 6}));
    f.pixels = {0, 5, 0x12, 0x34, 0x50, 0, 1};
    EXPECT_TRUE(Refused(f.Build())) << "a literal of three bytes is padded to four";
}

TEST(DecodeBitmapRunLength, EndsWithoutMarkerOnceEveryRowIsDone) {
    EXPECT_EQ(PixelsOf(Rle8({4, 1, 0, 0, 4, 2, 0, 0}, 4, 2)).size(), 8u);
}

TEST(DecodeBitmapRunLength, RefusesMalformedData) {
    EXPECT_TRUE(Refused(Rle8({4, 1, 0, 0}).Build())) << "stops before the last row";
    EXPECT_TRUE(Refused(Rle8({0, 5, 1, 2, 3}).Build())) << "literal cut short";
    EXPECT_TRUE(Refused(Rle8({0, 2, 1}).Build())) << "delta cut short";
    EXPECT_TRUE(Refused(Rle8({}).Build()));

    BmpFile topDown = Rle8({0, 1});
    topDown.height = -2;
    EXPECT_TRUE(Refused(topDown.Build())) << "run lengths start at the bottom row";

    BmpFile wrongDepth = Rle8({0, 1});
    wrongDepth.bitCount = 4;
    wrongDepth.palette.resize(16);
    EXPECT_TRUE(Refused(wrongDepth.Build()));
}

// ---------------------------------------------------------------------------
// Refused files

TEST(DecodeBitmapRefuses, EveryTruncation) {
    std::vector<Bytes> files = {TwoByTwo24().Build(), Rle8({3, 5, 1, 9, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1}).Build()};
    BmpFile core;
    core.headerSize = 12;
    core.bitCount = 8;
    core.palette.assign(256, 0x808080);
    core.pixels = {1, 0, 0, 0};
    files.push_back(core.Build());

    for (const Bytes& file : files) {
        ASSERT_FALSE(Refused(file));
        for (std::size_t size = 0; size < file.size(); ++size) {
            DecodedBitmap out;
            EXPECT_FALSE(DecodeBitmap(file.data(), size, out)) << size << " of " << file.size();
        }
    }
    DecodedBitmap out;
    EXPECT_FALSE(DecodeBitmap(nullptr, 0, out));
}

TEST(DecodeBitmapRefuses, BadHeaders) {
    Bytes notBm = TwoByTwo24().Build();
    notBm[1] = 'A';
    EXPECT_TRUE(Refused(notBm));

    auto refusedWith = [](auto change) {
        BmpFile f = TwoByTwo24();
        change(f);
        return Refused(f.Build());
    };
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.headerSize = 64; }));  // no header we know
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.planes = 2; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.bitCount = 2; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.bitCount = 0; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.compression = 4; }));  // embedded JPEG
    EXPECT_TRUE(refusedWith([](BmpFile& f) {
        f.compression = 3;
        f.masks = {0xFF, 0xFF00, 0xFF0000};
    })) << "bit fields need 16 or 32 bits";
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.width = 0; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.width = -2; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.height = 0; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.height = INT32_MIN; }));
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.pixelOffsetShift = -4; })) << "pixels inside the header";
    EXPECT_TRUE(refusedWith([](BmpFile& f) { f.pixelOffsetShift = 1000; }));
}

TEST(DecodeBitmapRefuses, AbsurdSizesBeforeAllocating) {
    BmpFile f = TwoByTwo24();
    f.width = 5000;
    f.height = 5000;  // 25M pixels
    EXPECT_TRUE(Refused(f.Build()));
    f.width = INT32_MAX;
    f.height = -INT32_MAX;
    EXPECT_TRUE(Refused(f.Build()));
    f.width = 4096;
    f.height = 4096;  // at the limit, but the pixels are not there
    EXPECT_TRUE(Refused(f.Build()));
}

TEST(DecodeBitmapRefuses, InconsistentPalettesAndMasks) {
    BmpFile f;
    f.bitCount = 4;
    f.colorsUsed = 17;
    f.palette.assign(17, 0);
    f.pixels = {0, 0, 0, 0};
    EXPECT_TRUE(Refused(f.Build())) << "more colours than four bits can index";

    f.colorsUsed = 0;
    f.palette.assign(4, 0);  // 16 entries needed, and no room for them
    EXPECT_TRUE(Refused(f.Build()));

    BmpFile masked;
    masked.bitCount = 16;
    masked.compression = 3;
    masked.pixels = {0, 0, 0, 0};
    masked.masks = {0xF0F0, 0x0F00, 0x000F};
    EXPECT_TRUE(Refused(masked.Build())) << "a mask with a gap";
    masked.masks = {0x1F0000, 0x07E0, 0x001F};
    EXPECT_TRUE(Refused(masked.Build())) << "a mask wider than the pixel";
    masked.masks = {0xF800, 0x07E0, 0x001F};
    EXPECT_FALSE(Refused(masked.Build()));
}

TEST(DecodeBitmapRefuses, OutputIsUntouchedOnFailure) {
    DecodedBitmap out;
    out.Width = 7;
    out.Pixels = {1, 2, 3};
    Bytes file = TwoByTwo24().Build();
    file.pop_back();
    EXPECT_FALSE(Decode(file, out));
    EXPECT_EQ(out.Width, 7);
    EXPECT_EQ(out.Pixels, (Pixels{1, 2, 3}));
}

}  // namespace
}  // namespace vtb
