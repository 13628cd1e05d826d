#include "framework/view.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "foundation/formatter.h"
#include "foundation/memory.h"
#include "framework/frame_window.h"
#include "platform/qt/draw.h"
#include "platform/qt/window.h"

// Kept in the window record; the windows know it only by name.
struct ViewTreeState {
    std::vector<View*> top;  // top-level views in creation order
    View* focus = nullptr;
    View* default_button = nullptr;
    View* cancel_button = nullptr;
};

namespace {

// The views the mouse is busy with, across windows: pressed, tracking, hovered; and
// whether a press captures the mouse.
struct ViewState {
    View* pressed = nullptr;
    View* tracking = nullptr;
    View* hovered = nullptr;
    bool capture_enabled = true;
    bool hooks_installed = false;                       // the window layer delivers to the views
    std::vector<std::unique_ptr<ViewTreeState>> trees;  // one per window that has views
};

ViewState& view_state()
{
    static ViewState state;
    return state;
}

ViewTreeState* views_of(FrameWindow* window, bool create)
{
    if (window == nullptr)
        return nullptr;
    if (window->views == nullptr && create)
        window->views = view_state().trees.emplace_back(std::make_unique<ViewTreeState>()).get();
    return window->views;
}

platform::Window* platform_window(FrameWindow* window) { return window == nullptr ? nullptr : window->window; }

int children_of(View* view) { return view->cls->child_count != nullptr ? view->cls->child_count(view) : 0; }

View* child(View* view, int index) { return view->cls->child_at(view, index); }

// Moves a subtree without invalidating: a container's move already covers its children.
void offset_subtree(View* view, int dx, int dy)
{
    view->x = static_cast<std::int16_t>(view->x + dx);
    view->y = static_cast<std::int16_t>(view->y + dy);
    for (int i = 0, n = children_of(view); i < n; ++i)
        offset_subtree(child(view, i), dx, dy);
}

bool contains(const View* ancestor, const View* view)
{
    for (const View* v = view; v != nullptr; v = v->parent)
        if (v == ancestor)
            return true;
    return false;
}

void forget_references(View* view)
{
    if (view_state().pressed != nullptr && contains(view, view_state().pressed))
        view_state().pressed = nullptr;
    if (view_state().tracking != nullptr && contains(view, view_state().tracking))
        view_state().tracking = nullptr;
    if (view_state().hovered != nullptr && contains(view, view_state().hovered))
        view_state().hovered = nullptr;
    ViewTreeState* state = views_of(view->window, false);
    if (state == nullptr)
        return;
    if (state->focus != nullptr && contains(view, state->focus))
        state->focus = nullptr;
    if (state->default_button != nullptr && contains(view, state->default_button))
        state->default_button = nullptr;
    if (state->cancel_button != nullptr && contains(view, state->cancel_button))
        state->cancel_button = nullptr;
}

View* hit(View* view, int x, int y)
{
    if (!ViewIsShown(view) || ViewIsBeingDestroyed(view))
        return nullptr;
    if (!platform::RectContains(ViewRect(view), platform::Point{x, y}))
        return nullptr;
    for (int i = children_of(view) - 1; i >= 0; --i)
        if (View* found = hit(child(view, i), x, y))
            return found;
    return view;
}

void collect_focusable(View* view, std::vector<View*>& out)
{
    if (!ViewIsShown(view) || !ViewIsEnabled(view) || ViewIsBeingDestroyed(view))
        return;
    if (view->cls->takes_focus)
        out.push_back(view);
    for (int i = 0, n = children_of(view); i < n; ++i)
        collect_focusable(child(view, i), out);
}

void paint_view(View* view, const Rect& area)
{
    if (!ViewIsShown(view) || ViewIsBeingDestroyed(view))
        return;
    const Rect meet = platform::RectIntersect(ViewRect(view), area);
    if (platform::RectIsEmpty(meet))
        return;
    if (view->cls->draw != nullptr)
        view->cls->draw(view, meet);
    else
        ViewDrawChildren(view, meet);
}

View* new_view(const ViewClass* cls, FrameWindow* window, View* parent, int x, int y)
{
    auto* view = static_cast<View*>(MemAlloc(sizeof(View)));
    new (view) View;
    view->cls = cls;
    view->window = window;
    view->parent = parent;
    view->x = static_cast<std::int16_t>(x);
    view->y = static_cast<std::int16_t>(y);
    return view;
}

void free_view(View* view)
{
    // The records are gone by now (ViewDestroy released them), so what is left is a plain
    // block that the temporaries stack frees with MemFree at the end of the step.
    TempKeep(view);
}

}  // namespace

