#include "optimize/colour_merge.h"

#include "foundation/memory.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// A pool hands out items from blocks of BlockItems and frees all its blocks as soon as the
// last item comes back, so a reduction leaves no memory behind.
template <typename T, std::uint32_t BlockItems> class Pool {
public:
    ~Pool() { release_blocks(); }

    T* take()
    {
        if (!m_free)
            add_block();
        FreeItem* item = m_free;
        m_free = item->next;
        ++m_in_use;
        return reinterpret_cast<T*>(item);
    }

    void give_back(T* item)
    {
        auto* free_item = reinterpret_cast<FreeItem*>(item);
        free_item->next = m_free;
        m_free = free_item;
        if (--m_in_use == 0)
            release_blocks();
    }

    std::uint32_t in_use() const { return m_in_use; }

private:
    union FreeItem {
        FreeItem* next;
        alignas(T) unsigned char storage[sizeof(T)];
    };
    struct Block {
        Block* next;
        FreeItem items[BlockItems];
    };

    void add_block()
    {
        auto* block = static_cast<Block*>(MemAlloc(sizeof(Block)));
        block->next = m_blocks;
        m_blocks = block;
        for (std::uint32_t i = BlockItems; i-- > 0;) {
            block->items[i].next = m_free;
            m_free = &block->items[i];
        }
    }

    void release_blocks()
    {
        while (m_blocks) {
            Block* next = m_blocks->next;
            MemFree(m_blocks);
            m_blocks = next;
        }
        m_free = nullptr;
    }

    Block* m_blocks = nullptr;
    FreeItem* m_free = nullptr;
    std::uint32_t m_in_use = 0;
};

// The colour work: process-wide pools and the search counter that marks visited nodes.
// One reduction runs at a time, so all octrees and links share them.
struct ColourWork {
    Pool<OctreeNode, 32> nodes;
    Pool<MergeLink, 64> links;
    std::uint32_t search = 0;
};

ColourWork& colour_work()
{
    static ColourWork work;
    return work;
}

constexpr std::uintptr_t kEmpty = 0;

bool is_leaf(std::uintptr_t slot) { return (slot & 1) != 0; }
bool is_node(std::uintptr_t slot) { return slot != kEmpty && !is_leaf(slot); }
std::uint32_t leaf_entry(std::uintptr_t slot) { return static_cast<std::uint32_t>(slot >> 8); }
std::uintptr_t make_leaf(std::uint32_t entry) { return (static_cast<std::uintptr_t>(entry) << 8) | 1; }
OctreeNode* as_node(std::uintptr_t slot) { return reinterpret_cast<OctreeNode*>(slot); }
std::uintptr_t node_slot(OctreeNode* node) { return reinterpret_cast<std::uintptr_t>(node); }

// Slot of a colour at a level: bit `level` of red, green and blue.
unsigned slot_index(std::uint32_t colour, int level)
{
    return ((colour >> (16 + level)) & 1) << 2 | ((colour >> (8 + level)) & 1) << 1 | ((colour >> level) & 1);
}

OctreeNode* new_node()
{
    OctreeNode* node = colour_work().nodes.take();
    std::memset(node, 0, sizeof(OctreeNode));
    return node;
}

void free_node(OctreeNode* node) { colour_work().nodes.give_back(node); }

void free_subtree(OctreeNode* node)
{
    for (std::uintptr_t slot : node->slots)
        if (is_node(slot))
            free_subtree(as_node(slot));
    free_node(node);
}

OctreeNode* copy_subtree(const OctreeNode* node)
{
    OctreeNode* copy = new_node();
    for (int i = 0; i < 8; ++i) {
        std::uintptr_t slot = node->slots[i];
        copy->slots[i] = is_node(slot) ? node_slot(copy_subtree(as_node(slot))) : slot;
    }
    return copy;
}

std::uint32_t channel(std::uint32_t colour, int c) { return (colour >> (16 - 8 * c)) & 0xFF; }

int highest_bit(std::uint32_t value)
{
    int bit = -1;
    while (value) {
        ++bit;
        value >>= 1;
    }
    return bit;
}

