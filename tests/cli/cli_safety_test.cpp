// quillon-cli never loses or misstates anything: merged colours are said, outputs never
// collide, links survive --in-place, unreadable inputs say why, a file without its trailer
// byte loads, batch wording, and what a damaged file kept.
#include <unistd.h>

#include "cli/cli_program_support.h"

namespace {

using cli_test::CliProgram;
using cli_test::exists;
using cli_test::file_size;
using cli_test::Outcome;
using cli_test::slurp;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Pillow's frame count of a file, reading truncated data as far as it goes.
const char* kFrameCount = "import sys\n"
                          "ImageFile.LOAD_TRUNCATED_IMAGES = True\n"
                          "for name in sys.argv[1:] if len(sys.argv) > 1 else NAMES:\n"
                          "    im = Image.open(name); n = 0\n"
                          "    try:\n"
                          "        while True: im.seek(n); im.load(); n += 1\n"
                          "    except EOFError: pass\n"
                          "    print(name, n)\n";

std::string frame_counts(CliProgram& test, const std::string& names)
{
    return test.python("NAMES = [" + names + "]\n" + kFrameCount);
}

TEST_F(CliProgram, MergedColoursAreSaidAndInPlaceLeavesSuchFilesAlone)
{
    // 869 distinct colours over its frames, as Pillow counts them.
    const std::string original = slurp(corpus("pil_animated_hopper.gif"));
    if (original.empty())
        GTEST_SKIP() << "no corpus";
    write("many.gif", original);

    Outcome json = run("--json -o merged.gif many.gif");
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(has(json.out, "\"colours\":869,\"colours_merged\":true")) << json.out;
    Outcome text = run("-o merged.gif many.gif");
    EXPECT_TRUE(has(text.err, "quillon-cli: many.gif: 869 colours were merged into 255")) << text.err;

    Outcome in_place = run("--in-place many.gif sample.gif");
    EXPECT_EQ(in_place.status, 1);
    EXPECT_EQ(slurp(folder + "/many.gif"), original) << "the file must stay as it was";
    EXPECT_TRUE(has(in_place.err, "many.gif: not replaced: its 869 colours would be merged")) << in_place.err;
    EXPECT_TRUE(has(in_place.out, "2 files, 1 written, 1 skipped")) << in_place.out;
    Outcome quiet = run("-q --in-place many.gif");
    EXPECT_TRUE(has(quiet.err, "--allow-merge")) << "quiet never hides why a file was left alone";

    Outcome allowed = run("--in-place --allow-merge many.gif");
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(slurp(folder + "/many.gif"), slurp(folder + "/merged.gif"));

    // A file of fewer colours says it kept them all.
    Outcome plain = run("--json --report sample.gif");
    EXPECT_TRUE(has(plain.out, "\"colours_merged\":false")) << plain.out;
}

TEST_F(CliProgram, OutputsThatWouldCollideAreUsageErrorsBeforeAnyWork)
{
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "/a' '" + folder + "/b'").c_str()), 0);
    copy("a/x.gif");
    copy("b/x.gif");
    copy("x.gif");
    copy("x.opt.gif");
    ASSERT_EQ(::symlink("x.gif", (folder + "/link.gif").c_str()), 0);
    const std::string before = slurp(sample);
    const struct {
        const char* arguments;
        const char* says;
    } kCollisions[] = {
        {"--out-dir out a/x.gif b/x.gif", "a/x.gif and b/x.gif would both be written to out/x.gif"},
        {"--in-place x.gif ./x.gif", "would both be written"},
        {"--in-place x.gif link.gif", "would both be written"},
        {"--out-dir . x.gif", "the result of x.gif would replace x.gif"},
        {"x.gif x.opt.gif", "the result of x.gif would replace x.opt.gif"},
        {"-o link.gif sample.gif x.gif", "-o takes exactly one"},
        {"-o link.gif x.gif", "the result of x.gif would replace x.gif"},
        {"- -", "standard input (-) can be read only once"},
        {"--in-place -", "standard input (-) has no file"},
    };
    for (const auto& collision : kCollisions) {
        Outcome result = run(collision.arguments);
        EXPECT_EQ(result.status, 2) << collision.arguments;
        EXPECT_TRUE(has(result.err, collision.says)) << collision.arguments << ": " << result.err;
    }
    EXPECT_FALSE(exists(folder + "/out")) << "nothing is made before the check";
    for (const char* name : {"a/x.gif", "b/x.gif", "x.gif", "x.opt.gif"})
        EXPECT_EQ(slurp(folder + "/" + name), before) << name;
}

