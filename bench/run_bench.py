#!/usr/bin/python3
"""Benchmark quillon-cli against its peers over a folder of GIF files.

Runs, side by side in one run, `quillon-cli`, `quillon-cli --extra`, `gifsicle -O2`, `gifsicle -O3` and ImageMagick's
`convert IN -layers Optimize OUT` on every GIF of a corpus, and measures per file and in total:
output bytes, saving in percent, CPU seconds (user + system of the child, best of N runs),
peak memory (the child's maximum resident set) and whether the output shows the same animation
as the input (the rule of ../shared/tools/gifeq.py: same composed RGBA frames, fully transparent
pixels equal whatever their colour, same delays, repeated consecutive frames merged).

Writes a Markdown report (bench/RESULTS.md) and a plot (bench/results.png). A tool that is
missing, fails, times out or writes a different animation shows up as such in the report;
nothing is dropped. Inputs that Pillow (the reference decoder) cannot read are listed apart:
their outputs cannot be checked, so they stay out of the totals the ratios are taken from.

Usually started through bench/run.sh, which installs the peers and builds quillon-cli first.
"""

import argparse
import datetime
import hashlib
import importlib.util
import json
import os
import platform
import re
import shutil
import signal
import subprocess
import sys
import time
import warnings

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_CORPUS = os.path.join(os.path.dirname(REPO), "shared", "corpus")
DEFAULT_QUILLON = os.path.join(REPO, "build-bench", "src", "cli", "quillon-cli")
DEFAULT_WORK = os.path.join(REPO, "build-bench", "bench-out")
OURS = "quillon-cli"
EXTRA = "quillon-cli --extra"
REFERENCE = "gifsicle -O3"

# Per-file, per-tool outcome.
EQUAL, DIFFERS, FAILED, UNCHECKED, MISSING = "equal", "differs", "failed", "unchecked", "missing"


# ---------------------------------------------------------------------------------------------
# Tools

class Tool:
    def __init__(self, name, slug, argv, exe, missing_reason=None, env=None):
        self.name = name          # shown in the report
        self.slug = slug          # output sub-folder
        self.argv = argv          # function (input, output) -> argument list
        self.exe = exe
        self.missing_reason = missing_reason
        self.env = env            # the environment the tool runs in
        self.version = "not available"

    @property
    def available(self):
        return self.missing_reason is None


def find_convert(explicit):
    """ImageMagick's own binary: /usr/bin first, since a PATH entry named convert may be a
    wrapper script whose interpreter start-up would be charged to ImageMagick."""
    if explicit:
        return explicit
    for candidate in ("/usr/bin/convert", "/usr/bin/magick"):
        if os.access(candidate, os.X_OK):
            return candidate
    return shutil.which("magick") or shutil.which("convert")


def make_tools(args):
    quillon = os.path.abspath(args.quillon)
    gifsicle = args.gifsicle or shutil.which("gifsicle")
    convert = find_convert(args.convert)

    def need(path, what):
        if path and os.access(path, os.X_OK):
            return None
        return f"{path or what} not found" + (" (bench/run.sh builds it)" if what == OURS else "")

    tools = [
        # An empty configuration folder: the run measures the defaults, not a preference file
        # saved by the desktop program on this machine.
        Tool(OURS, "quillon", lambda i, o: [quillon, "--quiet", "--allow-larger", "-j", "1", "-o", o, i],
             quillon, need(quillon, OURS),
             env=dict(os.environ, XDG_CONFIG_HOME=os.path.join(os.path.abspath(args.work), "config"))),
        # The extra compression mode: slower, and lossless even with more than 255 colours.
        Tool(EXTRA, "quillon-extra",
             lambda i, o: [quillon, "--extra", "--quiet", "--allow-larger", "-j", "1", "-o", o, i],
             quillon, need(quillon, OURS),
             env=dict(os.environ, XDG_CONFIG_HOME=os.path.join(os.path.abspath(args.work), "config"))),
        Tool("gifsicle -O2", "gifsicle-O2", lambda i, o: [gifsicle, "-O2", i, "-o", o],
             gifsicle, need(gifsicle, "gifsicle")),
        Tool("gifsicle -O3", "gifsicle-O3", lambda i, o: [gifsicle, "-O3", i, "-o", o],
             gifsicle, need(gifsicle, "gifsicle")),
        Tool("ImageMagick -layers Optimize", "imagemagick",
             lambda i, o: [convert, i, "-layers", "Optimize", o],
             convert, need(convert, "ImageMagick convert")),
    ]
    if args.tools:
        wanted = {t.strip() for t in args.tools.split(",")}
        tools = [t for t in tools if t.slug in wanted or t.name in wanted]
    for t in tools:
        if t.available:
            t.version = tool_version(t)
    return tools


