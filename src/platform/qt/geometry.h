// Points, sizes and rectangles of the window layer, and the rectangle arithmetic that
// invalidation needs (intersection, union, difference). Pure values: no Qt, no windows.
// Rectangles are top, left, bottom, right with bottom and right exclusive, in 16 bits.
#pragma once
#include <cstdint>

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

struct Rect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;
};

// Distances from the outer frame of a window to its client area.
struct Insets {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Values outside the 16-bit range are clamped to it.
Rect MakeRect(int left, int top, int width, int height);
inline int RectWidth(const Rect& r) { return r.right - r.left; }
inline int RectHeight(const Rect& r) { return r.bottom - r.top; }
inline bool RectIsEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }
bool RectContains(const Rect& r, Point p);
bool RectEqual(const Rect& a, const Rect& b);
// Empty when the two do not overlap.
Rect RectIntersect(const Rect& a, const Rect& b);
// The smallest rectangle holding both; an empty operand is ignored.
Rect RectUnion(const Rect& a, const Rect& b);
Rect RectOffset(const Rect& r, int dx, int dy);

// a minus b as at most four disjoint rectangles (bands above, left, right, below the
// overlap). Returns the count written to out.
int RectDifference(const Rect& a, const Rect& b, Rect out[4]);

}  // namespace platform