View* ViewNew(const ViewClass* cls, FrameWindow* window, int x, int y, std::unique_ptr<ViewRecord> record)
{
    ViewsInstallHooks();
    View* view = new_view(cls, window, nullptr, x, y);
    view->record = std::move(record);
    views_of(window, true)->top.push_back(view);
    if (cls->init != nullptr)
        cls->init(view);
    return view;
}

View* ViewNewChild(const ViewClass* cls, View* parent, int x, int y, std::unique_ptr<ViewRecord> record)
{
    View* view = new_view(cls, parent->window, parent, x, y);
    view->record = std::move(record);
    if (cls->init != nullptr)
        cls->init(view);
    if (parent->cls->add_child != nullptr)
        parent->cls->add_child(parent, view);
    return view;
}

void ViewDestroy(View* view)
{
    if (view == nullptr || ViewIsBeingDestroyed(view))
        return;
    ViewInvalidate(view);
    view->flags |= view_flag::being_destroyed;
    if (view->parent == nullptr) {
        if (ViewTreeState* state = views_of(view->window, false)) {
            auto& top = state->top;
            top.erase(std::remove(top.begin(), top.end(), view), top.end());
        }
    }
    forget_references(view);
    for (int i = view->observer_count - 1; i >= 0; --i)
        view->observers[i].function(view, view->observers[i].data);
    MemFree(view->observers);
    view->observers = nullptr;
    view->observer_count = 0;
    if (view->parent != nullptr && view->parent->cls->remove_child != nullptr)
        view->parent->cls->remove_child(view->parent, view);
    // The view's own destroy operation lets go of what its record refers to (containers
    // destroy their children); a child whose parent removes it is destroyed the same way.
    if (view->cls->destroy != nullptr)
        view->cls->destroy(view);
    view->attachment.reset();
    view->record.reset();
    free_view(view);
}

void ViewSetSize(View* view, int width, int height)
{
    if (view->width == width && view->height == height)
        return;
    if (view->parent != nullptr && view->parent->cls->child_resized != nullptr) {
        view->parent->cls->child_resized(view->parent, view, width, height);
        return;
    }
    if (view->cls->set_size != nullptr)
        view->cls->set_size(view, width, height);
    else
        ViewDefaultSetSize(view, width, height);
}

void ViewSetWidth(View* view, int width) { ViewSetSize(view, width, view->height); }

void ViewSetHeight(View* view, int height) { ViewSetSize(view, view->width, height); }

void ViewGrow(View* view, int width, int height)
{
    ViewSetSize(view, std::max<int>(width, view->width), std::max<int>(height, view->height));
}

void ViewShow(View* view, int argument)
{
    if (ViewIsShown(view))
        return;
    view->flags |= view_flag::shown;
    if (view->cls->show != nullptr)
        view->cls->show(view, argument);
    ViewInvalidate(view);
    if (view->parent != nullptr && view->parent->cls->child_shown != nullptr)
        view->parent->cls->child_shown(view->parent, view);
}

void ViewHide(View* view, int argument)
{
    if (!ViewIsShown(view))
        return;
    ViewInvalidate(view);
    view->flags &= static_cast<std::uint16_t>(~view_flag::shown);
    if (view->cls->hide != nullptr)
        view->cls->hide(view, argument);
    if (ViewTreeState* state = views_of(view->window, false))
        if (state->focus != nullptr && contains(view, state->focus))
            ViewClearFocus(view->window);
    if (view->parent != nullptr && view->parent->cls->child_shown != nullptr)
        view->parent->cls->child_shown(view->parent, view);
}

Rect ViewRect(const View* view)
{
    Rect r;
    r.top = view->y;
    r.left = view->x;
    r.bottom = static_cast<std::int16_t>(view->y + view->height);
    r.right = static_cast<std::int16_t>(view->x + view->width);
    return r;
}