def first_line(argv):
    try:
        r = subprocess.run(argv, capture_output=True, text=True, timeout=20)
    except (OSError, subprocess.SubprocessError):
        return None
    text = (r.stdout or r.stderr).strip()
    return text.splitlines()[0].strip() if r.returncode == 0 and text else None


def git_revision():
    try:
        r = subprocess.run(["git", "-C", REPO, "describe", "--always", "--dirty"],
                           capture_output=True, text=True, timeout=20)
        return r.stdout.strip() if r.returncode == 0 else None
    except (OSError, subprocess.SubprocessError):
        return None


def tool_version(tool):
    if tool.name in (OURS, EXTRA):
        own = first_line([tool.exe, "--version"])
        rev = git_revision()
        parts = [p for p in (own, f"git {rev}" if rev else None) if p]
        return ", ".join(parts) or "unknown"
    if tool.slug.startswith("gifsicle"):
        return first_line([tool.exe, "--version"]) or "unknown"
    line = first_line([tool.exe, "-version"]) or "unknown"
    return re.sub(r"\s+https?://\S+.*$", "", line.replace("Version: ", ""))


# ---------------------------------------------------------------------------------------------
# Running one child and measuring it

def build_measure(work):
    """Compiles bench/measure.c (the launcher that measures one child) into the work folder."""
    source = os.path.join(REPO, "bench", "measure.c")
    binary = os.path.join(work, "measure")
    if os.path.exists(binary) and os.path.getmtime(binary) >= os.path.getmtime(source):
        return binary
    cc = os.environ.get("CC") or shutil.which("cc") or shutil.which("gcc") or shutil.which("clang")
    if not cc:
        sys.exit("a C compiler is needed for bench/measure.c: run scripts/install-deps.sh")
    r = subprocess.run([cc, "-O2", "-Wall", "-Wextra", "-Werror", "-o", binary, source],
                       capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"cannot compile bench/measure.c:\n{r.stderr}")
    return binary


