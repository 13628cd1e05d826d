// Checks the colour merging against a second, deliberately plain model of the same rules,
// written step by step with no shared code: an octree of indexed nodes with path
// compression, the neighbouring-cell nearest search with its visit marks, leaf removal that
// re-checks every node on the way back to the root, a min-heap with the stated sift rules,
// and the merge steps. Random colour sets drawn from a few values per channel provoke many
// equal distances and equal costs, where only the exact search order and sift rules agree.
#include "optimize/colour_merge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// ---- The model --------------------------------------------------------------------------

struct ModelSlot {
    enum Kind { Empty, Leaf, Node } kind = Empty;
    int value = 0;  // entry for a leaf, node number for a node
};

struct ModelNode {
    ModelSlot slots[8];
    std::uint32_t mark = 0;
};

struct ModelEntry {
    std::uint32_t colour;
    std::uint64_t pixels;
    std::uint64_t weight;
    std::uint32_t rank = 0;
    std::uint32_t merged_into = 0;
};

int component(std::uint32_t colour, int c) { return static_cast<int>((colour >> (16 - 8 * c)) & 0xFF); }

int slot_of(std::uint32_t colour, int level)
{
    return ((component(colour, 0) >> level) & 1) * 4 + ((component(colour, 1) >> level) & 1) * 2 +
        ((component(colour, 2) >> level) & 1);
}

int city_block(std::uint32_t a, std::uint32_t b)
{
    int d = 0;
    for (int c = 0; c < 3; ++c)
        d += std::abs(component(a, c) - component(b, c));
    return d;
}

struct ModelTree {
    std::vector<ModelNode> nodes{1};  // node 0 is the root, at level 7
    std::uint32_t searches = 0;

    int new_node()
    {
        nodes.push_back(ModelNode{});
        return static_cast<int>(nodes.size()) - 1;
    }

    void add(std::vector<ModelEntry>& table, std::uint32_t colour, std::uint32_t pixels)
    {
        if (pixels == 0)
            return;
        int node = 0;
        for (int level = 7; level >= 0; --level) {
            ModelSlot& slot = nodes[node].slots[slot_of(colour, level)];
            if (slot.kind == ModelSlot::Empty) {
                table.push_back(ModelEntry{colour, pixels, 0});
                slot = ModelSlot{ModelSlot::Leaf, static_cast<int>(table.size()) - 1};
                return;
            }
            if (slot.kind == ModelSlot::Leaf) {
                if (table[slot.value].colour == colour) {
                    table[slot.value].pixels += pixels;
                    return;
                }
                const ModelSlot moved = slot;
                const int child = new_node();  // may move the vector: no references across it
                nodes[child].slots[slot_of(table[moved.value].colour, level - 1)] = moved;
                nodes[node].slots[slot_of(colour, level)] = ModelSlot{ModelSlot::Node, child};
            }
            node = nodes[node].slots[slot_of(colour, level)].value;
        }
    }

    int exact(std::uint32_t colour) const
    {
        int node = 0;
        for (int level = 7; level >= 0; --level) {
            const ModelSlot& slot = nodes[node].slots[slot_of(colour, level)];
            if (slot.kind == ModelSlot::Empty)
                return 0;
            if (slot.kind == ModelSlot::Leaf)
                return slot.value;
            node = slot.value;
        }
        return 0;
    }

    void remove(std::uint32_t colour)
    {
        int path[8];
        int level = 7;
        int node = 0;
        for (;;) {
            path[level] = node;
            const ModelSlot& slot = nodes[node].slots[slot_of(colour, level)];
            if (slot.kind == ModelSlot::Leaf)
                break;
            node = slot.value;
            --level;
        }
        nodes[path[level]].slots[slot_of(colour, level)] = ModelSlot{};
        // Every node on the way back to the root is looked at (the root itself stays).
        for (int l = level; l < 7; ++l) {
            const ModelNode& n = nodes[path[l]];
            int used = 0;
            ModelSlot only;
            for (const ModelSlot& s : n.slots)
                if (s.kind != ModelSlot::Empty) {
                    ++used;
                    only = s;
                }
            ModelSlot& in_parent = nodes[path[l + 1]].slots[slot_of(colour, l + 1)];
            if (used == 0)
                in_parent = ModelSlot{};
            else if (used == 1 && only.kind == ModelSlot::Leaf)
                in_parent = only;
        }
    }

