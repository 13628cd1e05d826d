#include "platform/qt/window.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMimeData>
#include <QDropEvent>
#include <QUrl>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <deque>
#include <memory>

#include "platform/core/clock.h"
#include "platform/qt/qt_internal.h"

namespace platform {

PlatformState::PlatformState() = default;
PlatformState::~PlatformState() = default;

PlatformState& platform_state()
{
    static PlatformState state;
    return state;
}

namespace {

bool alive(const Window* window)
{
    return window != nullptr &&
        std::find(platform_state().windows.begin(), platform_state().windows.end(), window) !=
        platform_state().windows.end();
}

void post(Window* window, Message m)
{
    m.window = window;
    m.time = tick_count();
    // Moves are coalesced as the system does: only the latest position matters.
    if (m.type == MessageType::mouse_move && !platform_state().queue.empty() &&
        platform_state().queue.back().type == MessageType::mouse_move &&
        platform_state().queue.back().window == window) {
        platform_state().queue.back() = m;
        return;
    }
    platform_state().queue.push_back(m);
}

Message simple(MessageType type, std::uint32_t value = 0)
{
    Message m;
    m.type = type;
    m.value = value;
    return m;
}

std::uint8_t modifiers_of(Qt::KeyboardModifiers held)
{
    std::uint8_t bits = 0;
    if (held & Qt::ShiftModifier)
        bits |= modifier::shift;
    if (held & Qt::ControlModifier)
        bits |= modifier::control;
    if (held & Qt::AltModifier)
        bits |= modifier::alt;
    return bits;
}

std::uint16_t key_code_of(int qt_key)
{
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)
        return static_cast<std::uint16_t>('A' + (qt_key - Qt::Key_A));
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
        return static_cast<std::uint16_t>('0' + (qt_key - Qt::Key_0));
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
        return static_cast<std::uint16_t>(key::f1 + (qt_key - Qt::Key_F1));
    switch (qt_key) {
    case Qt::Key_Backspace:
        return key::back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return key::tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return key::enter;
    case Qt::Key_Shift:
        return key::shift;
    case Qt::Key_Control:
        return key::control;
    case Qt::Key_Alt:
        return key::alt;
    case Qt::Key_Pause:
        return key::pause;
    case Qt::Key_Escape:
        return key::escape;
    case Qt::Key_Space:
        return key::space;
    case Qt::Key_PageUp:
        return key::page_up;
    case Qt::Key_PageDown:
        return key::page_down;
    case Qt::Key_End:
        return key::end;
    case Qt::Key_Home:
        return key::home;
    case Qt::Key_Left:
        return key::left;
    case Qt::Key_Up:
        return key::up;
    case Qt::Key_Right:
        return key::right;
    case Qt::Key_Down:
        return key::down;
    case Qt::Key_Insert:
        return key::insert;
    case Qt::Key_Delete:
        return key::del;
    default:
        return 0;
    }
}

// The character a key stands for; with Ctrl held Qt gives a control code, so letters and
// digits are taken from the key itself.
std::uint32_t character_of(const QKeyEvent* event, std::uint16_t code)
{
    QString text = event->text();
    if (!text.isEmpty()) {
        char32_t c = text.toUcs4().value(0);
        if (c >= 0x20 && c != 0x7F)
            return c;
    }
    if (code >= 'A' && code <= 'Z')
        return (event->modifiers() & Qt::ShiftModifier) ? code : code + ('a' - 'A');
    if (code >= '0' && code <= '9')
        return code;
    return 0;
}

void post_key(Window* window, QKeyEvent* event, bool down)
{
    Message m;
    m.key = key_code_of(event->key());
    m.character = character_of(event, m.key);
    m.modifiers = modifiers_of(event->modifiers());
    bool sys = (m.modifiers & modifier::alt) || m.key == key::F(10);
    m.type = down ? (sys ? MessageType::sys_key_down : MessageType::key_down)
                  : (sys ? MessageType::sys_key_up : MessageType::key_up);
    if (m.key == 0 && m.character == 0)
        return;
    post(window, m);
}

MouseButton button_of(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return MouseButton::left;
    case Qt::RightButton:
        return MouseButton::right;
    case Qt::MiddleButton:
        return MouseButton::middle;
    default:
        return MouseButton::none;
    }
}

