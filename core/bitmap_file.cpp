#include "core/bitmap_file.h"

#include <array>
#include <limits>

namespace vtb {

namespace {

// Glyphs are small; anything past this many pixels is refused rather than
// allocated.
constexpr std::uint64_t kMaxPixels = 16u * 1024u * 1024u;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

// Little-endian reads from a range known to hold the bytes.
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

// One colour channel described by a bit mask, scaled to 8 bits.
class Channel {
public:
    // False for a mask whose bits are not one contiguous run.
    bool Set(std::uint32_t mask) {
        shift_ = 0;
        bits_ = 0;
        if (mask == 0) return true;  // a missing channel reads as 0
        while (!(mask & 1u)) {
            mask >>= 1;
            ++shift_;
        }
        while (mask & 1u) {
            mask >>= 1;
            ++bits_;
        }
        return mask == 0;
    }

    std::uint8_t Of(std::uint32_t pixel) const {
        if (bits_ == 0) return 0;
        const std::uint64_t max = (std::uint64_t{1} << bits_) - 1;
        const std::uint64_t value = (pixel >> shift_) & max;
        return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
    }

private:
    unsigned shift_ = 0;
    unsigned bits_ = 0;
};

struct Header {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: top-down
    unsigned bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
};

class Decoder {
public:
    Decoder(const std::uint8_t* data, std::size_t size, DecodedBitmap& out) : data_(data), size_(size), out_(out) {}

    bool Run() {
        if (!data_ || size_ < kFileHeaderSize + 4 || data_[0] != 'B' || data_[1] != 'M') return false;
        pixelOffset_ = U32(data_ + 10);
        return ReadHeader() && CheckLayout() && ReadPalette() && ReadMasks() && Allocate() && ReadPixels();
    }

private:
    bool Has(std::uint64_t offset, std::uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

    bool ReadHeader() {
        const std::uint8_t* h = data_ + kFileHeaderSize;
        header_.size = U32(h);
        if (!Has(kFileHeaderSize, header_.size)) return false;
        if (header_.size == kCoreHeaderSize) {
            header_.width = U16(h + 4);
            header_.height = U16(h + 6);
            if (U16(h + 8) != 1) return false;
            header_.bitCount = U16(h + 10);
            return header_.bitCount == 1 || header_.bitCount == 4 || header_.bitCount == 8 || header_.bitCount == 24;
        }
        // The info header and its later versions (with masks, V4, V5).
        if (header_.size != 40 && header_.size != 52 && header_.size != 56 && header_.size != 108 &&
            header_.size != 124)
            return false;
        header_.width = static_cast<std::int32_t>(U32(h + 4));
        header_.height = static_cast<std::int32_t>(U32(h + 8));
        if (U16(h + 12) != 1) return false;
        header_.bitCount = U16(h + 14);
        header_.compression = U32(h + 16);
        header_.colorsUsed = U32(h + 32);
        if (header_.size >= 52) {
            for (int i = 0; i < 3; ++i) header_.masks[i] = U32(h + 40 + 4 * i);
        }
        return true;
    }

    bool CheckLayout() {
        const unsigned bpp = header_.bitCount;
        switch (header_.compression) {
        case kRgb:
            if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
            break;
        case kRle8:
            if (bpp != 8) return false;
            break;
        case kRle4:
            if (bpp != 4) return false;
            break;
        case kBitFields:
            if (bpp != 16 && bpp != 32) return false;
            break;
        default:
            return false;  // embedded JPEG or PNG and the like
        }

        topDown_ = header_.height < 0;
        const std::int64_t height = topDown_ ? -header_.height : header_.height;
        if (header_.width <= 0 || height <= 0) return false;
        // Run lengths count from the bottom row; a top-down one is malformed.
        if (topDown_ && (header_.compression == kRle8 || header_.compression == kRle4)) return false;
        if (static_cast<std::uint64_t>(header_.width) * static_cast<std::uint64_t>(height) > kMaxPixels) return false;
        out_.Width = static_cast<int>(header_.width);
        out_.Height = static_cast<int>(height);
        out_.BitsPerPixel = static_cast<int>(bpp);
        out_.Monochrome = bpp == 1;
        return true;
    }

    bool ReadPalette() {
        std::uint64_t offset = kFileHeaderSize + header_.size;
        if (header_.size == kInfoHeaderSize && header_.compression == kBitFields) {
            maskOffset_ = offset;
            offset += 12;  // the three masks follow the plain info header
        }
        if (header_.bitCount > 8) {
            paletteEnd_ = offset;
            return true;  // an optional palette of a true-colour file is not used
        }

        const std::uint32_t full = 1u << header_.bitCount;
        std::uint32_t entries = full;
        if (header_.size != kCoreHeaderSize && header_.colorsUsed != 0) {
            if (header_.colorsUsed > full) return false;
            entries = header_.colorsUsed;
        }
        const std::uint32_t entrySize = header_.size == kCoreHeaderSize ? 3 : 4;
        if (!Has(offset, std::uint64_t{entries} * entrySize)) return false;
        palette_.assign(full, 0);  // indexes past the stored entries read as black
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = data_ + offset + std::uint64_t{i} * entrySize;
            palette_[i] = Rgb(e[2], e[1], e[0]);
        }
        paletteEnd_ = offset + std::uint64_t{entries} * entrySize;
        return true;
    }

