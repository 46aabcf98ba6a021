// How a glyph file becomes the images of a button's states: its cell count,
// which cell or derived image each state shows, and the gray mapping of the
// idle image.
#pragma once

#include <cstdint>

#include "core/face_states.h"

namespace vtb {

// Pixels as 0x00RRGGBB. Key colour and face colour stay; every other colour
// becomes its luminance gray.
std::uint32_t GrayColor(std::uint32_t rgb, std::uint32_t keyColor, std::uint32_t faceColor);

// A glyph holds at most one cell for each face state: up, disabled, pressed,
// latched, idle.
constexpr int kMaxGlyphCells = kFaceStateCount;

// The cell count a bitmap of this size gets: width / height when that is a
// whole number of at most kMaxGlyphCells cells, 1 for more cells, else unchanged.
int CellCountFor(int width, int height, int current);

// How a state's image is made from the glyph.
struct StateImageRecipe {
    enum Kind { Cell, Embossed, Grayed };
    TButtonFaceState Slot = TButtonFaceState::bfsUp;  // the state whose slot holds it
    Kind Source = Cell;
    int CellIndex = 0;  // for Cell
};
StateImageRecipe RecipeForState(TButtonFaceState state, int cellCount);

}  // namespace vtb