TEST_F(CliProgram, InPlaceThroughALinkReplacesTheTargetAndKeepsTheLink)
{
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "/real'").c_str()), 0);
    const std::string target = copy("real/shot.gif");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real/shot.gif", (folder + "/shot.gif").c_str()), 0);
    Outcome result = run("--in-place shot.gif");
    EXPECT_EQ(result.status, 0) << result.err;
    char pointed[256] = {};
    ASSERT_GT(::readlink((folder + "/shot.gif").c_str(), pointed, sizeof pointed - 1), 0) << "the link must stay";
    EXPECT_STREQ(pointed, "real/shot.gif");
    EXPECT_LT(file_size(target) * 2, slurp(sample).size()) << "the target holds the smaller file";
    struct stat info { };
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(python("import sys\nsys.path.insert(0, '" + corpus("../tools") +
                     "')\nimport gifeq\nprint(gifeq.main('sample.gif', 'real/shot.gif'))\n"),
              "equal\n0\n");
}

TEST_F(CliProgram, UnreadableInputsSayWhatIsTrue)
{
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "/shots.gif'").c_str()), 0);
    write("fifo-free.gif", "");
    const struct {
        const char* arguments;
        const char* says;
    } kInputs[] = {
        {"missing.gif", "quillon-cli: missing.gif: no such file"},
        {"shots.gif", "quillon-cli: shots.gif: is a folder, not a file"},
        {"/dev/null", "quillon-cli: /dev/null: is not a regular file"},
    };
    for (const auto& input : kInputs) {
        Outcome result = run(input.arguments);
        EXPECT_EQ(result.status, 1) << input.arguments;
        EXPECT_TRUE(has(result.err, input.says)) << result.err;
        EXPECT_FALSE(has(result.err, "damaged")) << result.err;
        Outcome json = run("--json " + std::string(input.arguments));
        EXPECT_TRUE(has(json.out, "\"status\":\"failed\"")) << json.out;
    }
    if (::geteuid() != 0) {  // the superuser reads everything
        const std::string locked = copy("locked.gif");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        EXPECT_TRUE(has(run("locked.gif").err, "locked.gif: cannot read it: Permission denied"));
    }
}

TEST_F(CliProgram, StandardInputAndOutputMakeAFilter)
{
    (void)run("- < sample.gif > piped.gif 2>err.txt; true");
    const std::string piped = slurp(folder + "/piped.gif");
    Outcome named = run("-o named.gif sample.gif");
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(piped, slurp(folder + "/named.gif")) << "standard output holds the file and nothing else";
    EXPECT_TRUE(has(slurp(folder + "/err.txt"), "standard input: 112,631 -> ")) << slurp(folder + "/err.txt");
    Outcome explicit_out = run("-o - sample.gif");
    EXPECT_EQ(explicit_out.out, piped);
    if (exists("/dev/full")) {
        (void)run("-o - sample.gif >/dev/full 2>full.txt; echo $? >status.txt; true");
        EXPECT_EQ(slurp(folder + "/status.txt"), "1\n");
        const std::string full = slurp(folder + "/full.txt");
        EXPECT_TRUE(has(full, "quillon-cli: cannot write standard output: No space left on device")) << full;
    }

    // A GIF file is not written to a terminal.
    if (std::system("command -v script >/dev/null") == 0) {
        const std::string said = folder + "/terminal.txt";
        (void)std::system(("cd '" + folder + "' && XDG_CONFIG_HOME='" + folder + "/config' script -qec \"'" + program +
                           "' -o - sample.gif\" /dev/null >'" + said + "' 2>&1")
                              .c_str());
        const std::string terminal = slurp(said);
        EXPECT_NE(terminal.find("quillon-cli: standard output is a terminal"), std::string::npos) << terminal;
        EXPECT_EQ(terminal.find("GIF89a"), std::string::npos);
    }
}

