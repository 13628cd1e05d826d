#include "optimize/heap.h"

#include <gtest/gtest.h>

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

void expect_positions_current(const ItemHeap& heap)
{
    for (std::uint32_t i = 0; i < heap.size(); ++i)
        EXPECT_EQ(heap.at(i)->position, i);
}

}  // namespace

TEST(Heap, PopsInKeyOrder)
{
    std::vector<Item> items = {{'e', 50, 0}, {'b', 20, 0}, {'d', 40, 0}, {'a', 10, 0}, {'c', 30, 0}};
    ItemHeap heap(5);
    for (Item& item : items)
        heap.push(&item);
    expect_positions_current(heap);
    EXPECT_EQ(pop_all(heap), "abcde");
}

TEST(Heap, AnEqualParentStopsTheSiftUp)
{
    std::vector<Item> items = {{'a', 5, 0}, {'b', 5, 0}};
    ItemHeap heap(2);
    heap.push(&items[0]);
    heap.push(&items[1]);
    EXPECT_EQ(items[0].position, 0u);
    EXPECT_EQ(items[1].position, 1u);
    EXPECT_EQ(pop_all(heap), "ab");
}

TEST(Heap, SiftDownMovesPastAnEqualChild)
{
    // After 'a' is popped, 'c' (key 2) replaces the root and moves below 'b' (key 2).
    std::vector<Item> items = {{'a', 1, 0}, {'b', 2, 0}, {'c', 2, 0}};
    ItemHeap heap(3);
    for (Item& item : items)
        heap.push(&item);
    EXPECT_EQ(pop_all(heap), "abc");
}

TEST(Heap, TheRightChildIsTakenOnlyWhenStrictlyLower)
{
    // Children 'x' and 'y' tie: the left one ('x') rises when 'z' sinks from the root.
    std::vector<Item> items = {{'r', 0, 0}, {'x', 3, 0}, {'y', 3, 0}, {'z', 9, 0}};
    ItemHeap heap(4);
    for (Item& item : items)
        heap.push(&item);
    EXPECT_EQ(pop_all(heap), "rxyz");
}

TEST(Heap, SiftDownAtAPositionAfterTheKeyGrew)
{
    std::vector<Item> items = {{'a', 1, 0}, {'b', 2, 0}, {'c', 3, 0}, {'d', 4, 0}};
    ItemHeap heap(4);
    for (Item& item : items)
        heap.push(&item);
    items[0].key = 10;
    heap.sift_down(items[0].position);
    expect_positions_current(heap);
    EXPECT_EQ(pop_all(heap), "bcda");
}

TEST(Heap, AKeyThatDroppedIsNotRaisedBySiftDown)
{
    // Merges only ever re-sift downwards: a lowered key stays where it is.
    std::vector<Item> items = {{'a', 1, 0}, {'b', 5, 0}, {'c', 6, 0}};
    ItemHeap heap(3);
    for (Item& item : items)
        heap.push(&item);
    items[2].key = 0;
    heap.sift_down(items[2].position);
    EXPECT_EQ(heap.pop_least()->name, 'a');
}

TEST(Heap, PopOnEmptyGivesNull)
{
    ItemHeap heap(1);
    EXPECT_EQ(heap.pop_least(), nullptr);
}
