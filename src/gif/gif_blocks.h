// The fixed bytes of GIF89a blocks that the reader and the writer share: introducers,
// extension labels and the bits of the packed bytes of the logical screen descriptor, the
// image descriptor and the graphic control extension. Each bit is described here once.
#pragma once
#include <cstdint>

namespace gif_block {

// Block introducers and extension labels.
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageIntroducer = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kPlainTextLabel = 0x01;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kCommentLabel = 0xFE;
constexpr std::uint8_t kApplicationLabel = 0xFF;

// Logical screen descriptor, packed byte (after width and height).
constexpr std::uint8_t kScreenGlobalTable = 0x80;     // bit 7: a global colour table follows
constexpr int kScreenResolutionShift = 4;             // bits 4-6: colour resolution, bits - 1
constexpr std::uint8_t kScreenResolutionMask = 0x07;  // the resolution's three bits, shifted down
constexpr std::uint8_t kScreenSorted = 0x08;          // bit 3: the global table is sorted
constexpr std::uint8_t kScreenTableSizeMask = 0x07;   // bits 0-2: global table bits - 1

// Image descriptor, packed byte (after the rectangle).
constexpr std::uint8_t kImageLocalTable = 0x80;     // bit 7: a local colour table follows
constexpr std::uint8_t kImageInterlaced = 0x40;     // bit 6: rows stored in interlace order
constexpr std::uint8_t kImageSorted = 0x20;         // bit 5: the local table is sorted
constexpr std::uint8_t kImageTableSizeMask = 0x07;  // bits 0-2: local table bits - 1

// Graphic control extension, packed byte (first byte of its data).
constexpr int kControlDisposalShift = 2;             // bits 2-4: the disposal
constexpr std::uint8_t kControlDisposalMask = 0x07;  // the disposal's three bits, shifted down
constexpr std::uint8_t kControlUserInput = 0x02;     // bit 1: wait for user input
constexpr std::uint8_t kControlTransparent = 0x01;   // bit 0: the transparent index is in use

// Entries of the colour table that the size field of a packed byte (bits 0-2) announces.
constexpr std::uint32_t table_entries(std::uint8_t packed) { return 1u << ((packed & kScreenTableSizeMask) + 1); }

}  // namespace gif_block
