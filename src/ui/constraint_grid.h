// The compatibility grid of the settings window: kinds of program (rows) by the age of the
// program (columns). Each cell carries the share of users it stands for; a ticked cell asks
// that saved files play correctly there, which turns off the optimizations such programs
// cannot show. The rules here work on the settings record alone; the controls follow them.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "app/settings.h"
#include "framework/widgets.h"

inline constexpr int kGridRows = 8;
inline constexpr int kGridColumns = 4;
inline constexpr int kGridTotalWeight = 10035;

struct GridRow {
    std::uint16_t title;   // application string
    std::uint8_t columns;  // the cells present, bit 3 for column 0
    std::uint16_t weights[kGridColumns];
};

inline constexpr GridRow kGridRowTable[kGridRows] = {
    {254, 14, {0, 51, 3, 0}},    {255, 15, {245, 588, 46, 23}}, {256, 15, {1761, 3937, 270, 2}},
    {257, 14, {55, 432, 20, 0}}, {258, 8, {33, 0, 0, 0}},       {259, 12, {77, 2196, 0, 0}},
    {260, 4, {0, 296, 0, 0}},    {261, 15, {0, 0, 0, 0}},
};
inline constexpr std::uint16_t kGridColumnTitles[kGridColumns] = {250, 251, 252, 253};

// A cell's identifier: row x 256 + column.
constexpr int grid_cell_id(int row, int column) { return row * 256 + column; }

[[nodiscard]] bool grid_cell_present(int row, int column);
// Cells whose programs show every optimization: they stay ticked.
[[nodiscard]] bool grid_cell_always_checked(int row, int column);
// Whether the settings allow the cell's programs.
[[nodiscard]] bool grid_cell_checked(const Settings& s, int row, int column);
// The percentage of the total weight that the allowed cells cover.
[[nodiscard]] double grid_share(const Settings& s);

// The user ticked (checked) or cleared a cell: the settings change as the cell asks. False
// for an always-ticked cell, which changes nothing.
[[nodiscard]] bool apply_grid_click(Settings& s, int row, int column, bool checked);

// The grid's controls: the column titles, the row titles, a check box per present cell and
// the share line, with the note section below built by the caller.
class ConstraintGrid {
public:
    // Called after a click changed the settings (the option controls follow, then a save).
    std::function<void()> on_settings_changed;
    // Called when an always-ticked cell was cleared (the cell is ticked again first).
    std::function<void()> on_refused;

    void build(View* parent);
    bool built() const { return static_cast<bool>(m_share); }
    // Ticks the cells from the settings and shows the share.
    void refresh();

    CheckBox& cell(int row, int column) { return m_cells[static_cast<std::size_t>(row * kGridColumns + column)]; }
    const Label& share_label() const { return m_share; }

private:
    void clicked(int row, int column, bool checked);

    std::array<CheckBox, kGridRows * kGridColumns> m_cells;
    Label m_share;
};
