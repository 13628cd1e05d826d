#include "ui/constraint_grid.h"

#include <algorithm>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "framework/control_box.h"

namespace {

constexpr int kSpacerHeight = 15;  // the empty line before rows 4 and 7
constexpr int kMargin = 10;

bool crop_off(const Settings& s) { return s.crop_first_frame == 0; }

// Sets a one-byte option only when it differs.
void set_flag(std::uint8_t& flag, bool on) { flag = on ? 1 : 0; }

int view_width(View* view)
{
    const platform::Rect r = ViewRect(view);
    return r.right - r.left;
}

}  // namespace

bool grid_cell_present(int row, int column)
{
    if (row < 0 || row >= kGridRows || column < 0 || column >= kGridColumns)
        return false;
    return (kGridRowTable[row].columns & (8 >> column)) != 0;
}

bool grid_cell_always_checked(int row, int column)
{
    if (!grid_cell_present(row, column))
        return false;
    if (column == 1 || column == 2)
        return row <= 3;
    if (column == 0)
        return row == 3;
    return row == 1 || row == 2;  // column 3
}

bool grid_cell_checked(const Settings& s, int row, int column)
{
    if (!grid_cell_present(row, column))
        return false;
    if (grid_cell_always_checked(row, column))
        return true;
    const bool rule_high = s.rule_value >= 2;
    switch (grid_cell_id(row, column)) {
    case grid_cell_id(0, 0):
    case grid_cell_id(5, 0):
        return crop_off(s);
    case grid_cell_id(1, 0):
        return crop_off(s) && rule_high;
    case grid_cell_id(2, 0):
        return rule_high;
    case grid_cell_id(4, 0):
        return s.offset_frames == 0;
    case grid_cell_id(5, 1):
        return s.end_code_saving == 0 && crop_off(s);
    case grid_cell_id(6, 1):
        return s.end_code_saving == 0;
    default:  // row 7
        return crop_off(s) && s.offset_frames == 0 && s.transparency_search == 0;
    }
}

double grid_share(const Settings& s)
{
    int sum = 0;
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column)
            if (grid_cell_checked(s, row, column))
                sum += kGridRowTable[row].weights[column];
    return sum * 100.0 / kGridTotalWeight;
}

bool apply_grid_click(Settings& s, int row, int column, bool checked)
{
    if (!grid_cell_present(row, column) || grid_cell_always_checked(row, column))
        return false;
    if (row == 7) {
        if (checked) {
            set_flag(s.end_code_saving, false);
            set_flag(s.offset_frames, false);
            set_flag(s.crop_first_frame, false);
        }
        set_flag(s.transparency_search, !checked);
        return true;
    }
    switch (grid_cell_id(row, column)) {
    case grid_cell_id(0, 0):
    case grid_cell_id(5, 0):
        set_flag(s.crop_first_frame, !checked);
        break;
    case grid_cell_id(1, 0):
        if (checked)
            set_flag(s.crop_first_frame, false);
        s.rule_value = checked ? 2 : 0;
        break;
    case grid_cell_id(2, 0):
        s.rule_value = checked ? 2 : 0;
        break;
    case grid_cell_id(4, 0):
        set_flag(s.offset_frames, !checked);
        break;
    case grid_cell_id(5, 1):
        if (checked)
            set_flag(s.crop_first_frame, false);
        set_flag(s.end_code_saving, !checked);
        break;
    default:  // (6, 1)
        set_flag(s.end_code_saving, !checked);
        break;
    }
    return true;
}

// ---- Controls

void ConstraintGrid::build(View* parent)
{
    View* outer = make_column(parent, 4);
    BoxSetMargins(outer, kMargin, kMargin);
    View* grid = make_grid(outer, kGridColumns + 1, kGridRows + 3);
    make_label(grid, "");
    int spacer_width = 0;  // as wide as the widest column title
    for (std::uint16_t title : kGridColumnTitles)
        spacer_width = std::max(spacer_width, view_width(make_label(grid, app_string(title))));
    for (int row = 0; row < kGridRows; ++row) {
        if (row == 4 || row == 7) {
            make_spacer(grid, 1, kSpacerHeight);
            for (int column = 0; column < kGridColumns; ++column)
                make_spacer(grid, spacer_width, 1);
        }
        const char* title = app_string(kGridRowTable[row].title);
        if (row == 7)
            make_text_line(grid, title);
        else
            make_label(grid, title);
        for (int column = 0; column < kGridColumns; ++column) {
            if (!grid_cell_present(row, column)) {
                make_spacer(grid, 1, 1);
                continue;
            }
            CheckBox& box = cell(row, column);
            box.create(grid, "", false);
            box.on_change = [this, row, column](bool checked) { clicked(row, column, checked); };
        }
    }
    m_share.create(outer, "");
    refresh();
}

void ConstraintGrid::refresh()
{
    const Settings& s = settings();
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column)
            cell(row, column).set_checked(grid_cell_checked(s, row, column), Notify::No);
    const StrPtr text = StrPtr(FormatNew(app_string(262), grid_share(s)));
    m_share.set_text_if_different(text.get());
}

void ConstraintGrid::clicked(int row, int column, bool checked)
{
    if (!apply_grid_click(settings(), row, column, checked)) {
        cell(row, column).set_checked(true, Notify::No);
        if (on_refused)
            on_refused();
        return;
    }
    refresh();
    if (on_settings_changed)
        on_settings_changed();
}
