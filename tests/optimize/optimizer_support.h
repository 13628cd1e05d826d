// Hand-built animations for the optimizer tests: a document of a given screen and palette,
// frames made from pixel rows written in the test, and the screens an animation shows.
#pragma once
#include <cstdint>
#include <vector>

#include "app/settings.h"
#include "document/document.h"

struct FrameSpec {
    ScreenRect rect;
    std::vector<std::uint8_t> pixels;  // rect width x height, row by row
    Disposal disposal = Disposal::Keep;
    bool transparent = false;
    std::uint8_t transparent_index = 0;
    bool interlaced = false;
};

// A document with the given screen and `colours` palette entries (entry i = (i, 2i, 3i) mod
// 256, entry 255 the background), every frame encoded from its pixels.
DocumentPtr make_document(std::uint16_t width, std::uint16_t height, std::uint16_t colours,
                          const std::vector<FrameSpec>& frames);
// Appends one frame, its usage counted over its pixels (the transparent index not counted).
void add_frame(Document& document, const FrameSpec& spec);

// The screen after each frame is drawn (255 = empty), disposals applied between frames.
std::vector<std::vector<std::uint8_t>> composed_screens(Document& document);
// The same in colours (0xRRGGBB, 0xFFFFFFFF for empty), each frame shown through its local
// table when it has one, else the document's palette.
std::vector<std::vector<std::uint32_t>> composed_colours(Document& document);
// The pixels of a frame's stored encoding, every pixel written (transparent ones included).
std::vector<std::uint8_t> decoded_pixels(const Frame& frame);

Frame& frame_at(Document& document, int index);

// The optimizer's four switches: end-code saving, offset frames, crop first frame and
// transparency search.
inline constexpr std::uint8_t Settings::*kOptimizationSwitches[4] = {
    &Settings::end_code_saving, &Settings::offset_frames, &Settings::crop_first_frame, &Settings::transparency_search};

// Restores the optimization settings (the switches and the transparent index rule) when it goes.
class OptimizationSettingsGuard {
public:
    OptimizationSettingsGuard();
    ~OptimizationSettingsGuard();
    OptimizationSettingsGuard(const OptimizationSettingsGuard&) = delete;
    OptimizationSettingsGuard& operator=(const OptimizationSettingsGuard&) = delete;

private:
    std::uint8_t m_switches[4];
    std::uint16_t m_rule;
};
ScreenRect rect_of(int top, int left, int bottom, int right);
// A palette entry as 0xRRGGBB, written and read.
void set_colour(std::uint8_t* palette, int index, std::uint32_t rgb);
std::uint32_t colour_of(const std::uint8_t* palette, int index);
