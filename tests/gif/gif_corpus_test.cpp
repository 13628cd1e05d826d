// The whole engine on the real files of the shared corpus: every file loads without a crash;
// a file that loads without a warning saves to an animation that an independent decoder
// (Pillow, through the shared comparison tool) finds equal; saving twice gives the same
// bytes; a save never writes a larger file unless allowed. The comparison runs as one
// Python batch for all files. To stay fast the sweep takes the files up to 150 kB (40 kB in sanitizer builds); with
// QUILLON_FULL_CORPUS=1 it takes every file (bench/corpus_compare.sh measures them all).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "gif/gif_file_support.h"
#include "gif/gif_writer.h"
#include "codec/output_buffer.h"
#include "platform/core/files.h"
#include "support/corpus.h"

using namespace gif_file_test;

namespace {

std::string shared_folder()
{
    const char* shared = std::getenv("QUILLON_SHARED");
    return shared && *shared ? shared : "/work/shared";
}

// Sanitizer builds run the engine several times slower: they take the smaller files only.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::uint64_t kSampleLimit = 40000;
#else
constexpr std::uint64_t kSampleLimit = 150000;
#endif

constexpr std::uint64_t kCompareLimit = 150000;

std::vector<std::string> corpus_files()
{
    std::vector<std::string> names;
    for (const auto& path : test_corpus::files(kSampleLimit))
        names.push_back(path.string());
    return names;
}

Bytes buffer_bytes(std::uint32_t length)
{
    MemPtr<std::uint8_t> block = output_buffer().finish();
    return Bytes(block.get(), block.get() + length);
}

std::string base_name(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// Per pair: 0 equal; 3 not comparable by design (Pillow cannot read the original, or
// it shows more than 255 colours, which the palette reduction merges); otherwise the
// comparison tool's answer, unless ImageMagick, a second independent decoder, finds
// the composed frames equal where Pillow's reading of the original differs.
const char* const kCompareScript =
    "import io, sys, contextlib, subprocess, shutil\n"
    "sys.path.insert(0, sys.argv[1])\n"
    "import gifeq\n"
    "from PIL import Image, ImageSequence\n"
    "def colours(path):\n"
    "    seen = set()\n"
    "    for fr in ImageSequence.Iterator(Image.open(path)):\n"
    "        found = fr.convert('RGBA').getcolors(4096)\n"
    "        if found is None: return 4096\n"
    "        seen.update(c[:3] for _, c in found if c[3])\n"
    "        if len(seen) > 255: break\n"
    "    return len(seen)\n"
    "def magick(path):\n"
    "    if not shutil.which('convert'): return None\n"
    "    out = subprocess.run(['convert', path, '-coalesce', '-depth', '8', 'rgba:-'],\n"
    "                         capture_output=True).stdout\n"
    "    if not out: return None\n"
    "    im = Image.frombytes('RGBA', (len(out) // 4, 1), out)\n"
    "    mask = im.getchannel('A').point(lambda v: 255 if v else 0)\n"
    "    return Image.composite(im, Image.new('RGBA', im.size, (0, 0, 0, 0)), mask).tobytes()\n"
    "with open(sys.argv[2]) as pairs, open(sys.argv[3], 'w') as out:\n"
    "    for line in pairs:\n"
    "        a, b = line.rstrip('\\n').split('\\t')\n"
    "        said = io.StringIO()\n"
    "        with contextlib.redirect_stdout(said):\n"
    "            try:\n"
    "                if colours(a) > 255:\n"
    "                    rc = 3; print('more than 255 colours')\n"
    "                else:\n"
    "                    rc = gifeq.main(a, b)\n"
    "            except Exception as e:\n"
    "                rc = 3; print('Pillow cannot read the original:', e)\n"
    "        if rc == 1 and magick(a) is not None and magick(a) == magick(b):\n"
    "            rc = 0; print('(ImageMagick finds them equal)')\n"
    "        out.write(a + '\\t' + str(rc) + '\\t' + said.getvalue().strip().replace('\\n', ' ') + '\\n')\n";

// Runs the comparison tool over all pairs in one Python process; answers per original path.
std::map<std::string, std::string> compare_all(const TempFolder& folder,
                                               const std::vector<std::pair<std::string, std::string>>& pairs)
{
    const std::string list = folder.file("pairs.txt");
    const std::string script = folder.file("compare.py");
    const std::string answers = folder.file("answers.txt");
    {
        std::ofstream out(list);
        for (const auto& [original, saved] : pairs)
            out << original << "\t" << saved << "\n";
        std::ofstream code(script);
        code << kCompareScript;
    }
    const std::string command =
        "/usr/bin/python3 '" + script + "' '" + shared_folder() + "/tools' '" + list + "' '" + answers + "'";
    std::map<std::string, std::string> results;
    if (std::system(command.c_str()) != 0)
        return results;
    std::ifstream in(answers);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        results[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return results;
}

// Whether the other decoders can judge the saved file against the original.
bool worth_comparing(const Document& document, const Bytes& original)
{
    // A frame reaching beyond the logical screen widens the screen, which other decoders
    // do not do: such files are compared by the reader tests instead.
    const bool screen_kept = document.screen_width == (original[6] | (original[7] << 8)) &&
        document.screen_height == (original[8] | (original[9] << 8));
    // Screens of many megapixels (the decompression bombs) would take the other decoders
    // minutes and gigabytes; the hostile-input tests cover them.
    const bool screen_small = std::uint64_t{document.screen_width} * document.screen_height <= 4000000;
    // The other decoders are slow on long animations: the comparison takes the smaller
    // files unless the whole corpus was asked for.
    const char* full = std::getenv("QUILLON_FULL_CORPUS");
    const bool compare = (full && full[0] == '1') || original.size() <= kCompareLimit;
    return !document.has_256_colours && screen_kept && screen_small && compare;
}

TEST(GifCorpus, LoadsSavesAndKeepsTheAnimation)
{
    start_engine_for_tests();
    const std::vector<std::string> files = corpus_files();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << shared_folder();
    TempFolder folder;
    RecordingReporter reporter;
    std::vector<std::pair<std::string, std::string>> pairs;
    int clean = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        record_warnings();
        reporter.alerts.clear();
        DocumentPtr document = load_path(path);
        if (!document || !recorded_warnings().empty() || !reporter.alerts.empty())
            continue;  // refused or warned about: loading without a crash is what counts
        ++clean;
        const std::string saved = folder.file(base_name(path));
        const std::uint32_t old_size = document->file_size;
        const Bytes first = buffer_bytes(write_gif_to_buffer(*document, saved.c_str()));
        const Bytes second = buffer_bytes(write_gif_to_buffer(*document, saved.c_str()));
        EXPECT_EQ(first, second) << "saving twice changed the bytes";
        ASSERT_TRUE(write_file(saved, first));
        if (worth_comparing(*document, read_file(path)))
            pairs.emplace_back(path, saved);

        // Without permission a file that is not smaller is not written.
        const std::string kept = folder.file("kept-" + base_name(path));
        document->path.reset(StrDup(kept.c_str()));
        document->file_size = old_size;
        reporter.answer = false;
        SaveSummary summary;
        const bool written = save_document(*document, SaveMode::Write, &summary);
        reporter.answer = true;
        EXPECT_EQ(written, summary.new_size < old_size);
        EXPECT_EQ(platform::path_is_file(kept.c_str()), written);
        if (written) {
            EXPECT_LT(read_file(kept).size(), old_size);
        }
    }
    EXPECT_GT(clean, static_cast<int>(files.size()) / 2);

    const std::map<std::string, std::string> answers = compare_all(folder, pairs);
    ASSERT_EQ(answers.size(), pairs.size()) << "the comparison tool did not run";
    for (const auto& [original, saved] : pairs) {
        const auto found = answers.find(original);
        ASSERT_NE(found, answers.end());
        const char answer = found->second[0];
        EXPECT_TRUE(answer == '0' || answer == '3') << original << ": " << found->second;
    }
}

}  // namespace
