#!/usr/bin/python3
"""The extra mode (`quillon-cli --extra`) against `gifsicle -O3`, file by file, in one run.

For every GIF of a folder: output bytes, CPU seconds (user + system of the child), peak
resident memory, and whether the output shows the same animation as the input under
../shared/tools/gifeq.py (Pillow). Totals are given per class: files with at most 255
colours and files with more (where gifsicle -O3 stays lossless with local tables). Inputs
that Pillow cannot read, or that either tool refuses, are listed apart and stay out of the
totals. Every output is checked, including the inputs the extra mode kept as they were.

usage: bench/extra_compare.py QUILLON_CLI [--corpus DIR] [--out DIR]
"""
import argparse
import os
import subprocess
import sys

import numpy
from PIL import Image, ImageSequence

HERE = os.path.dirname(os.path.abspath(__file__))


def run(command, scratch):
    """Return code, CPU seconds (user + system) and peak resident memory (KB) of one
    command, measured by /usr/bin/time (a child forked from Python would count the
    interpreter's pages in its peak)."""
    report = scratch + ".time"
    code = subprocess.call(["/usr/bin/time", "-f", "%M %U %S", "-o", report] + command,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        memory, user, system = open(report).read().split()[-3:]
        return code, float(user) + float(system), int(memory)
    except (OSError, ValueError):
        return code, 0.0, 0


def colour_count(path):
    """Distinct RGBA colours over all frames, 256 meaning 'more than 255'; None if unreadable."""
    try:
        image = Image.open(path)
        seen = numpy.empty(0, dtype=numpy.uint32)
        for frame in ImageSequence.Iterator(image):
            words = numpy.frombuffer(frame.convert("RGBA").tobytes(), dtype=numpy.uint32)
            seen = numpy.union1d(seen, numpy.unique(words))
            if len(seen) > 255:
                return 256
        return len(seen)
    except Exception:
        return None


def same(a, b, gifeq):
    result = subprocess.run([sys.executable, gifeq, a, b], capture_output=True, text=True)
    return result.returncode == 0, result.stdout.strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--corpus", default=os.path.join(HERE, "..", "..", "shared", "corpus"))
    parser.add_argument("--gifeq", default=os.path.join(HERE, "..", "..", "shared", "tools", "gifeq.py"))
    parser.add_argument("--out", default="/tmp/quillon-extra-compare")
    args = parser.parse_args()
    os.makedirs(os.path.join(args.out, "extra"), exist_ok=True)
    os.makedirs(os.path.join(args.out, "gifsicle"), exist_ok=True)
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(args.out, "config"))
    os.environ.update(environment)

    rows, apart = [], []
    for name in sorted(n for n in os.listdir(args.corpus) if n.endswith(".gif")):
        source = os.path.join(args.corpus, name)
        ours = os.path.join(args.out, "extra", name)
        theirs = os.path.join(args.out, "gifsicle", name)
        for path in (ours, theirs):
            if os.path.exists(path):
                os.remove(path)
        colours = colour_count(source)
        g_rc, g_cpu, g_mem = run(["gifsicle", "-O3", "-o", theirs, source], theirs)
        q_rc, q_cpu, q_mem = run([args.cli, "--extra", "--allow-larger", "-q", "-j", "1", "-o", ours, source], ours)
        readable = colours is not None and same(source, source, args.gifeq)[0]
        if not readable or g_rc != 0 or q_rc != 0 or not os.path.exists(ours):
            apart.append((name, colours, g_rc, q_rc))
            continue
        equal, text = same(source, ours, args.gifeq)
        row = dict(name=name, colours=colours, size=os.path.getsize(source), ours=os.path.getsize(ours),
                   theirs=os.path.getsize(theirs), q_cpu=q_cpu, g_cpu=g_cpu, q_mem=q_mem, g_mem=g_mem,
                   equal=equal, text=text)
        rows.append(row)
        print(f"{name:48s} {row['size']:9d} extra {row['ours']:9d} gifsicle {row['theirs']:9d} "
              f"cpu {q_cpu:6.2f}/{g_cpu:6.2f} mem {q_mem}/{g_mem} {'equal' if equal else text}", flush=True)

    print()
    for label, test in (("at most 255 colours", lambda c: c <= 255), ("more than 255 colours", lambda c: c > 255)):
        chosen = [r for r in rows if test(r["colours"])]
        ours = sum(r["ours"] for r in chosen)
        theirs = sum(r["theirs"] for r in chosen)
        print(f"{label}: {len(chosen)} files, input {sum(r['size'] for r in chosen)}, extra {ours}, "
              f"gifsicle -O3 {theirs}, ratio {ours / max(theirs, 1):.4f}")
    q_cpu = sum(r["q_cpu"] for r in rows)
    g_cpu = sum(r["g_cpu"] for r in rows)
    print(f"CPU: extra {q_cpu:.2f} s, gifsicle -O3 {g_cpu:.2f} s, ratio {q_cpu / max(g_cpu, 1e-9):.2f}")
    slow = [r for r in rows if r["q_cpu"] > 10 * max(r["g_cpu"], 0.05)]
    print(f"files over 10x gifsicle's CPU (below 0.05 s counted as 0.05 s): {[r['name'] for r in slow]}")
    heavy = [r for r in rows if r["q_mem"] > 2 * r["g_mem"]]
    print(f"files over 2x gifsicle's peak memory: {[(r['name'], r['q_mem'], r['g_mem']) for r in heavy]}")
    unequal = [r["name"] for r in rows if not r["equal"]]
    print(f"lossless: {len(rows) - len(unequal)} of {len(rows)} outputs equal to their input; not equal: {unequal}")
    print(f"apart (unreadable by Pillow, or refused): {apart}")
    return 1 if unequal else 0


if __name__ == "__main__":
    sys.exit(main())