    bool ReadMasks() {
        std::array<std::uint32_t, 3> masks{};
        if (header_.compression == kBitFields) {
            if (maskOffset_ != 0) {
                if (!Has(maskOffset_, 12)) return false;
                for (int i = 0; i < 3; ++i) masks[i] = U32(data_ + maskOffset_ + 4 * i);
            } else {
                masks = header_.masks;
            }
            if (header_.bitCount == 16) {
                for (const std::uint32_t mask : masks) {
                    if (mask > 0xFFFF) return false;
                }
            }
        } else if (header_.bitCount == 16) {
            masks = {0x7C00, 0x03E0, 0x001F};
        } else {
            masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
        }
        return red_.Set(masks[0]) && green_.Set(masks[1]) && blue_.Set(masks[2]);
    }

    bool Allocate() {
        // The pixels may not overlap the headers or the palette.
        if (pixelOffset_ < paletteEnd_ || pixelOffset_ > size_) return false;
        // Uncompressed rows must all be there before memory is taken for them.
        if (header_.compression != kRle8 && header_.compression != kRle4 &&
            !Has(pixelOffset_, Stride() * static_cast<std::uint64_t>(out_.Height)))
            return false;
        out_.Pixels.assign(static_cast<std::size_t>(out_.Width) * out_.Height, 0);
        return true;
    }

    bool ReadPixels() {
        switch (header_.compression) {
        case kRle8:
            return ReadRunLength(false);
        case kRle4:
            return ReadRunLength(true);
        default:
            return ReadRows();
        }
    }

    std::size_t RowIndex(std::int64_t fileRow) const {
        const std::int64_t y = topDown_ ? fileRow : out_.Height - 1 - fileRow;
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(out_.Width);
    }

    std::uint32_t Indexed(std::uint32_t index) const { return index < palette_.size() ? palette_[index] : 0; }

    // Rows are padded to whole 32-bit words.
    std::uint64_t Stride() const { return (static_cast<std::uint64_t>(out_.Width) * header_.bitCount + 31) / 32 * 4; }

    bool ReadRows() {
        const std::uint64_t stride = Stride();
        for (int row = 0; row < out_.Height; ++row) {
            const std::uint8_t* src = data_ + pixelOffset_ + stride * static_cast<std::uint64_t>(row);
            std::uint32_t* dst = out_.Pixels.data() + RowIndex(row);
            for (int x = 0; x < out_.Width; ++x) dst[x] = PixelAt(src, static_cast<unsigned>(x));
        }
        return true;
    }

    std::uint32_t PixelAt(const std::uint8_t* row, unsigned x) const {
        switch (header_.bitCount) {
        case 1:
            return Indexed((row[x / 8] >> (7 - x % 8)) & 1u);
        case 4:
            return Indexed((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0Fu);
        case 8:
            return Indexed(row[x]);
        case 16:
            return Masked(U16(row + 2 * std::size_t{x}));
        case 24: {
            const std::uint8_t* p = row + 3 * std::size_t{x};
            return Rgb(p[2], p[1], p[0]);
        }
        default:
            return Masked(U32(row + 4 * std::size_t{x}));
        }
    }

    std::uint32_t Masked(std::uint32_t value) const { return Rgb(red_.Of(value), green_.Of(value), blue_.Of(value)); }

    void Put(std::int64_t x, std::int64_t y, std::uint32_t index) {
        // Runs and deltas that leave the picture are clipped, never written.
        if (x < out_.Width && y < out_.Height) out_.Pixels[RowIndex(y) + static_cast<std::size_t>(x)] = Indexed(index);
    }

    // Run-length data: pairs of count and colour, or an escape (0) followed
    // by end of line (0), end of bitmap (1), a move (2, dx, dy) or a literal
    // run of n indexes padded to a 16-bit boundary. Pixels a move skips stay
    // black.
    bool ReadRunLength(bool fourBit) {
        std::uint64_t pos = pixelOffset_;
        const std::uint64_t end = size_;
        std::int64_t x = 0;
        std::int64_t y = 0;
        while (y < out_.Height) {
            if (end - pos < 2) return false;  // the data stops before the picture is complete
            const unsigned count = data_[pos];
            const unsigned value = data_[pos + 1];
            pos += 2;
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i, ++x) {
                    const unsigned index = fourBit ? (i % 2 ? value & 0x0Fu : value >> 4) : value;
                    Put(x, y, index);
                }
                continue;
            }
            switch (value) {
            case 0:
                x = 0;
                ++y;
                break;
            case 1:
                return true;
            case 2:
                if (end - pos < 2) return false;
                x += data_[pos];
                y += data_[pos + 1];
                pos += 2;
                break;
            default: {
                const std::uint64_t bytes = fourBit ? (value + 1) / 2 : value;
                const std::uint64_t padded = (bytes + 1) / 2 * 2;
                if (end - pos < padded) return false;
                for (unsigned i = 0; i < value; ++i, ++x) {
                    const std::uint8_t b = data_[pos + (fourBit ? i / 2 : i)];
                    const unsigned index = fourBit ? (i % 2 ? b & 0x0Fu : b >> 4) : b;
                    Put(x, y, index);
                }
                pos += padded;
                break;
            }
            }
        }
        return true;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    DecodedBitmap& out_;
    Header header_;
    std::uint64_t pixelOffset_ = 0;
    std::uint64_t maskOffset_ = 0;
    std::uint64_t paletteEnd_ = 0;
    bool topDown_ = false;
    std::vector<std::uint32_t> palette_;
    Channel red_;
    Channel green_;
    Channel blue_;
};

}  // namespace

bool DecodeBitmap(const std::uint8_t* data, std::size_t size, DecodedBitmap& out) {
    DecodedBitmap decoded;
    if (!Decoder(data, size, decoded).Run()) return false;
    out = std::move(decoded);
    return true;
}

}  // namespace vtb
