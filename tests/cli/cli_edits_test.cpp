// The edit options: what Pillow and gifsicle read back (looping, delays, comments, row
// order), and the same bytes as the engine's edit calls the desktop program makes.
#include <fcntl.h>
#include <unistd.h>

#include "cli/cli_program_support.h"
#include "cli/cli_run.h"
#include "codec/output_buffer.h"
#include "gif/document_edits.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"

namespace {

using cli_test::CliProgram;
using cli_test::Outcome;
using cli_test::slurp;

// The sample's four frames have 8 hundredths each.
TEST_F(CliProgram, LoopingAndDelaysAsPillowReadsThem)
{
    const struct {
        const char* options;
        const char* pillow;  // loop count (None: no looping block) and durations in ms
    } kEdits[] = {
        {"--loop 3 --delay-scale 2.5 --delay-min 5 --delay-max 18 --frames 2-3", "3 [80, 180, 180, 80]"},
        {"--loop forever --delay-scale 0.1 --delay-min 2", "0 [20, 20, 20, 20]"},
        {"--loop none --delay-scale 3 --frames 3-", "None [80, 80, 240, 240]"},
        {"--loop 65535 --delay-scale 0", "65535 [0, 0, 0, 0]"},
    };
    for (const auto& edit : kEdits) {
        Outcome result = run(std::string(edit.options) + " -o edited.gif sample.gif");
        ASSERT_EQ(result.status, 0) << edit.options << ": " << result.err;
        EXPECT_EQ(python("im = Image.open('edited.gif'); d = []\n"
                         "for i in range(im.n_frames): im.seek(i); d.append(im.info['duration'])\n"
                         "print(im.info.get('loop'), d)\n"),
                  std::string(edit.pillow) + "\n")
            << edit.options;
    }
    Outcome beyond = run("--delay-scale 2 --frames 9- -o edited.gif sample.gif");
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("sample.gif: has 4 frames, so --frames 9- names none of them"), std::string::npos)
        << beyond.err;
}

TEST_F(CliProgram, CommentsAndRowOrderAsGifsicleReadsThem)
{
    const std::string interlaced = corpus("igif_interlaced.gif");
    if (slurp(interlaced).empty())
        GTEST_SKIP() << "no corpus";
    write("lines.gif", slurp(interlaced));
    auto info = [&](const std::string& name) {
        const std::string out = folder + "/info.txt";
        (void)std::system(("gifsicle --info '" + folder + "/" + name + "' >'" + out + "' 2>&1").c_str());
        return slurp(out);
    };
    ASSERT_NE(info("lines.gif").find("interlaced"), std::string::npos);
    Outcome plain = run("--no-interlace --comment 'made here' -o plain.gif lines.gif");
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string said = info("plain.gif");
    EXPECT_EQ(said.find("interlaced"), std::string::npos) << said;
    EXPECT_NE(said.find("end comment made here"), std::string::npos) << said;
    EXPECT_EQ(python("import sys\nsys.path.insert(0, '" + corpus("../tools") +
                     "')\nimport gifeq\nprint(gifeq.main('lines.gif', 'plain.gif'))\n"),
              "equal\n0\n");

    Outcome stripped = run("--strip-comments -o stripped.gif plain.gif");
    ASSERT_EQ(stripped.status, 0) << stripped.err;
    EXPECT_EQ(info("stripped.gif").find("comment"), std::string::npos) << info("stripped.gif");
    Outcome stamped = run("--stamp -o stamped.gif plain.gif");
    ASSERT_EQ(stamped.status, 0) << stamped.err;
    EXPECT_NE(info("stamped.gif").find("end comment Optimized by Quillon on "), std::string::npos)
        << info("stamped.gif");
}

// What the desktop program's commands do to a document, written as its save writes it.
std::string engine_edited(const std::string& path)
{
    start_engine();
    const int fd = ::open(path.c_str(), O_RDONLY);
    DocumentPtr document(load_gif_document(path.c_str(), fd, Tolerance::Tolerant));
    ::close(fd);
    if (!document)
        return {};
    clear_all_comments(*document);
    set_looping(*document, Looping::Count, 2);
    scale_delays(*document, 1, 2, 1.5, 0, 10);
    make_non_interlaced(*document, 0, document->frame_count - 1);
    const std::uint32_t length = write_gif_to_buffer(*document, path.c_str());
    std::string bytes;
    const OutputBuffer& out = output_buffer();
    for (std::size_t i = 0; i < out.chunk_count(); ++i)
        bytes.append(reinterpret_cast<const char*>(out.chunk_data(i)), out.chunk_length(i));
    return bytes.size() == length ? bytes : std::string();
}

TEST_F(CliProgram, EditsGiveTheBytesOfTheEngineCalls)
{
    Outcome result = run("--strip-comments --loop 2 --delay-scale 1.5 --delay-max 10 --frames 2-3 --no-interlace "
                         "-o edited.gif sample.gif");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string expected = engine_edited(sample);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(slurp(folder + "/edited.gif"), expected);
}

}  // namespace
