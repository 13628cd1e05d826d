#include "optimizer_support.h"

#include "app/settings.h"
#include "codec/frame_coding.h"

#include <cstring>

#include <gtest/gtest.h>

ScreenRect rect_of(int top, int left, int bottom, int right)
{
    return ScreenRect{static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
}

DocumentPtr make_document(std::uint16_t width, std::uint16_t height, std::uint16_t colours,
                          const std::vector<FrameSpec>& frames)
{
    DocumentPtr document(new_document());
    document->screen_width = width;
    document->screen_height = height;
    document->palette_size = colours;
    document->background_index = 255;
    for (int i = 0; i < 255; ++i) {
        document->palette.get()[i * 3] = static_cast<std::uint8_t>(i);
        document->palette.get()[i * 3 + 1] = static_cast<std::uint8_t>(i * 2);
        document->palette.get()[i * 3 + 2] = static_cast<std::uint8_t>(i * 3);
    }
    canvas_resize(document->canvas, width, height, 255);
    for (const FrameSpec& spec : frames)
        add_frame(*document, spec);
    return document;
}

void add_frame(Document& document, const FrameSpec& spec)
{
    FramePtr frame(new_frame());
    frame->rect = spec.rect;
    frame->disposal = spec.disposal;
    frame->transparent = spec.transparent ? 1 : 0;
    frame->transparent_index = spec.transparent_index;
    frame->interlaced = spec.interlaced ? 1 : 0;
    frame->comment.reset(StrDup(""));
    const int width = spec.rect.width();
    const int height = spec.rect.height();
    EXPECT_EQ(spec.pixels.size(), static_cast<std::size_t>(width * height));

    Canvas scratch;
    canvas_resize(scratch, document.screen_width, document.screen_height, 0);
    frame_reset_usage(*frame, document.palette_size);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t p = spec.pixels[static_cast<std::size_t>(y * width + x)];
            scratch.row(spec.rect.top + y)[spec.rect.left + x] = p;
            if (!(spec.transparent && p == spec.transparent_index) && p < document.palette_size)
                ++frame->colour_usage.get()[p];
        }
    }
    int needed = spec.transparent ? spec.transparent_index + 1 : 1;
    for (std::uint8_t p : spec.pixels)
        needed = std::max(needed, p + 1);
    encode_frame_into(*frame, scratch, spec.interlaced, static_cast<std::uint16_t>(needed));
    document.total_delay += frame->delay;
    document_append_frame(document, std::move(frame));
    document.frame_count = ListCount(document.frames.get());
}

std::vector<std::vector<std::uint8_t>> composed_screens(Document& document)
{
    Canvas screen;
    canvas_resize(screen, document.screen_width, document.screen_height, 255);
    canvas_fill(screen, 255);
    std::vector<std::vector<std::uint8_t>> screens;
    for (ListNode* node = document.frames->first; node; node = node->next) {
        const Frame& frame = *ListPointer<Frame>(node->value);
        EXPECT_EQ(decode_frame_onto(screen, frame, frame.transparent ? TransparentAware::Yes : TransparentAware::No),
                  DecodeResult::Complete);
        screens.emplace_back(screen.pixels.get(), screen.pixels.get() + screen.size());
        if (frame.disposal == Disposal::RestoreBackground)
            canvas_fill_rect(screen, frame.rect, 255);
    }
    return screens;
}

std::vector<std::uint8_t> decoded_pixels(const Frame& frame)
{
    Canvas canvas;
    const int right = std::max<int>(frame.rect.right, 1);
    const int bottom = std::max<int>(frame.rect.bottom, 1);
    canvas_resize(canvas, static_cast<std::uint16_t>(right), static_cast<std::uint16_t>(bottom), 0);
    EXPECT_EQ(decode_frame_onto(canvas, frame, TransparentAware::No), DecodeResult::Complete);
    std::vector<std::uint8_t> pixels;
    for (int y = frame.rect.top; y < frame.rect.bottom; ++y)
        for (int x = frame.rect.left; x < frame.rect.right; ++x)
            pixels.push_back(canvas.row(y)[x]);
    return pixels;
}

Frame& frame_at(Document& document, int index) { return *document_frame_at(document, index); }

std::vector<std::vector<std::uint32_t>> composed_colours(Document& document)
{
    const std::size_t size = static_cast<std::size_t>(document.screen_width) * document.screen_height;
    std::vector<std::uint32_t> screen(size, 0xFFFFFFFFu);
    std::vector<std::vector<std::uint32_t>> screens;
    for (ListNode* node = document.frames->first; node; node = node->next) {
        const Frame& frame = *ListPointer<Frame>(node->value);
        const std::uint8_t* palette = frame.local_palette ? frame.local_palette.get() : document.palette.get();
        std::vector<std::uint8_t> pixels = decoded_pixels(frame);
        std::size_t i = 0;
        for (int y = frame.rect.top; y < frame.rect.bottom; ++y) {
            for (int x = frame.rect.left; x < frame.rect.right; ++x, ++i) {
                std::uint8_t p = pixels[i];
                if (frame.transparent && p == frame.transparent_index)
                    continue;
                const std::uint8_t* rgb = palette + p * 3;
                screen[static_cast<std::size_t>(y) * document.screen_width + static_cast<std::size_t>(x)] =
                    static_cast<std::uint32_t>(rgb[0]) << 16 | static_cast<std::uint32_t>(rgb[1]) << 8 | rgb[2];
            }
        }
        screens.push_back(screen);
        if (frame.disposal == Disposal::RestoreBackground)
            for (int y = frame.rect.top; y < frame.rect.bottom; ++y)
                for (int x = frame.rect.left; x < frame.rect.right; ++x)
                    screen[static_cast<std::size_t>(y) * document.screen_width + static_cast<std::size_t>(x)] =
                        0xFFFFFFFFu;
    }
    return screens;
}

OptimizationSettingsGuard::OptimizationSettingsGuard() : m_rule(settings().rule_value)
{
    for (int i = 0; i < 4; ++i)
        m_switches[i] = settings().*kOptimizationSwitches[i];
}

OptimizationSettingsGuard::~OptimizationSettingsGuard()
{
    for (int i = 0; i < 4; ++i)
        settings().*kOptimizationSwitches[i] = m_switches[i];
    settings().rule_value = m_rule;
}

void set_colour(std::uint8_t* palette, int index, std::uint32_t rgb)
{
    palette[index * 3] = static_cast<std::uint8_t>(rgb >> 16);
    palette[index * 3 + 1] = static_cast<std::uint8_t>(rgb >> 8);
    palette[index * 3 + 2] = static_cast<std::uint8_t>(rgb);
}

std::uint32_t colour_of(const std::uint8_t* palette, int index)
{
    return static_cast<std::uint32_t>(palette[index * 3]) << 16 |
        static_cast<std::uint32_t>(palette[index * 3 + 1]) << 8 | palette[index * 3 + 2];
}