void ViewInvalidate(View* view) { ViewInvalidateRect(view, ViewRect(view)); }

void ViewInvalidateRect(View* view, const Rect& area)
{
    if (!ViewIsVisible(view) || platform::RectIsEmpty(area))
        return;
    platform::Window* window = platform_window(view->window);
    if (window == nullptr || !platform::WindowIsAlive(window))
        return;
    platform::WindowInvalidate(window, &area);
}

void ViewMoveTo(View* view, int x, int y)
{
    if (view->x == x && view->y == y)
        return;
    const Rect old_rect = ViewRect(view);
    const Rect new_rect = platform::RectOffset(old_rect, x - view->x, y - view->y);
    Rect pieces[4];
    for (int i = 0, n = platform::RectDifference(old_rect, new_rect, pieces); i < n; ++i)
        ViewInvalidateRect(view, pieces[i]);
    for (int i = 0, n = platform::RectDifference(new_rect, old_rect, pieces); i < n; ++i)
        ViewInvalidateRect(view, pieces[i]);
    offset_subtree(view, x - view->x, y - view->y);
}

bool ViewIsShown(const View* view) { return (view->flags & view_flag::shown) != 0; }

bool ViewIsVisible(const View* view)
{
    for (const View* v = view; v != nullptr; v = v->parent)
        if (!ViewIsShown(v) || ViewIsBeingDestroyed(v))
            return false;
    return true;
}

bool ViewIsEnabled(const View* view)
{
    for (const View* v = view; v != nullptr; v = v->parent)
        if ((v->flags & view_flag::enabled) == 0)
            return false;
    return true;
}

void ViewSetEnabled(View* view, bool enabled)
{
    const bool was = (view->flags & view_flag::enabled) != 0;
    if (was == enabled)
        return;
    if (enabled)
        view->flags |= view_flag::enabled;
    else
        view->flags &= static_cast<std::uint16_t>(~view_flag::enabled);
    if (!enabled)
        if (ViewTreeState* state = views_of(view->window, false))
            if (state->focus != nullptr && contains(view, state->focus))
                ViewClearFocus(view->window);
    ViewInvalidate(view);
}

bool ViewIsBeingDestroyed(const View* view) { return (view->flags & view_flag::being_destroyed) != 0; }

void ViewAddObserver(View* view, void (*function)(View*, void*), void* data)
{
    const std::size_t bytes = sizeof(ViewObserver) * (view->observer_count + 1u);
    view->observers = static_cast<ViewObserver*>(MemRealloc(view->observers, bytes));
    view->observers[view->observer_count++] = ViewObserver{function, data};
}

void ViewRemoveObserver(View* view, void (*function)(View*, void*), void* data)
{
    for (int i = view->observer_count - 1; i >= 0; --i) {
        if (view->observers[i].function != function || view->observers[i].data != data)
            continue;
        for (int j = i + 1; j < view->observer_count; ++j)
            view->observers[j - 1] = view->observers[j];
        --view->observer_count;
        return;
    }
}

void ViewDefaultSetSize(View* view, int width, int height)
{
    ViewInvalidate(view);
    view->width = static_cast<std::int16_t>(std::max(width, 0));
    view->height = static_cast<std::int16_t>(std::max(height, 0));
    ViewInvalidate(view);
}

void ViewDrawChildren(View* view, const Rect& area)
{
    for (int i = 0, n = children_of(view); i < n; ++i)
        paint_view(child(view, i), area);
}

int ViewTopLevelCount(FrameWindow* window)
{
    ViewTreeState* state = views_of(window, false);
    return state == nullptr ? 0 : static_cast<int>(state->top.size());
}

View* ViewTopLevelAt(FrameWindow* window, int index)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr || index < 0 || index >= static_cast<int>(state->top.size()))
        return nullptr;
    return state->top[static_cast<std::size_t>(index)];
}

View* ViewFocus(FrameWindow* window)
{
    ViewTreeState* state = views_of(window, false);
    return state == nullptr ? nullptr : state->focus;
}

