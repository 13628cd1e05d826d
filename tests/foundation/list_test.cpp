#include "foundation/list.h"

#include <gtest/gtest.h>

#include <vector>

TEST(List, NextWrapsToFirstAfterTheEnd)
{
    ListPtr list(ListNew());
    ListAppend(list.get(), 10);
    ListAppend(list.get(), 20);
    list->cursor = nullptr;
    EXPECT_EQ(ListNext(list.get()), 10u);
    EXPECT_EQ(ListNext(list.get()), 20u);
    EXPECT_EQ(ListNext(list.get()), 0u);
    EXPECT_EQ(ListNext(list.get()), 10u);
}

TEST(List, RemovingTheLastNodeUnplacesTheCursor)
{
    ListPtr list(ListNew());
    ListAppend(list.get(), 1);
    ListAppend(list.get(), 2);
    ListLast(list.get());
    EXPECT_EQ(ListRemove(list.get()), 2u);
    EXPECT_EQ(ListCurrent(list.get()), 0u);
    EXPECT_EQ(ListNext(list.get()), 1u);
    EXPECT_EQ(ListCount(list.get()), 1);
}

TEST(List, InsertIntoEmptyMakesFirstLastAndCurrent)
{
    ListPtr list(ListNew());
    ListInsertBefore(list.get(), 7);
    EXPECT_EQ(list->first, list->last);
    EXPECT_EQ(list->cursor, list->first);
    EXPECT_EQ(ListCurrent(list.get()), 7u);
}

TEST(List, InsertBeforeAndAfterKeepOrder)
{
    ListPtr list(ListNew());
    ListAppend(list.get(), 2);
    ListPrepend(list.get(), 1);
    ListAppend(list.get(), 4);
    ListInsertBefore(list.get(), 3);
    std::vector<ListValue> seen;
    for (ListValue v = ListFirst(list.get()); v; v = ListNext(list.get()))
        seen.push_back(v);
    EXPECT_EQ(seen, (std::vector<ListValue>{1, 2, 3, 4}));
    for (ListValue v = ListLast(list.get()); v; v = ListPrev(list.get()))
        seen.push_back(v);
    EXPECT_EQ(seen, (std::vector<ListValue>{1, 2, 3, 4, 4, 3, 2, 1}));
}

namespace {

std::vector<ListValue> drained;
void collect(ListValue value) { drained.push_back(value); }
bool is_even(void*, ListValue value) { return value % 2 == 0; }

}  // namespace

TEST(List, ReplaceRemoveDrainAndFind)
{
    ListPtr list(ListNew());
    EXPECT_EQ(ListReplace(list.get(), 5), 0u);  // cursor not placed: nothing changes
    EXPECT_EQ(ListFirst(list.get()), 0u);
    for (ListValue v : {1, 3, 4, 5, 6})
        ListAppend(list.get(), v);
    ASSERT_TRUE(ListFind(list.get(), is_even, nullptr));
    EXPECT_EQ(ListCurrent(list.get()), 4u);
    EXPECT_EQ(ListReplace(list.get(), 40), 4u);
    EXPECT_EQ(ListRemove(list.get()), 40u);
    EXPECT_EQ(ListCurrent(list.get()), 5u);  // the node that followed
    ListFirst(list.get());
    EXPECT_EQ(ListRemove(list.get()), 1u);
    EXPECT_EQ(ListCurrent(list.get()), 3u);
    EXPECT_EQ(list->first->value, 3u);
    drained.clear();
    ListDrain(list.get(), collect);
    EXPECT_EQ(drained, (std::vector<ListValue>{3, 5, 6}));
    EXPECT_EQ(ListCount(list.get()), 0);
    EXPECT_EQ(list->first, nullptr);
    EXPECT_EQ(list->last, nullptr);
    EXPECT_FALSE(ListFind(list.get(), is_even, nullptr));
}

TEST(List, StackOfMarksAndBlocks)
{
    // The temporaries stack's shape: push with append, pop at the last node.
    ListPtr stack(ListNew());
    const ListValue mark = ~ListValue(0);
    ListAppend(stack.get(), mark);
    ListAppend(stack.get(), 10);
    ListAppend(stack.get(), 20);
    std::vector<ListValue> popped;
    while (ListLast(stack.get()) != mark)
        popped.push_back(ListRemove(stack.get()));
    EXPECT_EQ(popped, (std::vector<ListValue>{20, 10}));
    EXPECT_EQ(ListRemove(stack.get()), mark);
    EXPECT_EQ(ListCount(stack.get()), 0);
}
