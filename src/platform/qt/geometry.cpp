#include "platform/qt/geometry.h"

#include <algorithm>

namespace platform {

namespace {

std::int16_t clamp16(int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

Rect MakeRect(int left, int top, int width, int height)
{
    return Rect{clamp16(top), clamp16(left), clamp16(top + height), clamp16(left + width)};
}

bool RectContains(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

bool RectEqual(const Rect& a, const Rect& b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

Rect RectIntersect(const Rect& a, const Rect& b)
{
    Rect r{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
    if (RectIsEmpty(r))
        return Rect{};
    return r;
}

Rect RectUnion(const Rect& a, const Rect& b)
{
    if (RectIsEmpty(a))
        return b;
    if (RectIsEmpty(b))
        return a;
    return Rect{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
                std::max(a.right, b.right)};
}

Rect RectOffset(const Rect& r, int dx, int dy)
{
    return Rect{clamp16(r.top + dy), clamp16(r.left + dx), clamp16(r.bottom + dy), clamp16(r.right + dx)};
}

int RectDifference(const Rect& a, const Rect& b, Rect out[4])
{
    if (RectIsEmpty(a))
        return 0;
    Rect overlap = RectIntersect(a, b);
    if (RectIsEmpty(overlap)) {
        out[0] = a;
        return 1;
    }
    int n = 0;
    // Full-width bands above and below the overlap, then the pieces left and right of it.
    if (overlap.top > a.top)
        out[n++] = Rect{a.top, a.left, overlap.top, a.right};
    if (overlap.bottom < a.bottom)
        out[n++] = Rect{overlap.bottom, a.left, a.bottom, a.right};
    if (overlap.left > a.left)
        out[n++] = Rect{overlap.top, a.left, overlap.bottom, overlap.left};
    if (overlap.right < a.right)
        out[n++] = Rect{overlap.top, overlap.right, overlap.bottom, a.right};
    return n;
}

}  // namespace platform