// One nearest-colour search: the query, the best distance so far and the nodes on the
// query's path by level.
struct NearestSearch {
    const ColourTable* table;
    std::uint32_t colour;
    std::uint32_t stamp;
    std::uint32_t best = 768;
    std::uint32_t answer = 0;
    int query_level = 7;
    OctreeNode* path[8] = {};

    void scan(OctreeNode* node)
    {
        if (node->stamp == stamp)
            return;
        node->stamp = stamp;
        for (std::uintptr_t slot : node->slots) {
            if (is_leaf(slot))
                check(leaf_entry(slot));
            else if (slot != kEmpty)
                scan(as_node(slot));
        }
    }

    void check(std::uint32_t entry)
    {
        std::uint32_t d = colour_distance(table->entries[entry].colour, colour);
        if (d > 0 && d < best) {
            best = d;
            answer = entry;
        }
    }

    // Visits the cell of point p starting from the path node at `level`.
    void visit(std::uint32_t p, int level)
    {
        OctreeNode* node = path[level];
        for (;;) {
            std::uintptr_t slot = node->slots[slot_index(p, level)];
            if (!is_node(slot)) {
                scan(node);
                return;
            }
            OctreeNode* child = as_node(slot);
            if (child->stamp == stamp)
                return;
            node = child;
            --level;
            if (level <= query_level) {
                scan(node);
                return;
            }
        }
    }
};

std::uint32_t next_search_stamp(OctreeNode* root)
{
    ColourWork& work = colour_work();
    if (++work.search == 0) {
        // After 2^32 searches old marks could pass for new ones: clear them once.
        struct Clear {
            static void run(OctreeNode* node)
            {
                node->stamp = 0;
                for (std::uintptr_t slot : node->slots)
                    if (is_node(slot))
                        run(as_node(slot));
            }
        };
        Clear::run(root);
        work.search = 1;
    }
    return work.search;
}

// Walks the query colour's own path down from the root, noting every node on it; gives the
// level where the path ends (at a leaf, an empty slot or level 0).
int follow_query_path(NearestSearch& search, OctreeNode* root, std::uint32_t colour)
{
    OctreeNode* node = root;
    int level = 7;
    for (;; --level) {
        search.path[level] = node;
        std::uintptr_t slot = node->slots[slot_index(colour, level)];
        if (!is_node(slot) || level == 0)
            return level;
        node = as_node(slot);
    }
}

// Up to three coordinates per component: the cell below, the query's own, the cell above;
// each with the level at which its path leaves the query's path.
struct NeighbourCells {
    std::uint32_t coordinate[3][3];
    int level[3][3];
    int count[3];
};

NeighbourCells neighbour_cells(std::uint32_t colour, int lq)
{
    NeighbourCells cells;
    const std::uint32_t span = 1u << lq;
    for (int c = 0; c < 3; ++c) {
        std::uint32_t q = channel(colour, c);
        std::uint32_t low = q & ~(span - 1);
        int n = 0;
        if (low > 0) {
            cells.coordinate[c][n] = low - 1;
            cells.level[c][n++] = std::max(lq, highest_bit((low - 1) ^ q));
        }
        cells.coordinate[c][n] = q;
        cells.level[c][n++] = lq;
        if (low + span < 256) {
            cells.coordinate[c][n] = low + span;
            cells.level[c][n++] = std::max(lq, highest_bit((low + span) ^ q));
        }
        cells.count[c] = n;
    }
    return cells;
}

}  // namespace

Octree* new_octree()
{
    auto* tree = static_cast<Octree*>(MemAlloc(sizeof(Octree)));
    tree->root = new_node();
    return tree;
}

void free_octree(Octree* tree)
{
    if (!tree)
        return;
    free_subtree(tree->root);
    MemFree(tree);
}

Octree* copy_octree(const Octree* tree)
{
    auto* copy = static_cast<Octree*>(MemAlloc(sizeof(Octree)));
    copy->root = copy_subtree(tree->root);
    return copy;
}