def run_measured(measure, argv, env, stderr_path, timeout):
    """Runs argv through the measuring launcher with no input and stderr into stderr_path.
    Answers a dict with cpu (user + system seconds of the child), rss_kib (its peak resident
    set) and error (a short text, or None)."""
    stats_path = stderr_path[:-len(".stderr")] + ".stats"
    for path in (stderr_path, stats_path):
        if os.path.exists(path):
            os.remove(path)
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, stderr_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    clock = time.monotonic()
    # A session of its own, so that a timeout stops the launcher and the tool together.
    pid = os.posix_spawn(measure, [measure, stats_path] + argv, env or os.environ, file_actions=actions, setsid=True)
    timed_out = False
    try:
        while True:
            # Polling keeps the timeout free of races with pid reuse; the sleeps are the
            # script's time, never charged to the tool.
            wpid, _, _ = os.wait4(pid, os.WNOHANG)
            if wpid == pid:
                break
            if not timed_out and time.monotonic() - clock > timeout:
                os.killpg(pid, signal.SIGKILL)
                timed_out = True
            time.sleep(0.002)
    except BaseException:
        # Interrupted: the tool runs in a session of its own, so it would outlive the script.
        os.killpg(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        raise
    if timed_out:
        return {"cpu": time.monotonic() - clock, "rss_kib": 0,
                "error": f"timed out after {timeout:g} s (CPU counted as wall time)"}
    try:
        with open(stats_path) as f:
            kind, code, user_us, system_us, rss = f.read().split()
    except (OSError, ValueError):
        return {"cpu": 0.0, "rss_kib": 0, "error": f"measuring failed: {stderr_tail(stderr_path)}"}
    result = {"cpu": (int(user_us) + int(system_us)) / 1e6, "rss_kib": int(rss), "error": None}
    if kind == "signal":
        result["error"] = f"killed by signal {code}: {stderr_tail(stderr_path)}"
    elif code != "0":
        result["error"] = f"exit code {code}: {stderr_tail(stderr_path)}"
    return result


def stderr_tail(path):
    try:
        with open(path, "rb") as f:
            text = f.read()[-4000:].decode("utf-8", "replace")
    except OSError:
        return ""
    lines = [line.strip() for line in text.splitlines() if line.strip()]
    if not lines:
        return "(no message)"
    # The first error names the cause; later lines tend to be its consequences or warnings.
    errors = [line for line in lines if "error" in line.lower() or "cannot" in line.lower()]
    return (errors[0] if errors else lines[-1])[:200]


# ---------------------------------------------------------------------------------------------
# Comparing animations (the rule of ../shared/tools/gifeq.py)

def composed_frames(path):
    """Yields (rgba_bytes, size, delay) for the composed frames of a GIF, fully transparent
    pixels cleared to (0,0,0,0), consecutive identical frames merged with their delays added."""
    from PIL import Image, ImageSequence
    with Image.open(path) as im:
        pending = None
        for fr in ImageSequence.Iterator(im):
            rgba = fr.convert("RGBA")
            mask = rgba.getchannel("A").point(lambda v: 255 if v else 0)
            clear = Image.new("RGBA", rgba.size, (0, 0, 0, 0))
            pixels = Image.composite(rgba, clear, mask).tobytes()
            delay = fr.info.get("duration", 0)
            if pending and pending[0] == pixels and pending[1] == rgba.size:
                pending = (pixels, rgba.size, pending[2] + delay)
                continue
            if pending:
                yield pending
            pending = (pixels, rgba.size, delay)
        if pending:
            yield pending


def timeline(path):
    """The animation as a list of (digest, size, delay); raises what Pillow raises."""
    return [(hashlib.blake2b(p, digest_size=20).digest(), s, d) for p, s, d in composed_frames(path)]


def pixels_differing(a, b, index):
    try:
        import numpy
        fa = next(x for i, x in enumerate(composed_frames(a)) if i == index)[0]
        fb = next(x for i, x in enumerate(composed_frames(b)) if i == index)[0]
        return int(numpy.count_nonzero(numpy.frombuffer(fa, numpy.uint32) != numpy.frombuffer(fb, numpy.uint32)))
    except Exception:  # the count only decorates the message
        return None


def compare(input_path, input_timeline, output_path, gifeq):
    """Answers (status, message) for an output against its input."""
    if gifeq:
        r = subprocess.run([sys.executable, gifeq, input_path, output_path], capture_output=True, text=True)
        message = (r.stdout.strip() or r.stderr.strip()).splitlines()
        message = message[-1] if message else ""
        return (EQUAL, "") if r.returncode == 0 else (DIFFERS, message)
    try:
        out = timeline(output_path)
    except Exception as e:
        return DIFFERS, f"Pillow cannot read the output: {type(e).__name__}: {e}"
    if len(out) != len(input_timeline):
        return DIFFERS, f"frame count {len(input_timeline)} vs {len(out)} (after merging repeats)"
    for i, ((ha, sa, da), (hb, sb, db)) in enumerate(zip(input_timeline, out)):
        if sa != sb:
            return DIFFERS, f"frame {i}: size {sa} vs {sb}"
        if ha != hb:
            n = pixels_differing(input_path, output_path, i)
            return DIFFERS, f"frame {i}: {n if n is not None else 'some'} pixels differ"
        if da != db:
            return DIFFERS, f"frame {i}: delay {da} vs {db}"
    return EQUAL, ""


# ---------------------------------------------------------------------------------------------
# The benchmark

def benchmark_file(path, tools, args):
    name = os.path.basename(path)
    size = os.path.getsize(path)
    entry = {"name": name, "bytes": size, "input_error": None, "tools": {}}
    try:
        reference = timeline(path)
    except Exception as e:
        reference = None
        entry["input_error"] = f"{type(e).__name__}: {e}"

    results = {}
    for t in tools:
        results[t.name] = {"status": MISSING if not t.available else None, "bytes": None,
                           "cpu": None, "rss_kib": None, "sizes": set(), "message": t.missing_reason or ""}
    # Round-robin over the tools inside each repetition, so that noise hits all of them alike.
    for rep in range(args.repeat):
        for t in tools:
            r = results[t.name]
            if r["status"] is not None:
                continue      # missing, or already failed: repeating a failure measures nothing
            out_dir = os.path.join(args.work, t.slug)
            out = os.path.join(out_dir, name)
            if os.path.exists(out):
                os.remove(out)
            m = run_measured(args.measure, t.argv(path, out), t.env, os.path.join(out_dir, name + ".stderr"), args.timeout)
            r["cpu"] = m["cpu"] if r["cpu"] is None else min(r["cpu"], m["cpu"])
            r["rss_kib"] = max(r["rss_kib"] or 0, m["rss_kib"])
            if m["error"] is None and not os.path.isfile(out):
                m["error"] = "exit code 0 but no output file"
            if m["error"]:
                r["status"], r["message"] = FAILED, m["error"]
                continue
            r["sizes"].add(os.path.getsize(out))
            r["bytes"] = os.path.getsize(out)
    for t in tools:
        r = results[t.name]
        sizes = sorted(r.pop("sizes"))
        if r["status"] is not None:
            continue
        if reference is None:
            r["status"], r["message"] = UNCHECKED, "input unreadable by Pillow"
        else:
            r["status"], r["message"] = compare(path, reference, os.path.join(args.work, t.slug, name), args.gifeq)
        if len(sizes) > 1:
            varies = ", ".join(str(n) for n in sizes)
            r["message"] = (r["message"] + "; " if r["message"] else "") + f"output size varies between runs ({varies})"
            if r["status"] == EQUAL:
                r["status"] = DIFFERS
    entry["tools"] = results
    return entry


def summarise(files, tools):
    """Totals over the readable inputs, the same files for every tool. An output that failed or
    shows a different animation saves nothing: it counts at the input's size, as a user would
    keep the original. CPU counts every run, failures included. The quoted ratios take only
    the files where both quillon-cli and gifsicle -O3 wrote the same animation."""
    readable = [f for f in files if f["input_error"] is None]
    totals = {"files": len(readable), "input": sum(f["bytes"] for f in readable), "tools": {}}
    for t in tools:
        rows = [f["tools"][t.name] for f in files]
        counts = {s: sum(1 for r in rows if r["status"] == s) for s in (EQUAL, DIFFERS, FAILED, UNCHECKED, MISSING)}
        entry = {"counts": counts, "bytes": None, "cpu": None, "rss_max": None}
        if t.available:
            entry["bytes"] = sum(f["tools"][t.name]["bytes"] if f["tools"][t.name]["status"] == EQUAL else f["bytes"]
                                 for f in readable)
            entry["cpu"] = sum(f["tools"][t.name]["cpu"] or 0.0 for f in readable)
            entry["rss_max"] = max((f["tools"][t.name]["rss_kib"] or 0 for f in readable), default=0)
        totals["tools"][t.name] = entry
    pair = [f for f in readable if OURS in f["tools"] and REFERENCE in f["tools"]
            and f["tools"][OURS]["status"] == EQUAL and f["tools"][REFERENCE]["status"] == EQUAL]
    totals["pair"] = {
        "files": len(pair), "input": sum(f["bytes"] for f in pair),
        "ours_bytes": sum(f["tools"][OURS]["bytes"] for f in pair),
        "ref_bytes": sum(f["tools"][REFERENCE]["bytes"] for f in pair),
        "ours_cpu": sum(f["tools"][OURS]["cpu"] for f in pair),
        "ref_cpu": sum(f["tools"][REFERENCE]["cpu"] for f in pair),
    }
    return totals


# ---------------------------------------------------------------------------------------------
# Report

def machine_text():
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    mem = ""
    try:
        with open("/proc/meminfo") as f:
            kib = int(f.readline().split()[1])
            mem = f", {kib / 1048576:.0f} GiB memory"
    except (OSError, ValueError, IndexError):
        pass
    system = platform.system() + " " + platform.release()
    try:
        with open("/etc/os-release") as f:
            pretty = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line).get("PRETTY_NAME")
            if pretty:
                system = pretty.strip('"') + ", kernel " + platform.release()
    except OSError:
        pass
    return f"{cpu}, nproc {os.cpu_count()}{mem}; {system}"


