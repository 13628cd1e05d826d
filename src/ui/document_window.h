// The document window: one per open document, inside the main window. It owns the document,
// its playback state, its three panes with their show counts, the display buffers it paints
// through, and the frame table the composer walks. Showing a frame recomposes the canvas
// and repaints only what changed; painting converts the canvas in bands of 32 rows.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/document.h"
#include "framework/rgb_buffer.h"
#include "platform/qt/window.h"
#include "ui/pane.h"
#include "ui/playback.h"
#include "ui/ui_state.h"

struct FrameWindow;

class DocumentWindow {
public:
    // Gives a loaded document its window (shown and in front); null when no window could be
    // made (the document is then freed).
    static DocumentWindow* open(DocumentPtr document);
    // The window of a document (null when it has none).
    static DocumentWindow* of(const Document* document);
    static DocumentWindow* of(FrameWindow* window);
    ~DocumentWindow();

    Document& document() { return *m_document; }
    FrameWindow* frame_window() const { return m_window; }
    PlaybackState& playback() { return m_playback; }
    const std::vector<Frame*>& frames() const { return m_frames; }

    // Panes: created on first need by the pane factory, shown while their count is above 0.
    Pane* pane(PaneKind kind) const { return m_panes[static_cast<int>(kind)].get(); }
    int show_count(PaneKind kind) const { return m_show_counts[static_cast<int>(kind)]; }
    bool pane_shown(PaneKind kind) const;
    void change_show_count(PaneKind kind, int delta);
    // Creates the pane when missing (without changing its count).
    Pane* ensure_pane(PaneKind kind);
    void destroy_pane(PaneKind kind);
    // Every pane refreshes for the current frame.
    void refresh_panes();

    void refresh_title();
    // Repaints the part of the window that shows this area of the screen.
    void repaint(const ScreenRect& area);
    // The image's offset in the window (centred when the window is larger, else scrolled).
    platform::Point image_offset() const;
    // The document changed in a way that must be saved.
    void mark_changed() { m_changed = true; }
    bool changed() const { return m_changed; }
    void mark_saved() { m_changed = false; }
    // The file that shows the document exactly as it stands while it has no edits: the one
    // it was loaded from, then the one it was last saved to.
    const char* source_path() const { return m_source_path.c_str(); }
    void set_source_path(const char* path) { m_source_path = path != nullptr ? path : ""; }
    // A long operation on the document runs (a save): the window refuses to close meanwhile.
    void set_busy(bool busy) { m_busy += busy ? 1 : -1; }
    bool busy() const { return m_busy > 0; }

    // Closes the window as the user's close does, asking about unsaved changes first;
    // false when the user chose to keep it open.
    bool close();

private:
    DocumentWindow(DocumentPtr document, FrameWindow* window);
    void build_window();
    void paint(const platform::Rect& area);
    void paint_bands(const platform::Rect& image_area, platform::Point offset);
    void update_scroll_bars();
    void scroll_event(platform::Orientation which, std::uint32_t code, int position);
    bool key_event(std::uint8_t character);
    void activate_event(bool active);
    void destroy_event();
    bool ask_to_save();

    DocumentPtr m_document;
    FrameWindow* m_window = nullptr;
    PlaybackState m_playback;
    std::vector<Frame*> m_frames;
    std::unique_ptr<Pane> m_panes[kPaneCount];
    int m_show_counts[kPaneCount] = {0, 0, 0};
    RgbBufferPtr m_band;
    OffscreenPtr m_band_bitmap;
    platform::Point m_scroll{0, 0};
    bool m_changed = false;
    std::string m_source_path;
    bool m_closing = false;
    int m_busy = 0;

    friend struct DocumentWindowEvents;
};

// Shows frame index of the document (0-based); source 1: the frame slider moved it.
enum class FrameSource : std::uint8_t { Other = 0, Slider = 1 };
void show_frame(Document& document, int index, FrameSource source = FrameSource::Other);
// Recomposes and repaints the current frame after its image data changed.
void refresh_frame(Document& document);

// Places the shown panes next to the document window (the installed arranger).
void arrange_shown_panes(DocumentWindow& owner);
