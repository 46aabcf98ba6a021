// Which state a glyph button's face and its glyph show: the stored state as
// a paint leaves it, the state painted for a flat button, and the frame,
// sinking and checkered fill each state has.
#pragma once

#include <cstdint>

namespace vtb {

enum class TButtonFaceState : std::uint8_t {
    bfsUp = 0,
    bfsDisabled = 1,
    bfsPressed = 2,
    bfsLatched = 3,
    bfsIdle = 4,  // paint only: a flat button the mouse is not over
};
constexpr int kFaceStateCount = 5;

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

// The stored state as a paint leaves it: disabled is taken on and left here.
TButtonFaceState FaceStateAtPaint(TButtonFaceState face, bool enabled, bool down, int groupIndex);
// Idle for a flat button the pointer is not over.
TButtonFaceState PaintStateFor(TButtonFaceState face, bool flat, bool hovered);
bool FaceIsFramed(TButtonFaceState face, TButtonFaceState paint);
bool FaceIsSunken(TButtonFaceState face);
bool FaceIsCheckered(TButtonFaceState face, TButtonFaceState paint, bool flat, bool transparent);
TButtonFaceState GlyphStateFor(TButtonFaceState face, TButtonFaceState paint, bool grayedInactive);
// The face while a press is tracked and the pointer moves.
TButtonFaceState TrackingState(bool down, bool inside);
// New look: bsNew, or auto-detect on a system of major version 4 or later.
bool IsNewLook(TButtonStyle style, int systemMajorVersion);

}  // namespace vtb
