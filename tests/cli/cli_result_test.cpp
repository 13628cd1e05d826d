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
    const FileResult original = sample_result();
    FileResult copy;
    ASSERT_TRUE(decode_result(encode_result(original), &copy));
    EXPECT_EQ(result_json(copy), result_json(original));
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
    EXPECT_EQ(out, "saved\n");
    EXPECT_EQ(err, "line one\nline\ttwo\x01\nbad\n");
    out.clear();
    err.clear();
    print_result(sample_result(), true, out, err);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "bad\n");
}

}  // namespace
