#include "optimize/heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Item {
    char name;
    std::uint64_t key;
    std::uint32_t position;
};
using ItemHeap = Heap<Item, &Item::key, &Item::position>;

std::string pop_all(ItemHeap& heap)
{
    std::string order;
    while (Item* item = heap.pop_least())
        order += item->name;
    return order;
}

}  // namespace

TEST(Heap, PopsInKeyOrderAndBreaksTiesByTheSiftRules)
{
    struct Case {
        const char* name;
        std::vector<Item> items;  // pushed in this order
        int changed;              // the item whose key becomes `new_key` before sift_down, or -1
        std::uint64_t new_key;
        const char* order;
    } cases[] = {
        {"key order", {{'e', 50, 0}, {'b', 20, 0}, {'d', 40, 0}, {'a', 10, 0}, {'c', 30, 0}}, -1, 0, "abcde"},
        {"an equal parent stops the sift up", {{'a', 5, 0}, {'b', 5, 0}}, -1, 0, "ab"},
        // After 'a' is popped, 'c' (key 2) replaces the root and moves below 'b' (key 2).
        {"sift down moves past an equal child", {{'a', 1, 0}, {'b', 2, 0}, {'c', 2, 0}}, -1, 0, "abc"},
        // Children 'x' and 'y' tie: the left one ('x') rises when 'z' sinks from the root.
        {"the right child only when strictly lower",
         {{'r', 0, 0}, {'x', 3, 0}, {'y', 3, 0}, {'z', 9, 0}},
         -1,
         0,
         "rxyz"},
        {"sift down after the key grew", {{'a', 1, 0}, {'b', 2, 0}, {'c', 3, 0}, {'d', 4, 0}}, 0, 10, "bcda"},
        // Merges only ever re-sift downwards: a lowered key stays where it is.
        {"a lowered key is not raised", {{'a', 1, 0}, {'b', 5, 0}, {'c', 6, 0}}, 2, 0, "acb"},
        {"empty", {}, -1, 0, ""},
    };
    for (Case& c : cases) {
        ItemHeap heap(static_cast<std::uint32_t>(std::max<std::size_t>(c.items.size(), 1)));
        for (Item& item : c.items)
            heap.push(&item);
        if (c.changed >= 0) {
            c.items[static_cast<std::size_t>(c.changed)].key = c.new_key;
            heap.sift_down(c.items[static_cast<std::size_t>(c.changed)].position);
        }
        for (std::uint32_t i = 0; i < heap.size(); ++i)
            EXPECT_EQ(heap.at(i)->position, i) << c.name;
        EXPECT_EQ(pop_all(heap), c.order) << c.name;
    }
}