def pct_saved(before, after):
    return 100.0 * (before - after) / before if before else 0.0


def cell_bytes(f, r):
    if r["status"] in (MISSING,):
        return "—"
    if r["status"] == FAILED:
        return "✗ failed"
    mark = {EQUAL: "", DIFFERS: " ≠", UNCHECKED: " ?"}[r["status"]]
    return f"{r['bytes']:,} ({-pct_saved(f['bytes'], r['bytes']):+.1f}%){mark}"


def cell_cost(r):
    if r["cpu"] is None:
        return "—"
    mark = " ✗" if r["status"] == FAILED else ""
    return f"{r['cpu']:.3f} s / {r['rss_kib'] / 1024:.1f} MiB{mark}"


def ratio(a, b):
    return a / b if a is not None and b else None


def fmt_ratio(x):
    return f"{x:.3f}" if x is not None else "n/a"


def write_markdown(path, files, tools, totals, args, started, elapsed):
    names = [t.name for t in tools]
    lines = []
    add = lines.append
    add("# Benchmark: quillon-cli against gifsicle and ImageMagick")
    add("")
    add(f"- Date: {started.strftime('%Y-%m-%d %H:%M UTC')} (run took {elapsed / 60:.1f} min)")
    add(f"- Machine: {getattr(args, 'machine', None) or machine_text()}")
    add(f"- Corpus: `{display_path(args.corpus)}`: {len(files)} GIF files, {sum(f['bytes'] for f in files):,} bytes")
    add(f"- CPU time: user + system of each child process, best of {args.repeat} run{'s' if args.repeat > 1 else ''} per file and tool; "
        "peak memory: the child's maximum resident set over those runs")
    add("- Same animation: the rule of `../shared/tools/gifeq.py` (composed RGBA frames, delays), "
        "decoded with Pillow")
    add("- Versions:")
    for t in tools:
        add(f"  - {t.name}: {t.version}" + ("" if t.available else f" ({t.missing_reason})"))
    from PIL import __version__ as pil_version
    add(f"  - Pillow {pil_version}, Python {platform.python_version()}")
    add("- Commands: " + "; ".join(f"`{' '.join(display_argv(t))}`" for t in tools))
    add("")

    add("## Quoted ratios")
    add("")
    pair = totals["pair"]
    if pair["files"]:
        add(f"Over the {pair['files']} files ({pair['input']:,} input bytes) where both {OURS} and {REFERENCE} "
            "wrote the same animation as the input:")
        add("")
        add(f"- Size: {OURS} total bytes / {REFERENCE} total bytes = "
            f"**{fmt_ratio(ratio(pair['ours_bytes'], pair['ref_bytes']))}** "
            f"({pair['ours_bytes']:,} / {pair['ref_bytes']:,})")
        cpu_ratio = ratio(pair["ours_cpu"], pair["ref_cpu"])
        add(f"- CPU: {OURS} total CPU / {REFERENCE} total CPU = **{fmt_ratio(cpu_ratio)}** "
            f"({pair['ours_cpu']:.3f} s / {pair['ref_cpu']:.3f} s); target at most 1.0: "
            + ("met" if cpu_ratio is not None and cpu_ratio <= 1.0 else "**not met**"))
        add("- " + memory_target_text(files))
    else:
        why = "; ".join(t.missing_reason for t in tools if t.name in (OURS, REFERENCE) and t.missing_reason)
        add(f"Not available in this run: no file where both {OURS} and {REFERENCE} wrote the same animation"
            + (f" ({why})." if why else "."))
    add("")

    add("## Totals")
    add("")
    add(f"Over the {totals['files']} inputs that Pillow can read ({totals['input']:,} bytes), the same files for "
        "every tool. An output that failed or shows a different animation counts at the input's size (a user "
        "would keep the original); CPU adds every run's best time, failures included.")
    add("")
    add("| tool | same | differs | failed | unchecked | bytes | saved | CPU s | peak memory (largest) |")
    add("|---|--:|--:|--:|--:|--:|--:|--:|--:|")
    for t in tools:
        s = totals["tools"][t.name]
        c = s["counts"]
        if not t.available:
            add(f"| {t.name} | — | — | — | — | not run: {md_escape(t.missing_reason)} | | | |")
            continue
        add(f"| {t.name} | {c[EQUAL]} | {c[DIFFERS]} | {c[FAILED]} | {c[UNCHECKED]} | {s['bytes']:,} | "
            f"{pct_saved(totals['input'], s['bytes']):.2f}% | {s['cpu']:.3f} | {s['rss_max'] / 1024:.1f} MiB |")
    add("")
    add("Counts cover every file: unchecked outputs come from inputs Pillow cannot read, and failures on "
        "those inputs count under failed.")
    add("")

    add("## Failures and differences")
    add("")
    present = [t for t in tools if t.available]
    problems = [(f["name"], t.name, f["tools"][t.name]) for f in files for t in present
                if f["tools"][t.name]["status"] in (FAILED, DIFFERS)]
    if problems:
        add("| file | tool | outcome |")
        add("|---|---|---|")
        for name, tool, r in problems:
            add(f"| {name} | {tool} | {r['status']}: {md_escape(r['message'])} |")
    else:
        add("None: every tool ran on every file and wrote the same animation where it could be checked.")
    add("")
    unreadable = [f for f in files if f["input_error"]]
    add("## Inputs Pillow cannot read")
    add("")
    if unreadable:
        add("The tools still ran on these files (their bytes and CPU time are in the per-file tables, marked ?), "
            "but their outputs cannot be checked, so they stay out of the totals.")
        add("")
        for f in unreadable:
            add(f"- {f['name']}: {md_escape(f['input_error'])}")
    else:
        add("None.")
    add("")

    add("## Per file: output bytes (change against the input)")
    add("")
    add("≠ a different animation, ? not checkable (input unreadable), ✗ failed.")
    add("")
    add("| file | input | " + " | ".join(names) + " |")
    add("|---|--:|" + "--:|" * len(names))
    for f in files:
        add(f"| {f['name']} | {f['bytes']:,} | " + " | ".join(cell_bytes(f, f["tools"][n]) for n in names) + " |")
    add("")
    add("## Per file: CPU time / peak memory")
    add("")
    add("| file | " + " | ".join(names) + " |")
    add("|---|" + "--:|" * len(names))
    for f in files:
        add(f"| {f['name']} | " + " | ".join(cell_cost(f["tools"][n]) for n in names) + " |")
    add("")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))


