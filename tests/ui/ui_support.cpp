#include "ui_support.h"

#include "platform/qt/window.h"

bool StartUiTests()
{
    static bool shown = false;
    if (!StartTestFramework())
        return false;
    if (!shown) {
        platform::WindowShow(platform::MainWindow(), platform::Show::show);
        shown = true;
    }
    return true;
}
