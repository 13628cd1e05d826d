// Colour merging: an octree over the colour bits that finds a colour's nearest neighbour,
// merge links kept in a `Heap` by merge cost, and the merge order that turns any number of
// colours into a palette of at most 255. The node and link pools are process-wide (the
// colour work, created once and kept until exit). The palette reduction of a document
// (palette_reduction) drives these operations; they know nothing about documents.
#pragma once
#include "optimize/colour_table.h"
#include "optimize/heap.h"

#include <cstdint>
#include <memory>
#include <vector>

// Eight slots per node: 0 empty, (entry << 8) | 1 a leaf, otherwise a child node.
struct OctreeNode {
    std::uintptr_t slots[8];
    std::uint32_t stamp;  // search number of the last nearest-colour search that scanned it
};

struct Octree {
    OctreeNode* root = nullptr;
};

Octree* new_octree();
void free_octree(Octree* tree);
Octree* copy_octree(const Octree* tree);

struct OctreeDeleter {
    void operator()(Octree* tree) const { free_octree(tree); }
};
using OctreePtr = std::unique_ptr<Octree, OctreeDeleter>;

// Adds pixels of a colour: a new colour gets a new table entry, a known one more pixels.
// Returns the colour's entry. Pixels of 0 add nothing (returns the table count unchanged).
std::uint32_t add_colour(Octree* tree, ColourTable* table, std::uint32_t colour, std::uint32_t pixels);
// The entry of the first leaf on the colour's path; 0 when the path ends in an empty slot.
std::uint32_t exact_colour_index(const Octree* tree, std::uint32_t colour);
// The entry of a colour near the given one (which must be in the tree) at a distance above 0,
// found by visiting the neighbouring cells in a fixed order; 0 when the tree holds no other
// colour. The first colour met at the least distance wins.
std::uint32_t find_nearest_colour(Octree* tree, const ColourTable* table, std::uint32_t colour);
// Clears the colour's leaf and collapses the nodes it leaves empty or with a single leaf.
void remove_colour(Octree* tree, std::uint32_t colour);

// One link per colour while it takes part in merging.
struct MergeLink {
    std::uint32_t entry = 0;
    MergeLink* target = nullptr;  // link of the current nearest colour
    MergeLink* head = nullptr;    // first of the links whose target is this one
    MergeLink* next = nullptr;
    MergeLink* prev = nullptr;
    std::uint32_t position = 0;  // place in the merge heap
    std::uint64_t cost = 0;
};

using MergeHeap = Heap<MergeLink, &MergeLink::cost, &MergeLink::position>;

// The links of one reduction and the heap that orders them; frees what is left of them.
class MergeLinks {
public:
    explicit MergeLinks(std::uint32_t count);
    ~MergeLinks();
    MergeLinks(const MergeLinks&) = delete;
    MergeLinks& operator=(const MergeLinks&) = delete;

    std::vector<MergeLink*> links;  // by entry; null once merged away
    MergeHeap heap;
};

struct MergeResult {
    std::uint32_t removed;
    std::uint32_t target;
};

std::unique_ptr<MergeLinks> build_merge_links(ColourTable* table, Octree* tree);
MergeResult merge_step(MergeLinks* links, ColourTable* table, Octree* tree);
// Merges every colour away in cost order, storing rank and merged-into in the table; frees
// the octree copy it is given.
void merge_all(MergeLinks* links, ColourTable* table, Octree* tree_copy);
// Palette index of a colour in the reduced palette (0-254); 0 for an empty table.
std::uint8_t reduced_index(const ColourTable* table, const Octree* tree, std::uint32_t colour);
// Writes the colours of rank below 255 to their rank's palette entry; returns min(255, n).
std::uint16_t build_reduced_palette(const ColourTable* table, std::uint8_t* palette);

// Diagnostics for tests: items taken from the process-wide pools and not yet returned.
std::uint32_t octree_nodes_in_use();
std::uint32_t merge_links_in_use();
