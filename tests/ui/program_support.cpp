#include "program_support.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/menus.h"
#include "gif/gif_reader.h"
#include "ui/commands.h"
#include "ui/document_window.h"
#include "ui/start_windows.h"
#include "ui/ui_state.h"
#include "ui_support.h"

namespace {

// Before the window system goes (the environment of StartUiTests, registered first, ends
// last): the documents, their panes and the menus.
class ProgramEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        close_all_documents();
        window_switch(nullptr);
        MenusEnd();
        FileTypeRegistryClear();
        TaskClearAll();
    }
};

}  // namespace

void start_program_for_tests()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    if (!StartUiTests())
        std::abort();
    ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);
    RegisterFileType(2, "gif", ".gif", "GIF Files (.GIF)");
    build_menus();
    ui_state().pane_factory = make_document_pane;
    ui_state().pane_arranger = arrange_document_panes;
    SetWindowGroupCycle(cycle_document_group);
}

void pump(int steps)
{
    for (int i = 0; i < steps; ++i)
        PumpNoWait();
}

std::string corpus_path(const char* name)
{
    const char* shared = std::getenv("QUILLON_SHARED");
    if (!shared)
        return std::string();
    return (std::filesystem::path(shared) / "corpus" / name).string();
}

DocumentWindow* open_corpus(const char* name)
{
    const std::string path = corpus_path(name);
    if (path.empty() || !std::filesystem::exists(path))
        return nullptr;
    DocumentPtr document(open_gif_file(path.c_str()));
    DocumentWindow* window = DocumentWindow::open(std::move(document));
    pump();
    return window;
}

DocumentWindow* open_front(const char* name)
{
    DocumentWindow* w = open_corpus(name);
    if (w && current_document() != &w->document())
        window_switch(&w->document());
    return w;
}

void close_all_documents()
{
    for (;;) {
        DocumentWindow* found = nullptr;
        for (ListNode* node = FrameWindowList()->first; node && !found; node = node->next)
            found = DocumentWindow::of(ListPointer<FrameWindow>(node->value));
        if (!found)
            break;
        found->mark_saved();
        FrameWindowClose(found->frame_window());
        pump();
    }
}
