#include "core/menu_anchor.h"

namespace vtb {

FacePoint MenuAnchorPoint(bool hasMenu, TDropDownMenuPos position, MenuAlign align, int width, int height) {
    if (!hasMenu) return {0, 0};
    if (position == dmpBottom) {
        switch (align) {
        case MenuAlign::Left:
            return {-1, height};
        case MenuAlign::Right:
            return {width + 1, height};
        case MenuAlign::Center:
            return {width / 2, height};
        }
    } else {
        switch (align) {
        case MenuAlign::Left:
            return {width, -1};
        case MenuAlign::Right:
            return {-1, -1};
        case MenuAlign::Center:
            return {width / 2, height};
        }
    }
    return {0, 0};
}

}  // namespace vtb
