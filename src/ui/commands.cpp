#include "ui/commands.h"

#include <string>

#include "app/settings.h"
#include "app/string_tables.h"
#include "extra/extra_save.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/time_text.h"
#include "framework/event_loop.h"
#include "framework/file_dialog.h"
#include "framework/frame_window.h"
#include "framework/menus.h"
#include "framework/progress_window.h"
#include "gif/gif_reader.h"
#include "platform/qt/window.h"
#include "ui/document_window.h"
#include "ui/frame_pane.h"
#include "ui/start_windows.h"
#include "ui/ui_state.h"

namespace {

constexpr std::uint16_t kGifType = 2;
constexpr int kMonthNames = 152, kDatePlaceholder = 148, kProgramTitle = 1;
constexpr int kCaptionNonInterlaced = 244, kCaptionReplace = 245, kCaptionClear = 246;

DocumentWindow* current_window() { return DocumentWindow::of(ui_state().current); }

void reactivate_document_window(void* frame_window)
{
    auto* w = static_cast<FrameWindow*>(frame_window);
    if (FrameWindowAlive(w) && DocumentWindow::of(w) && FocusedFrameWindow() != w)
        platform::WindowActivate(w->window);
}

// The animation pane shows the document's comments; it takes them again after they changed.
void refresh_comment_fields(DocumentWindow& window)
{
    if (Pane* pane = window.pane(PaneKind::Animation))
        pane->refresh_comments();
}

}  // namespace

Document* current_document() { return ui_state().current; }

void update_command_state(Document* document)
{
    CommandItems& items = ui_state().items;
    if (!items.close)
        return;  // sibling mode builds none of them
    DocumentWindow* window = DocumentWindow::of(document);
    const bool has = document != nullptr;
    const bool several = has && document->frame_count > 1;
    // A document window that is being closed has given up its record already.
    const FrameWindow* front = ActiveDocument();
    ItemSetEnabled(items.close, has || (front && front->data));
    for (MenuItem* item : items.save)
        ItemSetEnabled(item, has);
    ItemSetEnabled(items.panes[1], several);
    ItemSetEnabled(items.panes[2], several);
    for (int i = 0; i < kPaneCount; ++i)
        ItemSetChecked(items.panes[i], window && window->pane_shown(static_cast<PaneKind>(i)));
    MenuSetEnabled(items.document_menu, has);
    if (window)
        window->refresh_title();
}

void window_switch(Document* document)
{
    Document* old = ui_state().current;
    ui_state().current = document;
    if (DocumentWindow* window = DocumentWindow::of(old))
        for (int i = 0; i < kPaneCount; ++i)
            window->change_show_count(static_cast<PaneKind>(i), -1);
    if (DocumentWindow* window = DocumentWindow::of(document)) {
        for (int i = 0; i < kPaneCount; ++i)
            window->change_show_count(static_cast<PaneKind>(i), +1);
        arrange_shown_panes(*window);
    }
    if (ui_state().current == document)
        update_command_state(document);
}

void reactivate_document_window_soon(DocumentWindow& window)
{
    (void)TaskAfter(reactivate_document_window, window.frame_window(), 50);
}

bool open_document_file(const char* path)
{
    if (kSiblingMode)
        return false;
    DocumentPtr document(open_gif_file(path));
    if (!document)
        return false;
    close_welcome_window();
    return DocumentWindow::open(std::move(document)) != nullptr;
}

bool save_current_document(DocumentWindow& window, SaveMode mode)
{
    window.set_busy(true);
    stop_playback(window.document());
    Document& document = window.document();
    // With the extra compression option an unchanged document is rebuilt from its own file,
    // which still holds every colour.
    const char* original = window.changed() || !window.source_path()[0] ? nullptr : window.source_path();
    const bool written = settings().extra_compression != 0 ? save_document_extra(document, mode, original)
                                                           : save_document(document, mode);
    window.set_busy(false);
    if (!written)
        return false;
    window.set_source_path(document.path.get());
    window.mark_saved();
    window.refresh_title();
    window.refresh_panes();
    return true;
}

void quit_program()
{
    for (ListNode* node = FrameWindowList()->first; node; node = node->next)
        if (DocumentWindow* window = DocumentWindow::of(ListPointer<FrameWindow>(node->value)))
            if (window->busy()) {
                FrameworkBeep();
                return;
            }
    // Each changed document is asked about; keeping one open stops the quit.
    for (ListNode* node = FrameWindowList()->first; node; node = node->next)
        if (DocumentWindow* window = DocumentWindow::of(ListPointer<FrameWindow>(node->value)))
            if (window->changed() && !window->close())
                return;
    platform::WindowDestroy(MainWindowInfo().window);
}

void command_open()
{
    std::uint16_t chosen = 0;
    const std::uint16_t types[] = {kGifType};
    FileRefPtr file(AskOpenFile(nullptr, types, 1, &chosen));
    if (!file)
        return;
    const StrPtr path(FileRefPathNew(file.get()));
    (void)open_document_file(path.get());
}

