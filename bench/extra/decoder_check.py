#!/usr/bin/python3
"""The extra mode's outputs against their inputs in three more decoders: ImageMagick, gifsicle
and giflib (besides Pillow in extra_compare.py and Chromium in browser_check.py).

For every output of a folder (by default the extra mode's outputs left by
bench/extra_compare.py) and the input of the same name:
- ImageMagick: `convert FILE -coalesce -depth 8 rgba:-`, every composed frame, the colour of
  fully transparent pixels ignored; the output's frames must equal the input's.
- gifsicle: `gifsicle -O3` decodes every image to rebuild the file; its rebuild of the output,
  read back by Pillow, must show the output's frames, and gifsicle must warn of nothing on
  the output that it did not warn of on the input. Inputs whose frames gifsicle's own rebuild
  changes are set apart.
- giflib: DGifSlurp (a small reader compiled on the spot) must decode every image of the
  output without error.
An input a decoder cannot read itself (a damaged file, for one) is set apart for that decoder.
Prints one line per file and the counts.

usage: bench/extra/decoder_check.py [--dir DIR] [--corpus DIR]
"""
import argparse
import os
import subprocess
import sys
import tempfile

import numpy
from PIL import Image, ImageSequence

HERE = os.path.dirname(os.path.abspath(__file__))


def visible(rgba):
    """RGBA bytes with the colour of fully transparent pixels set to zero."""
    words = numpy.frombuffer(rgba, dtype="<u4").copy()
    words[(words >> numpy.uint32(24)) == 0] = 0
    return words.tobytes()


def magick(path):
    out = subprocess.run(["convert", path, "-coalesce", "-depth", "8", "rgba:-"], capture_output=True)
    if out.returncode != 0 or not out.stdout:
        return None
    return visible(out.stdout)


def pillow(path):
    try:
        return [visible(frame.convert("RGBA").tobytes()) for frame in ImageSequence.Iterator(Image.open(path))]
    except Exception:
        return None


def gifsicle(path, scratch):
    """Pillow's frames of what `gifsicle -O3` makes of a file (gifsicle decodes every image to
    rebuild it), and gifsicle's warnings about the file."""
    out = subprocess.run(["gifsicle", "-O3", "-o", scratch, path], capture_output=True, text=True)
    warnings = sorted(set(line.replace(path, "FILE") for line in out.stderr.splitlines() if line.strip()))
    return (pillow(scratch) if out.returncode == 0 else None), warnings


GIFLIB_READER = r"""
#include <gif_lib.h>
int main(int argc, char** argv)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(argv[1], &error);
    if (!gif)
        return 2;
    int result = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 ? 0 : 1;
    DGifCloseFile(gif, &error);
    return result;
}
"""


def giflib_reader(scratch):
    source, program = os.path.join(scratch, "read.c"), os.path.join(scratch, "read")
    with open(source, "w") as out:
        out.write(GIFLIB_READER)
    subprocess.run(["cc", "-O2", "-o", program, source, "-lgif"], check=True)
    return program


def giflib_reads(reader, path):
    return subprocess.run([reader, path], capture_output=True).returncode == 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", default="/tmp/quillon-extra-compare/extra")
    parser.add_argument("--corpus", default=os.path.join(HERE, "..", "..", "..", "shared", "corpus"))
    args = parser.parse_args()
    names = sorted(n for n in os.listdir(args.dir) if n.endswith(".gif"))
    scratch = tempfile.mkdtemp(prefix="quillon-decoders-")
    reader = giflib_reader(scratch)
    counts = {"ImageMagick": [0, 0], "gifsicle": [0, 0], "giflib": [0, 0]}  # equal, compared
    failed = []
    for name in names:
        ours, theirs = os.path.join(args.dir, name), os.path.join(args.corpus, name)
        verdicts = []
        want = magick(theirs)
        if want is not None:
            counts["ImageMagick"][1] += 1
            got = magick(ours)
            if got == want:
                counts["ImageMagick"][0] += 1
            else:
                verdicts.append("ImageMagick differs" if got is not None else "ImageMagick cannot read it")
        # Set apart the inputs whose frames gifsicle itself changes.
        want, want_warnings = gifsicle(theirs, os.path.join(scratch, "in.gif"))
        if want is not None and want == pillow(theirs):
            counts["gifsicle"][1] += 1
            got, got_warnings = gifsicle(ours, os.path.join(scratch, "out.gif"))
            new_warnings = [w for w in got_warnings if w not in want_warnings]
            if got is not None and got == pillow(ours) and not new_warnings:
                counts["gifsicle"][0] += 1
            else:
                verdicts.append(f"gifsicle reads it differently or warns: {new_warnings}")
        if giflib_reads(reader, theirs):
            counts["giflib"][1] += 1
            if giflib_reads(reader, ours):
                counts["giflib"][0] += 1
            else:
                verdicts.append("giflib cannot read it")
        if verdicts:
            failed.append(name)
        print(f"{name:48s} {'; '.join(verdicts) or 'agree'}", flush=True)
    print()
    said = {"ImageMagick": "show the same frames as their inputs",
            "gifsicle": "are read by gifsicle as Pillow reads them, without a new warning",
            "giflib": "decode without error"}
    for decoder, (equal, compared) in counts.items():
        print(f"{decoder}: {equal} of {compared} outputs {said[decoder]} (the others set apart)")
    print(f"disagreeing: {failed}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