void ViewSetFocus(View* view)
{
    if (view == nullptr || !view->cls->takes_focus || ViewIsBeingDestroyed(view))
        return;
    ViewTreeState* state = views_of(view->window, true);
    if (state->focus == view)
        return;
    View* old = state->focus;
    state->focus = view;
    if (old != nullptr && old->cls->focus != nullptr)
        old->cls->focus(old, false);
    if (old != nullptr)
        ViewInvalidate(old);
    if (view->cls->focus != nullptr)
        view->cls->focus(view, true);
    ViewInvalidate(view);
}

void ViewClearFocus(FrameWindow* window)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr || state->focus == nullptr)
        return;
    View* old = state->focus;
    state->focus = nullptr;
    if (old->cls->focus != nullptr)
        old->cls->focus(old, false);
    ViewInvalidate(old);
}

void ViewFocusNext(FrameWindow* window, bool backwards)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr)
        return;
    std::vector<View*> stops;
    for (View* top : state->top)
        collect_focusable(top, stops);
    if (stops.empty())
        return;
    const auto at = std::find(stops.begin(), stops.end(), state->focus);
    std::size_t index = 0;
    if (at == stops.end())
        index = backwards ? stops.size() - 1 : 0;
    else if (backwards)
        index = (static_cast<std::size_t>(at - stops.begin()) + stops.size() - 1) % stops.size();
    else
        index = (static_cast<std::size_t>(at - stops.begin()) + 1) % stops.size();
    ViewSetFocus(stops[index]);
}

View* ViewPressed() { return view_state().pressed; }

void ViewTrackMouse(View* view) { view_state().tracking = view; }

void ViewStopTracking(View* view)
{
    if (view_state().tracking == view)
        view_state().tracking = nullptr;
}

View* ViewTracking() { return view_state().tracking; }

void ViewSetCaptureEnabled(bool enabled) { view_state().capture_enabled = enabled; }

View* ViewAt(FrameWindow* window, int x, int y)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr)
        return nullptr;
    for (auto it = state->top.rbegin(); it != state->top.rend(); ++it)
        if (View* found = hit(*it, x, y))
            return found;
    return nullptr;
}

void ViewsPaint(FrameWindow* window, const Rect& area)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr)
        return;
    // Views draw over the window's background; what they left (a moved or hidden view)
    // is cleared with it.
    if (!state->top.empty() && window->window != nullptr)
        platform::DrawFillRect(platform::WindowSurface(window->window), area,
                               platform::SystemColourOf(platform::SystemColour::window));
    // A handler run while painting may add views; walk a copy.
    const std::vector<View*> top = state->top;
    for (View* view : top)
        paint_view(view, area);
}

bool ViewsMouseDown(FrameWindow* window, std::uint8_t modifiers, int x, int y)
{
    View* target = view_state().tracking;
    if (target == nullptr) {
        target = ViewAt(window, x, y);
        if (target != nullptr && !ViewIsEnabled(target))
            return true;
    }
    if (target == nullptr)
        return false;
    if (view_state().capture_enabled)
        if (platform::Window* captured = platform_window(target->window))
            platform::WindowSetCapture(captured);
    view_state().pressed = target;
    ViewSetFocus(target);
    if (target->cls->mouse_down != nullptr)
        target->cls->mouse_down(target, modifiers, x, y);
    return true;
}

namespace {

// Hover feedback: the view under the pointer is redrawn as hovered and sets the pointer shape.
void hover(FrameWindow* window, int x, int y)
{
    View* under = ViewAt(window, x, y);
    if (under != nullptr && !ViewIsEnabled(under))
        under = nullptr;
    if (under == view_state().hovered)
        return;
    View* old = view_state().hovered;
    view_state().hovered = under;
    if (old != nullptr)
        ViewInvalidate(old);
    if (under != nullptr)
        ViewInvalidate(under);
    const std::uint8_t shape = under != nullptr ? under->cls->cursor : 0;
    const std::uint8_t before = old != nullptr ? old->cls->cursor : 0;
    if (shape != before)
        platform::SetCursorShape(static_cast<platform::CursorShape>(shape));
}

}  // namespace

View* ViewHovered() { return view_state().hovered; }