    // The search, in the words of its description.
    struct Search {
        ModelTree& tree;
        const std::vector<ModelEntry>& table;
        std::uint32_t q;
        std::uint32_t counter;
        int best = 768;
        int answer = 0;

        void check_leaf(int entry)
        {
            int d = city_block(table[entry].colour, q);
            if (d > 0 && d < best) {
                best = d;
                answer = entry;
            }
        }
        void scan(int node)
        {
            if (tree.nodes[node].mark == counter)
                return;
            tree.nodes[node].mark = counter;
            for (int i = 0; i < 8; ++i) {
                const ModelSlot s = tree.nodes[node].slots[i];
                if (s.kind == ModelSlot::Leaf)
                    check_leaf(s.value);
                else if (s.kind == ModelSlot::Node)
                    scan(s.value);
            }
        }
    };

    struct Candidate {
        int value;
        int level;
    };
    using Candidates = std::array<std::vector<Candidate>, 3>;

    // Per component: the cell below the query's, its own and the one above, each with the
    // level where its path parts from the query's.
    static Candidates candidates_around(std::uint32_t q, int lq)
    {
        Candidates candidates;
        for (int c = 0; c < 3; ++c) {
            const int qc = component(q, c);
            const int low = qc & ~((1 << lq) - 1);
            auto level_of = [&](int value) {
                int bit = 7;
                while (bit >= 0 && !(((value ^ qc) >> bit) & 1))
                    --bit;
                return bit < lq ? lq : bit;
            };
            if (low != 0)
                candidates[c].push_back({low - 1, level_of(low - 1)});
            candidates[c].push_back({qc, lq});
            if (low + (1 << lq) != 256)
                candidates[c].push_back({low + (1 << lq), level_of(low + (1 << lq))});
        }
        return candidates;
    }

    int nearest(const std::vector<ModelEntry>& table, std::uint32_t q)
    {
        Search search{*this, table, q, ++searches};
        int recorded[8] = {};
        int node = 0;
        int lq = 7;
        for (int level = 7;; --level) {
            recorded[level] = node;
            const ModelSlot& slot = nodes[node].slots[slot_of(q, level)];
            if (slot.kind == ModelSlot::Leaf) {
                lq = level;
                break;
            }
            node = slot.value;
        }
        const Candidates candidates = candidates_around(q, lq);
        for (const Candidate& r : candidates[0]) {
            for (const Candidate& g : candidates[1]) {
                for (const Candidate& b : candidates[2]) {
                    const int box = std::abs(r.value - component(q, 0)) + std::abs(g.value - component(q, 1)) +
                        std::abs(b.value - component(q, 2));
                    if (box >= search.best)
                        continue;
                    const std::uint32_t p = static_cast<std::uint32_t>(r.value << 16 | g.value << 8 | b.value);
                    int level = std::max({r.level, g.level, b.level});
                    int n = recorded[level];
                    for (;;) {
                        const ModelSlot s = nodes[n].slots[slot_of(p, level)];
                        if (s.kind != ModelSlot::Node) {
                            search.scan(n);
                            break;
                        }
                        if (nodes[s.value].mark == search.counter)
                            break;
                        n = s.value;
                        --level;
                        if (level <= lq) {
                            search.scan(n);
                            break;
                        }
                    }
                }
            }
        }
        return search.answer;
    }
};

struct ModelLink {
    int entry;
    int target = -1;
    std::vector<int> list;  // links whose target is this one, head first
    std::uint64_t cost = 0;
    int position = 0;
};

struct ModelHeap {
    std::vector<int> items;
    std::vector<ModelLink>* links;