// Mouse input goes to the capturing window when there is one, in its coordinates.
void post_mouse(Window* window, QMouseEvent* event, MessageType type, int clicks)
{
    Window* target = window;
    QPoint global = event->globalPosition().toPoint();
    if (alive(platform_state().capture) && platform_state().capture->client)
        target = platform_state().capture;
    if (!target->client)
        return;
    QPoint local = target->client->mapFromGlobal(global);
    if (target == platform_state().main && platform_state().main->area)
        local = platform_state().main->area->viewport()->mapFromGlobal(global);
    Message m;
    m.type = type;
    m.button = button_of(event->button());
    m.modifiers = modifiers_of(event->modifiers());
    m.clicks = static_cast<std::uint8_t>(clicks);
    m.point = Point{local.x(), local.y()};
    post(target, m);
}

// Translation of the input events of a window's client area.
bool translate_input(Window* window, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        post_key(window, static_cast<QKeyEvent*>(event), true);
        return true;
    case QEvent::KeyRelease:
        post_key(window, static_cast<QKeyEvent*>(event), false);
        return true;
    case QEvent::MouseButtonPress:
        post_mouse(window, static_cast<QMouseEvent*>(event), MessageType::mouse_down, 1);
        return true;
    case QEvent::MouseButtonDblClick:
        post_mouse(window, static_cast<QMouseEvent*>(event), MessageType::mouse_down, 2);
        return true;
    case QEvent::MouseButtonRelease:
        post_mouse(window, static_cast<QMouseEvent*>(event), MessageType::mouse_up, 0);
        return true;
    case QEvent::MouseMove:
        post_mouse(window, static_cast<QMouseEvent*>(event), MessageType::mouse_move, 0);
        return true;
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        int steps = wheel->angleDelta().y() / 40;
        Message m;
        m.type = MessageType::vscroll;
        m.value = steps > 0 ? scroll_code::line_up : scroll_code::line_down;
        for (int i = 0; i < std::abs(steps); ++i)
            post(window, m);
        return true;
    }
    case QEvent::FocusIn:
        platform_state().focus = window;
        return false;
    default:
        return false;
    }
}

}  // namespace

// ---- The widget that shows a window's surface.

ClientWidget::ClientWidget(Window* window) : m_window(window)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

bool ClientWidget::event(QEvent* event)
{
    // Tab is the program's (dialog navigation), not Qt's focus chain.
    if (m_window != nullptr && translate_input(m_window, event))
        return true;
    return QWidget::event(event);
}

void ClientWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (m_window != nullptr)
        painter.drawImage(event->rect().topLeft(), m_window->surface.image, event->rect());
}

void ClientWidget::resizeEvent(QResizeEvent*)
{
    if (m_window == nullptr)
        return;
    WindowSurface(m_window);  // brings the surface to the new size
    Message m;
    m.type = MessageType::size;
    m.size = Size{width(), height()};
    post(m_window, m);
}

