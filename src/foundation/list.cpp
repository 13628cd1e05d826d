#include "foundation/list.h"

#include "foundation/memory.h"

namespace {

ListNode* new_node(ListValue value)
{
    auto* node = static_cast<ListNode*>(MemAlloc(sizeof(ListNode)));
    node->value = value;
    node->next = nullptr;
    node->prev = nullptr;
    return node;
}

// Links a single node into an empty list.
bool insert_into_empty(List* list, ListValue value)
{
    if (list->first)
        return false;
    ListNode* node = new_node(value);
    list->first = list->last = list->cursor = node;
    list->count = 1;
    return true;
}

}  // namespace

List* ListNew()
{
    auto* list = static_cast<List*>(MemAlloc(sizeof(List)));
    *list = List{};
    return list;
}

void ListFree(List* list)
{
    if (!list)
        return;
    ListNode* node = list->first;
    while (node) {
        ListNode* next = node->next;
        MemFree(node);
        node = next;
    }
    MemFree(list);
}

std::uint16_t ListCount(const List* list) { return list->count; }

ListValue ListFirst(List* list)
{
    list->cursor = list->first;
    return list->cursor ? list->cursor->value : 0;
}

ListValue ListLast(List* list)
{
    list->cursor = list->last;
    return list->cursor ? list->cursor->value : 0;
}

ListValue ListNext(List* list)
{
    list->cursor = list->cursor ? list->cursor->next : list->first;
    return list->cursor ? list->cursor->value : 0;
}

ListValue ListPrev(List* list)
{
    list->cursor = list->cursor ? list->cursor->prev : list->last;
    return list->cursor ? list->cursor->value : 0;
}

ListValue ListCurrent(const List* list) { return list->cursor ? list->cursor->value : 0; }

ListValue ListReplace(List* list, ListValue value)
{
    if (!list->cursor)
        return 0;
    ListValue old = list->cursor->value;
    list->cursor->value = value;
    return old;
}

void ListInsertAfter(List* list, ListValue value)
{
    if (insert_into_empty(list, value))
        return;
    ListNode* at = list->cursor ? list->cursor : list->last;
    ListNode* node = new_node(value);
    node->prev = at;
    node->next = at->next;
    if (at->next)
        at->next->prev = node;
    else
        list->last = node;
    at->next = node;
    list->cursor = node;
    ++list->count;
}

void ListInsertBefore(List* list, ListValue value)
{
    if (insert_into_empty(list, value))
        return;
    ListNode* at = list->cursor ? list->cursor : list->first;
    ListNode* node = new_node(value);
    node->next = at;
    node->prev = at->prev;
    if (at->prev)
        at->prev->next = node;
    else
        list->first = node;
    at->prev = node;
    list->cursor = node;
    ++list->count;
}

void ListAppend(List* list, ListValue value)
{
    list->cursor = list->last;
    ListInsertAfter(list, value);
}

void ListPrepend(List* list, ListValue value)
{
    list->cursor = list->first;
    ListInsertBefore(list, value);
}

ListValue ListRemove(List* list)
{
    ListNode* node = list->cursor;
    if (!node)
        return 0;
    if (node->prev)
        node->prev->next = node->next;
    else
        list->first = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        list->last = node->prev;
    list->cursor = node->next;
    --list->count;
    ListValue value = node->value;
    MemFree(node);
    return value;
}

void ListDrain(List* list, void (*function)(ListValue value))
{
    list->cursor = list->first;
    while (list->cursor) {
        ListValue value = ListRemove(list);
        if (function)
            function(value);
        list->cursor = list->first;
    }
}

bool ListFind(List* list, bool (*predicate)(void* context, ListValue value), void* context)
{
    for (ListNode* node = list->first; node; node = node->next) {
        if (predicate(context, node->value)) {
            list->cursor = node;
            return true;
        }
    }
    return false;
}
