#include "platform/qt/system.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QTimer>
#include <QScreen>
#include <QUrl>

#include <memory>

#include "platform/qt/qt_internal.h"
#include "platform/qt/text.h"

namespace platform {

namespace {

QWidget* owner_of(Window* window)
{
    if (!WindowIsAlive(window) || window->outer == nullptr)
        return nullptr;
    return window->outer->window();
}

QString filter_text(const FileFilter& f)
{
    return ToQString(f.description) + QStringLiteral(" (") + ToQString(f.pattern) + QStringLiteral(")");
}

std::string run_file_dialog(FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner_of(request.owner), ToQString(request.title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (int i = 0; i < request.filter_count; ++i)
        filters << filter_text(request.filters[i]);
    dialog.setNameFilters(filters);
    int index = request.filter_index;
    if (index >= 0 && index < filters.size())
        dialog.selectNameFilter(filters[index]);
    if (request.initial_folder != nullptr && request.initial_folder[0] != 0)
        dialog.setDirectory(QString::fromStdString(TextToUtf8(request.initial_folder)));
    if (request.initial_name != nullptr && request.initial_name[0] != 0)
        dialog.selectFile(QString::fromStdString(TextToUtf8(request.initial_name)));
    dialog.setDefaultSuffix(QString::fromStdString(
        DefaultSuffixOf(index >= 0 && index < request.filter_count ? request.filters[index].pattern : "")));
    // The suffix a typed name receives follows the chosen type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        int i = static_cast<int>(filters.indexOf(chosen));
        if (i >= 0)
            dialog.setDefaultSuffix(QString::fromStdString(DefaultSuffixOf(request.filters[i].pattern)));
    });
    StartEnterIdleTimer();
    int result = dialog.exec();
    StopEnterIdleTimer();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    request.filter_index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

void StartEnterIdleTimer()
{
    if (platform_state().idle_depth++ > 0 || QApplication::instance() == nullptr)
        return;
    if (platform_state().idle_timer == nullptr) {
        platform_state().idle_timer = std::make_unique<QTimer>();
        platform_state().idle_timer->setInterval(10);
        QObject::connect(platform_state().idle_timer.get(), &QTimer::timeout, platform_state().idle_timer.get(), []() {
            if (Window* main = MainWindow()) {
                Message m;
                m.type = MessageType::enter_idle;
                SendMessage(main, m);
            }
        });
    }
    platform_state().idle_timer->start();
}

void StopEnterIdleTimer()
{
    if (platform_state().idle_depth > 0 && --platform_state().idle_depth == 0 && platform_state().idle_timer != nullptr)
        platform_state().idle_timer->stop();
}

void Beep()
{
    if (QApplication::instance() != nullptr)
        QApplication::beep();
}

void ClipboardSetText(const char* text)
{
    if (QApplication::instance() == nullptr)
        return;
    QString s = ToQString(text != nullptr ? text : "");
    s.replace(QChar('\r'), QChar('\n'));
    QApplication::clipboard()->setText(s);
}

std::string ClipboardText()
{
    if (QApplication::instance() == nullptr)
        return {};
    QString s = QApplication::clipboard()->text();
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    s.replace(QChar('\n'), QChar('\r'));
    return Utf8ToText(s.toStdString());
}

bool OpenUrl(const char* url)
{
    if (url == nullptr || QApplication::instance() == nullptr)
        return false;
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(TextToUtf8(url))));
}

std::string DefaultSuffixOf(const char* pattern)
{
    if (pattern == nullptr)
        return {};
    std::string p = pattern;
    std::size_t dot = p.find('.');
    if (dot == std::string::npos)
        return {};
    std::string suffix = p.substr(dot + 1);
    if (suffix.empty() || suffix.find_first_of("*?") != std::string::npos)
        return {};
    return suffix;
}

std::string AskOpenPath(FileDialogRequest& request) { return run_file_dialog(request, QFileDialog::AcceptOpen); }

std::string AskSavePath(FileDialogRequest& request) { return run_file_dialog(request, QFileDialog::AcceptSave); }

bool ChooseColour(Window* owner, Colour initial, Colour* chosen)
{
    StartEnterIdleTimer();
    QColor c = QColorDialog::getColor(ToQColor(initial), owner_of(owner));
    StopEnterIdleTimer();
    if (!c.isValid())
        return false;
    if (chosen != nullptr)
        *chosen = static_cast<Colour>(c.rgb() & 0xFFFFFF);
    return true;
}

Rect ScreenWorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (Window* main = MainWindow(); main != nullptr && main->outer != nullptr && main->outer->screen() != nullptr)
        screen = main->outer->screen();
    if (screen == nullptr)
        return MakeRect(0, 0, 1024, 768);
    const QRect area = screen->availableGeometry();
    return MakeRect(area.x(), area.y(), area.width(), area.height());
}

int DisplayBitsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->depth() : 32;
}

}  // namespace platform
