#!/usr/bin/env python3
"""Bolto's benchmark suite: every figure as a ratio against a baseline measured in the same run.

    run_bench.py BUILD_DIR [--smoke]

Generates its inputs into BUILD_DIR/bench-inputs (once per size), runs every row's subject and
baseline alternately BENCH_RUNS times (default 5), prints min and median of the ratios with the
goal beside them, and writes BUILD_DIR/bench.json. BENCH_SCALE (default 1) scales every input;
--smoke uses tiny inputs and one run and checks no goal: CTest runs it so the suite keeps working.
"""

import json
import os
import statistics
import struct
import subprocess
import sys
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
SMOKE = "--smoke" in sys.argv
RUNS = 1 if SMOKE else max(5, int(os.environ.get("BENCH_RUNS", "5")))
SCALE = 0.002 if SMOKE else float(os.environ.get("BENCH_SCALE", "1"))
INPUTS = os.path.join(BUILD, "bench-inputs-smoke" if SMOKE else "bench-inputs")
MB = 1 << 20

ENV = dict(os.environ)
ENV.setdefault("QT_QPA_PLATFORM", "offscreen")
ENV.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
ENV.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox --disable-dev-shm-usage")
ENV["BENCH_RUNS"] = str(RUNS)


# ---- inputs -----------------------------------------------------------------------------------

def prefix(n):
    """The archive's shortest length prefix."""
    if n < 0xFF:
        return struct.pack("<B", n)
    if n < 0xFFFE:
        return struct.pack("<BH", 0xFF, n)
    return struct.pack("<BHI", 0xFF, 0xFFFF, n)


def utf16_prefix(units):
    return struct.pack("<BH", 0xFF, 0xFFFE) + prefix(units)


def lesson(path, strings, count):
    """Writes `count` pages whose strings (already prefixed) cycle through `strings`."""
    with open(path + ".tmp", "wb") as f:
        f.write(struct.pack("<i", count))
        block = b"".join(strings)
        whole, rest = divmod(count, len(strings))
        for _ in range(whole):
            f.write(block)
        f.write(b"".join(strings[:rest]))
        for _ in range(3):  # kinds, first lines, line counts
            f.write(struct.pack("<i", count))
            f.write(struct.pack("<i", 1) * count)
        f.write(prefix(5) + b"bench")
    os.replace(path + ".tmp", path)


def code_text(size, seed):
    """Program text with Japanese comments, about `size` bytes of code page 932."""
    lines = []
    total = 0
    i = seed
    while True:
        line = f"  gl.drawArrays(gl.TRIANGLES, 0, {i}); // 三角形を描く{i % 7}\r\n".encode("cp932")
        if total + len(line) > size:
            return b"".join(lines) + b" " * (size - total)
        lines.append(line)
        total += len(line)
        i += 1


def japanese_text(size, seed):
    words = ["こんにちは、", "三角形を描きます。", "画面に表示します。", "ボタンを押すと",
             "色が変わります。", "関数を呼び出す", "変数に代入する。", "\r\n"]
    out = []
    total = 0
    i = seed
    while total < size:
        w = words[i % len(words)].encode("cp932")
        out.append(w)
        total += len(w)
        i += 1
    return b"".join(out)


