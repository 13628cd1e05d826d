// Geometry, visibility, order, focus, scroll bars, update regions and surfaces of platform
// windows (the queue and creation are in window.cpp).
#include <QApplication>
#include <QCursor>
#include <QLayout>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <vector>

#include "platform/qt/paint_now.h"
#include "platform/qt/qt_internal.h"
#include "platform/qt/window.h"

namespace platform {

namespace {

QWidget* client_widget(const Window* window)
{
    if (window->kind == WindowKind::main)
        return window->area != nullptr ? window->area->viewport() : nullptr;
    return window->client.data();
}

// Lays out a hidden window's children now, so that sizes are right before it is shown.
}  // namespace

void SettleLayout(Window* window)
{
    QWidget* outer = window->outer;
    if (outer == nullptr)
        return;
    // Outside in: each layout places the widget whose layout runs next.
    std::vector<QWidget*> chain;
    for (QWidget* w = client_widget(window); w != nullptr; w = w->parentWidget()) {
        chain.push_back(w);
        if (w == outer)
            break;
    }
    // A hidden widget gets no resize event, so its layout is told that the size changed.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (QLayout* layout = (*it)->layout()) {
            layout->invalidate();
            layout->activate();
        }
}

namespace {

void apply_tracking(Window* window)
{
    QWidget* outer = window->outer;
    if (outer == nullptr || (window->min_track.width == 0 && window->max_track.width == 0))
        return;
    if (window->min_track.width > 0)
        outer->setMinimumSize(window->min_track.width, window->min_track.height);
    if (window->max_track.width > 0)
        outer->setMaximumSize(window->max_track.width, window->max_track.height);
}

}  // namespace

QString ToQString(const char* text, int length) { return QString::fromStdString(TextToUtf8(text, length)); }

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, RectWidth(r), RectHeight(r)); }

Rect FromQRect(const QRect& r) { return MakeRect(r.x(), r.y(), r.width(), r.height()); }

QColor ToQColor(Colour colour) { return QColor((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF); }

void WindowSetBounds(Window* window, const Rect& outer)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return;
    QRect r = ToQRect(outer);
    if (window->sub != nullptr) {
        if (!(window->style & window_style::resizable))
            window->sub->setFixedSize(r.size());
        window->sub->setGeometry(r);
    } else {
        // Windows without a sizing frame keep the size the program gives them.
        if (!(window->style & window_style::resizable))
            window->outer->setFixedSize(r.size());
        window->outer->setGeometry(r);
    }
    SettleLayout(window);
    WindowSurface(window);
}

Rect WindowBounds(const Window* window)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return Rect{};
    return FromQRect(window->outer->geometry());
}

Size WindowClientSize(const Window* window)
{
    QWidget* client = WindowIsAlive(window) ? client_widget(window) : nullptr;
    if (client == nullptr)
        return Size{};
    return Size{client->width(), client->height()};
}

Insets WindowFrameInsets(const Window* window)
{
    QWidget* client = WindowIsAlive(window) ? client_widget(window) : nullptr;
    if (client == nullptr)
        return Insets{};
    QWidget* outer = window->outer;
    QPoint origin = client->mapTo(outer, QPoint(0, 0));
    Insets insets;
    insets.left = origin.x();
    insets.top = origin.y();
    insets.right = outer->width() - origin.x() - client->width();
    insets.bottom = outer->height() - origin.y() - client->height();
    return insets;
}

void WindowSetTrackingSizes(Window* window, Size minimum, Size maximum)
{
    if (!WindowIsAlive(window))
        return;
    window->min_track = minimum;
    window->max_track = maximum;
    apply_tracking(window);
}

Point WindowClientToScreen(const Window* window, Point p)
{
    QWidget* client = WindowIsAlive(window) ? client_widget(window) : nullptr;
    if (client == nullptr)
        return p;
    QPoint g = client->mapToGlobal(QPoint(p.x, p.y));
    return Point{g.x(), g.y()};
}

Point WindowScreenToClient(const Window* window, Point p)
{
    QWidget* client = WindowIsAlive(window) ? client_widget(window) : nullptr;
    if (client == nullptr)
        return p;
    QPoint l = client->mapFromGlobal(QPoint(p.x, p.y));
    return Point{l.x(), l.y()};
}

void WindowShow(Window* window, Show how)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return;
    QWidget* outer = window->outer;
    switch (how) {
    case Show::hide: {
        const bool had_keyboard = window->kind == WindowKind::tool && outer->isActiveWindow();
        outer->hide();
        if (had_keyboard)
            GiveKeyboardToMainWindow();
        break;
    }
    case Show::show:
        outer->show();
        if (window->sub != nullptr && window->parent != nullptr && window->parent->area)
            window->parent->area->setActiveSubWindow(window->sub);
        else if (window->kind != WindowKind::popup && window->kind != WindowKind::plain_popup)
            outer->activateWindow();
        break;
    case Show::show_no_activate:
        outer->setAttribute(Qt::WA_ShowWithoutActivating);
        outer->show();
        break;
    case Show::minimize:
        outer->showMinimized();
        break;
    case Show::maximize:
        outer->showMaximized();
        break;
    case Show::restore:
        outer->showNormal();
        break;
    }
    SettleLayout(window);
    WindowSurface(window);
}