TEST_F(CliProgram, AMissingTrailerByteLosesNothing)
{
    const std::string whole = slurp(sample);
    ASSERT_EQ(whole.back(), ';');
    write("short.gif", whole.substr(0, whole.size() - 1));
    Outcome result = run("--json -o short.opt.gif short.gif");
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_TRUE(has(result.out, "\"status\":\"written\"")) << result.out;
    EXPECT_TRUE(has(result.out, "lacks the byte that ends a GIF file")) << result.out;
    EXPECT_FALSE(has(result.out, "\"damaged\"")) << result.out;
    const std::string written = slurp(folder + "/short.opt.gif");
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), ';');
    EXPECT_EQ(frame_counts(*this, "'short.gif', 'short.opt.gif'"), "short.gif 4\nshort.opt.gif 4\n");
}

TEST_F(CliProgram, BatchWordingAsksNoQuestionsAndQuietKeepsReasons)
{
    ASSERT_EQ(run("-o small.gif sample.gif").status, 0);
    for (const char* arguments : {"-o again.gif small.gif", "-q -o again.gif small.gif"}) {
        Outcome skipped = run(arguments);
        EXPECT_EQ(skipped.status, 1);
        EXPECT_TRUE(has(skipped.err, "quillon-cli: small.gif: not written: the result (")) << skipped.err;
        EXPECT_TRUE(has(skipped.err, "--allow-larger writes it anyway")) << skipped.err;
        EXPECT_FALSE(has(skipped.err, "?")) << skipped.err;
    }
    Outcome json = run("--json -o again.gif small.gif");
    EXPECT_TRUE(has(json.out, "\"warnings\":[]")) << json.out;
    EXPECT_TRUE(has(json.out, "\"reason\":\"not written: the result (")) << json.out;
}

TEST_F(CliProgram, KeepDamagedKeepsThePartlyDecodedFrameAndClaimsNoSaving)
{
    // Cut three quarters of the way through: Pillow shows three frames, the third one in part.
    const std::string whole = slurp(sample);
    write("cut.gif", whole.substr(0, whole.size() * 3 / 4));
    Outcome json = run("--json --keep-damaged -o kept.gif cut.gif");
    EXPECT_EQ(json.status, 0) << json.out;
    EXPECT_TRUE(has(json.out, "\"damaged\":true")) << json.out;
    EXPECT_FALSE(has(json.out, "saved_percent")) << json.out;
    Outcome text = run("--keep-damaged -o kept.gif cut.gif");
    EXPECT_TRUE(has(text.out, "cut.gif: written from a damaged file to kept.gif")) << text.out;
    EXPECT_TRUE(has(text.out, "no saving")) << text.out;
    EXPECT_FALSE(has(text.out, "smaller")) << text.out;

    EXPECT_EQ(frame_counts(*this, "'cut.gif', 'kept.gif'"), "cut.gif 3\nkept.gif 3\n");
    // The rows read of the third frame are the original's; the rest show the frame before.
    EXPECT_EQ(python("a = Image.open('sample.gif'); b = Image.open('kept.gif')\n"
                     "a.seek(1); second = a.convert('RGB')\n"
                     "a.seek(2); third = a.convert('RGB'); b.seek(2); kept = b.convert('RGB')\n"
                     "w, h = third.size\n"
                     "print(all(kept.getpixel((x, 0)) == third.getpixel((x, 0)) for x in range(w)),\n"
                     "      all(kept.getpixel((x, h - 1)) == second.getpixel((x, h - 1)) for x in range(w)))\n"),
              "True True\n");
}

}  // namespace
