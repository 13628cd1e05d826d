// When the terminal shows progress: a file that takes long as a whole (more than two
// seconds, by the show rule) even when each of its steps is short, and the one overall line
// of a run in worker processes.
#include "cli/cli_reporter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::chrono::steady_clock::time_point g_now;
std::chrono::steady_clock::time_point fake_now() { return g_now; }
void wait_ms(int milliseconds) { g_now += std::chrono::milliseconds(milliseconds); }

// What was written to the stream so far.
std::string written(std::FILE* stream)
{
    std::fflush(stream);
    std::string text;
    std::rewind(stream);
    for (int c; (c = std::fgetc(stream)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

// Two steps of 1.5 seconds each, the second one a tenth done when it reports.
std::string two_steps(bool progress_bar, bool as_one_file)
{
    std::FILE* stream = std::tmpfile();
    CliReporter reporter(progress_bar, stream, fake_now);
    if (as_one_file)
        reporter.begin_file();
    reporter.begin_progress("Loading", 100);
    wait_ms(1500);
    reporter.advance_progress(100);
    reporter.end_progress();
    reporter.begin_progress("Saving", 100);
    wait_ms(1000);
    reporter.advance_progress(10);
    const std::string text = written(stream);
    reporter.end_progress();
    reporter.end_file();
    std::fclose(stream);
    return text;
}

TEST(CliProgress, AFileThatTakesLongShowsItsBar)
{
    const struct {
        bool progress_bar, as_one_file;
        bool shown;
    } kCases[] = {
        {true, true, true},    // 2.5 s into the file
        {true, false, false},  // each step alone is short
        {false, true, false},  // not a terminal
    };
    for (const auto& c : kCases) {
        const std::string text = two_steps(c.progress_bar, c.as_one_file);
        EXPECT_EQ(text.rfind("\rSaving [", 0) == 0, c.shown) << text;
    }
}

TEST(CliProgress, OneOverallLineForWorkers)
{
    std::FILE* stream = std::tmpfile();
    {
        OverallProgress overall(true, 4, stream, fake_now);
        wait_ms(1000);
        overall.update(1, 2);
        EXPECT_EQ(written(stream), "") << "not before two seconds";
        wait_ms(1500);
        overall.update(2, 2);
        EXPECT_EQ(written(stream), "\rquillon-cli: 2 of 4 files done, 2 at work [############------------] 50%\033[K");
        overall.hide();
        EXPECT_EQ(written(stream).substr(written(stream).size() - 4), "\r\033[K");
    }
    std::fclose(stream);
}

}  // namespace
