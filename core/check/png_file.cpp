#include "core/check/png_file.h"

#include <algorithm>
#include <array>

namespace vtb::check {
namespace {

constexpr std::size_t kStoredBlockMax = 65535;

const std::array<std::uint32_t, 256>& CrcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void PutU32(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.append(type, 4);
    out += data;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(out.data() + start);
    PutU32(out, Crc32(bytes, out.size() - start));
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    const auto& table = CrcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler) {
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = adler >> 16;
    for (std::size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::string EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return std::string();

    // Each row: filter type 0, then R, G, B.
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p =
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
            raw += static_cast<char>(p >> 16);
            raw += static_cast<char>(p >> 8);
            raw += static_cast<char>(p);
        }
    }

    // A zlib stream of stored blocks.
    std::string zlib = "\x78\x01";
    for (std::size_t offset = 0; offset < raw.size(); offset += kStoredBlockMax) {
        const std::size_t length = std::min(kStoredBlockMax, raw.size() - offset);
        const bool last = offset + length >= raw.size();
        zlib += static_cast<char>(last ? 1 : 0);
        zlib += static_cast<char>(length & 0xFF);
        zlib += static_cast<char>(length >> 8);
        zlib += static_cast<char>(~length & 0xFF);
        zlib += static_cast<char>((~length >> 8) & 0xFF);
        zlib.append(raw, offset, length);
    }
    PutU32(zlib, Adler32(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));

    std::string header;
    PutU32(header, static_cast<std::uint32_t>(width));
    PutU32(header, static_cast<std::uint32_t>(height));
    header += '\x08';                // bits per sample
    header += '\x02';                // truecolour
    header += std::string(3, '\0');  // deflate, adaptive filtering, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", zlib);
    Chunk(png, "IEND", std::string());
    return png;
}

}  // namespace vtb::check
