// The view tree: sizing through the parent, show and hide, destruction with observers and
// deferred freeing, mouse delivery with the pressed view and tracking, the activation rule.
// Views live in framework window records without platform windows, so nothing is drawn.
#include "framework/view.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/formatter.h"
#include "framework/frame_window.h"

namespace {

std::vector<std::string> g_log;

// Every test view carries a tag that the log names it by.
struct Tag : ViewRecord {
    int tag = 0;
};
int& tag_of(View* view) { return ViewRecordOf<Tag>(view)->tag; }

void log(const char* what, View* view) { g_log.push_back(std::string(what) + ":" + std::to_string(tag_of(view))); }

ViewClass recording_class()
{
    ViewClass c;
    c.name = "recording";
    c.init = [](View* v) {
        if (v->record == nullptr)
            v->record = std::make_unique<Tag>();
    };
    c.destroy = [](View* v) { log("destroy", v); };
    c.set_size = [](View* v, int w, int h) {
        log("set_size", v);
        ViewDefaultSetSize(v, w, h);
    };
    c.show = [](View* v, int) { log("show", v); };
    c.hide = [](View* v, int) { log("hide", v); };
    c.mouse_down = [](View* v, std::uint8_t, int x, int y) {
        log(("down " + std::to_string(x) + "," + std::to_string(y)).c_str(), v);
    };
    c.mouse_drag = [](View* v, std::uint8_t, int, int) { log("drag", v); };
    c.mouse_up = [](View* v, std::uint8_t, int x, int y) {
        log(("up " + std::to_string(x) + "," + std::to_string(y)).c_str(), v);
    };
    return c;
}

const ViewClass kRecording = recording_class();

// A container holding one list of children, reporting its child operations.
struct Holder : Tag {
    std::vector<View*> children;
};
const ViewClass kHolder = [] {
    ViewClass c = recording_class();
    c.name = "holder";
    c.destroy = [](View* p) {
        log("destroy", p);
        auto& list = ViewRecordOf<Holder>(p)->children;
        while (!list.empty())
            ViewDestroy(list.back());
    };
    c.add_child = [](View* p, View* child) { ViewRecordOf<Holder>(p)->children.push_back(child); };
    c.remove_child = [](View* p, View* child) {
        log("remove_child", p);
        auto& list = ViewRecordOf<Holder>(p)->children;
        std::erase(list, child);
    };
    c.child_resized = [](View* p, View* child, int w, int h) {
        log("child_resized", p);
        ViewDefaultSetSize(child, w, h);
    };
    c.child_count = [](View* p) { return static_cast<int>(ViewRecordOf<Holder>(p)->children.size()); };
    c.child_at = [](View* p, int i) { return ViewRecordOf<Holder>(p)->children[static_cast<std::size_t>(i)]; };
    return c;
}();

class ViewTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        TempMark();
        ViewSetCaptureEnabled(false);
    }
    void TearDown() override
    {
        ViewsWindowClosing(&m_window);
        TempRelease();
    }
    View* top(int tag, int x = 0, int y = 0)
    {
        View* v = ViewNew(&kRecording, &m_window, x, y);
        tag_of(v) = tag;
        return v;
    }
    View* holder(int tag)
    {
        View* v = ViewNew(&kHolder, &m_window, 0, 0, std::make_unique<Holder>());
        tag_of(v) = tag;
        return v;
    }
    FrameWindow m_window;
};

TEST_F(ViewTree, SizingCallsOnlyOnChangeAndAChildIsSizedByItsParent)
{
    View* v = top(1, 5, 7);
    EXPECT_FALSE(ViewIsShown(v));  // new views start hidden, 16 by 16
    const Rect r = ViewRect(v);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.right, 21);
    EXPECT_EQ(r.bottom, 23);
    ViewSetSize(v, 16, 16);
    ViewGrow(v, 10, 12);  // both below the current size
    EXPECT_TRUE(g_log.empty());
    ViewSetWidth(v, 40);
    EXPECT_EQ(g_log, std::vector<std::string>{"set_size:1"});
    EXPECT_EQ(v->width, 40);
    EXPECT_EQ(v->height, 16);

    g_log.clear();
    View* parent = holder(9);
    View* child = ViewNewChild(&kRecording, parent, 0, 0);
    tag_of(child) = 2;
    ViewSetSize(child, 30, 20);
    EXPECT_EQ(g_log, std::vector<std::string>{"child_resized:9"});
    EXPECT_EQ(child->width, 30);
    EXPECT_EQ(child->height, 20);
    EXPECT_EQ(ViewTopLevelCount(&m_window), 2);  // the child is not top-level
}

