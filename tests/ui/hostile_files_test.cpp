// Damaged and hostile GIF files (the fuzzing finds kept under tests/data/fuzz) reach the
// desktop program through the shell's open request: each is refused with a message or opens
// as a document whose every frame can be shown and painted, in order and back, and whose
// window closes cleanly. Run under the sanitizers this is the desktop program's check.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/frame_window.h"
#include "ui/application.h"
#include "ui/document_window.h"
#include "program_support.h"

namespace {

std::vector<std::filesystem::path> hostile_files()
{
    std::vector<std::filesystem::path> files;
    const char* data = std::getenv("QUILLON_TEST_DATA");
    if (!data)
        return files;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(data) / "fuzz/gif_roundtrip", error))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(HostileFiles, OpenAsDocumentsOrAreRefused)
{
    start_program_for_tests();
    close_all_documents();
    const std::vector<std::filesystem::path> files = hostile_files();
    if (files.empty())
        GTEST_SKIP() << "no fuzz inputs (QUILLON_TEST_DATA unset)";
    const std::filesystem::path copy = std::filesystem::path(::testing::TempDir()) / "hostile.gif";
    int opened = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
        RecordingReporter reporter;  // yes to every warning, to see what follows
        document_event_open(nullptr, copy.c_str());
        pump(10);
        DocumentWindow* window = DocumentWindow::of(ActiveDocument());
        if (!window)
            continue;  // refused: told through the reporter or empty
        ++opened;
        Document& d = window->document();
        for (int i = 0; i < d.frame_count; ++i)
            show_frame(d, i);
        for (int i = d.frame_count - 1; i >= 0; i -= 3)
            show_frame(d, i);
        pump(10);
        EXPECT_GE(d.current_frame, 0);
        close_all_documents();
    }
    EXPECT_GT(opened, 10);
}

}  // namespace
