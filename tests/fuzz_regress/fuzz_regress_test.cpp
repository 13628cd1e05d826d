// Every input kept for a fuzz target (seeds and the findings the fuzzers made, in
// tests/data/fuzz/<target>/), the seeds the seed writer makes, and the smaller files of the
// shared corpus run through the same functions as the fuzzers. A crash, a sanitizer report
// or a broken invariant (the target traps) fails the test; a hang fails it by time-out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> read_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> files_in(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

fs::path test_data()
{
    const char* data = std::getenv("QUILLON_TEST_DATA");
    return data ? fs::path(data) : fs::path("tests/data");
}

// Runs every file of the folder through the target; returns how many ran.
int replay(const fuzz::Target& target, const fs::path& folder)
{
    int count = 0;
    for (const fs::path& file : files_in(folder)) {
        SCOPED_TRACE(file.string());
        const std::vector<std::uint8_t> bytes = read_bytes(file);
        EXPECT_EQ(target.run(bytes.data(), bytes.size()), 0);
        ++count;
    }
    return count;
}

class FuzzRegress : public ::testing::TestWithParam<const char*> { };

TEST_P(FuzzRegress, KeptInputsRunCleanly)
{
    const fuzz::Target* target = fuzz::find_target(GetParam());
    ASSERT_NE(target, nullptr);
    const int kept = replay(*target, test_data() / "fuzz" / GetParam());
    EXPECT_GT(kept, 0) << "no kept inputs for " << GetParam();
}

TEST_P(FuzzRegress, WrittenSeedsRunCleanly)
{
    const fuzz::Target* target = fuzz::find_target(GetParam());
    ASSERT_NE(target, nullptr);
    const fs::path folder =
        fs::temp_directory_path() / ("quillon-seeds-" + std::string(GetParam()) + "-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const int written = fuzz::write_seeds(GetParam(), folder.c_str());
    EXPECT_GT(written, 0);
    EXPECT_EQ(replay(*target, folder), written);
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegress,
                         ::testing::Values("gif_roundtrip", "raw_blocks", "lzw_decode", "preference_file",
                                           "language_file", "string_table"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// The shared corpus's small files: real-world GIFs through the load-save-load round trip.
TEST(FuzzRegressCorpus, SmallCorpusFilesRoundTrip)
{
    const char* shared = std::getenv("QUILLON_SHARED");
    if (!shared)
        GTEST_SKIP() << "QUILLON_SHARED is not set";
    const fuzz::Target* target = fuzz::find_target("gif_roundtrip");
    ASSERT_NE(target, nullptr);
    int count = 0;
    for (const fs::path& file : files_in(fs::path(shared) / "corpus")) {
        if (file.extension() != ".gif" || fs::file_size(file) > 16384)
            continue;
        SCOPED_TRACE(file.string());
        const std::vector<std::uint8_t> bytes = read_bytes(file);
        EXPECT_EQ(target->run(bytes.data(), bytes.size()), 0);
        ++count;
    }
    EXPECT_GT(count, 10);
}

}  // namespace