def inputs():
    os.makedirs(INPUTS, exist_ok=True)
    made = {}

    def make(name, writer):
        path = os.path.join(INPUTS, name)
        if not os.path.exists(path):
            writer(path)
        made[name.split("-")[0]] = path

    small_pages = max(4, int(256 * MB * SCALE / 1003))
    make(f"small-{small_pages}.blsh",
         lambda p: lesson(p, [prefix(1000) + code_text(1000, s) for s in range(16)], small_pages))
    large_texts = max(2, int(64 * SCALE))
    large_size = 4 * MB if not SMOKE else 64 * 1024
    make(f"large-{large_texts}x{large_size}.blsh",
         lambda p: lesson(p, [prefix(large_size) + code_text(large_size, s) for s in range(4)],
                          large_texts))
    utf16_pages = max(4, int(256 * MB * SCALE / 2006))
    make(f"utf16-{utf16_pages}.blsh",
         lambda p: lesson(p, [utf16_prefix(1000) +
                              code_text(3000, s).decode("cp932")[:1000].encode("utf-16-le")
                              for s in range(16)], utf16_pages))
    japanese_pages = max(4, int(128 * MB * SCALE / 2003))
    make(f"japanese-{japanese_pages}.blsh",
         lambda p: lesson(p, [prefix(len(t)) + t for t in
                              (japanese_text(2000, s) for s in range(16))], japanese_pages))
    return made


# ---- measuring --------------------------------------------------------------------------------

def run(command, stdout=subprocess.DEVNULL, drain=False):
    """CPU seconds (user and system: on a shared machine wall time mostly measures the
    neighbours), peak resident bytes and output of one process. `drain` reads the output through
    a pipe and drops it, so a program cannot skip writing it as it could to /dev/null."""
    child = subprocess.Popen(command, stdout=subprocess.PIPE if drain else stdout,
                             stderr=subprocess.DEVNULL, env=ENV)
    out = b""
    if drain:
        while child.stdout.read(1 << 20):
            pass
    elif stdout == subprocess.PIPE:
        out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = usage.ru_utime + usage.ru_stime
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        raise SystemExit(f"failed ({child.returncode}): {' '.join(command)}")
    return elapsed, usage.ru_maxrss * 1024, out


def tool(name):
    return os.path.join(BUILD, name)


ROWS = []


def row(name, ratios, goal, better, note=""):
    """One table row: `better` is "low" (ratio <= goal) or "high" (ratio >= goal)."""
    ratios = [float(r) for r in ratios]
    # Judged by the median: on a shared machine single runs stray both ways.
    middle = statistics.median(ratios)
    entry = {
        "row": name,
        "min": min(ratios),
        "median": statistics.median(ratios),
        "max": max(ratios),
        "goal": goal,
        "better": better,
        "met": (middle <= goal) if better == "low" else (middle >= goal),
        "samples": ratios,
        "note": note,
    }
    ROWS.append(entry)
    return entry


def load_rows(files):
    loadcost = tool("benchmarks/bolto-loadcost")
    for key, label, goal in (("small", "Load, small pages: throughput vs one read", 0.9),
                             ("large", "Load, 4 MB texts: throughput vs one read", 0.9),
                             ("utf16", "Load, UTF-16 strings: throughput vs one read", 0.6)):
        path = files[key]
        size = os.path.getsize(path)
        ratios, peaks = [], []
        for _ in range(RUNS):
            t_read, _, _ = run([loadcost, "read", path], subprocess.PIPE)
            t_load, _, out = run([loadcost, "load", path], subprocess.PIPE)
            outcome, peak = out.split()
            if outcome != b"ok":
                raise SystemExit(f"{path} did not load: {outcome.decode()}")
            ratios.append(t_read / t_load)
            peaks.append(int(peak) / size)
        row(label, ratios, goal, "high", f"{size / MB:.0f} MB")
        if key == "small":
            row("Load: peak memory added / file size", peaks, 1.1, "low")


def dump_rows(files):
    path = files["japanese"]
    size = os.path.getsize(path)
    ratios, peaks = [], []
    for _ in range(RUNS):
        t_cat, _, _ = run(["cat", path], drain=True)
        t_dump, peak, _ = run([tool("bin/bolto-lesson"), "dump", path], drain=True)
        ratios.append(t_dump / t_cat)
        peaks.append(peak / size)
    row("bolto-lesson dump vs cat, Japanese text: time", ratios, 15, "low", f"{size / MB:.0f} MB")
    row("bolto-lesson dump: peak memory / file size", peaks, 2, "low")


