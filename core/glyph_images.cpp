#include "core/glyph_images.h"

namespace vtb {

std::uint32_t GrayColor(std::uint32_t rgb, std::uint32_t keyColor, std::uint32_t faceColor) {
    rgb &= 0xFFFFFFu;
    if (rgb == (keyColor & 0xFFFFFFu) || rgb == (faceColor & 0xFFFFFFu)) return rgb;
    const std::uint32_t r = (rgb >> 16) & 0xFF;
    const std::uint32_t g = (rgb >> 8) & 0xFF;
    const std::uint32_t b = rgb & 0xFF;
    const std::uint32_t gray = (r * 77 + g * 150 + b * 29) >> 8;
    return (gray << 16) | (gray << 8) | gray;
}

int CellCountFor(int width, int height, int current) {
    if (height <= 0 || width % height != 0) return current;
    const int cells = width / height;
    if (cells == 0) return current;  // no whole cell: keep what was set
    return cells > kMaxGlyphCells ? 1 : cells;
}

StateImageRecipe RecipeForState(TButtonFaceState state, int cellCount) {
    using S = TButtonFaceState;
    if (state == S::bfsPressed && cellCount < 3) state = S::bfsUp;
    StateImageRecipe recipe;
    recipe.Slot = state;
    switch (state) {
    case S::bfsUp:
    case S::bfsPressed:
    case S::bfsLatched: {
        const int cell = static_cast<int>(state);
        recipe.CellIndex = cell < cellCount ? cell : 0;
        break;
    }
    case S::bfsDisabled:
        if (cellCount >= 2)
            recipe.CellIndex = 1;
        else
            recipe.Source = StateImageRecipe::Embossed;
        break;
    case S::bfsIdle:
        if (cellCount == kMaxGlyphCells)
            recipe.CellIndex = static_cast<int>(TButtonFaceState::bfsIdle);
        else
            recipe.Source = StateImageRecipe::Grayed;
        break;
    }
    return recipe;
}

}  // namespace vtb