def memory_target_text(files):
    """Per file, our peak memory against twice gifsicle -O3's on the same file."""
    pairs = []
    for f in files:
        a, b = f["tools"].get(OURS), f["tools"].get(REFERENCE)
        if a and b and a["status"] != FAILED and b["status"] != FAILED and a["rss_kib"] and b["rss_kib"]:
            pairs.append((a["rss_kib"] / b["rss_kib"], f["name"]))
    if not pairs:
        return "Memory: no file where both ran."
    over = sorted((p for p in pairs if p[0] > 2.0), reverse=True)
    worst = max(pairs)
    text = (f"Memory: peak per file at most 2x {REFERENCE}'s on {len(pairs) - len(over)} of {len(pairs)} files "
            f"(worst {worst[0]:.2f}x on {worst[1]})")
    if over:
        text += "; over 2x: " + ", ".join(f"{n} ({r:.2f}x)" for r, n in over[:10])
        if len(over) > 10:
            text += f" and {len(over) - 10} more"
    return text


def md_escape(text):
    return str(text).replace("|", "\\|").replace("\n", " ")


def display_path(p):
    p = os.path.abspath(p)
    rel = os.path.relpath(p, REPO)
    return rel if not rel.startswith("../..") else p


def display_argv(tool):
    argv = tool.argv("IN", "OUT")
    return [os.path.basename(argv[0])] + argv[1:]


