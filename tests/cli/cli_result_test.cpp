#include "cli/cli_result.h"

#include <gtest/gtest.h>

namespace {

FileResult sample_result()
{
    FileResult result;
    result.path = "dir/\"quoted\"\\name.gif";
    result.output = "dir/out.gif";
    result.status = FileStatus::Written;
    result.old_size = 1000;
    result.new_size = 750;
    result.saved_percent = 25.0;
    result.has_sizes = true;
    result.messages = {{AlertKind::Exclamation, "line one\nline\ttwo\x01"},
                       {AlertKind::Information, "saved"},
                       {AlertKind::Stop, "bad"}};
    return result;
}

TEST(CliResult, JsonEscapesAndListsEveryField)
{
    EXPECT_EQ(result_json(sample_result()),
              "{\"path\":\"dir/\\\"quoted\\\"\\\\name.gif\",\"output\":\"dir/out.gif\",\"old_size\":1000,"
              "\"new_size\":750,\"saved_percent\":25.00,\"warnings\":[\"line one\\nline\\ttwo\\u0001\"],"
              "\"errors\":[\"bad\"],\"status\":\"written\"}");
    FileResult failed;
    failed.path = "x.gif";
    EXPECT_EQ(result_json(failed), "{\"path\":\"x.gif\",\"warnings\":[],\"errors\":[],\"status\":\"failed\"}");
}

TEST(CliResult, WorkerBytesRoundTrip)
{
    FileResult original = sample_result();
    original.colours = 3897;
    original.colours_merged = true;
    original.damaged = true;
    original.reason = "left alone";
    original.details = "\"stored\":{}";
    FileResult copy;
    ASSERT_TRUE(decode_result(encode_result(original), &copy));
    EXPECT_EQ(result_json(copy), result_json(original));
    EXPECT_NE(result_json(copy).find("\"colours\":3897,\"colours_merged\":true,\"damaged\":true,\"reason\":"
                                     "\"left alone\",\"stored\":{}"),
              std::string::npos)
        << result_json(copy);
    EXPECT_EQ(copy.saved_percent, 25.0);

    const std::string bytes = encode_result(original);
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(decode_result(bytes.substr(0, cut), &copy)) << cut;
    EXPECT_FALSE(decode_result(bytes + "x", &copy));
}

TEST(CliResult, QuietKeepsFailuresOnly)
{
    std::string out, err;
    print_result(sample_result(), false, out, err);
    EXPECT_EQ(out, "saved\ndir/\"quoted\"\\name.gif: 1,000 -> 750 bytes, 25.0% smaller, written to dir/out.gif\n");
    EXPECT_EQ(err, "quillon-cli: dir/\"quoted\"\\name.gif: line one\nline\ttwo\x01\nquillon-cli: bad\n");
    out.clear();
    err.clear();
    print_result(sample_result(), true, out, err);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "quillon-cli: bad\n");
}

TEST(CliResult, SizeLinesTellSmallChangesInBytes)
{
    const struct {
        std::uint32_t old_size, new_size;
        const char* line;
    } kSizes[] = {
        {1000, 750, "a.gif: 1,000 -> 750 bytes, 25.0% smaller, written to b.gif"},
        {1000000, 999990, "a.gif: 1,000,000 -> 999,990 bytes, 10 bytes smaller, written to b.gif"},
        {100000, 99999, "a.gif: 100,000 -> 99,999 bytes, 1 byte smaller, written to b.gif"},
        {1000000, 999000, "a.gif: 1,000,000 -> 999,000 bytes, 0.1% smaller, written to b.gif"},
        {1000000, 999500, "a.gif: 1,000,000 -> 999,500 bytes, 0.1% smaller, written to b.gif"},  // 0.05%
        {2000, 2000, "a.gif: 2,000 -> 2,000 bytes, the same size, written to b.gif"},
        {1000, 1031, "a.gif: 1,000 -> 1,031 bytes, 3.1% larger, written to b.gif"},
    };
    for (const auto& sizes : kSizes) {
        FileResult result;
        result.path = "a.gif";
        result.output = "b.gif";
        result.status = FileStatus::Written;
        result.has_sizes = true;
        result.old_size = sizes.old_size;
        result.new_size = sizes.new_size;
        EXPECT_EQ(size_line(result), sizes.line);
    }
    BatchTotals totals;
    FileResult written;
    written.status = FileStatus::Written;
    written.has_sizes = true;
    written.old_size = 3000;
    written.new_size = 1500;
    totals.add(written);
    FileResult skipped;
    skipped.status = FileStatus::Skipped;
    totals.add(skipped);
    EXPECT_EQ(totals_line(totals), "quillon-cli: 2 files, 1 written, 1 skipped; 3,000 -> 1,500 bytes, 50.0% smaller");
}

}  // namespace