bool WindowIsVisible(const Window* window)
{
    return WindowIsAlive(window) && window->outer != nullptr && window->outer->isVisible();
}

bool WindowIsMinimized(const Window* window)
{
    return WindowIsAlive(window) && window->outer != nullptr && window->outer->isMinimized();
}

void WindowSetTitle(Window* window, const char* title)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return;
    window->outer->setWindowTitle(ToQString(title != nullptr ? title : ""));
}

void WindowEnable(Window* window, bool enabled)
{
    if (WindowIsAlive(window) && window->outer != nullptr)
        window->outer->setEnabled(enabled);
}

bool WindowIsEnabled(const Window* window)
{
    return WindowIsAlive(window) && window->outer != nullptr && window->outer->isEnabled();
}

void WindowToTop(Window* window)
{
    if (WindowIsAlive(window) && window->outer != nullptr)
        window->outer->raise();
}

void WindowToBottom(Window* window)
{
    if (WindowIsAlive(window) && window->outer != nullptr)
        window->outer->lower();
}

void WindowActivate(Window* window)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return;
    if (window->sub != nullptr && window->parent != nullptr && window->parent->area != nullptr) {
        // A document window has the keyboard only while the main window has it: a tool
        // window that took it (or went away with it) hands it back here.
        QWidget* main = window->parent->outer;
        if (main != nullptr && !main->isActiveWindow())
            main->activateWindow();  // not raised: the tool windows stay above it
        window->parent->area->setActiveSubWindow(window->sub);
        return;
    }
    window->outer->raise();
    window->outer->activateWindow();
}

// A tool window that goes away with the keyboard gives it to the main window: a window
// manager would pick some window, and without one the keyboard would go nowhere.
void GiveKeyboardToMainWindow()
{
    Window* main = MainWindow();
    if (main != nullptr && main->outer != nullptr && main->outer->isVisible())
        main->outer->activateWindow();  // not raised: the other tool windows stay above it
}

std::vector<std::string> TakeDroppedFiles()
{
    Window* main = MainWindow();
    std::vector<std::string> files;
    if (main != nullptr)
        files.swap(main->dropped_files);
    return files;
}

Window* MainWindow()
{
    for (Window* w : AllWindows())
        if (w->kind == WindowKind::main)
            return w;
    return nullptr;
}

Window* ActiveWindow()
{
    QWidget* active = QApplication::activeWindow();
    for (Window* w : AllWindows())
        if (w->outer != nullptr && w->outer == active)
            return w;
    return nullptr;
}

Window* ActiveDocumentWindow()
{
    Window* main = MainWindow();
    if (main == nullptr || main->area == nullptr)
        return nullptr;
    QMdiSubWindow* sub = main->area->activeSubWindow();
    for (Window* w : AllWindows())
        if (sub != nullptr && w->sub == sub)
            return w;
    return nullptr;
}

int DocumentWindows(Window** out, int room)
{
    Window* main = MainWindow();
    if (main == nullptr || main->area == nullptr)
        return 0;
    // The area lists its sub-windows back to front in stacking order.
    QList<QMdiSubWindow*> order = main->area->subWindowList(QMdiArea::StackingOrder);
    int n = 0;
    for (auto it = order.rbegin(); it != order.rend() && n < room; ++it)
        for (Window* w : AllWindows())
            if (w->sub == *it && !w->destroying)
                out[n++] = w;
    return n;
}

void WindowSetFocus(Window* window)
{
    if (!WindowIsAlive(window))
        return;
    if (QWidget* client = client_widget(window))
        client->setFocus();
    NoteFocus(window);
}

void WindowSetCapture(Window* window) { NoteCapture(WindowIsAlive(window) ? window : nullptr); }
void ReleaseCapture() { NoteCapture(nullptr); }

void WindowSetScrollBar(Window* window, Orientation which, int minimum, int maximum, int page, int position)
{
    if (!WindowIsAlive(window))
        return;
    QScrollBar* bar = window->scroll[which == Orientation::horizontal ? 0 : 1];
    if (bar == nullptr)
        return;
    // Win32 ranges include the page; Qt's maximum is the last top position.
    int top = std::max(minimum, maximum - std::max(page, 1) + 1);
    bool visible = maximum > minimum && page <= maximum - minimum;
    bar->setRange(minimum, top);
    bar->setPageStep(std::max(page, 1));
    bar->setValue(position);
    if (bar->isVisible() != visible) {
        bar->setVisible(visible);
        SettleLayout(window);
        WindowSurface(window);
    }
}

int WindowScrollPosition(const Window* window, Orientation which)
{
    if (!WindowIsAlive(window))
        return 0;
    QScrollBar* bar = window->scroll[which == Orientation::horizontal ? 0 : 1];
    return bar != nullptr ? bar->value() : 0;
}