def write_plot(path, tools, totals, started, repeat):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import matplotlib.ticker  # noqa: F401  (used through matplotlib.ticker)

    shown = [t for t in tools if t.available and totals["tools"][t.name]["bytes"] is not None]
    if not shown:
        return False
    def label(t):
        c = totals["tools"][t.name]["counts"]
        name = t.name.replace(" -layers ", "\n-layers ")
        return f"{name}\nsame {c[EQUAL]}, differs {c[DIFFERS]}, failed {c[FAILED]}"
    names = [label(t) for t in shown]
    saved = [pct_saved(totals["input"], totals["tools"][t.name]["bytes"]) for t in shown]
    cpu = [totals["tools"][t.name]["cpu"] for t in shown]
    rss = [totals["tools"][t.name]["rss_max"] / 1024 for t in shown]
    colours = ["#d95f02" if t.name == OURS else "#e6ab02" if t.name == EXTRA else "#7570b3" if t.slug.startswith("gifsicle") else "#1b9e77"
               for t in shown]

    fig, axes = plt.subplots(1, 3, figsize=(13, 0.9 + 0.75 * len(shown) + 1.4))
    panels = [(axes[0], saved, "bytes saved, % of the input\nhigher is better", "{:.2f}%"),
              (axes[1], cpu, "total CPU seconds (user + system)\nlower is better", "{:.2f} s"),
              (axes[2], rss, "largest peak memory on one file, MiB\nlower is better", "{:.0f} MiB")]
    y = list(range(len(shown)))[::-1]
    for ax, values, title, fmt in panels:
        positive = [v for v in values if v > 0]
        # Times and memory can differ by orders of magnitude between tools: a log axis keeps the
        # small bars readable.
        log = ax is not axes[0] and len(positive) == len(values) and max(values) / min(values) > 20
        if log:
            ax.set_xscale("log")
            ax.set_xlim(min(values) / 3, max(values) * 6)
            ax.xaxis.set_major_formatter(matplotlib.ticker.FuncFormatter(lambda v, _: f"{v:g}"))
            title += ", log scale"
        bars = ax.barh(y, values, color=colours)
        ax.set_title(title, fontsize=10)
        ax.set_yticks(y)
        ax.set_yticklabels(names if ax is axes[0] else [""] * len(names), fontsize=8.5)
        top = max(values) if values and max(values) > 0 else 1
        if not log:
            ax.set_xlim(min(0, min(values) * 1.15), top * 1.3)
        for bar, v in zip(bars, values):
            x = v * 1.15 if log else (v + top * 0.02 if v >= 0 else top * 0.02)
            ax.text(x, bar.get_y() + bar.get_height() / 2, fmt.format(v), va="center", fontsize=9)
        ax.spines[["top", "right"]].set_visible(False)
        ax.tick_params(axis="x", labelsize=8)
    fig.suptitle(f"GIF optimizers on {totals['files']} files ({totals['input'] / 1e6:.1f} MB); outputs that "
                 "differ from the input or failed count as unchanged\n"
                 f"{started.strftime('%Y-%m-%d')}, {os.cpu_count()} CPUs, "
                 + (f"best of {repeat} runs" if repeat > 1 else "one run"), fontsize=11)
    fig.tight_layout()
    fig.savefig(path, dpi=110)
    plt.close(fig)
    return True