TEST_F(ViewTree, ShowAndHideHappenOnce)
{
    View* v = top(3);
    ViewHide(v, 0);
    EXPECT_TRUE(g_log.empty());
    ViewShow(v, 1);
    ViewShow(v, 1);
    EXPECT_TRUE(ViewIsShown(v));
    ViewHide(v, 0);
    ViewHide(v, 0);
    EXPECT_FALSE(ViewIsShown(v));
    EXPECT_EQ(g_log, (std::vector<std::string>{"show:3", "hide:3"}));
}

std::vector<int> g_observed;
void observe(View*, void* data) { g_observed.push_back(static_cast<int>(reinterpret_cast<std::intptr_t>(data))); }

TEST_F(ViewTree, DestroyedViewStaysReadableUntilTheStepEnds)
{
    View* v = top(4, 12, 34);
    g_observed.clear();
    ViewAddObserver(v, observe, reinterpret_cast<void*>(1));
    ViewAddObserver(v, observe, reinterpret_cast<void*>(2));
    const std::uint16_t depth = TempDepth();
    ViewDestroy(v);
    // The handler that destroyed it still reads it.
    EXPECT_TRUE(ViewIsBeingDestroyed(v));
    EXPECT_EQ(v->x, 12);
    EXPECT_EQ(v->y, 34);
    EXPECT_EQ(g_observed, (std::vector<int>{2, 1}));  // the last registered first
    EXPECT_EQ(TempDepth(), depth + 1);                // freed with the step's temporaries
    EXPECT_EQ(ViewTopLevelCount(&m_window), 0);
    ViewDestroy(v);  // a second destroy does nothing
    EXPECT_EQ(g_observed.size(), 2u);
    EXPECT_EQ(g_log, std::vector<std::string>{"destroy:4"});

    // A destroyed child leaves its parent.
    g_log.clear();
    View* parent = holder(9);
    View* child = ViewNewChild(&kRecording, parent, 0, 0);
    tag_of(child) = 5;
    ViewDestroy(child);
    EXPECT_EQ(g_log, (std::vector<std::string>{"remove_child:9", "destroy:5"}));
    EXPECT_TRUE(ViewRecordOf<Holder>(parent)->children.empty());
}

TEST_F(ViewTree, MouseGoesToThePressedOrTrackingView)
{
    View* a = top(1, 0, 0);
    EXPECT_EQ(ViewAt(&m_window, 5, 5), nullptr);  // hidden views are not hit
    View* b = top(2, 50, 0);
    ViewShow(a, 0);
    ViewShow(b, 0);
    EXPECT_EQ(ViewAt(&m_window, 5, 5), a);
    EXPECT_EQ(ViewAt(&m_window, 16, 5), nullptr);  // the right edge is exclusive
    g_log.clear();
    EXPECT_TRUE(ViewsMouseDown(&m_window, 0, 5, 5));
    EXPECT_EQ(ViewPressed(), a);
    // The pointer leaves for b: moves and the release still go to a.
    EXPECT_TRUE(ViewsMouseMove(&m_window, 0, 55, 5));
    EXPECT_TRUE(ViewsMouseUp(&m_window, 0, 55, 5));
    EXPECT_EQ(ViewPressed(), nullptr);
    EXPECT_EQ(g_log, (std::vector<std::string>{"down 5,5:1", "drag:1", "up 55,5:1"}));
    // Nothing under the point: the window's own handler gets it.
    EXPECT_FALSE(ViewsMouseDown(&m_window, 0, 200, 200));
    EXPECT_FALSE(ViewsMouseUp(&m_window, 0, 200, 200));
    // A tracking view receives every press.
    View* menu = top(7, 100, 100);
    ViewShow(menu, 0);
    ViewTrackMouse(menu);
    g_log.clear();
    ViewsMouseDown(&m_window, 0, 5, 5);
    ViewsMouseUp(&m_window, 0, 5, 5);
    ViewStopTracking(menu);
    EXPECT_EQ(g_log, (std::vector<std::string>{"down 5,5:7", "up 5,5:7"}));
}

}  // namespace
