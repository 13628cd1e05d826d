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
        {"--loop", "0", "a.gif"},
        {"--loop", "65536", "a.gif"},
        {"--delay-scale", "-1", "a.gif"},
        {"--delay-scale", "nan", "a.gif"},
        {"--delay-scale", "1", "--delay-min", "9", "--delay-max", "3", "a.gif"},
        {"--delay-scale", "1", "--frames", "5-2", "a.gif"},
        {"--delay-scale", "1", "--frames", "0-2", "a.gif"},
        {"--frames", "1-2", "a.gif"},
        {"--strip-comments", "--comment", "x", "a.gif"},
        {"--stamp=yes", "a.gif"},
        {"-qz", "a.gif"},
    };
    for (const auto& arguments : bad) {
        const CliParse parse = parse_command_line(arguments);
        EXPECT_FALSE(parse.ok) << (arguments.empty() ? "(nothing)" : arguments[0]);
        EXPECT_FALSE(parse.error.empty());
    }
}

TEST(CliOptions, EditOptions)
{
    const struct {
        std::vector<std::string> arguments;
        LoopEdit loop;
        int loop_count;
        double scale;
        int low, high, first, last;
    } kEdits[] = {
        {{"--loop", "forever"}, LoopEdit::Forever, 0, -1.0, 0, 65535, 0, 0},
        {{"--loop=none"}, LoopEdit::None, 0, -1.0, 0, 65535, 0, 0},
        {{"--loop", "12"}, LoopEdit::Count, 12, -1.0, 0, 65535, 0, 0},
        {{"--delay-scale", "0.5", "--delay-min=2", "--delay-max", "40"}, LoopEdit::Keep, 0, 0.5, 2, 40, 0, 0},
        {{"--delay-scale", "2", "--frames", "3-7"}, LoopEdit::Keep, 0, 2.0, 0, 65535, 3, 7},
        {{"--delay-scale", "2", "--frames", "4-"}, LoopEdit::Keep, 0, 2.0, 0, 65535, 4, 0},
        {{"--delay-scale", "2", "--frames", "4"}, LoopEdit::Keep, 0, 2.0, 0, 65535, 4, 4},
    };
    for (const auto& edit : kEdits) {
        std::vector<std::string> arguments = edit.arguments;
        arguments.push_back("a.gif");
        const CliParse parse = parse_command_line(arguments);
        ASSERT_TRUE(parse.ok) << edit.arguments[0] << ": " << parse.error;
        const CliEdits& edits = parse.options.edits;
        EXPECT_EQ(edits.loop, edit.loop);
        EXPECT_EQ(edits.loop_count, edit.loop_count);
        EXPECT_EQ(edits.delay_scale, edit.scale);
        EXPECT_EQ(edits.delay_min, edit.low);
        EXPECT_EQ(edits.delay_max, edit.high);
        EXPECT_EQ(edits.first_frame, edit.first);
        EXPECT_EQ(edits.last_frame, edit.last);
        EXPECT_TRUE(edits.any());
    }
    const CliParse text = parse_command_line({"--comment", "two\nlines", "--stamp", "--no-interlace", "-qj4", "-"});
    ASSERT_TRUE(text.ok) << text.error;
    EXPECT_TRUE(text.options.edits.has_comment);
    EXPECT_EQ(text.options.edits.comment, "two\nlines");
    EXPECT_TRUE(text.options.edits.stamp && text.options.edits.no_interlace && text.options.quiet);
    EXPECT_EQ(text.options.jobs, 4);
    EXPECT_EQ(text.options.files, (std::vector<std::string>{"-"}));
    EXPECT_EQ(output_path_for(text.options, "-"), "-");
    // Without options the preference settings stay and nothing is edited.
    const CliParse plain = parse_command_line({"a.gif"});
    ASSERT_TRUE(plain.ok);
    EXPECT_FALSE(plain.options.edits.any());
    EXPECT_EQ(plain.options.end_code_saving, -1);
    EXPECT_EQ(plain.options.transparent_index_rule, -1);
    EXPECT_EQ(plain.options.jobs, 0);
    EXPECT_EQ(plain.options.output, OutputMode::Beside);
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
        {{"x"}, "dir/.gif", "dir/.gif.opt.gif"},  // a hidden name, not an extension
        {{"x"}, ".gif", ".gif.opt.gif"},
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
