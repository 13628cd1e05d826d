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

    Outcome plain = run("-q -o out.gif cut.gif");
    EXPECT_EQ(plain.status, 1);
    EXPECT_FALSE(exists(folder + "/out.gif"));
    EXPECT_NE(plain.err.find("cut.gif: damaged, so not written"), std::string::npos) << "quiet keeps the reason";
    EXPECT_EQ(plain.err.find("has been kept"), std::string::npos) << "nothing was kept: nothing was written";

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
    EXPECT_NE(objects[4].find("\"errors\":[\"missing.gif: no such file\"]"), std::string::npos) << objects[4];
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

TEST_F(CliProgram, InfoListsTheFileAsStored)
{
    Outcome info = run("info sample.gif");
    EXPECT_EQ(info.status, 0);
    for (const char* line :
         {"  stored: GIF89a, screen 320 x 200, global table none, background index 0, aspect 0\n",
          "  looping block NETSCAPE2.0 at byte 13 (19 bytes): loops forever\n",
          "  frame 4: 320x200 at (0,0), local table 256 colours, disposal 1 (keep), delay 8, opaque, ",
          "  as read: 4 frames, total delay 32/100 s, "})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
}

// Per frame, what gifsicle reads from the file: rectangle, local table, interlace,
// transparency, disposal as stored and delay.
TEST_F(CliProgram, InfoJsonAgreesWithGifsicle)
{
    const char* kFiles[] = {"pil_dispose_prev.gif", "igif_interlaced.gif", "pil_iss634.gif",
                            "pil_transparent_dispose.gif", "lg_rebase.gif"};
    std::string names;
    for (const char* name : kFiles) {
        const std::string bytes = slurp(corpus(name));
        if (bytes.empty())
            GTEST_SKIP() << "no corpus";
        write(name, bytes);
        names += std::string(names.empty() ? "" : ", ") + "'" + name + "'";
    }
    const std::string answer =
        python("import json, re, subprocess\n"
               "def ours(name):\n"
               "    out = subprocess.run(['" +
               program +
               "', 'info', '--json', name], capture_output=True, text=True).stdout\n"
               "    frames, control = [], None\n"
               "    for b in json.loads(out)['stored']['blocks']:\n"
               "        if b['kind'] == 'graphic_control': control = b\n"
               "        if b['kind'] == 'image':\n"
               "            c = control or {'disposal': 0, 'delay': 0, 'transparent': None}\n"
               "            frames.append((b['width'], b['height'], b['left'], b['top'], b['local_table'],\n"
               "                           b['interlaced'], c['transparent'], c['disposal'], c['delay']))\n"
               "            control = None\n"
               "    return frames\n"
               "def theirs(name):\n"
               "    out = subprocess.run(['gifsicle', '--info', name], capture_output=True, text=True).stdout\n"
               "    frames = []\n"
               "    for part in out.split('  + image #')[1:]:\n"
               "        m = re.match(r'\\d+ (\\d+)x(\\d+)( at (\\d+),(\\d+))?', part)\n"
               "        local = re.search(r'local color table \\[(\\d+)\\]', part)\n"
               "        tr = re.search(r'transparent (\\d+)', part)\n"
               "        disp = re.search(r'disposal (\\w+)', part)\n"
               "        delay = re.search(r'delay ([\\d.]+)s', part)\n"
               "        frames.append((int(m.group(1)), int(m.group(2)), int(m.group(4) or 0), int(m.group(5) or 0),\n"
               "                       int(local.group(1)) if local else 0, 'interlaced' in part.split('\\n')[0],\n"
               "                       int(tr.group(1)) if tr else None,\n"
               "                       {'none': 0, 'asis': 1, 'background': 2, 'previous': 3}.get(disp.group(1), 0)\n"
               "                       if disp else 0, round(float(delay.group(1)) * 100) if delay else 0))\n"
               "    return frames\n"
               "for name in [" +
               names +
               "]:\n"
               "    a, b = ours(name), theirs(name)\n"
               "    print(name, len(a), 'agree' if a == b else 'differ: %s / %s' % (a[:3], b[:3]))\n");
    EXPECT_EQ(answer,
              "pil_dispose_prev.gif 5 agree\nigif_interlaced.gif 1 agree\npil_iss634.gif 42 agree\n"
              "pil_transparent_dispose.gif 3 agree\nlg_rebase.gif 72 agree\n");
}

}  // namespace
