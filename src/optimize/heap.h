// `Heap`: a binary min-heap of record pointers. It is told at creation where each record
// keeps its key and its heap position, and keeps every record's position current on every
// move, so a record whose key changed can be re-sifted in place. The colour merging uses it
// to find the cheapest merge. Ties are decided by the sift rules below, which fix the order
// of equal-cost merges and therefore the reduced palette.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

template <typename Record, std::uint64_t Record::*Key, std::uint32_t Record::*Position> class Heap {
public:
    explicit Heap(std::uint32_t capacity) { m_items.reserve(capacity); }

    std::uint32_t size() const { return static_cast<std::uint32_t>(m_items.size()); }
    bool empty() const { return m_items.empty(); }

    // Appends and sifts up while the parent's key is greater (an equal parent stops it).
    void push(Record* record)
    {
        std::uint32_t at = size();
        m_items.push_back(record);
        std::uint64_t key = record->*Key;
        while (at > 0) {
            std::uint32_t parent = (at - 1) / 2;
            if (!(m_items[parent]->*Key > key))
                break;
            place(at, m_items[parent]);
            at = parent;
        }
        place(at, record);
    }

    // Takes the root; the last record moves to the root and is sifted down.
    Record* pop_least()
    {
        if (m_items.empty())
            return nullptr;
        Record* least = m_items.front();
        Record* last = m_items.back();
        m_items.pop_back();
        if (!m_items.empty()) {
            place(0, last);
            sift_down(0);
        }
        return least;
    }

    // Of two children the right one is chosen only when its key is lower than the left
    // one's; the record moves down while its key is not lower than the chosen child's.
    void sift_down(std::uint32_t at)
    {
        Record* record = m_items[at];
        std::uint64_t key = record->*Key;
        std::uint32_t count = size();
        for (;;) {
            std::uint32_t child = at * 2 + 1;
            if (child >= count)
                break;
            if (child + 1 < count && m_items[child + 1]->*Key < m_items[child]->*Key)
                ++child;
            if (key < m_items[child]->*Key)
                break;
            place(at, m_items[child]);
            at = child;
        }
        place(at, record);
    }

    Record* at(std::uint32_t position) const { return m_items[position]; }

private:
    void place(std::uint32_t at, Record* record)
    {
        m_items[at] = record;
        record->*Position = at;
    }

    std::vector<Record*> m_items;
};
