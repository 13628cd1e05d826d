// The pre-save pass on real files: every corpus animation (a sample of the smaller ones
// unless QUILLON_FULL_CORPUS is set) composes to the same screens after the pass, and again
// after a second pass.
#include "optimize/frame_optimizer.h"

#include "gif/gif_reader.h"
#include "optimizer_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

std::vector<std::filesystem::path> corpus_files()
{
    std::vector<std::filesystem::path> files;
    const char* shared = std::getenv("QUILLON_SHARED");
    if (!shared)
        return files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(shared) / "corpus", error))
        if (entry.path().extension() == ".gif")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (std::getenv("QUILLON_FULL_CORPUS"))
        return files;
    // Keep the suite fast: every file under 120 kB.
    std::erase_if(files, [](const auto& path) { return std::filesystem::file_size(path) > 120000; });
    return files;
}

DocumentPtr load(const std::filesystem::path& path)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return nullptr;
    DocumentPtr document(load_gif_document(path.c_str(), fd, Tolerance::Tolerant));
    close(fd);
    return document;
}

}  // namespace

TEST(CorpusProperty, OptimizedCorpusAnimationsComposeToTheSameScreens)
{
    const auto files = corpus_files();
    if (files.empty())
        GTEST_SKIP() << "no corpus (QUILLON_SHARED unset)";
    int checked = 0;
    for (const auto& path : files) {
        DocumentPtr document = load(path);
        if (!document || document->frame_count == 0)
            continue;
        const auto screens = composed_screens(*document);
        optimize_document(*document);
        ASSERT_EQ(composed_screens(*document), screens) << path;
        optimize_document(*document);
        ASSERT_EQ(composed_screens(*document), screens) << path << " (second pass)";
        ++checked;
    }
    EXPECT_GT(checked, 0);
}
