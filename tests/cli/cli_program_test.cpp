// quillon-cli as users run it: exit statuses, output files, JSON, worker processes.
#include "cli/cli_program_support.h"

#include <algorithm>

namespace {

using cli_test::CliProgram;
using cli_test::exists;
using cli_test::file_size;
using cli_test::Outcome;
using cli_test::slurp;

TEST_F(CliProgram, HelpVersionAndUsageErrors)
{
    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quillon-cli"), std::string::npos);
    Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quillon-cli ", 0), 0u);
    // A usage error is one line that names the fault and points at --help.
    const struct {
        const char* arguments;
        const char* says;
    } kBad[] = {
        {"", "no input files"},
        {"--bogus sample.gif", "unknown option --bogus"},
        {"-qx sample.gif", "unknown option -x"},
        {"-o a.gif sample.gif sample.gif", "-o takes exactly one input file"},
        {"--transparent-index-rule 9 x", "--transparent-index-rule needs a number from 0 to 6"},
        {"--json=yes sample.gif", "--json takes no value"},
        {"sample.gif -j", "--jobs needs a value"},
        {"--loop sometimes sample.gif", "--loop needs"},
        {"--delay-min 2 sample.gif", "--delay-min, --delay-max and --frames go with --delay-scale"},
    };
    for (const auto& bad : kBad) {
        Outcome usage = run(bad.arguments);
        EXPECT_EQ(usage.status, 2) << bad.arguments;
        EXPECT_EQ(usage.err.rfind("quillon-cli: " + std::string(bad.says), 0), 0u) << usage.err;
        EXPECT_NE(usage.err.find("quillon-cli --help"), std::string::npos) << usage.err;
        EXPECT_EQ(std::count(usage.err.begin(), usage.err.end(), '\n'), 1) << usage.err;
    }
    // Short flags combine, the last one taking its value from the rest or the next argument.
    EXPECT_EQ(run("-qj 2 --report sample.gif").status, 0);
    EXPECT_EQ(run("-qj2 --report sample.gif").status, 0);
}

TEST_F(CliProgram, WritesASmallerFileBesideTheInput)
{
    Outcome result = run("sample.gif");
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string output = folder + "/sample.opt.gif";
    ASSERT_TRUE(exists(output));
    EXPECT_LT(file_size(output) * 2, file_size(sample)) << "the sample should shrink a lot";
    EXPECT_NE(result.out.find("sample.opt.gif"), std::string::npos);
    EXPECT_EQ(slurp(output).substr(0, 6), "GIF89a");

    // The optimized file cannot shrink again: it is left alone unless larger files are allowed.
    Outcome again = run("-o again.gif sample.opt.gif");
    EXPECT_EQ(again.status, 1);
    EXPECT_FALSE(exists(folder + "/again.gif"));
    Outcome allowed = run("--allow-larger -o again.gif sample.opt.gif");
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_TRUE(exists(folder + "/again.gif"));
}

TEST_F(CliProgram, DamagedFilesAreLeftAloneUnlessKeptOnPurpose)
{
    // The sample cut in the middle of its image data: the reader keeps the frames before the
    // cut and warns. Writing that back would lose the rest of the animation.
    const std::string whole = slurp(sample);
    const std::string path = folder + "/cut.gif";
    std::ofstream(path, std::ios::binary) << whole.substr(0, whole.size() / 2);
    const std::string before = slurp(path);

    Outcome in_place = run("--in-place cut.gif");
    EXPECT_EQ(in_place.status, 1);
    EXPECT_EQ(slurp(path), before) << "a damaged file must not be replaced";
    EXPECT_NE(in_place.err.find("--keep-damaged"), std::string::npos) << in_place.err;

    Outcome json = run("--json -o out.gif cut.gif");
    EXPECT_EQ(json.status, 1);
    EXPECT_NE(json.out.find("\"status\":\"damaged\""), std::string::npos) << json.out;
    EXPECT_FALSE(exists(folder + "/out.gif"));

    Outcome kept = run("--keep-damaged -o out.gif cut.gif");
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_TRUE(exists(folder + "/out.gif"));

    // Bytes after the end of the file lose nothing: only a warning, and the file is written.
    std::ofstream(folder + "/tail.gif", std::ios::binary) << whole << "extra bytes";
    Outcome tail = run("-o tail.opt.gif tail.gif");
    EXPECT_EQ(tail.status, 0) << tail.err;
    EXPECT_TRUE(exists(folder + "/tail.opt.gif"));
}

TEST_F(CliProgram, ReportWritesNothing)
{
    Outcome result = run("--report sample.gif");
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(exists(folder + "/sample.opt.gif"));
    EXPECT_NE(result.out.find("sample.gif"), std::string::npos);
    Outcome quiet = run("--report --quiet sample.gif");
    EXPECT_EQ(quiet.out, "");
}

TEST_F(CliProgram, InPlaceAndOutDir)
{
    const std::string before = slurp(sample);
    const std::string other = copy("other.gif");
    Outcome to_folder = run("--quiet --out-dir small sample.gif other.gif");  // made when missing
    EXPECT_EQ(to_folder.status, 0) << to_folder.err;
    EXPECT_TRUE(exists(folder + "/small/sample.gif"));
    EXPECT_TRUE(exists(folder + "/small/other.gif"));
    EXPECT_EQ(slurp(sample), before);

    Outcome in_place = run("--in-place other.gif");
    EXPECT_EQ(in_place.status, 0) << in_place.err;
    EXPECT_EQ(slurp(other), slurp(folder + "/small/other.gif"));
    EXPECT_LT(file_size(other), before.size());
}

TEST_F(CliProgram, JsonFromWorkersInFileOrder)
{
    copy("b.gif");
    std::ofstream(folder + "/broken.gif") << "not a GIF file at all";
    std::string damaged = slurp(sample);
    damaged.resize(damaged.size() / 2);
    std::ofstream(folder + "/damaged.gif", std::ios::binary) << damaged;
    Outcome result = run("--json -j 2 sample.gif broken.gif damaged.gif b.gif missing.gif");
    EXPECT_EQ(result.status, 1);
    std::istringstream lines(result.out);
    std::vector<std::string> objects;
    for (std::string line; std::getline(lines, line);)
        objects.push_back(line);
    ASSERT_EQ(objects.size(), 5u) << result.out;
    const char* paths[] = {"sample.gif", "broken.gif", "damaged.gif", "b.gif", "missing.gif"};
    const char* statuses[] = {"written", "failed", "damaged", "written", "failed"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(objects[i].rfind(std::string("{\"path\":\"") + paths[i] + "\"", 0), 0u) << objects[i];
        EXPECT_NE(objects[i].find(std::string("\"status\":\"") + statuses[i] + "\""), std::string::npos) << objects[i];
    }
    EXPECT_NE(objects[2].find("\"reason\":\"damaged, so not written"), std::string::npos) << objects[2];
    EXPECT_NE(objects[1].find("\"errors\":[\""), std::string::npos);
    EXPECT_EQ(slurp(folder + "/sample.opt.gif"), slurp(folder + "/b.opt.gif"));
}

TEST_F(CliProgram, SettingsOverridesChangeTheOutput)
{
    Outcome plain = run("-o plain.gif sample.gif");
    Outcome full = run("--full-first-frame --no-offset-frames --no-transparency-search -o full.gif sample.gif");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(full.status, 0);
    EXPECT_NE(slurp(folder + "/plain.gif"), slurp(folder + "/full.gif"));
    EXPECT_GT(file_size(folder + "/full.gif"), file_size(folder + "/plain.gif"));
}

TEST_F(CliProgram, InfoListsTheFrames)
{
    Outcome info = run("info sample.gif");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("screen 320 x 200"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("frame 4: 320x200 at (0,0), delay 8"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("loops forever"), std::string::npos);
}

}  // namespace