    std::uint64_t cost(int at) const { return (*links)[items[at]].cost; }
    void put(int at, int link)
    {
        items[at] = link;
        (*links)[link].position = at;
    }
    void push(int link)
    {
        items.push_back(link);
        int at = static_cast<int>(items.size()) - 1;
        while (at > 0 && cost((at - 1) / 2) > (*links)[link].cost) {
            put(at, items[(at - 1) / 2]);
            at = (at - 1) / 2;
        }
        put(at, link);
    }
    void sift_down(int at)
    {
        const int link = items[at];
        const int size = static_cast<int>(items.size());
        for (;;) {
            int child = 2 * at + 1;
            if (child >= size)
                break;
            if (child + 1 < size && cost(child + 1) < cost(child))
                ++child;
            if ((*links)[link].cost < cost(child))
                break;
            put(at, items[child]);
            at = child;
        }
        put(at, link);
    }
    int pop()
    {
        const int least = items[0];
        const int last = items.back();
        items.pop_back();
        if (!items.empty()) {
            put(0, last);
            sift_down(0);
        }
        return least;
    }
};

void remove_from_list(std::vector<int>& list, int link)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == link) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    ADD_FAILURE() << "link " << link << " missing from its target's list";
}

std::uint64_t weighted(const std::vector<ModelEntry>& table, int a, int b)
{
    return static_cast<std::uint64_t>(city_block(table[a].colour, table[b].colour)) * table[a].weight;
}

// Merges every colour away; fills rank and merged_into.
void model_merge(std::vector<ModelEntry>& table, ModelTree tree_for_links)
{
    const int n = static_cast<int>(table.size());
    ModelTree work = tree_for_links;  // the copy the merge removes colours from
    std::vector<ModelLink> links(static_cast<std::size_t>(n));
    ModelHeap heap{{}, &links};
    for (int i = 0; i < n; ++i)
        links[i].entry = i;
    for (int i = 0; i < n; ++i) {
        const int t = tree_for_links.nearest(table, table[i].colour);
        links[i].target = t;
        links[t].list.insert(links[t].list.begin(), i);
        links[i].cost = weighted(table, i, t);
        heap.push(i);
    }
    for (int step = 0; step < n; ++step) {
        const int m = heap.pop();
        int target = m;
        if (!heap.items.empty()) {
            target = links[m].target;
            if (heap.items.size() > 1) {
                work.remove(table[m].colour);
                const int t = links[m].target;
                table[t].weight += table[m].weight;
                links[t].cost = weighted(table, t, links[t].target);
                heap.sift_down(links[t].position);
                remove_from_list(links[t].list, m);
                const std::vector<int> followers = links[m].list;
                for (int r : followers) {
                    const int nt = work.nearest(table, table[r].colour);
                    links[r].cost = weighted(table, r, nt);
                    heap.sift_down(links[r].position);
                    links[r].target = nt;
                    links[nt].list.insert(links[nt].list.begin(), r);
                }
                links[m].list.clear();
            }
        }
        table[m].rank = static_cast<std::uint32_t>(n - step - 1);
        table[m].merged_into = static_cast<std::uint32_t>(target);
    }
}

// ---- The comparison ---------------------------------------------------------------------

// Colours drawn from a few values per channel (cell edges, neighbours across a cell border)
// with few distinct pixel counts, so that equal distances and equal costs are common.
std::vector<std::pair<std::uint32_t, std::uint32_t>> random_colours(std::mt19937& rng, int count, int spread)
{
    static const int kValues[] = {0, 1, 2, 3, 4, 7, 8, 15, 16, 63, 64, 65, 126, 127, 128, 129, 191, 192, 254, 255};
    std::uniform_int_distribution<int> pick(0, 19);
    std::uniform_int_distribution<int> any(0, 255);
    std::uniform_int_distribution<std::uint32_t> pixels(1, static_cast<std::uint32_t>(spread));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> colours;
    for (int i = 0; i < count; ++i) {
        std::uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) {
            int v = (i % 3 == 0) ? any(rng) : kValues[pick(rng)];
            rgb = rgb << 8 | static_cast<std::uint32_t>(v);
        }
        colours.push_back({rgb, pixels(rng)});
    }
    return colours;
}