# ---------------------------------------------------------------------------------------------

def main():
    p = argparse.ArgumentParser(description="Benchmark quillon-cli against gifsicle -O2/-O3 and ImageMagick.")
    p.add_argument("corpus", nargs="?", default=DEFAULT_CORPUS, help="folder of GIF files (default ../shared/corpus)")
    p.add_argument("--quillon", default=DEFAULT_QUILLON, help="quillon-cli binary (default build-bench/src/cli/quillon-cli)")
    p.add_argument("--gifsicle", help="gifsicle binary (default: from PATH)")
    p.add_argument("--convert", help="ImageMagick convert binary (default /usr/bin/convert)")
    p.add_argument("--tools", help="comma-separated subset: quillon, quillon-extra, gifsicle-O2, gifsicle-O3, imagemagick")
    p.add_argument("--repeat", type=int, default=3, help="runs per file and tool; the best CPU time counts (default 3)")
    p.add_argument("--timeout", type=float, default=300, help="seconds before one run is stopped (default 300)")
    p.add_argument("--work", default=DEFAULT_WORK, help="folder for the outputs (default build-bench/bench-out)")
    p.add_argument("--results", default=os.path.join(REPO, "bench", "RESULTS.md"), help="Markdown report to write")
    p.add_argument("--plot", default=os.path.join(REPO, "bench", "results.png"), help="PNG plot to write")
    p.add_argument("--gifeq", help="compare with this gifeq.py script instead of the built-in copy of its rule")
    p.add_argument("--report-only", metavar="JSON", help="write the report and plot again from a saved run "
                   "(WORK/results.json) without running anything")
    args = p.parse_args()
    if args.repeat < 1:
        p.error("--repeat must be at least 1")
    if not os.path.isdir(args.corpus):
        p.error(f"corpus folder not found: {args.corpus}")
    warnings.simplefilter("ignore")     # Pillow's decompression-bomb and palette warnings
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))   # unwinds, stopping the running tool
    if importlib.util.find_spec("PIL") is None:
        sys.exit("Pillow is missing: run scripts/install-deps.sh --bench")

    if args.report_only:
        return report_again(args)
    paths = sorted(os.path.join(args.corpus, n) for n in os.listdir(args.corpus)
                   if n.lower().endswith(".gif") and os.path.isfile(os.path.join(args.corpus, n)))
    if not paths:
        sys.exit(f"no .gif files in {args.corpus}")
    tools = make_tools(args)
    if not tools:
        p.error("--tools selected no tool")
    os.makedirs(args.work, exist_ok=True)
    args.measure = build_measure(args.work)
    for t in tools:
        os.makedirs(os.path.join(args.work, t.slug), exist_ok=True)
        state = t.version if t.available else f"MISSING: {t.missing_reason}"
        print(f"{t.name:30s} {state}", flush=True)

    started = datetime.datetime.now(datetime.timezone.utc)
    clock = time.monotonic()
    files = []
    for n, path in enumerate(paths, 1):
        entry = benchmark_file(path, tools, args)
        files.append(entry)
        status = "  ".join(f"{t.slug}:{entry['tools'][t.name]['status']}" for t in tools)
        note = "  (input unreadable by Pillow)" if entry["input_error"] else ""
        print(f"[{n}/{len(paths)}] {entry['name']}  {status}{note}", flush=True)
    elapsed = time.monotonic() - clock
    saved = os.path.join(args.work, "results.json")
    with open(saved + ".part", "w") as f:
        json.dump({"started": started.isoformat(), "elapsed": elapsed, "repeat": args.repeat,
                   "corpus": os.path.abspath(args.corpus), "machine": machine_text(),
                   "tools": [{"name": t.name, "version": t.version, "missing": t.missing_reason} for t in tools],
                   "files": files}, f, indent=1)
    os.replace(saved + ".part", saved)
    return report(files, tools, args, started, elapsed)


