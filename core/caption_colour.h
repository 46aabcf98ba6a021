// The colour of a button's caption under the pointer: readable on the face
// in every colour scheme. Colours are 0x00BBGGRR, as the system gives them.
#pragma once

#include <cstdint>

namespace vtb {

// What text needs against its background to be read at a glance.
constexpr double kReadableContrast = 4.5;

// The contrast ratio of two colours by their relative luminance: 1 (the
// same) to 21 (black and white).
double ContrastRatio(std::uint32_t a, std::uint32_t b);

// Blue where it stands out from the face, else the scheme's hot-tracking
// colour where that does, else the button text the idle caption has.
std::uint32_t HoverCaptionColour(std::uint32_t face, std::uint32_t hotTrack, std::uint32_t buttonText);

}  // namespace vtb
