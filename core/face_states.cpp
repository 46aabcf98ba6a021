#include "core/face_states.h"

namespace vtb {

TButtonFaceState FaceStateAtPaint(TButtonFaceState face, bool enabled, bool down, int groupIndex) {
    using S = TButtonFaceState;
    if (!enabled) return S::bfsDisabled;
    if (face == S::bfsDisabled) return down && groupIndex != 0 ? S::bfsLatched : S::bfsUp;
    return face;
}

TButtonFaceState PaintStateFor(TButtonFaceState face, bool flat, bool hovered) {
    return flat && !hovered ? TButtonFaceState::bfsIdle : face;
}

bool FaceIsFramed(TButtonFaceState face, TButtonFaceState paint) {
    return paint != TButtonFaceState::bfsIdle || face == TButtonFaceState::bfsLatched;
}

bool FaceIsSunken(TButtonFaceState face) {
    return face == TButtonFaceState::bfsPressed || face == TButtonFaceState::bfsLatched;
}

bool FaceIsCheckered(TButtonFaceState face, TButtonFaceState paint, bool flat, bool transparent) {
    return face == TButtonFaceState::bfsLatched && !transparent && (!flat || paint == TButtonFaceState::bfsIdle);
}

TButtonFaceState GlyphStateFor(TButtonFaceState face, TButtonFaceState paint, bool grayedInactive) {
    if (face == TButtonFaceState::bfsDisabled || !grayedInactive) return face;
    return paint;
}

TButtonFaceState TrackingState(bool down, bool inside) {
    if (down) return TButtonFaceState::bfsLatched;
    return inside ? TButtonFaceState::bfsPressed : TButtonFaceState::bfsUp;
}

bool IsNewLook(TButtonStyle style, int systemMajorVersion) {
    return style == bsNew || (style == bsAutoDetect && systemMajorVersion >= 4);
}

}  // namespace vtb