std::uint32_t add_colour(Octree* tree, ColourTable* table, std::uint32_t colour, std::uint32_t pixels)
{
    if (pixels == 0)
        return table->count;
    OctreeNode* node = tree->root;
    for (int level = 7;; --level) {
        std::uintptr_t& slot = node->slots[slot_index(colour, level)];
        if (slot == kEmpty) {
            std::uint32_t entry = ColourTableAppend(table, pixels, colour);
            slot = make_leaf(entry);
            return entry;
        }
        if (is_leaf(slot)) {
            std::uint32_t entry = leaf_entry(slot);
            if (table->entries[entry].colour == colour) {
                table->entries[entry].pixels += pixels;
                return entry;
            }
            // Another colour shares the cell: push it one level down and go on until the
            // two colours part (distinct colours always do by level 0).
            OctreeNode* child = new_node();
            child->slots[slot_index(table->entries[entry].colour, level - 1)] = slot;
            slot = node_slot(child);
        }
        node = as_node(slot);
    }
}

std::uint32_t exact_colour_index(const Octree* tree, std::uint32_t colour)
{
    const OctreeNode* node = tree->root;
    for (int level = 7; level >= 0; --level) {
        std::uintptr_t slot = node->slots[slot_index(colour, level)];
        if (slot == kEmpty)
            return 0;
        if (is_leaf(slot))
            return leaf_entry(slot);
        node = as_node(slot);
    }
    return 0;
}

std::uint32_t find_nearest_colour(Octree* tree, const ColourTable* table, std::uint32_t colour)
{
    NearestSearch search{table, colour, next_search_stamp(tree->root)};
    const int lq = follow_query_path(search, tree->root, colour);
    search.query_level = lq;
    const NeighbourCells cells = neighbour_cells(colour, lq);
    auto offset = [&](int c, int i) {
        int d = static_cast<int>(cells.coordinate[c][i]) - static_cast<int>(channel(colour, c));
        return static_cast<std::uint32_t>(d < 0 ? -d : d);
    };
    for (int r = 0; r < cells.count[0]; ++r) {
        for (int g = 0; g < cells.count[1]; ++g) {
            for (int b = 0; b < cells.count[2]; ++b) {
                std::uint32_t box = offset(0, r) + offset(1, g) + offset(2, b);
                if (box >= search.best)
                    continue;
                std::uint32_t point =
                    cells.coordinate[0][r] << 16 | cells.coordinate[1][g] << 8 | cells.coordinate[2][b];
                int start = std::max({cells.level[0][r], cells.level[1][g], cells.level[2][b]});
                search.visit(point, start);
            }
        }
    }
    return search.answer;
}

void remove_colour(Octree* tree, std::uint32_t colour)
{
    OctreeNode* path[8];
    unsigned index[8];
    OctreeNode* node = tree->root;
    int level = 7;
    for (;; --level) {
        path[level] = node;
        index[level] = slot_index(colour, level);
        std::uintptr_t slot = node->slots[index[level]];
        if (slot == kEmpty)
            return;
        if (is_leaf(slot))
            break;
        if (level == 0)
            return;
        node = as_node(slot);
    }
    path[level]->slots[index[level]] = kEmpty;
    // Back towards the root: an emptied node goes, a node left with one leaf is replaced
    // by that leaf. The root always stays.
    for (; level < 7; ++level) {
        OctreeNode* emptied = path[level];
        int used = 0;
        std::uintptr_t only = kEmpty;
        for (std::uintptr_t slot : emptied->slots) {
            if (slot != kEmpty) {
                ++used;
                only = slot;
            }
        }
        std::uintptr_t& parent_slot = path[level + 1]->slots[index[level + 1]];
        if (used == 0)
            parent_slot = kEmpty;
        else if (used == 1 && is_leaf(only))
            parent_slot = only;
        else
            return;
        free_node(emptied);
    }
}

MergeLinks::MergeLinks(std::uint32_t count) : links(count, nullptr), heap(count)
{
    for (auto& link : links) {
        link = std::construct_at(colour_work().links.take());
    }
}

MergeLinks::~MergeLinks()
{
    for (MergeLink* link : links)
        if (link)
            colour_work().links.give_back(link);
}