namespace {

// Close, move and activation of the outer widget; presses on frames and title bars.
class OuterFilter : public QObject {
public:
    explicit OuterFilter(Window* window) : m_window(window) { }
    void detach() { m_window = nullptr; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (m_window == nullptr || object != m_window->outer)
            return false;
        switch (event->type()) {
        case QEvent::Close:
            if (m_window->destroying)
                return false;
            event->ignore();
            post(m_window, simple(MessageType::close));
            return true;
        case QEvent::Move: {
            Rect r = WindowBounds(m_window);
            Message m;
            m.type = MessageType::move;
            m.point = Point{r.left, r.top};
            post(m_window, m);
            return false;
        }
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            if (m_window->kind != WindowKind::document) {
                Message m;
                m.type = MessageType::activate;
                m.value = event->type() == QEvent::WindowActivate ? 1 : 0;
                post(m_window, m);
            }
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
            post(m_window, simple(MessageType::nc_mouse_down));
            return false;
        default:
            return false;
        }
    }

private:
    Window* m_window;
};

// Input of the main window's document area (presses on the empty workspace, keys when no
// document window has the focus) and its size.
class AreaFilter : public QObject {
public:
    explicit AreaFilter(Window* window) : m_window(window) { }
    void detach() { m_window = nullptr; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (m_window == nullptr)
            return false;
        if (event->type() == QEvent::Resize) {
            WindowSurface(m_window);
            Message m;
            m.type = MessageType::size;
            m.size = WindowClientSize(m_window);
            post(m_window, m);
            return false;
        }
        if (event->type() == QEvent::Wheel)
            return false;
        return translate_input(m_window, event);
    }

private:
    Window* m_window;
};

// Local files dropped on the main window: kept in its record, announced by a message.
class DropFilter : public QObject {
public:
    explicit DropFilter(Window* window) : m_window(window) { }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!local_files(drag->mimeData()).empty()) {
                drag->acceptProposedAction();
                return true;
            }
            return false;
        }
        if (event->type() != QEvent::Drop)
            return false;
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> files = local_files(drop->mimeData());
        if (files.empty())
            return false;
        drop->acceptProposedAction();
        for (std::string& file : files)
            m_window->dropped_files.push_back(std::move(file));
        post(m_window, simple(MessageType::files_dropped));
        return true;
    }

private:
    static std::vector<std::string> local_files(const QMimeData* data)
    {
        std::vector<std::string> files;
        if (data == nullptr || !data->hasUrls())
            return files;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files.push_back(url.toLocalFile().toStdString());
        return files;
    }
    Window* m_window;
};

QWidget* build_container(Window* window)
{
    auto* container = new QWidget;
    auto* grid = new QGridLayout(container);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    window->client = new ClientWidget(window);
    grid->addWidget(window->client, 0, 0);
    for (int which = 0; which < 2; ++which) {
        auto* bar = new QScrollBar(which == 0 ? Qt::Horizontal : Qt::Vertical);
        bar->hide();
        if (which == 0)
            grid->addWidget(bar, 1, 0);
        else
            grid->addWidget(bar, 0, 1);
        window->scroll[which] = bar;
        QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [window, bar, which](int action) {
            if (!alive(window))
                return;
            Message m;
            m.type = which == 0 ? MessageType::hscroll : MessageType::vscroll;
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                m.value = scroll_code::line_down;
                break;
            case QAbstractSlider::SliderSingleStepSub:
                m.value = scroll_code::line_up;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                m.value = scroll_code::page_down;
                break;
            case QAbstractSlider::SliderPageStepSub:
                m.value = scroll_code::page_up;
                break;
            case QAbstractSlider::SliderToMinimum:
                m.value = scroll_code::top;
                break;
            case QAbstractSlider::SliderToMaximum:
                m.value = scroll_code::bottom;
                break;
            case QAbstractSlider::SliderMove:
                m.value = scroll_code::thumb_track;
                break;
            default:
                return;
            }
            m.position = bar->sliderPosition();
            post(window, m);
        });
    }
    return container;
}

Qt::WindowFlags top_level_flags(const WindowDesc& desc)
{
    Qt::WindowFlags flags;
    switch (desc.kind) {
    case WindowKind::tool:
        flags = Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        break;
    case WindowKind::popup:
        flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
        break;
    case WindowKind::plain_popup:
        flags = Qt::Tool | Qt::FramelessWindowHint;
        break;
    default:
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        break;
    }
    if (desc.style & window_style::system_menu)
        flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    return flags;
}

