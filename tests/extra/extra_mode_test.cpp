// The extra mode against giflib: generated animations (random rectangles, every disposal,
// transparency, local tables, thousands of colours) and the corpus files, written by giflib
// or as found, rebuilt by the mode, then read back by giflib and composed here: the screens
// and delays must be those of the input, and a second pass never makes a file larger.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "extra/extra_mode.h"

#ifndef EXTRA_TEST_LARGEST_FILE
#define EXTRA_TEST_LARGEST_FILE 800000
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

// One composed screen per frame: 0 transparent, 0xFF000000 | RGB opaque; and the delays.
struct Animation {
    bool read = false;
    std::vector<std::vector<std::uint32_t>> screens;
    std::vector<int> delays;
};

struct Reader {
    const Bytes* bytes;
    std::size_t at;
};

int read_bytes(GifFileType* gif, GifByteType* out, int count)
{
    Reader* reader = static_cast<Reader*>(gif->UserData);
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), reader->bytes->size() - reader->at);
    std::copy_n(reader->bytes->begin() + static_cast<long>(reader->at), n, out);
    reader->at += n;
    return static_cast<int>(n);
}

int write_bytes(GifFileType* gif, const GifByteType* data, int count)
{
    static_cast<Bytes*>(gif->UserData)->insert(static_cast<Bytes*>(gif->UserData)->end(), data, data + count);
    return count;
}

// Composition as browsers do it: transparency shows what was there, disposal 2 clears the
// frame to transparency, 3 puts back what the frame covered.
Animation compose_with_giflib(const Bytes& file)
{
    Animation animation;
    Reader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_bytes, &error);
    if (!gif)
        return animation;
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        return animation;
    }
    const int width = gif->SWidth, height = gif->SHeight;
    std::vector<std::uint32_t> canvas(static_cast<std::size_t>(width) * height, 0), saved;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        (void)DGifSavedExtensionToGCB(gif, i, &control);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc& d = image.ImageDesc;
        saved = canvas;
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                int index = image.RasterBits[y * d.Width + x];
                if (index == control.TransparentColor || d.Left + x >= width || d.Top + y >= height)
                    continue;
                const GifColorType& c = map->Colors[index];
                canvas[static_cast<std::size_t>(d.Top + y) * width + d.Left + x] =
                    0xFF000000u | static_cast<std::uint32_t>(c.Red << 16 | c.Green << 8 | c.Blue);
            }
        }
        animation.screens.push_back(canvas);
        animation.delays.push_back(control.DelayTime);
        for (int y = d.Top; y < std::min(height, d.Top + d.Height); ++y) {
            for (int x = d.Left; x < std::min(width, d.Left + d.Width); ++x) {
                std::size_t at = static_cast<std::size_t>(y) * width + x;
                if (control.DisposalMode == DISPOSE_BACKGROUND)
                    canvas[at] = 0;
                else if (control.DisposalMode == DISPOSE_PREVIOUS)
                    canvas[at] = saved[at];
            }
        }
    }
    animation.read = true;
    DGifCloseFile(gif, &error);
    return animation;
}

// A random animation written by giflib. Disposal 2 always comes with transparency and the
// first frame covers the screen or is transparent, so that every viewer shows the same.
Bytes generate(std::mt19937& random, int case_number)
{
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int width = 8 + below(90), height = 8 + below(60);
    const bool use_global = case_number % 3 != 0;
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, write_bytes, &error);
    ColorMapObject* global = nullptr;
    if (use_global) {
        global = GifMakeMapObject(256, nullptr);
        for (int i = 0; i < 256; ++i)
            global->Colors[i] = {static_cast<GifByteType>(below(4) * 60), static_cast<GifByteType>(i),
                                 static_cast<GifByteType>(below(256))};
    }
    EGifSetGifVersion(gif, true);
    (void)EGifPutScreenDesc(gif, width, height, 8, 0, global);
    const int frames = 1 + below(7);
    for (int f = 0; f < frames; ++f) {
        int w = f == 0 ? width : 1 + below(width), h = f == 0 ? height : 1 + below(height);
        int left = below(width - w + 1), top = below(height - h + 1);
        int colours = 2 << below(8);
        ColorMapObject* local = nullptr;
        if (!use_global || below(2)) {
            local = GifMakeMapObject(colours, nullptr);
            for (int i = 0; i < colours; ++i)  // fresh colours in every table: thousands in all
                local->Colors[i] = {static_cast<GifByteType>(below(256)), static_cast<GifByteType>(below(256)),
                                    static_cast<GifByteType>(f * 37 + i)};
        } else {
            colours = 256;
        }
        GraphicsControlBlock control{below(4), false, below(3) * 5, NO_TRANSPARENT_COLOR};
        if (below(3) != 0 || control.DisposalMode == DISPOSE_BACKGROUND)
            control.TransparentColor = below(colours);
        if (control.DisposalMode == DISPOSE_PREVIOUS && f == 0)
            control.DisposalMode = DISPOSE_DO_NOT;
        GifByteType extension[4];
        (void)EGifGCBToExtension(&control, extension);
        (void)EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        // giflib keeps a copy of each image's table and drops only the last one.
        GifFreeMapObject(gif->Image.ColorMap);
        gif->Image.ColorMap = nullptr;
        (void)EGifPutImageDesc(gif, left, top, w, h, below(4) == 0, local);
        std::vector<GifPixelType> row(static_cast<std::size_t>(w));
        int colour = below(colours);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (below(6) == 0)
                    colour = below(colours);
                row[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(colour);
            }
            (void)EGifPutLine(gif, row.data(), w);
        }
        GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return out;
}