class ColourMergeModel : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(octree_nodes_in_use(), 0u);
        EXPECT_EQ(merge_links_in_use(), 0u);
    }
};

}  // namespace

TEST_F(ColourMergeModel, NearestColourAgreesWithTheModel)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        auto colours = random_colours(rng, 2 + round * 5, 4);
        ColourTablePtr table(ColourTableNew(256));
        OctreePtr tree(new_octree());
        std::vector<ModelEntry> model_table;
        ModelTree model;
        for (auto [rgb, pixels] : colours) {
            add_colour(tree.get(), table.get(), rgb, pixels);
            model.add(model_table, rgb, pixels);
        }
        ASSERT_EQ(table->count, model_table.size());
        for (std::uint32_t i = 0; i < table->count; ++i) {
            ASSERT_EQ(table->entries[i].colour, model_table[i].colour);
            ASSERT_EQ(exact_colour_index(tree.get(), model_table[i].colour), i);
            ASSERT_EQ(find_nearest_colour(tree.get(), table.get(), model_table[i].colour),
                      static_cast<std::uint32_t>(model.nearest(model_table, model_table[i].colour)))
                << "round " << round << " entry " << i;
        }
        // Removing colours one by one keeps the searches in step.
        for (std::uint32_t i = 0; i + 1 < table->count; i += 2) {
            remove_colour(tree.get(), model_table[i].colour);
            model.remove(model_table[i].colour);
            for (std::uint32_t j = i + 1; j < table->count; j += 3)
                ASSERT_EQ(find_nearest_colour(tree.get(), table.get(), model_table[j].colour),
                          static_cast<std::uint32_t>(model.nearest(model_table, model_table[j].colour)))
                    << "round " << round << " after removing " << i << ", entry " << j;
        }
    }
}

TEST_F(ColourMergeModel, MergeOrderAgreesWithTheModel)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        const int count = round < 30 ? 3 + round * 9 : 300 + round;
        auto colours = random_colours(rng, count, round % 2 ? 3 : 1000);
        ColourTablePtr table(ColourTableNew(256));
        OctreePtr tree(new_octree());
        std::vector<ModelEntry> model_table;
        ModelTree model;
        for (auto [rgb, pixels] : colours) {
            add_colour(tree.get(), table.get(), rgb, pixels);
            model.add(model_table, rgb, pixels);
        }
        ColourTableResetWeights(table.get());
        for (ModelEntry& e : model_table)
            e.weight = e.pixels;
        {
            auto links = build_merge_links(table.get(), tree.get());
            merge_all(links.get(), table.get(), copy_octree(tree.get()));
        }
        model_merge(model_table, model);
        ASSERT_EQ(table->count, model_table.size());
        for (std::uint32_t i = 0; i < table->count; ++i) {
            ASSERT_EQ(table->entries[i].rank, model_table[i].rank) << "round " << round << " entry " << i;
            ASSERT_EQ(table->entries[i].merged_into, model_table[i].merged_into) << "round " << round << " entry " << i;
            ASSERT_EQ(table->entries[i].weight, model_table[i].weight) << "round " << round << " entry " << i;
        }
        std::uint8_t palette[768] = {};
        const int size = build_reduced_palette(table.get(), palette);
        ASSERT_EQ(size, std::min<int>(255, static_cast<int>(model_table.size())));
        for (const ModelEntry& e : model_table) {
            std::uint32_t entry = static_cast<std::uint32_t>(model.exact(e.colour));
            while (model_table[entry].rank >= 255)
                entry = model_table[entry].merged_into;
            ASSERT_EQ(reduced_index(table.get(), tree.get(), e.colour), model_table[entry].rank);
        }
    }
}
