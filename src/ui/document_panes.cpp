// The panes of a document window wired to it: the frame pane (frames chosen, playback
// buttons and keys, edits that change the document), the animation pane (looping,
// background, comments) and the range pane (operations on a range of frames), and their
// arrangement beside the document window.
#include <algorithm>
#include <vector>

#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "ui/animation_pane.h"
#include "ui/commands.h"
#include "ui/document_window.h"
#include "ui/frame_pane.h"
#include "ui/pane.h"
#include "ui/panel_window.h"
#include "ui/playback.h"
#include "ui/range_pane.h"

// Panes appear beside the document window without taking the activation from it.
void Pane::set_visible(bool visible)
{
    if (FrameWindow* w = window())
        platform::WindowShow(w->window, visible ? platform::Show::show_no_activate : platform::Show::hide);
}

namespace {

PlaybackAction action_of(PlaybackButton button) { return static_cast<PlaybackAction>(static_cast<int>(button)); }

class FramePaneHost final : public Pane {
public:
    explicit FramePaneHost(DocumentWindow& owner) : m_owner(owner)
    {
        m_pane.on_frame_chosen = [this](int frame) { show_frame(m_owner.document(), frame, FrameSource::Slider); };
        m_pane.on_playback = [this](PlaybackButton button) {
            run_playback_action(m_owner.document(), action_of(button));
        };
        m_pane.on_document_changed = [this] {
            m_owner.mark_changed();
            refresh_frame(m_owner.document());
        };
        m_pane.open();
        m_pane.panel().on_key = [this](const KeyEvent& event) {
            return playback_key(m_owner.document(), event.character);
        };
        // Closing the pane is the user hiding it: the same as its menu item.
        m_pane.panel().on_hidden = [this] {
            if (current_document() == &m_owner.document() && m_owner.show_count(PaneKind::Frame) > 0)
                command_toggle_pane(PaneKind::Frame);
        };
        m_pane.panel().hide();
    }
    FrameWindow* window() const override { return m_pane.panel().window(); }
    void refresh(Document* document, int frame) override { m_pane.refresh(document, frame); }

private:
    DocumentWindow& m_owner;
    mutable FramePane m_pane;
};

// A pane built while its document is in use takes the activation as its window is made
// (some window systems only when it is first mapped, a little later); the document window
// keeps it (the pane then shows without taking it).
void keep_owner_active(DocumentWindow& owner)
{
    if (current_document() != &owner.document() && current_document() != nullptr)
        return;
    platform::WindowActivate(owner.frame_window()->window);
    reactivate_document_window_soon(owner);
}

class AnimationPaneHost final : public Pane {
public:
    explicit AnimationPaneHost(DocumentWindow& owner) : m_owner(owner)
    {
        m_pane.on_document_changed = [this] { m_owner.mark_changed(); };
        m_pane.on_background_changed = [this] { refresh_frame(m_owner.document()); };
        m_pane.refresh(&m_owner.document());
        m_pane.open();
        m_pane.panel().on_hidden = [this] {
            if (current_document() == &m_owner.document() && m_owner.show_count(PaneKind::Animation) > 0)
                command_toggle_pane(PaneKind::Animation);
        };
        m_pane.panel().hide();
        keep_owner_active(m_owner);
    }
    FrameWindow* window() const override { return m_pane.panel().window(); }
    // Nothing here depends on the current frame; the size, frame and colour lines follow
    // delay changes and saves.
    void refresh(Document* document, int) override
    {
        if (document != m_shown) {
            m_shown = document;
            m_pane.refresh(document);
        } else {
            m_pane.refresh_lines();
        }
    }
    void refresh_comments() override { m_pane.refresh_comments(); }

private:
    DocumentWindow& m_owner;
    Document* m_shown = nullptr;
    mutable AnimationPane m_pane;
};

class RangePaneHost final : public Pane {
public:
    explicit RangePaneHost(DocumentWindow& owner) : m_owner(owner)
    {
        m_pane.on_frame_chosen = [this](int frame) { show_frame(m_owner.document(), frame); };
        // The frame pane and the animation pane's lines follow through the frame's refresh.
        m_pane.on_document_changed = [this] {
            m_owner.mark_changed();
            refresh_frame(m_owner.document());
        };
    }
    // False when the document has no frame to make a range of.
    [[nodiscard]] bool open()
    {
        if (!m_pane.open(&m_owner.document()))
            return false;
        m_frame_count = m_owner.document().frame_count;
        // Closing the pane is the user hiding it, which ends it: the same as its menu item.
        m_pane.panel().on_hidden = [this] {
            if (current_document() == &m_owner.document() && m_owner.pane(PaneKind::Range))
                command_toggle_pane(PaneKind::Range);
        };
        m_pane.panel().hide();
        keep_owner_active(m_owner);
        return window() != nullptr;
    }
    FrameWindow* window() const override { return m_pane.panel().window(); }
    // The range only needs to follow the number of frames.
    void refresh(Document* document, int) override
    {
        const int count = document ? document->frame_count : 0;
        if (count != m_frame_count) {
            m_frame_count = count;
            m_pane.refresh(document);
        }
    }

private:
    DocumentWindow& m_owner;
    int m_frame_count = -1;
    mutable RangePane m_pane;
};

}  // namespace

std::unique_ptr<Pane> make_document_pane(DocumentWindow& owner, PaneKind kind)
{
    if (kind == PaneKind::Frame)
        return std::make_unique<FramePaneHost>(owner);
    if (kind == PaneKind::Animation)
        return std::make_unique<AnimationPaneHost>(owner);
    auto range = std::make_unique<RangePaneHost>(owner);
    if (!range->open())
        return nullptr;
    return range;
}

void arrange_document_panes(DocumentWindow& owner)
{
    std::vector<FrameWindow*> panes;
    for (int i = 0; i < kPaneCount; ++i) {
        const PaneKind kind = static_cast<PaneKind>(i);
        if (owner.pane(kind) && owner.pane_shown(kind) && owner.pane(kind)->window())
            panes.push_back(owner.pane(kind)->window());
    }
    if (!panes.empty())
        arrange_panes(owner.frame_window(), static_cast<int>(panes.size()), panes.data());
}

bool cycle_document_group(CycleDirection direction)
{
    DocumentWindow* owner = DocumentWindow::of(ui_state().current);
    if (owner == nullptr || owner->frame_window() == nullptr)
        return false;
    std::vector<FrameWindow*> ring{owner->frame_window()};
    for (int i = 0; i < kPaneCount; ++i) {
        const PaneKind kind = static_cast<PaneKind>(i);
        FrameWindow* pane = owner->pane(kind) && owner->pane_shown(kind) ? owner->pane(kind)->window() : nullptr;
        if (pane != nullptr && platform::WindowIsVisible(pane->window))
            ring.push_back(pane);
    }
    FrameWindow* focused = FocusedFrameWindow();
    const auto at = std::find(ring.begin(), ring.end(), focused);
    const std::size_t from = at == ring.end() ? 0 : static_cast<std::size_t>(at - ring.begin());
    const std::size_t n = ring.size();
    const std::size_t to = direction == CycleDirection::forward ? (from + 1) % n : (from + n - 1) % n;
    if (ring[to] != focused)
        platform::WindowActivate(ring[to]->window);
    return true;
}