void command_close()
{
    FrameWindow* front = ActiveDocument();
    if (DocumentWindow* window = DocumentWindow::of(front))
        (void)window->close();
    else if (front && (front->flags & frame_flag::closable))
        FrameWindowClose(front);
}

void command_save()
{
    if (DocumentWindow* window = current_window())
        (void)save_current_document(*window, SaveMode::Write);
}

void command_save_as()
{
    DocumentWindow* window = current_window();
    if (!window)
        return;
    FileRefPtr start(FileRefFromPath(window->document().path.get()));
    FileRefPtr file(AskSaveFile(start.get(), kGifType));
    if (!file)
        return;
    window->document().path.reset(FileRefPathNew(file.get()));
    window->refresh_title();
    (void)save_current_document(*window, SaveMode::Write);
}

void command_size_report()
{
    if (DocumentWindow* window = current_window())
        (void)save_current_document(*window, SaveMode::Report);
}

char* compose_stamp(const char* stamp_template, std::int64_t seconds)
{
    const LocalTime now = LocalTimeRecord(seconds);
    const StrPtr date(FormatNew("%s% %d% %d%", app_string(kMonthNames + now.month - 1), int(now.day), int(now.year)));
    const char* values[4] = {date.get(), TimeOfDayText(seconds, WithSeconds::No), "", app_string(kProgramTitle)};
    std::string out;
    for (const char* at = stamp_template ? stamp_template : ""; *at;) {
        bool replaced = false;
        for (int i = 0; i < 4 && !replaced; ++i) {
            const char* placeholder = app_string(kDatePlaceholder + i);
            const std::size_t length = StrLen(placeholder);
            if (length > 0 && std::string(at).compare(0, length, placeholder) == 0) {
                out += values[i];
                at += length;
                replaced = true;
            }
        }
        if (!replaced)
            out += *at++;
    }
    return StrDup(out.c_str());
}

void command_insert_stamp()
{
    DocumentWindow* window = current_window();
    if (!window)
        return;
    Document& document = window->document();
    std::string stamp = StrPtr(compose_stamp(settings().template_text, NowSeconds())).get();
    if (document.trailing_comment && document.trailing_comment.get()[0])
        stamp += std::string("\r\r") + document.trailing_comment.get();
    document.trailing_comment.reset(StrDup(stamp.c_str()));
    window->mark_changed();
    window->refresh_panes();
    refresh_comment_fields(*window);
}

void command_clear_comments(bool then_stamp)
{
    DocumentWindow* window = current_window();
    if (!window)
        return;
    Document& document = window->document();
    ProgressOpen(app_string(then_stamp ? kCaptionReplace : kCaptionClear),
                 static_cast<std::uint32_t>(document.frame_count + 3));
    bool changed = false;
    for (Frame* frame : window->frames()) {
        if (frame->comment && frame->comment.get()[0]) {
            frame->comment.reset(StrDup(""));
            changed = true;
        }
        ProgressAdvance(1);
    }
    for (StrPtr* comment : {&document.leading_comment, &document.trailing_comment}) {
        if (*comment && comment->get()[0]) {
            comment->reset(StrDup(""));
            changed = true;
        }
        ProgressAdvance(1);
    }
    ProgressClose();
    if (changed)
        window->mark_changed();
    window->refresh_panes();
    refresh_comment_fields(*window);
    if (then_stamp)
        command_insert_stamp();
}

void command_make_non_interlaced()
{
    DocumentWindow* window = current_window();
    if (!window)
        return;
    Document& document = window->document();
    ProgressOpen(app_string(kCaptionNonInterlaced), static_cast<std::uint32_t>(document.frame_count));
    for (Frame* frame : window->frames()) {
        if (frame->interlaced && set_frame_interlace(document, *frame, false))
            window->mark_changed();
        ProgressAdvance(1);
    }
    ProgressClose();
    refresh_frame(document);
}

void command_toggle_pane(PaneKind kind)
{
    Document* document = ui_state().current;
    DocumentWindow* window = DocumentWindow::of(document);
    if (!window)
        return;
    if (kind == PaneKind::Range) {
        if (Pane* pane = window->pane(kind)) {
            if (FocusedFrameWindow() == pane->window())
                ui_state().current = nullptr;
            window->destroy_pane(kind);
        } else if (window->ensure_pane(kind)) {
            window->change_show_count(kind, +1);
            arrange_shown_panes(*window);
        }
    } else if (window->show_count(kind) < 1 || !window->pane(kind)) {
        if (window->ensure_pane(kind)) {
            window->change_show_count(kind, +1);
            arrange_shown_panes(*window);
        }
    } else {
        window->change_show_count(kind, -1);
        // The window system may pass the activation on as the pane goes: the document window
        // takes it back once that has happened.
        reactivate_document_window_soon(*window);
    }
    update_command_state(document);
}