QWidget* owner_widget(Window* parent)
{
    if (!alive(parent) || !parent->outer)
        return nullptr;
    return parent->outer->window();
}

void create_main(Window* window)
{
    auto* main = new QMainWindow;
    auto* area = new QMdiArea;
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    main->setCentralWidget(area);
    main->menuBar();  // created now so that the frame insets count it from the start
    window->main = main;
    window->area = area;
    window->outer = main;
    auto* viewport_filter = new AreaFilter(window);
    viewport_filter->setParent(area);
    area->viewport()->installEventFilter(viewport_filter);
    auto* area_filter = new AreaFilter(window);
    area_filter->setParent(area);
    area->installEventFilter(area_filter);
    area->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(area, &QMdiArea::subWindowActivated, area, [](QMdiSubWindow* sub) {
        Window* now = nullptr;
        for (Window* w : platform_state().windows)
            if (w->sub == sub && sub != nullptr)
                now = w;
        if (now == platform_state().active_document)
            return;
        if (alive(platform_state().active_document))
            post(platform_state().active_document, simple(MessageType::activate, 0));
        platform_state().active_document = now;
        if (now != nullptr) {
            post(now, simple(MessageType::activate, 1));
            if (now->client)
                now->client->setFocus();
        }
    });
    auto* drop_filter = new DropFilter(window);
    drop_filter->setParent(main);
    main->setAcceptDrops(true);
    main->installEventFilter(drop_filter);
    area->viewport()->setAcceptDrops(true);
    area->viewport()->installEventFilter(drop_filter);
    main->resize(800, 600);
    platform_state().main = window;
}