def inprocess(args):
    _, _, out = run([tool("benchmarks/bench_bolto")] + args, subprocess.PIPE)
    return json.loads(out.decode().strip().splitlines()[-1])


def ratios(series, a, b):
    return [x / y for x, y in zip(series[a], series[b])]


def decode_rows(files):
    for key, label in (("small", "small texts"), ("large", "4 MB texts")):
        result = inprocess(["decode", files[key]])
        s = result["series"]
        row(f"Decode every text after the load, {label}: time / load time",
            ratios(s, "decode", "load"), 1, "low")
        for decoder in ("decode", "iconv", "icu"):
            if decoder in s:
                differs = result.get(f"textsDifferingFromTables_{decoder}", 0)
                note = "kept" if decoder == "decode" else f"{differs} texts differ from iconv"
                row(f"  decoder {'tables' if decoder == 'decode' else decoder}, {label}: "
                    "time / plain widening loop", ratios(s, decoder, "plain"), float("inf"),
                    "low", note)


def editor_rows():
    lines = max(100, int(200000 * SCALE))
    env_long = os.environ.get("BENCH_LONG_LINE")
    if SMOKE and not env_long:
        ENV["BENCH_LONG_LINE"] = "2000"
    result = inprocess(["editor", str(lines)])
    s = result["series"]
    row(f"Gutter repaint, {lines} lines mid-way vs 60 lines", ratios(s, "gutter_big",
                                                                     "gutter_small"), 1.2, "low")
    row(f"Page change at {lines} lines: gutter paints", result["gutter_paints"]["page_change"],
        1, "low")
    row(f"Page change at {lines} lines: ms (goal one frame)",
        [x * 1000 for x in s["page_change"]], 16.7, "low")
    row("  to a page of another kind: gutter paints", result["gutter_paints"]["page_kind"],
        float("inf"), "low", "one is Qt's repaint of the editor for the new selection colour")
    row("  to a page of another kind: ms (goal one frame)", [x * 1000 for x in s["page_kind"]],
        16.7, "low")
    row(f"Typing mid-way in {lines} lines vs 10 lines", ratios(s, "type_big", "type_small"), 1.2,
        "low")
    row("  the same in Qt's own editor, same font, nothing of the program's",
        ratios(s, "qt_type_big", "qt_type_small"), float("inf"), "low", "Qt's share")
    row(f"Typing on a line of {result['long_line_bytes'] / MB:.2f} MB: ms per key",
        [x * 1000 for x in s["type_long_line"]], 100, "low")
    row(f"Typing on a line of {result['long_line_bytes'] / MB:.2f} MB in a script: ms per key",
        [x * 1000 for x in s["type_long_script_line"]], 100, "low")


def export_rows():
    # Wall time on both sides (the disk is waited for); single writes stray with the neighbours'
    # disk traffic, so the pairs are three times the runs.
    lines = max(100, int(200000 * SCALE))
    result = inprocess(["export", str(lines), str(RUNS if SMOKE else 3 * RUNS)])
    row(f"Run's export of {lines} lines vs write + fsync",
        ratios(result["series"], "export", "write_fsync"), 2.5, "low",
        f"{result['bytes'] / MB:.1f} MB")


def first_page(command, env):
    """Seconds from the start of `command` to the first page it reports loaded (see
    firstpage_probe.cpp), and the rest of its report."""
    start = time.monotonic_ns()
    out = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         timeout=120).stdout.decode(errors="replace")
    for line in out.splitlines():
        fields = line.split()
        if fields[:1] == ["firstpage"] and "failed" not in fields:
            return (int(fields[1]) - start) / 1e9, fields[2:]
    raise SystemExit(f"no page loaded: {' '.join(command)}")


