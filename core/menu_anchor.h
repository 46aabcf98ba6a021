// Where a button's drop-down menu opens, from the side it drops to and the
// menu's own alignment.
#pragma once

#include "core/face_geometry.h"

namespace vtb {

enum TDropDownMenuPos { dmpBottom, dmpRight };

// The pop-up menu's own alignment, in the order of the menu's enumeration.
enum class MenuAlign { Left = 0, Right = 1, Center = 2 };

// The client point under which a drop-down menu opens; (0, 0) without a menu.
FacePoint MenuAnchorPoint(bool hasMenu, TDropDownMenuPos position, MenuAlign align, int width, int height);

}  // namespace vtb
