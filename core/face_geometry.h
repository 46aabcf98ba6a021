// Points, sizes and rectangles of a button's face, in pixels, without the
// system's types: the portable rules of the face work in these.
#pragma once

namespace vtb {

struct FacePoint {
    int x = 0;
    int y = 0;
};
struct FaceSize {
    int cx = 0;
    int cy = 0;
};
struct FaceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

}  // namespace vtb