def startup_rows():
    # The real program on the demo lesson, in a home of its own (it registers file types and
    # keeps settings and progress there), against a bare web view loading the page it showed,
    # at its window's size. Wall time: start-up is spread over the engine's processes.
    home = os.path.join(BUILD, "bench-home-smoke" if SMOKE else "bench-home")
    env = dict(ENV, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
               XDG_RUNTIME_DIR=os.path.join(home, "runtime"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    bolto = [tool("bin/bolto"), tool("bin/webgl.blsh")]
    # A sanitized build would refuse to start with the probe loaded ahead of its runtime.
    asan = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    bolto_env = dict(env, LD_PRELOAD=tool("benchmarks/libbolto_firstpage_probe.so"),
                     ASAN_OPTIONS=asan)
    # Both once untimed: the first start fills the caches and the home.
    _, (width, height, url) = first_page(bolto, bolto_env)
    bare = [tool("benchmarks/bolto-bare-webview"), url, width, height]
    # The same Qt parts as the window, alone: what the program adds beyond them is its own.
    parts = [tool("benchmarks/bolto-bare-window"), url, width, height,
             os.path.join(home, "bare-window.sqlite")]
    first_page(bare, env)
    first_page(parts, env)
    # Wall time of several processes strays with the neighbours: three rounds for each run, the
    # three programs in turn, every other round backwards.
    commands = {"bolto": (bolto, bolto_env), "bare": (bare, env), "parts": (parts, env)}
    times = {name: [] for name in commands}
    for i in range(RUNS if SMOKE else 3 * RUNS):
        for name in (list(commands) if i % 2 == 0 else list(reversed(commands))):
            times[name].append(first_page(*commands[name])[0])

    def ms(name):
        return f"{statistics.median(times[name]) * 1000:.0f}"

    row("Start-up to the first tutorial page vs a bare web view",
        [a / b for a, b in zip(times["bolto"], times["bare"])], 1.1, "low",
        f"{width}x{height}, median {ms('bolto')} vs {ms('bare')} ms")
    row("  the window's Qt parts alone vs the bare web view",
        [a / b for a, b in zip(times["parts"], times["bare"])], float("inf"), "low",
        f"Qt's share, median {ms('parts')} ms")
    row("  the program vs its window's Qt parts alone",
        [a / b for a, b in zip(times["bolto"], times["parts"])], float("inf"), "low",
        "the program's own share")


def main():
    # BENCH_ONLY=load,dump,decode,editor,export,startup runs some groups only.
    only = os.environ.get("BENCH_ONLY", "load,dump,decode,editor,export,startup").split(",")
    # The lessons are generated only for the groups that read them.
    files = inputs() if {"load", "dump", "decode"} & set(only) else {}
    for group, rows in (("load", lambda: load_rows(files)), ("dump", lambda: dump_rows(files)),
                        ("decode", lambda: decode_rows(files)), ("editor", editor_rows),
                        ("export", export_rows),
                        ("startup", startup_rows)):
        if group in only:
            rows()
    width = max(len(r["row"]) for r in ROWS)
    print(f"{'row':<{width}}  {'min':>9}  {'median':>9}  goal")
    for r in ROWS:
        goal = "" if r["goal"] == float("inf") else \
            f"{'<=' if r['better'] == 'low' else '>='} {r['goal']:g}"
        mark = "" if not goal or SMOKE else ("  ok" if r["met"] else "  MISSED")
        note = f"  ({r['note']})" if r["note"] else ""
        print(f"{r['row']:<{width}}  {r['min']:>9.3f}  {r['median']:>9.3f}  {goal}{mark}{note}")
    result = os.path.join(BUILD, "bench-smoke.json" if SMOKE else "bench.json")
    with open(result, "w") as f:
        json.dump({"runs": RUNS, "scale": SCALE, "smoke": SMOKE,
                   "rows": [dict(r, goal=None if r["goal"] == float("inf") else r["goal"])
                            for r in ROWS]}, f, indent=1)
    print(f"written: {result}")


if __name__ == "__main__":
    main()