void WindowSetScrollPosition(Window* window, Orientation which, int position)
{
    if (!WindowIsAlive(window))
        return;
    QScrollBar* bar = window->scroll[which == Orientation::horizontal ? 0 : 1];
    if (bar != nullptr)
        bar->setValue(position);
}

// ---- Update regions and painting

void WindowInvalidate(Window* window, const Rect* area)
{
    if (!WindowIsAlive(window))
        return;
    Size size = WindowClientSize(window);
    QRect all(0, 0, size.width, size.height);
    QRect r = area != nullptr ? ToQRect(*area).intersected(all) : all;
    if (!r.isEmpty())
        window->update += r;
}

void WindowValidate(Window* window)
{
    if (WindowIsAlive(window))
        window->update = QRegion();
}

bool WindowNeedsPaint(const Window* window) { return WindowIsAlive(window) && !window->update.isEmpty(); }

Rect BeginPaint(Window* window)
{
    if (!WindowIsAlive(window))
        return Rect{};
    Surface* surface = WindowSurface(window);
    QRegion region = window->update;
    window->update = QRegion();
    surface->painting = true;
    surface->paint_clip = region;
    return FromQRect(region.boundingRect());
}

void EndPaint(Window* window)
{
    if (!WindowIsAlive(window))
        return;
    Surface* surface = &window->surface;
    QRect shown = surface->paint_clip.boundingRect();
    surface->painting = false;
    surface->paint_clip = QRegion();
    SurfaceChanged(surface, shown);
}

Surface* WindowSurface(Window* window)
{
    if (!WindowIsAlive(window))
        return nullptr;
    Surface* surface = &window->surface;
    Size size = WindowClientSize(window);
    QSize wanted(std::max(size.width, 1), std::max(size.height, 1));
    if (surface->image.size() != wanted) {
        QImage image(wanted, QImage::Format_RGB32);
        image.fill(ToQColor(
            SystemColourOf(window->kind == WindowKind::main ? SystemColour::workspace : SystemColour::window)));
        if (!surface->image.isNull()) {
            QPainter painter(&image);
            painter.drawImage(0, 0, surface->image);
        }
        surface->image = image;
        window->update = QRegion(0, 0, wanted.width(), wanted.height());
    }
    return surface;
}

void SurfaceChanged(Surface* surface, const QRect& area)
{
    Window* window = surface->owner;
    if (window == nullptr || !WindowIsAlive(window))
        return;
    if (window->kind == WindowKind::main) {
        // The main window's surface is the background of its document area.
        if (window->area != nullptr)
            window->area->setBackground(QBrush(surface->image));
        return;
    }
    if (window->client)
        window->client->update(area);
}

// ---- The pointer

Point CursorPosition()
{
    QPoint p = QCursor::pos();
    return Point{p.x(), p.y()};
}

Window* WindowAt(Point screen)
{
    QWidget* widget = QApplication::widgetAt(QPoint(screen.x, screen.y));
    for (; widget != nullptr; widget = widget->parentWidget())
        for (Window* w : AllWindows())
            if (client_widget(w) == widget || w->outer == widget)
                return w;
    return nullptr;
}

void SetCursorShape(CursorShape shape)
{
    static const Qt::CursorShape shapes[] = {Qt::ArrowCursor,  Qt::IBeamCursor,        Qt::WaitCursor,
                                             Qt::CrossCursor,  Qt::PointingHandCursor, Qt::SizeHorCursor,
                                             Qt::SizeVerCursor};
    Window* window = WindowAt(CursorPosition());
    QWidget* client = window != nullptr ? client_widget(window) : nullptr;
    if (client != nullptr)
        client->setCursor(shapes[static_cast<int>(shape)]);
}

void WindowSetSystemMenuTexts(Window* window, const char* close_text, const char* next_text)
{
    if (!WindowIsAlive(window) || window->sub == nullptr)
        return;
    QMenu* menu = window->sub->systemMenu();
    if (menu == nullptr)
        return;
    QString close = ToQString(close_text);
    QAction* close_action = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().remove('&').startsWith(QStringLiteral("Close")) || action->shortcut() == QKeySequence::Close)
            close_action = action;
    if (close_action != nullptr) {
        close_action->setText(close.section('\t', 0, 0));
        close_action->setShortcut(QKeySequence());
        close_action->setShortcutVisibleInContextMenu(true);
        close_action->setText(close);
    }
    QAction* next = menu->addAction(ToQString(next_text));
    QObject::connect(next, &QAction::triggered, next, [window]() {
        if (!WindowIsAlive(window))
            return;
        Message m;
        m.window = window;
        m.type = MessageType::sys_command;
        m.value = sys_command::next_window;
        PostMessage(m);
    });
}

bool WindowSaveScreenshot(Window* window, const char* path)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return false;
    QPixmap pixmap = window->outer->grab();
    return pixmap.save(QString::fromUtf8(path), "PNG");
}

void WindowShowSurfaceNow(Window* window)
{
    if (!WindowIsAlive(window) || window->client == nullptr || platform_state().app == nullptr)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (WindowIsAlive(window) && window->client != nullptr && window->client->isVisible())
        window->client->repaint();
}

}  // namespace platform