namespace {

void link_at_head(MergeLink* link, MergeLink* target)
{
    link->target = target;
    link->prev = nullptr;
    link->next = target->head;
    if (target->head)
        target->head->prev = link;
    target->head = link;
}

void unlink(MergeLink* link)
{
    MergeLink* owner = link->target;
    if (link->prev)
        link->prev->next = link->next;
    else if (owner && owner->head == link)
        owner->head = link->next;
    if (link->next)
        link->next->prev = link->prev;
    link->next = link->prev = nullptr;
}

void free_link(MergeLinks* links, MergeLink* link)
{
    unlink(link);
    links->links[link->entry] = nullptr;
    colour_work().links.give_back(link);
}

}  // namespace

std::unique_ptr<MergeLinks> build_merge_links(ColourTable* table, Octree* tree)
{
    auto links = std::make_unique<MergeLinks>(table->count);
    for (std::uint32_t i = 0; i < table->count; ++i)
        links->links[i]->entry = i;
    for (std::uint32_t i = 0; i < table->count; ++i) {
        MergeLink* link = links->links[i];
        MergeLink* target = links->links[find_nearest_colour(tree, table, table->entries[i].colour)];
        link_at_head(link, target);
        link->cost = WeightedColourDistance(table, i, target->entry);
        links->heap.push(link);
    }
    return links;
}

MergeResult merge_step(MergeLinks* links, ColourTable* table, Octree* tree)
{
    MergeLink* m = links->heap.pop_least();
    std::uint32_t removed = m->entry;
    if (links->heap.empty()) {
        free_link(links, m);
        return {removed, removed};
    }
    MergeLink* t = m->target;
    MergeResult result{removed, t->entry};
    if (links->heap.size() == 1) {
        free_link(links, m);
        return result;
    }
    remove_colour(tree, table->entries[removed].colour);

    // The target takes over the removed colour's pixels and becomes costlier to merge.
    table->entries[t->entry].weight += table->entries[removed].weight;
    t->cost = WeightedColourDistance(table, t->entry, t->target->entry);
    links->heap.sift_down(t->position);
    unlink(m);

    // Every colour that had the removed one as its nearest looks again.
    while (MergeLink* r = m->head) {
        MergeLink* nearest = links->links[find_nearest_colour(tree, table, table->entries[r->entry].colour)];
        r->cost = WeightedColourDistance(table, r->entry, nearest->entry);
        links->heap.sift_down(r->position);
        unlink(r);
        link_at_head(r, nearest);
    }
    free_link(links, m);
    return result;
}

void merge_all(MergeLinks* links, ColourTable* table, Octree* tree_copy)
{
    OctreePtr owned(tree_copy);
    const std::uint32_t n = table->count;
    for (std::uint32_t i = 0; i < n; ++i) {
        MergeResult step = merge_step(links, table, owned.get());
        table->entries[step.removed].rank = n - i - 1;
        table->entries[step.removed].merged_into = step.target;
    }
}

std::uint8_t reduced_index(const ColourTable* table, const Octree* tree, std::uint32_t colour)
{
    if (table->count == 0)
        return 0;
    std::uint32_t entry = exact_colour_index(tree, colour);
    // Ranks fall strictly along the chain; the bound only guards a damaged table.
    for (std::uint32_t steps = 0; table->entries[entry].rank >= 255 && steps < table->count; ++steps)
        entry = table->entries[entry].merged_into;
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(table->entries[entry].rank, 254));
}

std::uint16_t build_reduced_palette(const ColourTable* table, std::uint8_t* palette)
{
    for (std::uint32_t i = 0; i < table->count; ++i) {
        const ColourEntry& entry = table->entries[i];
        if (entry.rank >= 255)
            continue;
        palette[entry.rank * 3] = static_cast<std::uint8_t>(entry.colour >> 16);
        palette[entry.rank * 3 + 1] = static_cast<std::uint8_t>(entry.colour >> 8);
        palette[entry.rank * 3 + 2] = static_cast<std::uint8_t>(entry.colour);
    }
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(table->count, 255));
}

std::uint32_t octree_nodes_in_use() { return colour_work().nodes.in_use(); }
std::uint32_t merge_links_in_use() { return colour_work().links.in_use(); }