void expect_same_animation(const Bytes& input, const Bytes& output, const std::string& name)
{
    Animation want = compose_with_giflib(input), got = compose_with_giflib(output);
    if (!want.read)
        return;  // giflib refuses the input itself (an empty comment, for one)
    ASSERT_TRUE(got.read) << name;
    ASSERT_EQ(got.screens.size(), want.screens.size()) << name;
    for (std::size_t i = 0; i < want.screens.size(); ++i) {
        EXPECT_TRUE(got.screens[i] == want.screens[i]) << name << " frame " << i;
        EXPECT_EQ(got.delays[i], want.delays[i]) << name << " frame " << i;
    }
}

void expect_second_pass_not_larger(const Bytes& output, const std::string& name)
{
    Bytes again;
    ExtraOutcome outcome = extra_compress(output.data(), output.size(), PlanLevers(), again);
    EXPECT_TRUE(outcome == ExtraOutcome::NotSmaller || outcome == ExtraOutcome::Smaller) << name;
    if (outcome == ExtraOutcome::Smaller) {
        EXPECT_LT(again.size(), output.size()) << name;
    }
}

}  // namespace

TEST(ExtraMode, GeneratedAnimationsShowTheSameScreens)
{
    std::mt19937 random(1802);
    int smaller = 0;
    PlanLevers chosen;  // every other case with the per-pixel choice of the encoder
    chosen.chosen_pixels = true;
    for (int n = 0; n < 120; ++n) {
        Bytes input = generate(random, n);
        Bytes output;
        ExtraOutcome outcome = extra_compress(input.data(), input.size(), n % 2 ? chosen : PlanLevers(), output);
        ASSERT_TRUE(outcome == ExtraOutcome::Smaller || outcome == ExtraOutcome::NotSmaller) << "case " << n;
        if (outcome != ExtraOutcome::Smaller)
            continue;
        ++smaller;
        EXPECT_LT(output.size(), input.size());
        expect_same_animation(input, output, "case " + std::to_string(n));
        expect_second_pass_not_larger(output, "case " + std::to_string(n));
    }
    EXPECT_GT(smaller, 20);  // random noise often leaves no room; flat areas and repeats do
}

TEST(ExtraMode, CorpusFilesShowTheSameScreens)
{
    const char* shared = std::getenv("QUILLON_SHARED");
    if (!shared || !std::filesystem::is_directory(std::string(shared) + "/corpus"))
        GTEST_SKIP() << "no corpus";
    int rebuilt = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(shared) + "/corpus")) {
        if (entry.path().extension() != ".gif" || entry.file_size() > EXTRA_TEST_LARGEST_FILE)
            continue;  // the large recordings are left to the benchmark
        std::ifstream file(entry.path(), std::ios::binary);
        Bytes input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        Bytes output;
        if (extra_compress(input.data(), input.size(), PlanLevers(), output) != ExtraOutcome::Smaller)
            continue;
        ++rebuilt;
        expect_same_animation(input, output, entry.path().filename().string());
        expect_second_pass_not_larger(output, entry.path().filename().string());
    }
    EXPECT_GT(rebuilt, 10);
}

// Files the mode must leave alone: damaged ones, and ones viewers show differently.
TEST(ExtraMode, InputsItLeavesAlone)
{
    // 2 x 1 screen, two-colour global table, one 1 x 1 image (min code size 2: clear, 0, end).
    const Bytes good = {'G', 'I',  'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 0,    0,    0, 255, 255,
                        255, 0x2C, 0,   0,   0,   0,   1, 0, 1, 0, 0,    2, 2, 0x44, 0x01, 0, 0x3B};
    Bytes cut(good.begin(), good.end() - 4);
    Bytes not_gif = good;
    not_gif[0] = 'X';
    struct Case {
        const char* name;
        Bytes input;
        ExtraOutcome expected;
    } cases[] = {
        {"cut in the image data", cut, ExtraOutcome::Damaged},
        {"no signature", not_gif, ExtraOutcome::Damaged},
        // The image covers one of the two pixels and has no transparency: viewers differ
        // about the other one.
        {"first frame leaves part of the screen open", good, ExtraOutcome::Unsettled},
    };
    for (const Case& c : cases) {
        Bytes output;
        EXPECT_EQ(extra_compress(c.input.data(), c.input.size(), PlanLevers(), output), c.expected) << c.name;
        EXPECT_TRUE(output.empty()) << c.name;
    }
}
