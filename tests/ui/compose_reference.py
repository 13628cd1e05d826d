#!/usr/bin/env python3
"""Screens of GIF files, composed frame by frame in file order, for the frame display's test.

Pillow decodes each image on its own (cut out of the file with its palette); the screens are
composed here by the GIF89a rules: disposal 0 and 1 keep the frame, 2 clears its rectangle,
3 restores the screen from before it; transparent pixels leave the screen as it was. Pixels
that nothing covers are shown in the background colour (the global palette's entry at the
background index, black without one).

For each file given: "name frames distinct width height crc0 crc1 ...", crcN being the zlib CRC-32 of
frame N's screen as RGB rows top down, distinct the number of colours seen (counting stops
above 256). A file that cannot be read to its end gives "name error".
"""
import io
import struct
import sys
import zlib

from PIL import Image

Image.MAX_IMAGE_PIXELS = None


def sub_blocks(data, at):
    """The offset after the sub-blocks starting at `at` (terminator included)."""
    while True:
        size = data[at]
        at += 1 + size
        if size == 0:
            return at


def frames_of(data):
    """Screen size, background colour and per image (rect, image bytes, gce) tuples."""
    if data[:3] != b"GIF":
        raise ValueError("not a GIF")
    width, height, flags, background = struct.unpack("<HHBB", data[6:12])
    at = 13
    table = b""
    if flags & 0x80:
        size = 3 * (2 << (flags & 7))
        table = data[at:at + size]
        at += size
    bg = tuple(table[background * 3:background * 3 + 3]) if background * 3 + 3 <= len(table) else (0, 0, 0)
    images = []
    gce = (0, None)
    while True:
        kind = data[at]
        if kind == 0x3B:
            break
        if kind == 0x21:
            label = data[at + 1]
            if label == 0xF9 and data[at + 2] >= 4:
                packed, _, index = struct.unpack("<BHB", data[at + 3:at + 7])
                gce = ((packed >> 2) & 7, index if packed & 1 else None)
            at = sub_blocks(data, at + 2)
            continue
        if kind != 0x2C:
            raise ValueError("unknown block")
        left, top, w, h, packed = struct.unpack("<HHHHB", data[at + 1:at + 10])
        start = at
        at += 10
        if packed & 0x80:
            at += 3 * (2 << (packed & 7))
        at = sub_blocks(data, at + 1)
        single = (data[:6] + struct.pack("<HHBBB", w, h, flags & 0xF7 if flags & 0x80 else 0, 0, 0) + table +
                  b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, packed) + data[start + 10:at] + b"\x3B")
        images.append(((left, top, w, h), single, gce))
        gce = (0, None)
    return (width, height), bg, images


def decode(single, size):
    im = Image.open(io.BytesIO(single))
    im.load()
    # Pillow opens an image whose palette is the grey ramp as "L": its values are the indices.
    indices = Image.frombytes("L", im.size, im.tobytes()) if im.mode in ("P", "L") else None
    return im.convert("RGB"), indices


def screens(path):
    with open(path, "rb") as f:
        data = f.read()
    (width, height), bg, images = frames_of(data)
    screen = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    crcs, colours = [], set()
    for (left, top, w, h), single, (disposal, transparent) in images:
        before = screen.copy() if disposal == 3 else None
        rgb, indices = decode(single, (w, h))
        mask = Image.new("L", (w, h), 255)
        if transparent is not None and indices is not None:
            mask = indices.point(lambda v: 0 if v == transparent else 255)
        layer = rgb.convert("RGBA")
        screen.paste(layer, (left, top), mask)
        shown = Image.new("RGB", (width, height), bg)
        shown.paste(screen, (0, 0), screen.split()[3])
        if len(colours) <= 256:
            colours.update(c for _, c in (shown.getcolors(257) or [(0, i) for i in range(257)]))
        crcs.append(zlib.crc32(shown.tobytes()) & 0xFFFFFFFF)
        if disposal == 2:
            screen.paste((0, 0, 0, 0), (left, top, left + w, top + h))
        elif disposal == 3:
            screen = before
    return crcs, len(colours), (width, height)


def main():
    for path in sys.argv[1:]:
        name = path.rsplit("/", 1)[-1]
        try:
            crcs, distinct, (width, height) = screens(path)
        except Exception:  # noqa: BLE001 - any failure means "no reference"
            print(name, "error")
            continue
        print(name, len(crcs), distinct, width, height, " ".join(str(c) for c in crcs))


if __name__ == "__main__":
    main()
