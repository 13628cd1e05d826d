#!/usr/bin/python3
"""Chromium's composed frames against Pillow's, for the GIF files of a folder (by default
the extra mode's outputs left by bench/extra_compare.py).

A local web server hands browser_check.html and the files to headless Chromium, whose
ImageDecoder decodes every frame by index; the page posts a digest of each frame and this
script compares it with the digest of Pillow's frame. Prints one line per file and the count
that agree.

usage: bench/extra/browser_check.py [--dir DIR] [--chromium PATH]
"""
import argparse
import http.server
import json
import os
import subprocess
import sys
import tempfile
import threading
from urllib.parse import unquote

import numpy
from PIL import Image, ImageSequence

HERE = os.path.dirname(os.path.abspath(__file__))


def digest(rgba):
    """The page's digest: a position-weighted and a plain sum of the RGBA words, mod 2^32."""
    words = numpy.frombuffer(rgba, dtype="<u4").astype(numpy.uint64)
    words[(words >> numpy.uint64(24)) == 0] = 0
    index = numpy.arange(len(words), dtype=numpy.uint64)
    weights = (index * numpy.uint64(2654435761) + numpy.uint64(1)) & numpy.uint64(0xFFFFFFFF)
    weighted = int(numpy.sum((words * weights) & numpy.uint64(0xFFFFFFFF), dtype=numpy.uint64)) & 0xFFFFFFFF
    plain = int(numpy.sum(words, dtype=numpy.uint64)) & 0xFFFFFFFF
    return f"{weighted:x}:{plain:x}"


def pillow_frames(path):
    out = []
    for frame in ImageSequence.Iterator(Image.open(path)):
        rgba = frame.convert("RGBA")
        out.append(f"{rgba.width}x{rgba.height}:{digest(rgba.tobytes())}")
    return out


def serve(folder, names, results, done):
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def reply(self, body, kind):
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if self.path == "/":
                with open(os.path.join(HERE, "browser_check.html"), "rb") as page:
                    return self.reply(page.read(), "text/html")
            if self.path == "/list":
                return self.reply(json.dumps(names).encode(), "application/json")
            name = unquote(os.path.basename(self.path[len("/gif/"):]))
            if self.path.startswith("/gif/") and name in names:
                with open(os.path.join(folder, name), "rb") as gif:
                    return self.reply(gif.read(), "image/gif")
            self.send_error(404)

        def do_POST(self):
            body = self.rfile.read(int(self.headers["Content-Length"]))
            if self.path == "/result":
                result = json.loads(body)
                results[result["name"]] = result
            elif self.path == "/done":
                done.set()
            self.reply(b"", "text/plain")

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", default="/tmp/quillon-extra-compare/extra")
    parser.add_argument("--chromium", default="chromium")
    parser.add_argument("--timeout", type=float, default=1800)
    args = parser.parse_args()
    names = sorted(n for n in os.listdir(args.dir) if n.endswith(".gif"))
    results, done = {}, threading.Event()
    server = serve(args.dir, names, results, done)
    profile = tempfile.mkdtemp(prefix="quillon-browser-")
    browser = subprocess.Popen(
        [args.chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", f"--user-data-dir={profile}",
         f"http://127.0.0.1:{server.server_address[1]}/"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finished = done.wait(args.timeout)
    browser.terminate()
    browser.wait()
    server.shutdown()
    if not finished:
        print(f"the browser did not finish within {args.timeout} s")

    agree = 0
    for name in names:
        result = results.get(name)
        try:
            ours = pillow_frames(os.path.join(args.dir, name))
        except Exception as error:
            ours = f"Pillow: {error}"
        if result is None:
            verdict = "no answer from the browser"
        elif "error" in result:
            verdict = f"browser: {result['error']}"
        elif isinstance(ours, str):
            verdict = ours
        elif result["frames"] == ours:
            verdict = "agree"
            agree += 1
        elif len(result["frames"]) != len(ours):
            verdict = f"frame count {len(result['frames'])} (browser) vs {len(ours)} (Pillow)"
        else:
            first = next(i for i, (a, b) in enumerate(zip(result["frames"], ours)) if a != b)
            verdict = f"frame {first} differs (browser {result['frames'][first]}, Pillow {ours[first]})"
        print(f"{name:48s} {verdict}", flush=True)
    print(f"\n{agree} of {len(names)} files: the browser's frames agree with Pillow's")
    return 0 if agree == len(names) else 1


if __name__ == "__main__":
    sys.exit(main())
