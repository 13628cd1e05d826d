// The document event table as the shell and the command line reach it: open and print
// requests, and files that cannot be opened (refused with a message, nothing opened). Also
// the stamp comment's placeholders.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/time_text.h"
#include "framework/alert.h"
#include "framework/control_text.h"
#include "framework/frame_window.h"
#include "ui/application.h"
#include "ui/commands.h"
#include "ui/document_window.h"
#include "program_support.h"

namespace {

int g_beeps = 0;
void count_beep() { ++g_beeps; }

std::string formatted(int number, const char* value)
{
    const StrPtr text(FormatNew(app_string(number), value));
    return text.get();
}

class StartUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_program_for_tests();
        close_all_documents();
        SetBeepHook(count_beep);
        g_beeps = 0;
    }
    void TearDown() override { SetBeepHook(nullptr); }
};

TEST_F(StartUp, PrintRequestsAreAnsweredAndNothingIsPrinted)
{
    document_event_print(nullptr, "/tmp/holiday.gif");
    EXPECT_EQ(g_beeps, 1);
    FrameWindow* alert = ListPointer<FrameWindow>(FrameWindowList()->last->value);
    ASSERT_NE(alert_message(alert), nullptr);
    EXPECT_EQ(std::string(LabelText(alert_message(alert))), formatted(100, "/tmp/holiday.gif"));
    alert_close(alert);
    EXPECT_EQ(current_document(), nullptr);
}

TEST_F(StartUp, OpenRequestsThatCannotOpenLeaveNoDocument)
{
    const std::string folder = ::testing::TempDir();
    const std::string not_gif = folder + "/picture.png", damaged_name = folder + "/missing.gif";
    std::ofstream(not_gif) << "\x89PNG";
    const struct {
        std::string path;
        int message;
        const char* name;
    } cases[] = {
        {not_gif, 98, "picture.png"},        // another type: refused by its name
        {damaged_name, 266, "missing.gif"},  // no such file: cannot be read
    };
    for (const auto& c : cases) {
        RecordingReporter reporter(false);
        document_event_open(nullptr, c.path.c_str());
        EXPECT_EQ(current_document(), nullptr) << c.path;
        ASSERT_EQ(reporter.alerts.size(), 1u) << c.path;
        EXPECT_EQ(reporter.alerts[0].first, AlertKind::Stop);
        EXPECT_EQ(reporter.alerts[0].second, formatted(c.message, c.name));
    }
}

TEST_F(StartUp, OpenRequestsOpenGifFilesAsDocuments)
{
    const std::string path = corpus_path("pil_dispose_bgnd.gif");
    if (path.empty())
        GTEST_SKIP() << "no corpus";
    document_event_open(nullptr, path.c_str());
    pump();
    DocumentWindow* window = DocumentWindow::of(ActiveDocument());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->document().frame_count, 5);
    EXPECT_EQ(window->document().current_frame, 0);
}

TEST_F(StartUp, StampReplacesEachPlaceholderOnce)
{
    // The date and time texts are the program's own (months from the strings, the clock text).
    const std::int64_t seconds = NowSeconds();
    const LocalTime now = LocalTimeRecord(seconds);
    const StrPtr date(FormatNew("%s% %d% %d%", app_string(152 + now.month - 1), int(now.day), int(now.year)));
    const std::string time = TimeOfDayText(seconds, WithSeconds::No);
    const std::string title = app_string(1);
    const struct {
        std::string stamp_template;
        std::string expected;
    } cases[] = {
        {"<program> on <date> at <time>", title + " on " + date.get() + " at " + time},
        {"by <user>.", "by ."},
        {"<date<time>>", "<date" + time + ">"},
        {"no placeholders", "no placeholders"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const StrPtr stamp(compose_stamp(c.stamp_template.c_str(), seconds));
        EXPECT_EQ(std::string(stamp.get()), c.expected) << c.stamp_template;
    }
}

}  // namespace
