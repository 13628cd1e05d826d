// The screens of an animation as a viewer composes them, frame by frame, from the raw
// blocks: one RGBA value per screen pixel. Where viewers disagree about a pixel (the area
// outside a first frame without transparency, an area restored to the background by a
// frame without transparency, indexes past the colour table, frames reaching past the
// screen) the composer says so instead of guessing, and the caller keeps the input.
#pragma once
#include <cstdint>
#include <vector>

#include "document/document.h"
#include "gif/gif_raw.h"

// Screen pixels: 0 is transparent, opaque colours are kOpaque | 0xRRGGBB.
using ScreenPixel = std::uint32_t;
inline constexpr ScreenPixel kTransparent = 0;
inline constexpr ScreenPixel kOpaque = 0xFF000000u;
inline constexpr ScreenPixel kUnsettled = 0x01000000u;  // viewers disagree about this pixel

enum class ComposeResult : std::uint8_t { Screen, Unsettled, Damaged };

class ScreenComposer {
public:
    ScreenComposer(const RawGif& gif, const std::uint8_t* bytes);

    // Composes the next image onto the screen, which then holds what a viewer shows.
    [[nodiscard]] ComposeResult compose(std::size_t index);
    const std::vector<ScreenPixel>& screen() const { return m_canvas; }
    // The colour indexes of an image (width x height, natural row order): the one last
    // composed or the one before it.
    const Canvas& indexes(std::size_t index) const { return m_indexes[index & 1]; }

private:
    [[nodiscard]] bool decode(const RawImage& image, Canvas& indexes);
    void dispose_previous();

    const RawGif& m_gif;
    const std::uint8_t* m_bytes;
    std::vector<ScreenPixel> m_canvas;
    std::vector<ScreenPixel> m_saved;  // the area a restore-previous frame puts back
    Canvas m_indexes[2];               // the images composed last, by the parity of their number
    const RawImage* m_previous = nullptr;
};
