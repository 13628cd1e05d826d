// Our decoder against giflib on the image data of real files: the same indexes for every
// frame giflib decodes. Large files are sampled so that the run stays short.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "codec/codec_support.h"
#include "support/corpus.h"
#include "codec/frame_coding.h"
#include "codec/input_window.h"
#include "codec/lzw_decoder.h"

using codec_test::Bytes;

namespace {

constexpr std::size_t kPixelBudgetPerFile = 1'000'000;
constexpr std::size_t kLargestFrame = 16'000'000;

}  // namespace

TEST(LzwCorpus, DecoderAgreesWithGiflib)
{
    const auto files = test_corpus::files();
    if (files.empty())
        GTEST_SKIP() << "no corpus";
    LzwDecoder decoder;
    InputWindow window;
    std::size_t frames_compared = 0;
    for (const auto& entry : files) {
        const std::string path = entry.string();
        Bytes file = codec_test::read_file(path);
        std::vector<codec_test::RawImage> images = codec_test::walk_images(file);
        std::size_t budget = kPixelBudgetPerFile;
        std::size_t wanted = 0;
        for (const auto& image : images) {
            std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
            if (pixels > budget || pixels > kLargestFrame)
                break;
            budget -= pixels;
            ++wanted;
        }
        std::vector<codec_test::GiflibFrame> reference = codec_test::giflib_decode(file, wanted);
        for (std::size_t i = 0; i < reference.size(); ++i) {
            const codec_test::RawImage& image = images[i];
            Canvas canvas;
            canvas_resize(canvas, static_cast<std::uint16_t>(image.width), static_cast<std::uint16_t>(image.height));
            window.set_window_to_memory(static_cast<std::uint32_t>(image.data_length), file.data() + image.data_offset);
            DecodeTarget target{&canvas,
                                {0, 0, static_cast<std::int16_t>(image.height), static_cast<std::int16_t>(image.width)},
                                image.interlaced,
                                TransparentAware::No,
                                0};
            DecodeResult result = decoder.decode(window, target);
            window.end_memory_window();
            // Minimum code sizes below 2 are refused here (giflib takes them).
            std::uint8_t minimum_size = file[image.data_offset];
            if (minimum_size < 2 || minimum_size > 9) {
                EXPECT_EQ(result, DecodeResult::Failed) << path << " frame " << i;
                continue;
            }
            EXPECT_NE(result, DecodeResult::Failed) << path << " frame " << i;
            if (result == DecodeResult::Failed)
                continue;
            ASSERT_EQ(reference[i].pixels.size(), canvas.size()) << path << " frame " << i;
            EXPECT_EQ(0, std::memcmp(reference[i].pixels.data(), canvas.pixels.get(), canvas.size()))
                << path << " frame " << i;
            ++frames_compared;
        }
    }
    EXPECT_GT(frames_compared, 100u);
    std::printf("compared %zu frames of %zu files with giflib\n", frames_compared, files.size());
}
