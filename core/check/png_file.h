// PNG files without a compression library: the image data goes into stored
// (uncompressed) deflate blocks, which every PNG reader accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vtb::check {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler = 1);

// An 8-bit RGB PNG of width x height pixels given as 0x00RRGGBB, top row
// first. Empty when the size is not positive or does not match the pixels.
std::string EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace vtb::check
