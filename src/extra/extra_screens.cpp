#include "extra/extra_screens.h"

#include <algorithm>

#include "codec/codec_state.h"

ScreenComposer::ScreenComposer(const RawGif& gif, const std::uint8_t* bytes)
    : m_gif(gif), m_bytes(bytes), m_canvas(static_cast<std::size_t>(gif.width) * gif.height, kTransparent)
{
}

bool ScreenComposer::decode(const RawImage& image, Canvas& indexes)
{
    canvas_resize(indexes, image.width, image.height, 0);
    CodecState& state = codec_state();
    state.input.set_window_to_memory(static_cast<std::uint32_t>(image.data.length), m_bytes + image.data.offset);
    DecodeTarget target;
    target.canvas = &indexes;
    target.rect = {0, 0, static_cast<std::int16_t>(image.height), static_cast<std::int16_t>(image.width)};
    target.interlaced = image.interlaced;
    DecodeResult result = state.decoder.decode(state.input, target);
    state.input.end_memory_window();
    return result != DecodeResult::Failed;
}

void ScreenComposer::dispose_previous()
{
    const RawImage* image = m_previous;
    if (!image || image->disposal < 2)
        return;
    const std::size_t width = m_gif.width;
    for (int y = image->top; y < image->top + image->height; ++y) {
        ScreenPixel* row = m_canvas.data() + static_cast<std::size_t>(y) * width;
        if (image->disposal == 2) {
            // Viewers that honour transparency clear to it; others paint the background.
            std::fill(row + image->left, row + image->left + image->width,
                      image->has_transparent ? kTransparent : kUnsettled);
        } else {
            const ScreenPixel* saved = m_saved.data() + static_cast<std::size_t>(y - image->top) * image->width;
            std::copy(saved, saved + image->width, row + image->left);
        }
    }
}

ComposeResult ScreenComposer::compose(std::size_t index)
{
    const RawImage& image = m_gif.images[index];
    const std::vector<std::uint32_t>& table = image.local_table.empty() ? m_gif.global_table : image.local_table;
    if (image.width == 0 || image.height == 0 || image.left + image.width > m_gif.width ||
        image.top + image.height > m_gif.height || table.empty() || image.disposal > 3)
        return ComposeResult::Unsettled;
    const Canvas& indexes = m_indexes[index & 1];
    if (!decode(image, m_indexes[index & 1]))
        return ComposeResult::Damaged;
    dispose_previous();
    if (index == 0 && !image.has_transparent)
        std::fill(m_canvas.begin(), m_canvas.end(), kUnsettled);
    if (image.disposal == 3) {
        if (index == 0)
            return ComposeResult::Unsettled;
        m_saved.resize(static_cast<std::size_t>(image.width) * image.height);
        for (int y = 0; y < image.height; ++y) {
            const ScreenPixel* row = m_canvas.data() + static_cast<std::size_t>(y + image.top) * m_gif.width;
            std::copy(row + image.left, row + image.left + image.width,
                      m_saved.begin() + static_cast<long>(y) * image.width);
        }
    }
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* source = indexes.row(y);
        ScreenPixel* row = m_canvas.data() + static_cast<std::size_t>(y + image.top) * m_gif.width + image.left;
        for (int x = 0; x < image.width; ++x) {
            std::uint8_t pixel = source[x];
            if (image.has_transparent && pixel == image.transparent_index)
                continue;
            if (pixel >= table.size())
                return ComposeResult::Unsettled;
            row[x] = kOpaque | table[pixel];
        }
    }
    m_previous = &image;
    return std::find(m_canvas.begin(), m_canvas.end(), kUnsettled) == m_canvas.end() ? ComposeResult::Screen
                                                                                     : ComposeResult::Unsettled;
}
