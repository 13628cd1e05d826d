#include "platform/qt/geometry.h"

#include <gtest/gtest.h>

#include "platform/qt/text.h"

using platform::Rect;

namespace {

// Area covered by a set of rectangles, counted pixel by pixel on a small grid.
int covered(const Rect* rects, int n, int x, int y)
{
    int hits = 0;
    for (int i = 0; i < n; ++i)
        if (platform::RectContains(rects[i], platform::Point{x, y}))
            ++hits;
    return hits;
}

}  // namespace

TEST(Geometry, DifferenceCoversExactlyTheRest)
{
    struct Case {
        Rect a, b;
    } cases[] = {
        {{0, 0, 10, 10}, {2, 3, 5, 8}},      // hole in the middle: four pieces
        {{0, 0, 10, 10}, {5, 5, 15, 15}},    // corner overlap
        {{0, 0, 10, 10}, {20, 20, 30, 30}},  // no overlap: a itself
        {{0, 0, 10, 10}, {-5, -5, 15, 15}},  // b covers a: nothing left
        {{0, 0, 10, 10}, {0, 4, 10, 6}},     // vertical stripe through the middle
    };
    for (const Case& c : cases) {
        Rect out[4];
        int n = platform::RectDifference(c.a, c.b, out);
        ASSERT_LE(n, 4);
        for (int y = -6; y < 16; ++y)
            for (int x = -6; x < 16; ++x) {
                bool want = platform::RectContains(c.a, {x, y}) && !platform::RectContains(c.b, {x, y});
                EXPECT_EQ(covered(out, n, x, y), want ? 1 : 0) << x << "," << y;
            }
    }
}

TEST(Geometry, IntersectAndUnion)
{
    Rect a{0, 0, 10, 10}, b{5, 5, 20, 20};
    EXPECT_TRUE(platform::RectEqual(platform::RectIntersect(a, b), Rect{5, 5, 10, 10}));
    EXPECT_TRUE(platform::RectEqual(platform::RectUnion(a, b), Rect{0, 0, 20, 20}));
    EXPECT_TRUE(platform::RectIsEmpty(platform::RectIntersect(a, Rect{10, 10, 12, 12})));
    EXPECT_TRUE(platform::RectEqual(platform::RectUnion(Rect{}, b), b));
}

TEST(Text, DecodesByCodePageUnlessValidUtf8)
{
    platform::SetTextCodePage(1252);
    EXPECT_EQ(platform::TextToUtf8("caf\xE9"), "caf\xC3\xA9");      // Windows-1252 e acute
    EXPECT_EQ(platform::TextToUtf8("\x80"), "\xE2\x82\xAC");        // euro sign
    EXPECT_EQ(platform::TextToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");  // UTF-8 file name kept
    EXPECT_EQ(platform::TextToUtf8("plain"), "plain");
    platform::SetTextCodePage(932);
    EXPECT_EQ(platform::TextToUtf8("\x93\xFA\x96\x7B"), "\xE6\x97\xA5\xE6\x9C\xAC");  // Shift_JIS "Japan"
    EXPECT_EQ(platform::Utf8ToText("\xE6\x97\xA5"), "\x93\xFA");
    platform::SetTextCodePage(1252);
    EXPECT_EQ(platform::Utf8ToText("\xC3\xA9t\xC3\xA9"), "\xE9t\xE9");
}

TEST(Text, RejectsMalformedUtf8)
{
    EXPECT_FALSE(platform::IsValidUtf8("\xC3", 1));             // truncated
    EXPECT_FALSE(platform::IsValidUtf8("\xC0\xAF", 2));         // overlong
    EXPECT_FALSE(platform::IsValidUtf8("\xED\xA0\x80", 3));     // surrogate
    EXPECT_TRUE(platform::IsValidUtf8("\xF0\x9F\x98\x80", 4));  // four-byte character
}