def report_again(args):
    with open(args.report_only) as f:
        run = json.load(f)
    tools = {t.name: t for t in make_tools(args)}
    chosen = []
    for saved in run["tools"]:
        t = tools[saved["name"]]
        t.version, t.missing_reason = saved["version"], saved["missing"]
        chosen.append(t)
    args.corpus, args.repeat = run["corpus"], run["repeat"]
    args.machine = run["machine"]
    return report(run["files"], chosen, args, datetime.datetime.fromisoformat(run["started"]), run["elapsed"])


def report(files, tools, args, started, elapsed):
    totals = summarise(files, tools)
    write_markdown(args.results, files, tools, totals, args, started, elapsed)
    plotted = write_plot(args.plot, tools, totals, started, args.repeat)
    print(f"\nwrote {args.results}" + (f" and {args.plot}" if plotted else " (no plot: no tool ran)"))
    for t in tools:
        s = totals["tools"][t.name]
        if s["bytes"] is not None:
            c = s["counts"]
            print(f"{t.name:30s} {s['bytes']:>12,} bytes ({pct_saved(totals['input'], s['bytes']):6.2f}% saved)"
                  f"  {s['cpu']:8.3f} s CPU  same {c[EQUAL]}, differs {c[DIFFERS]}, failed {c[FAILED]}")
    pair = totals["pair"]
    if pair["files"]:
        print(f"over the {pair['files']} files both kept identical: bytes {OURS}/{REFERENCE} "
              f"{fmt_ratio(ratio(pair['ours_bytes'], pair['ref_bytes']))}, "
              f"CPU {fmt_ratio(ratio(pair['ours_cpu'], pair['ref_cpu']))}")
    ours = totals["tools"].get(OURS)
    # Peers failing is part of the picture; our own failures, differences or absence are not.
    if ours is None:
        return 0
    counts = ours["counts"]
    return 0 if counts[FAILED] == counts[DIFFERS] == counts[MISSING] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
