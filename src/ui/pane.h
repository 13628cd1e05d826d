// What a document window needs of each of its three panes (animation, frame, range): the
// pane's window, and a refresh when the document or its current frame changed. The frame
// pane and the placeholder panes implement it; the document window owns them.
#pragma once

struct Document;
struct FrameWindow;

enum class PaneKind : int { Animation = 0, Frame = 1, Range = 2 };
constexpr int kPaneCount = 3;

class Pane {
public:
    virtual ~Pane() = default;
    virtual FrameWindow* window() const = 0;
    // The document's current frame changed, or something the pane shows did.
    virtual void refresh(Document* /*document*/, int /*frame*/) { }
};