void create_document(Window* window, const WindowDesc& desc)
{
    QWidget* container = build_container(window);
    Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (desc.style & window_style::system_menu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (desc.style & window_style::minimize_box)
        flags |= Qt::WindowMinimizeButtonHint;
    if (desc.style & window_style::maximize_box)
        flags |= Qt::WindowMaximizeButtonHint;
    auto* sub = new QMdiSubWindow(nullptr, flags);
    sub->setWidget(container);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    platform_state().main->area->addSubWindow(sub, flags);
    sub->hide();
    sub->resize(320, 240);
    window->sub = sub;
    window->outer = sub;
}

void create_top_level(Window* window, const WindowDesc& desc)
{
    QWidget* outer;
    QWidget* container = build_container(window);
    if (desc.kind == WindowKind::popup || desc.kind == WindowKind::plain_popup) {
        auto* frame = new QFrame(owner_widget(desc.parent), top_level_flags(desc));
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        outer = frame;
    } else {
        outer = new QWidget(owner_widget(desc.parent), top_level_flags(desc));
    }
    auto* layout = new QGridLayout(outer);
    layout->setContentsMargins(0, 0, 0, 0);
    if (auto* frame = qobject_cast<QFrame*>(outer)) {
        int w = frame->frameWidth();
        layout->setContentsMargins(w, w, w, w);
    }
    layout->addWidget(container, 0, 0);
    outer->resize(240, 160);
    window->outer = outer;
}

void remove_messages_of(Window* window)
{
    platform_state().queue.erase(std::remove_if(platform_state().queue.begin(), platform_state().queue.end(),
                                                [window](const Message& m) { return m.window == window; }),
                                 platform_state().queue.end());
}

bool matches(const Message& m, const Window* filter)
{
    if (filter == nullptr)
        return true;
    for (const Window* w = m.window; w != nullptr; w = w->parent)
        if (w == filter)
            return true;
    return false;
}

Window* paint_candidate(const Window* filter)
{
    for (Window* w : platform_state().windows) {
        if (w->update.isEmpty() || w->destroying || !w->outer || !w->outer->isVisible())
            continue;
        Message probe;
        probe.window = w;
        if (matches(probe, filter))
            return w;
    }
    return nullptr;
}

void pump_qt()
{
    if (platform_state().app == nullptr)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool find_message(Message* out, Window* filter, bool remove)
{
    for (auto it = platform_state().queue.begin(); it != platform_state().queue.end(); ++it) {
        if (!matches(*it, filter) || (filter != nullptr && it->type == MessageType::quit))
            continue;
        *out = *it;
        if (remove)
            platform_state().queue.erase(it);
        return true;
    }
    if (Window* w = paint_candidate(filter)) {
        *out = Message{};
        out->window = w;
        out->type = MessageType::paint;
        out->time = tick_count();
        return true;
    }
    return false;
}

}  // namespace

// ---- Application

bool PlatformStart(int& argc, char** argv)
{
    if (platform_state().app != nullptr)
        return true;
    if (QGuiApplication::platformName().isEmpty() && qgetenv("DISPLAY").isEmpty() &&
        qgetenv("WAYLAND_DISPLAY").isEmpty() && qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform_state().app = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The program as a whole gains or loses the activation: the main window hears of it.
    QObject::connect(platform_state().app, &QGuiApplication::applicationStateChanged, platform_state().app,
                     [](Qt::ApplicationState state) {
                         Window* main = MainWindow();
                         if (state != Qt::ApplicationActive && state != Qt::ApplicationInactive)
                             return;
                         if (main == nullptr || platform_state().app_active == (state == Qt::ApplicationActive))
                             return;
                         platform_state().app_active = state == Qt::ApplicationActive;
                         post(main, simple(MessageType::activate_app, platform_state().app_active ? 1 : 0));
                     });
    return true;
}

void PlatformEnd()
{
    while (!platform_state().windows.empty())
        WindowDestroy(platform_state().windows.back());
    platform_state().queue.clear();
    delete platform_state().app;
    platform_state().app = nullptr;
}

bool PlatformStarted() { return platform_state().app != nullptr; }

// ---- Messages

std::intptr_t DefaultWindowProc(Window* window, const Message& message)
{
    switch (message.type) {
    case MessageType::close:
        WindowDestroy(window);
        return 0;
    case MessageType::paint:
        WindowValidate(window);
        return 0;
    case MessageType::sys_command:
        if (message.value == sys_command::close)
            post(window, simple(MessageType::close));
        else if (message.value == sys_command::minimize)
            WindowShow(window, Show::minimize);
        else if (message.value == sys_command::maximize)
            WindowShow(window, Show::maximize);
        else if (message.value == sys_command::restore)
            WindowShow(window, Show::restore);
        return 0;
    default:
        return 0;
    }
}

bool PeekMessage(Message* out, Window* filter)
{
    pump_qt();
    return find_message(out, filter, false);
}

bool GetMessage(Message* out, Window* filter)
{
    for (;;) {
        pump_qt();
        if (find_message(out, filter, true))
            return out->type != MessageType::quit;
        WaitForEvents(100);
    }
}

std::intptr_t DispatchMessage(const Message& message)
{
    if (!alive(message.window))
        return 0;
    return SendMessage(message.window, message);
}

std::intptr_t SendMessage(Window* window, const Message& message)
{
    if (!alive(window))
        return 0;
    Message m = message;
    m.window = window;
    WindowProc proc = window->proc != nullptr ? window->proc : DefaultWindowProc;
    return proc(window, m);
}

void PostMessage(const Message& message)
{
    if (message.window != nullptr && !alive(message.window))
        return;
    post(message.window, message);
}

void PostQuitMessage(int exit_code)
{
    Message m;
    m.type = MessageType::quit;
    m.value = static_cast<std::uint32_t>(exit_code);
    post(nullptr, m);
}

void WaitForEvents(std::uint32_t milliseconds)
{
    if (platform_state().app == nullptr) {
        sleep_ms(milliseconds);
        return;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(static_cast<int>(milliseconds));
    if (dispatcher != nullptr)
        dispatcher->processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

// ---- Windows

Window* WindowCreate(const WindowDesc& desc)
{
    if (platform_state().app == nullptr)
        return nullptr;
    if (desc.kind == WindowKind::document && !alive(platform_state().main))
        return nullptr;
    auto* window = new Window;
    window->kind = desc.kind;
    window->parent = alive(desc.parent) ? desc.parent : nullptr;
    if (desc.kind == WindowKind::document)
        window->parent = platform_state().main;
    window->proc = desc.proc;
    window->user = desc.user;
    window->class_name = desc.class_name != nullptr ? desc.class_name : "";
    window->style = desc.style;
    window->surface.owner = window;
    platform_state().windows.push_back(window);
    switch (desc.kind) {
    case WindowKind::main:
        create_main(window);
        break;
    case WindowKind::document:
        create_document(window, desc);
        break;
    default:
        create_top_level(window, desc);
        break;
    }
    auto* filter = new OuterFilter(window);
    filter->setParent(window->outer);
    window->outer->installEventFilter(filter);
    WindowSetTitle(window, desc.title);
    SettleLayout(window);
    return window;
}

void WindowDestroy(Window* window)
{
    if (!alive(window) || window->destroying)
        return;
    window->destroying = true;
    if (window == platform_state().main) {
        // Document windows go first, as children do.
        std::vector<Window*> children;
        for (Window* w : platform_state().windows)
            if (w->kind == WindowKind::document)
                children.push_back(w);
        for (Window* w : children)
            WindowDestroy(w);
    }
    Message m;
    m.type = MessageType::destroy;
    SendMessage(window, m);
    if (platform_state().focus == window)
        platform_state().focus = nullptr;
    if (platform_state().capture == window)
        platform_state().capture = nullptr;
    if (platform_state().active_document == window)
        platform_state().active_document = nullptr;
    remove_messages_of(window);
    platform_state().windows.erase(std::find(platform_state().windows.begin(), platform_state().windows.end(), window));
    if (window->client)
        window->client->detach();
    if (window->outer) {
        for (QObject* object : window->outer->findChildren<QObject*>()) {
            if (auto* f = dynamic_cast<OuterFilter*>(object))
                f->detach();
            if (auto* f = dynamic_cast<AreaFilter*>(object))
                f->detach();
        }
        const bool had_keyboard = window->kind == WindowKind::tool && window->outer->isActiveWindow();
        window->outer->hide();
        if (had_keyboard)
            GiveKeyboardToMainWindow();
        if (window->sub && window == platform_state().active_document)
            platform_state().active_document = nullptr;
        QWidget* outer = window->outer;
        if (window->sub && platform_state().main && platform_state().main->area)
            platform_state().main->area->removeSubWindow(window->sub);
        delete outer;
    }
    if (window == platform_state().main)
        platform_state().main = nullptr;
    delete window;
}

bool WindowIsAlive(const Window* window) { return alive(window); }
const std::vector<Window*>& AllWindows() { return platform_state().windows; }
void NoteFocus(Window* window) { platform_state().focus = window; }
void NoteCapture(Window* window) { platform_state().capture = window; }
Window* FocusWindow() { return alive(platform_state().focus) ? platform_state().focus : nullptr; }
Window* CaptureWindow() { return alive(platform_state().capture) ? platform_state().capture : nullptr; }
void* WindowUserData(const Window* window) { return window->user; }
void WindowSetUserData(Window* window, void* user) { window->user = user; }
WindowKind WindowKindOf(const Window* window) { return window->kind; }
WindowProc WindowProcOf(const Window* window) { return window->proc; }
void WindowSetProc(Window* window, WindowProc proc) { window->proc = proc; }
Window* WindowParent(const Window* window) { return window->parent; }

}  // namespace platform
