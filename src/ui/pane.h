// What a document window needs of each of its three panes (animation, frame, range): the
// pane's window, and a refresh when the document or its current frame changed. The
// document window owns them.
#pragma once
#include <cstdint>
#include <memory>

struct Document;
struct FrameWindow;

enum class PaneKind : int { Animation = 0, Frame = 1, Range = 2 };
constexpr int kPaneCount = 3;

class Pane {
public:
    virtual ~Pane() = default;
    virtual FrameWindow* window() const = 0;
    // Shown while the pane's show count is above 0.
    virtual void set_visible(bool visible);
    // The document's current frame changed, or something the pane shows did.
    virtual void refresh(Document* /*document*/, int /*frame*/) { }
    // The document's comments changed (a stamp, a clearing).
    virtual void refresh_comments() { }
};

class DocumentWindow;
// The panes the program makes (null when the pane cannot be made, as a range pane for a
// document without frames).
std::unique_ptr<Pane> make_document_pane(DocumentWindow& owner, PaneKind kind);
// Places the shown panes of a document window beside it.
void arrange_document_panes(DocumentWindow& owner);
// F6 and Shift+F6: the keyboard goes round the current document's window and its shown
// panes (the window group cycle of the framework). False when there is no document.
enum class CycleDirection : std::uint8_t;
bool cycle_document_group(CycleDirection direction);
