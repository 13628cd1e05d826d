#include "framework/control_box.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/control.h"

namespace {

struct BoxChild {
    View* view;
    int dx;  // free boxes: the child's offset inside the margins
    int dy;
};

struct BoxData : ViewRecord {
    BoxKind kind = BoxKind::column;
    BoxStyle style;
    std::vector<BoxChild> children;
    bool laying_out = false;
    // Scrolling panels.
    int scroll_x = 0;
    int scroll_y = 0;
    int drag_from = -1;  // pointer y where a thumb drag began, -1 when none
    int drag_scroll = 0;
};

constexpr int kScrollBarWidth = 11;

BoxData* box(View* view) { return ViewRecordOf<BoxData>(view); }

bool counts(View* view) { return ViewIsShown(view) && !ViewIsBeingDestroyed(view); }

bool is_separator(View* view);
int separator_kind(View* view);

struct Extent {
    int width;
    int height;
};

void place(View* child, int x, int y) { ViewMoveTo(child, x, y); }

Extent layout_row(View* view, BoxData* data)
{
    const int mx = data->style.margin_x;
    const int my = data->style.margin_y;
    int content_h = 0;
    for (const BoxChild& c : data->children)
        if (counts(c.view) && !(is_separator(c.view) && separator_kind(c.view) == 1))
            content_h = std::max<int>(content_h, c.view->height);
    int x = mx;
    bool first = true;
    for (const BoxChild& c : data->children) {
        if (!counts(c.view))
            continue;
        if (!first)
            x += data->style.spacing;
        first = false;
        if (is_separator(c.view) && separator_kind(c.view) == 1 && c.view->height != content_h)
            ViewDefaultSetSize(c.view, c.view->width, content_h);
        place(c.view, view->x + x, view->y + my + (content_h - c.view->height) / 2);
        x += c.view->width;
    }
    return {x + mx, content_h + 2 * my};
}

Extent layout_column(View* view, BoxData* data)
{
    const int mx = data->style.margin_x;
    const int my = data->style.margin_y;
    int content_w = 0;
    for (const BoxChild& c : data->children)
        if (counts(c.view) && !(is_separator(c.view) && separator_kind(c.view) == 0))
            content_w = std::max<int>(content_w, c.view->width);
    int y = my;
    bool first = true;
    for (const BoxChild& c : data->children) {
        if (!counts(c.view))
            continue;
        if (!first)
            y += data->style.spacing;
        first = false;
        if (is_separator(c.view) && separator_kind(c.view) == 0 && c.view->width != content_w)
            ViewDefaultSetSize(c.view, content_w, c.view->height);
        place(c.view, view->x + mx, view->y + y);
        y += c.view->height;
    }
    return {content_w + 2 * mx, y + my};
}

Extent layout_grid(View* view, BoxData* data)
{
    const int columns = std::max(data->style.columns, 1);
    const int count = static_cast<int>(data->children.size());
    const int rows = (count + columns - 1) / columns;
    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    std::vector<int> heights(static_cast<std::size_t>(rows), 0);
    for (int i = 0; i < count; ++i) {
        View* c = data->children[static_cast<std::size_t>(i)].view;
        if (!counts(c))
            continue;
        int& w = widths[static_cast<std::size_t>(i % columns)];
        int& h = heights[static_cast<std::size_t>(i / columns)];
        w = std::max<int>(w, c->width);
        h = std::max<int>(h, c->height);
    }
    std::vector<int> xs(static_cast<std::size_t>(columns), 0);
    std::vector<int> ys(static_cast<std::size_t>(rows), 0);
    int x = data->style.margin_x;
    for (int col = 0; col < columns; ++col) {
        xs[static_cast<std::size_t>(col)] = x;
        x += widths[static_cast<std::size_t>(col)] + (col + 1 < columns ? data->style.spacing : 0);
    }
    int y = data->style.margin_y;
    for (int row = 0; row < rows; ++row) {
        ys[static_cast<std::size_t>(row)] = y;
        y += heights[static_cast<std::size_t>(row)] + (row + 1 < rows ? data->style.row_spacing : 0);
    }
    for (int i = 0; i < count; ++i) {
        View* c = data->children[static_cast<std::size_t>(i)].view;
        if (!counts(c))
            continue;
        const int row = i / columns;
        const int cell_h = heights[static_cast<std::size_t>(row)];
        place(c, view->x + xs[static_cast<std::size_t>(i % columns)],
              view->y + ys[static_cast<std::size_t>(row)] + (cell_h - c->height) / 2);
    }
    return {x + data->style.margin_x, y + data->style.margin_y};
}

Extent layout_free(View* view, BoxData* data)
{
    const int mx = data->style.margin_x;
    const int my = data->style.margin_y;
    int right = 0;
    int bottom = 0;
    for (const BoxChild& c : data->children) {
        if (!counts(c.view))
            continue;
        place(c.view, view->x + mx + c.dx, view->y + my + c.dy);
        right = std::max<int>(right, c.dx + c.view->width);
        bottom = std::max<int>(bottom, c.dy + c.view->height);
    }
    return {right + 2 * mx, bottom + 2 * my};
}

View* scroll_content(BoxData* data)
{
    for (const BoxChild& c : data->children)
        if (counts(c.view))
            return c.view;
    return nullptr;
}

int scroll_room(View* panel, int content_extent, bool vertical)
{
    const int visible = vertical ? panel->height : panel->width - kScrollBarWidth;
    return std::max(content_extent - visible, 0);
}

void layout_scroll(View* view, BoxData* data)
{
    View* content = scroll_content(data);
    if (content == nullptr)
        return;
    data->scroll_x = std::clamp(data->scroll_x, 0, scroll_room(view, content->width, false));
    data->scroll_y = std::clamp(data->scroll_y, 0, scroll_room(view, content->height, true));
    place(content, view->x - data->scroll_x, view->y - data->scroll_y);
    ViewInvalidate(view);
}

void layout(View* view)
{
    BoxData* data = box(view);
    if (data->laying_out || ViewIsBeingDestroyed(view))
        return;
    data->laying_out = true;
    Extent extent{view->width, view->height};
    switch (data->kind) {
    case BoxKind::row:
        extent = layout_row(view, data);
        break;
    case BoxKind::column:
        extent = layout_column(view, data);
        break;
    case BoxKind::grid:
        extent = layout_grid(view, data);
        break;
    case BoxKind::free:
        extent = layout_free(view, data);
        break;
    case BoxKind::scroll:
        layout_scroll(view, data);
        break;
    }
    data->laying_out = false;
    if (data->kind != BoxKind::scroll)
        ViewSetSize(view, extent.width, extent.height);
}

// ---- Box class operations

void box_destroy(View* view)
{
    BoxData* data = box(view);
    data->laying_out = true;  // children leaving must not lay out a dying box
    while (!data->children.empty()) {
        View* child = data->children.back().view;
        data->children.pop_back();
        ViewDestroy(child);
    }
}

void box_draw(View* view, const Rect& area)
{
    BoxData* data = box(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    if (data->style.panel)
        platform::DrawFillRect(surface, area, ControlColour(platform::SystemColour::window));
    if (data->style.framed) {
        // An etched frame: a shaded line with a light line inside it, rounded by a pixel.
        const platform::Colour window = ControlColour(platform::SystemColour::window);
        const platform::Colour shade = ColourMix(window, 0, 56);
        const platform::Colour light = ColourMix(window, 0xFFFFFF, 180);
        const int x0 = r.left, y0 = r.top, x1 = r.right - 2, y1 = r.bottom - 2;
        platform::DrawLine(surface, x0 + 1, y0, x1 - 1, y0, shade);
        platform::DrawLine(surface, x0 + 1, y1, x1 - 1, y1, shade);
        platform::DrawLine(surface, x0, y0 + 1, x0, y1 - 1, shade);
        platform::DrawLine(surface, x1, y0 + 1, x1, y1 - 1, shade);
        platform::DrawLine(surface, x0 + 1, y0 + 1, x1 - 1, y0 + 1, light);
        platform::DrawLine(surface, x0 + 1, y1 + 1, x1, y1 + 1, light);
        platform::DrawLine(surface, x0 + 1, y0 + 1, x0 + 1, y1 - 1, light);
        platform::DrawLine(surface, x1 + 1, y0 + 1, x1 + 1, y1 + 1, light);
    }
    if (data->kind != BoxKind::scroll) {
        ViewDrawChildren(view, area);
        return;
    }
    platform::DrawFillRect(surface, area, ControlColour(platform::SystemColour::window));
    platform::DrawPushClip(surface, r);
    ViewDrawChildren(view, area);
    platform::DrawPopClip(surface);
    View* content = scroll_content(data);
    if (content == nullptr || content->height <= view->height)
        return;
    // A slim bar of our own: the track and a thumb proportional to the visible share.
    const Rect track = platform::MakeRect(r.right - kScrollBarWidth, r.top, kScrollBarWidth, view->height);
    platform::DrawFillRect(surface, track, ColourMix(ControlColour(platform::SystemColour::window), 0, 16));
    const int thumb_h = std::max(view->height * view->height / content->height, 16);
    const int room = scroll_room(view, content->height, true);
    const int thumb_y = room == 0 ? 0 : (view->height - thumb_h) * data->scroll_y / room;
    const Rect thumb = platform::MakeRect(track.left + 2, r.top + thumb_y + 2, kScrollBarWidth - 4, thumb_h - 4);
    platform::DrawFillRect(surface, thumb, ColourMix(ControlColour(platform::SystemColour::window), 0, 90));
}

void box_add_child(View* parent, View* child)
{
    BoxData* data = box(parent);
    data->children.push_back(BoxChild{child, child->x, child->y});
    child->x = parent->x;
    child->y = parent->y;
    layout(parent);
}

void box_remove_child(View* parent, View* child)
{
    BoxData* data = box(parent);
    auto& list = data->children;
    list.erase(std::remove_if(list.begin(), list.end(), [child](const BoxChild& c) { return c.view == child; }),
               list.end());
    layout(parent);
}

void box_child_resized(View* parent, View* child, int width, int height)
{
    if (child->cls->set_size != nullptr)
        child->cls->set_size(child, width, height);
    else
        ViewDefaultSetSize(child, width, height);
    layout(parent);
}

void box_child_shown(View* parent, View* /*child*/) { layout(parent); }

void box_set_size(View* view, int width, int height)
{
    ViewDefaultSetSize(view, width, height);
    if (box(view)->kind == BoxKind::scroll)
        layout(view);
}

int box_child_count(View* view) { return view->record == nullptr ? 0 : static_cast<int>(box(view)->children.size()); }

View* box_child_at(View* view, int index) { return box(view)->children[static_cast<std::size_t>(index)].view; }

void scroll_mouse_down(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    BoxData* data = box(view);
    View* content = scroll_content(data);
    if (content == nullptr || x < view->x + view->width - kScrollBarWidth)
        return;
    data->drag_from = y;
    data->drag_scroll = data->scroll_y;
}

void scroll_mouse_drag(View* view, std::uint8_t /*modifiers*/, int /*x*/, int y)
{
    BoxData* data = box(view);
    View* content = scroll_content(data);
    if (content == nullptr || data->drag_from < 0 || view->height == 0)
        return;
    // The thumb moves with the pointer: one pixel of track is content/visible pixels.
    const int delta = (y - data->drag_from) * content->height / view->height;
    ScrollPanelScrollTo(view, data->scroll_x, data->drag_scroll + delta);
}

void scroll_mouse_up(View* view, std::uint8_t /*modifiers*/, int /*x*/, int /*y*/) { box(view)->drag_from = -1; }

const ViewClass kBoxClass = [] {
    ViewClass c;
    c.name = "box";
    c.destroy = box_destroy;
    c.draw = box_draw;
    c.set_size = box_set_size;
    c.add_child = box_add_child;
    c.remove_child = box_remove_child;
    c.child_resized = box_child_resized;
    c.child_shown = box_child_shown;
    c.child_count = box_child_count;
    c.child_at = box_child_at;
    return c;
}();

const ViewClass kScrollClass = [] {
    ViewClass c = kBoxClass;
    c.name = "scroll panel";
    c.mouse_down = scroll_mouse_down;
    c.mouse_drag = scroll_mouse_drag;
    c.mouse_up = scroll_mouse_up;
    return c;
}();

// ---- Spacers and separators

const ViewClass kSpacerClass = [] {
    ViewClass c;
    c.name = "spacer";
    return c;
}();

void separator_draw(View* view, const Rect& /*area*/)
{
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    const platform::Colour window = ControlColour(platform::SystemColour::window);
    const platform::Colour shade = ColourMix(window, 0, 48);
    const platform::Colour light = ColourMix(window, 0xFFFFFF, 160);
    if (separator_kind(view) == 0) {
        const int y = r.top + (view->height - 2) / 2;
        platform::DrawLine(surface, r.left, y, r.right - 1, y, shade);
        platform::DrawLine(surface, r.left, y + 1, r.right - 1, y + 1, light);
    } else {
        const int x = r.left + (view->width - 2) / 2;
        platform::DrawLine(surface, x, r.top, x, r.bottom - 1, shade);
        platform::DrawLine(surface, x + 1, r.top, x + 1, r.bottom - 1, light);
    }
}

const ViewClass kSeparatorClass = [] {
    ViewClass c;
    c.name = "separator";
    c.draw = separator_draw;
    return c;
}();

bool is_separator(View* view) { return view->cls == &kSeparatorClass; }

struct SeparatorData : ViewRecord {
    int kind = 0;  // 0 horizontal, 1 vertical
};

int separator_kind(View* view) { return ViewRecordOf<SeparatorData>(view)->kind; }

}  // namespace

View* BoxNew(BoxKind kind, View* parent, FrameWindow* window, const BoxStyle& style, int x, int y)
{
    const ViewClass* cls = kind == BoxKind::scroll ? &kScrollClass : &kBoxClass;
    auto data = std::make_unique<BoxData>();
    data->kind = kind;
    data->style = style;
    if (style.framed) {
        data->style.margin_x = std::max(style.margin_x, 8);
        data->style.margin_y = std::max(style.margin_y, 8);
    }
    const int width = 2 * data->style.margin_x;
    const int height = 2 * data->style.margin_y;
    View* view = parent == nullptr ? ViewNew(cls, window, 0, 0, std::move(data))
                                   : ViewNewChild(cls, parent, x, y, std::move(data));
    if (kind != BoxKind::scroll)
        ViewDefaultSetSize(view, width, height);
    ViewShow(view, 0);
    return view;
}

void BoxSetMargins(View* view, int margin_x, int margin_y)
{
    box(view)->style.margin_x = margin_x;
    box(view)->style.margin_y = margin_y;
    layout(view);
}

void BoxSetChildOffset(View* view, View* child, int dx, int dy)
{
    for (BoxChild& c : box(view)->children)
        if (c.view == child) {
            c.dx = dx;
            c.dy = dy;
        }
    layout(view);
}

int BoxChildCount(View* view) { return box_child_count(view); }

View* BoxChildAt(View* view, int index)
{
    if (index < 0 || index >= box_child_count(view))
        return nullptr;
    return box_child_at(view, index);
}

void BoxRelayout(View* view)
{
    if (ViewIsBox(view))
        layout(view);
}

void BoxRelayoutUp(View* view)
{
    for (View* v = view; v != nullptr; v = v->parent)
        BoxRelayout(v);
}

BoxKind BoxKindOf(View* view) { return box(view)->kind; }

bool ViewIsBox(const View* view) { return view->cls == &kBoxClass || view->cls == &kScrollClass; }

View* SpacerNew(View* parent, int width, int height)
{
    View* view = ViewNewChild(&kSpacerClass, parent, 0, 0);
    ViewDefaultSetSize(view, width, height);
    ViewShow(view, 0);
    return view;
}

View* SeparatorNew(View* parent, int kind)
{
    auto data = std::make_unique<SeparatorData>();
    data->kind = kind == 1 ? 1 : 0;
    View* view = ViewNewChild(&kSeparatorClass, parent, 0, 0, std::move(data));
    ViewDefaultSetSize(view, kind == 1 ? 2 : 16, kind == 1 ? 16 : 2);
    ViewShow(view, 0);
    return view;
}

View* ScrollPanelNew(View* parent, FrameWindow* window, int width, int height)
{
    BoxStyle style;
    View* view = BoxNew(BoxKind::scroll, parent, window, style);
    ViewSetSize(view, width, height);
    return view;
}

void ScrollPanelScrollTo(View* panel, int x, int y)
{
    BoxData* data = box(panel);
    if (data->kind != BoxKind::scroll)
        return;
    data->scroll_x = x;
    data->scroll_y = y;
    layout(panel);
}

void ScrollPanelScrollBy(View* panel, int dx, int dy)
{
    ScrollPanelScrollTo(panel, box(panel)->scroll_x + dx, box(panel)->scroll_y + dy);
}

int ScrollPanelOffsetX(View* panel) { return box(panel)->scroll_x; }

int ScrollPanelOffsetY(View* panel) { return box(panel)->scroll_y; }
