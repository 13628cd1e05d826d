#!/usr/bin/env python3
"""Draws the program icon: resources/icons/quillon.svg and the PNG sizes the desktop
menus use. Run from the project root after changing the drawing; the results are kept in
the repository."""
from PIL import Image, ImageDraw

# The drawing on a 256 x 256 grid: a rounded tile and three frames of an animation, the
# front one with a quill stroke.
TILE = (16, 16, 240, 240, 44, "#1d5c6b")
FRAMES = [(56, 40, 200, 160, 14, "#7fb7c2"), (44, 64, 188, 184, 14, "#b9dde3"),
          (32, 88, 176, 208, 14, "#f4f1e8")]
STROKE = [(60, 188), (96, 150), (132, 116), (156, 100)]
STROKE_COLOUR = "#d9843b"


def svg():
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for x0, y0, x1, y1, r, colour in [TILE] + FRAMES:
        parts.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{r}" fill="{colour}"/>')
    points = " ".join(f"{x},{y}" for x, y in STROKE)
    parts.append(f'  <polyline points="{points}" fill="none" stroke="{STROKE_COLOUR}" stroke-width="14" '
                 'stroke-linecap="round" stroke-linejoin="round"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def png(size):
    scale = 4  # drawn large, then reduced for smooth edges
    image = Image.new("RGBA", (256 * scale, 256 * scale), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    for x0, y0, x1, y1, r, colour in [TILE] + FRAMES:
        draw.rounded_rectangle([x0 * scale, y0 * scale, x1 * scale, y1 * scale], r * scale, fill=colour)
    points = [(x * scale, y * scale) for x, y in STROKE]
    draw.line(points, fill=STROKE_COLOUR, width=14 * scale, joint="curve")
    for x, y in points[:1] + points[-1:]:
        draw.ellipse([x - 7 * scale, y - 7 * scale, x + 7 * scale, y + 7 * scale], fill=STROKE_COLOUR)
    return image.resize((size, size), Image.LANCZOS)


if __name__ == "__main__":
    with open("resources/icons/quillon.svg", "w") as out:
        out.write(svg())
    for size in (16, 32, 48, 64, 128, 256):
        png(size).save(f"resources/icons/quillon-{size}.png", optimize=True)
