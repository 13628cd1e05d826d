#include "foundation/list.h"

#include <gtest/gtest.h>

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
