#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace {

TEST(CliOptions, ParsesOptionsAndFiles)
{
    const CliParse parse = parse_command_line(
        {"-j", "3", "--no-end-code-saving", "--no-offset-frames", "--full-first-frame", "--no-transparency-search",
         "--transparent-index-rule=4", "--quiet", "--json", "--allow-larger", "a.gif", "--", "-odd.gif"});
    ASSERT_TRUE(parse.ok) << parse.error;
    const CliOptions& options = parse.options;
    EXPECT_EQ(options.command, CliCommand::Optimize);
    EXPECT_EQ(options.jobs, 3);
    EXPECT_EQ(options.end_code_saving, 0);
    EXPECT_EQ(options.offset_frames, 0);
    EXPECT_EQ(options.crop_first_frame, 0);
    EXPECT_EQ(options.transparency_search, 0);
    EXPECT_EQ(options.transparent_index_rule, 4);
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(options.json);
    EXPECT_TRUE(options.allow_larger);
    EXPECT_EQ(options.files, (std::vector<std::string>{"a.gif", "-odd.gif"}));
}

TEST(CliOptions, KeepsPreferenceSettingsUnlessOverridden)
{
    const CliParse parse = parse_command_line({"a.gif"});
    ASSERT_TRUE(parse.ok);
    EXPECT_EQ(parse.options.end_code_saving, -1);
    EXPECT_EQ(parse.options.transparent_index_rule, -1);
    EXPECT_EQ(parse.options.jobs, 0);
    EXPECT_EQ(parse.options.output, OutputMode::Beside);
}

TEST(CliOptions, RejectsWhatItCannotDo)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--frobnicate", "a.gif"},
        {"-o"},
        {"-o", "out.gif", "a.gif", "b.gif"},
        {"-o", "out.gif", "--in-place", "a.gif"},
        {"--in-place", "--out-dir", "d", "a.gif"},
        {"--transparent-index-rule", "7", "a.gif"},
        {"--transparent-index-rule", "x", "a.gif"},
        {"-j", "0", "a.gif"},
        {"-j"},
        {"info"},
    };
    for (const auto& arguments : bad) {
        const CliParse parse = parse_command_line(arguments);
        EXPECT_FALSE(parse.ok) << (arguments.empty() ? "(nothing)" : arguments[0]);
        EXPECT_FALSE(parse.error.empty());
    }
}

TEST(CliOptions, HelpVersionAndInfo)
{
    EXPECT_EQ(parse_command_line({"--help"}).options.command, CliCommand::Help);
    EXPECT_EQ(parse_command_line({"-V"}).options.command, CliCommand::Version);
    const CliParse info = parse_command_line({"info", "--quiet", "x.gif"});
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.options.command, CliCommand::Info);
    EXPECT_EQ(info.options.files, std::vector<std::string>{"x.gif"});
    EXPECT_NE(std::string(usage_text()).find("--allow-larger"), std::string::npos);
}

TEST(CliOptions, NamesOutputFiles)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string input;
        std::string output;
    };
    const Case cases[] = {
        {{"x"}, "dir/anim.gif", "dir/anim.opt.gif"},
        {{"x"}, "ANIM.GIF", "ANIM.opt.GIF"},
        {{"x"}, "dir.v2/anim", "dir.v2/anim.opt.gif"},
        {{"x"}, ".hidden", ".hidden.opt.gif"},
        {{"-o", "out.gif", "x"}, "a/anim.gif", "out.gif"},
        {{"--in-place", "x"}, "a/anim.gif", "a/anim.gif"},
        {{"--out-dir", "smaller", "x"}, "a/anim.gif", "smaller/anim.gif"},
        {{"--out-dir=smaller/", "x"}, "anim.gif", "smaller/anim.gif"},
    };
    for (const Case& c : cases) {
        const CliParse parse = parse_command_line(c.arguments);
        ASSERT_TRUE(parse.ok) << parse.error;
        EXPECT_EQ(output_path_for(parse.options, c.input), c.output);
    }
}

}  // namespace