bool ViewsMouseMove(FrameWindow* window, std::uint8_t modifiers, int x, int y)
{
    if (view_state().pressed == nullptr && view_state().tracking == nullptr && window != nullptr &&
        window->views != nullptr)
        hover(window, x, y);
    View* target = view_state().pressed != nullptr ? view_state().pressed : view_state().tracking;
    if (target == nullptr || target->cls->mouse_drag == nullptr)
        return false;
    target->cls->mouse_drag(target, modifiers, x, y);
    return true;
}

bool ViewsMouseUp(FrameWindow* /*window*/, std::uint8_t modifiers, int x, int y)
{
    View* target = view_state().pressed;
    if (target == nullptr)
        return false;
    if (view_state().capture_enabled)
        platform::ReleaseCapture();
    view_state().pressed = nullptr;
    if (target->cls->mouse_up != nullptr && !ViewIsBeingDestroyed(target))
        target->cls->mouse_up(target, modifiers, x, y);
    return true;
}

bool ViewsKey(FrameWindow* window, const KeyEvent& key)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr)
        return false;
    View* focus = state->focus;
    if (focus != nullptr && focus->cls->key != nullptr && focus->cls->key(focus, key))
        return true;
    const std::uint8_t held = key.modifiers & (platform::modifier::control | platform::modifier::alt);
    if (key.character == key_char::tab && held == 0) {
        ViewFocusNext(window, (key.modifiers & platform::modifier::shift) != 0);
        return true;
    }
    View* button = nullptr;
    if ((key.character == key_char::ret || key.character == key_char::enter) && held == 0)
        button = state->default_button;
    else if (key.character == key_char::escape && held == 0)
        button = state->cancel_button;
    if (button == nullptr || !ViewIsVisible(button) || !ViewIsEnabled(button) || button->cls->key == nullptr)
        return false;
    // A button presses itself on the space key, as when it has the focus.
    KeyEvent press;
    press.key = platform::key::space;
    press.character = ' ';
    return button->cls->key(button, press);
}

void ViewsWindowClosing(FrameWindow* window)
{
    ViewTreeState* state = views_of(window, false);
    if (state == nullptr)
        return;
    while (!state->top.empty())
        ViewDestroy(state->top.back());
    window->views = nullptr;
    std::erase_if(view_state().trees, [state](const std::unique_ptr<ViewTreeState>& t) { return t.get() == state; });
}

void ViewSetDefaultButton(FrameWindow* window, View* button) { views_of(window, true)->default_button = button; }

void ViewSetCancelButton(FrameWindow* window, View* button) { views_of(window, true)->cancel_button = button; }

View* ViewDefaultButton(FrameWindow* window)
{
    ViewTreeState* state = views_of(window, false);
    return state == nullptr ? nullptr : state->default_button;
}

namespace {

void hook_mouse_move(FrameWindow* window, std::uint8_t modifiers, int x, int y)
{
    ViewsMouseMove(window, modifiers, x, y);
}

bool hook_mouse_down(FrameWindow* window, std::uint8_t modifiers, int x, int y)
{
    if (view_state().tracking == nullptr && !ViewsPressAllowed(window))
        return true;
    return ViewsMouseDown(window, modifiers, x, y);
}

}  // namespace

void ViewsInstallHooks()
{
    if (view_state().hooks_installed)
        return;
    view_state().hooks_installed = true;
    FrameworkViewHooks hooks;
    hooks.paint = ViewsPaint;
    hooks.mouse_down = hook_mouse_down;
    hooks.mouse_up = ViewsMouseUp;
    hooks.mouse_move = hook_mouse_move;
    hooks.key = ViewsKey;
    hooks.destroy = ViewsWindowClosing;
    SetFrameworkViewHooks(hooks);
    // Commands chosen while a view tracks the mouse (an open menu) go to that view's window.
    SetModalViewWindowSource([](FrameWindow*) -> FrameWindow* {
        return view_state().tracking != nullptr ? view_state().tracking->window : nullptr;
    });
}

bool ViewsPressAllowed(FrameWindow* window)
{
    if (FrameWindow* modal = ModalWindow())
        return modal == window;
    if (window == FocusedFrameWindow() || (window->flags & frame_flag::tool) != 0)
        return true;
    // The press only brings the window forward; the next one reaches its views.
    if (window->window != nullptr)
        platform::WindowActivate(window->window);
    SetFocusedFrameWindow(window);
    return false;
}
