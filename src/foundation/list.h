// Doubly linked list of word-sized values that carries its own cursor: walking, inserting
// and removing all happen at the cursor. The list owns its nodes, never what values point to.
// Used by documents (frames), the formatter's temporaries, windows, menus and tasks.
#pragma once
#include <cstdint>
#include <memory>

using ListValue = std::uintptr_t;

struct ListNode {
    ListValue value;
    ListNode* next;
    ListNode* prev;
};

struct List {
    ListNode* first = nullptr;
    ListNode* last = nullptr;
    ListNode* cursor = nullptr;
    std::uint16_t count = 0;
};

List* ListNew();
void ListFree(List* list);
std::uint16_t ListCount(const List* list);
ListValue ListFirst(List* list);
ListValue ListLast(List* list);
ListValue ListNext(List* list);
ListValue ListPrev(List* list);
ListValue ListCurrent(const List* list);
ListValue ListReplace(List* list, ListValue value);
void ListInsertAfter(List* list, ListValue value);
void ListInsertBefore(List* list, ListValue value);
void ListAppend(List* list, ListValue value);
void ListPrepend(List* list, ListValue value);
ListValue ListRemove(List* list);
void ListDrain(List* list, void (*function)(ListValue value));
bool ListFind(List* list, bool (*predicate)(void* context, ListValue value), void* context);

// Pointer values stored in a list.
template <typename T> ListValue ListValueOf(T* pointer) { return reinterpret_cast<ListValue>(pointer); }
template <typename T> T* ListPointer(ListValue value) { return reinterpret_cast<T*>(value); }

struct ListDeleter {
    void operator()(List* list) const { ListFree(list); }
};
using ListPtr = std::unique_ptr<List, ListDeleter>;
