// Inside the Qt platform layer only: the records behind the opaque handles of window.h,
// draw.h and fonts.h, and helpers the layer's files share. Never included above platform/qt.
#pragma once
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/draw.h"
#include "platform/qt/fonts.h"
#include "platform/qt/text.h"
#include "platform/qt/window.h"

class QApplication;
class QMdiSubWindow;
class QTimer;
class QScrollBar;
class QMainWindow;
class QMdiArea;

namespace platform {

struct Surface {
    QImage image;              // Format_RGB32
    std::vector<QRect> clips;  // each already intersected with the one below
    QRegion paint_clip;        // while painting: the update region
    bool painting = false;
    Window* owner = nullptr;  // null for offscreen bitmaps
};

struct Font {
    QFont font;
    int size = 0;
};

// The widget that shows a window's surface and turns its input into messages.
class ClientWidget : public QWidget {
public:
    explicit ClientWidget(Window* window);
    void detach() { m_window = nullptr; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Window* m_window;
};

struct Window {
    WindowKind kind = WindowKind::document;
    Window* parent = nullptr;
    WindowProc proc = nullptr;
    void* user = nullptr;
    std::string class_name;
    std::uint32_t style = 0;
    QPointer<QWidget> outer;         // QMainWindow, QMdiSubWindow or top-level widget
    QPointer<ClientWidget> client;   // shows the surface, receives input
    QPointer<QScrollBar> scroll[2];  // horizontal, vertical
    QMainWindow* main = nullptr;     // kind main
    QMdiArea* area = nullptr;        // kind main: the document area
    QMdiSubWindow* sub = nullptr;    // kind document
    Surface surface;
    QRegion update;
    Size min_track{0, 0};
    Size max_track{0, 0};
    bool destroying = false;
    std::vector<std::string> dropped_files;  // kind main: dropped, not yet taken
};

// The Qt layer's state, one per process: the application object, the program's message
// queue, the live windows and the ones holding focus and capture, the idle timer that keeps
// deferred tasks going under Qt's own modal loops, and the interface code page.
struct PlatformState {
    PlatformState();
    ~PlatformState();
    // Not owned by the state: destroying Qt at exit, after other statics are gone, is not
    // safe, so PlatformEnd destroys it in order and otherwise the process end reclaims it.
    QApplication* app = nullptr;
    std::deque<Message> queue;
    std::vector<Window*> windows;  // live windows in creation order
    Window* main = nullptr;
    Window* focus = nullptr;
    Window* capture = nullptr;
    Window* active_document = nullptr;
    bool app_active = false;  // the last activation state posted to the main window
    std::unique_ptr<QTimer> idle_timer;
    int idle_depth = 0;
    int code_page = kWesternCodePage;
    std::string resolved_family;  // the text FontResolvedFamily hands out
};
PlatformState& platform_state();

// Live windows in creation order.
const std::vector<Window*>& AllWindows();
void NoteFocus(Window* window);
void NoteCapture(Window* window);
// After a tool window that had the keyboard went away (hidden or destroyed).
void GiveKeyboardToMainWindow();
// Lays out a window's widgets now (hidden windows included), so that sizes are right.
void SettleLayout(Window* window);

QString ToQString(const char* text, int length = -1);
QRect ToQRect(const Rect& r);
Rect FromQRect(const QRect& r);
QColor ToQColor(Colour colour);
// Schedules the part of a window surface for showing (drawing outside painting).
void SurfaceChanged(Surface* surface, const QRect& area);
// The clip that drawing on the surface is limited to (empty region: nothing drawable).
QRegion SurfaceClip(const Surface* surface);
// A painter on the surface with its clip applied.
void BeginSurfacePainter(class QPainter& painter, Surface* surface);
// Runs one due deferred task while a Qt modal loop (menu, dialog) holds the program.
void StartEnterIdleTimer();
void StopEnterIdleTimer();

}  // namespace platform
