#include "core/caption_colour.h"

namespace vtb {
namespace {

constexpr std::uint32_t kBlue = 0xFF0000;  // RGB(0, 0, 255)

// The fifth root of a in (0, 1], by Newton's method: the DLL takes no
// mathematical library in for a few colours.
double FifthRoot(double a) {
    double y = 1;
    for (int i = 0; i < 40; ++i) y -= (y * y * y * y * y - a) / (5 * y * y * y * y);
    return y;
}

// One sRGB channel of 0..255, made linear.
double Linear(std::uint32_t channel) {
    const double c = (channel & 0xFF) / 255.0;
    if (c <= 0.03928) return c / 12.92;
    const double x = (c + 0.055) / 1.055;
    return x * x * FifthRoot(x * x);  // x to the power 2.4
}

double Luminance(std::uint32_t colour) {
    return 0.2126 * Linear(colour) + 0.7152 * Linear(colour >> 8) + 0.0722 * Linear(colour >> 16);
}

bool Readable(std::uint32_t text, std::uint32_t face) { return ContrastRatio(text, face) >= kReadableContrast; }

}  // namespace

double ContrastRatio(std::uint32_t a, std::uint32_t b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

std::uint32_t HoverCaptionColour(std::uint32_t face, std::uint32_t hotTrack, std::uint32_t buttonText) {
    if (Readable(kBlue, face)) return kBlue;
    return Readable(hotTrack, face) ? hotTrack : buttonText;
}

}  // namespace vtb
