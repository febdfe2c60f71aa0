#!/usr/bin/python3
# Figures of the browser version in each engine of the browser leg
# (tests/e2e-web/engines.py): times from navigation to the question and from the
# answering click to the first frame, frames per second and wasm milliseconds per
# frame over a run of frames, the JS heap and wasm memory at its start and end,
# and the bytes a plain static host sends for the page. Each load is a first
# visit: its own server, so its own origin, with nothing cached. Figures only.
#
#   bench/bench_web.py [FOLDER [LOADS [SECONDS [ENGINES]]]]
#   (build-web/, 10 loads of 5 s, chromium,firefox,webkitgtk)
import os, statistics, sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e-web"))
from engines import *

FOLDER = sys.argv[1] if len(sys.argv) > 1 else "build-web"
LOADS = int(sys.argv[2]) if len(sys.argv) > 2 else 10
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 5
NAMES = (sys.argv[4] if len(sys.argv) > 4 else "chromium,firefox,webkitgtk").split(",")
# Stamps in page time (ms since navigation) of the question shown, the click that
# answers it (when its input came, however long the page took to take it) and the
# first frame, from a script put in front of the page's own (it has no such
# hooks). The first frame is seen from an animation frame, so it is late by one
# at most.
STAMPS = """<script>
window.stamps = {};
const stamp = (name, seen) => { if (seen && !stamps[name]) stamps[name] = performance.now(); };
new MutationObserver(() => { const b = document.getElementById('box');
    stamp('question', b && !b.hidden); }).observe(document, {subtree: true, attributes: true, childList: true});
addEventListener('click', e => stamps.click ??= e.timeStamp, true);
(function poll() { stamp('frame', window.Module && Module.frames >= 1); requestAnimationFrame(poll); })();
</script>
"""


# The page's folder as links, its index.html with STAMPS in front of the program.
def stamped(folder):
    out = os.path.join(tmp, "page")
    os.makedirs(out, exist_ok=True)
    for name in set(os.listdir(folder)) - set(os.listdir(out)) - {"index.html"}:
        os.symlink(os.path.abspath(os.path.join(folder, name)), os.path.join(out, name))
    with open(os.path.join(folder, "index.html")) as f, \
         open(os.path.join(out, "index.html"), "w") as g:
        g.write(f.read().replace("<script src=", STAMPS + "<script src=", 1))
    return out


# The files the page loaded, as a plain static host sends them: name -> bytes.
def weight(B, tab):
    names = B.js(tab, "performance.getEntriesByType('resource').map(e => new URL(e.name)"
                      ".pathname.slice(1))") + ["index.html"]
    return {n: os.path.getsize(os.path.join(FOLDER, n)) for n in names}


# The JS heap (None where the engine cannot tell) and the wasm memory, in MB.
def memory(B, tab):
    heap = B.heap(tab)
    return heap and heap / 2**20, B.js(tab, "Module.HEAP8.buffer.byteLength") / 2**20


# One first visit: answered No by a click, then SECONDS of frames.
def load(B, tab, url):
    B.navigate(tab, url)
    wait_for("the question", lambda: B.js(tab, "window.stamps && stamps.question"), 60)
    r = B.js(tab, "document.querySelector(\"#box button[data-result='7']\").getBoundingClientRect().toJSON()")
    B.click(tab, r["x"] + r["width"] / 2, r["y"] + r["height"] / 2)
    wait_for("the first frame", lambda: B.js(tab, "stamps.frame"), 60)
    heap0, wasm0 = memory(B, tab)
    f0, t0 = B.js(tab, "[Module.frames, performance.now()]")
    time.sleep(SECONDS)
    f1, t1 = B.js(tab, "[Module.frames, performance.now()]")
    s = B.js(tab, "stamps")
    work = B.js(tab, "Module.frameWorkMs")[-(f1 - f0):]  # the page keeps the latest frames'
    heap1, wasm1 = memory(B, tab)
    return dict(question=s["question"], first_frame=s["frame"] - s["click"],
                both=s["question"] + s["frame"] - s["click"], fps=(f1 - f0) * 1000 / (t1 - t0),
                wasm_median=statistics.median(work), wasm_mean=statistics.mean(work),
                heap_start=heap0, heap_end=heap1, wasm_start=wasm0, wasm_end=wasm1)


# LOADS first visits in one engine; prints their figures.
def bench(name):
    B, tab = ENGINES[name](), None
    page = stamped(FOLDER)
    urls = [serve(page) for _ in range(LOADS)]
    problem = B.start()
    if problem:
        return print(f"{B.name}: cannot start ({problem})")
    runs = []
    for url in urls:
        before, tab = tab, B.open_tab()
        before and B.close_tab(before)
        runs.append(load(B, tab, url))
    files = weight(B, tab)
    stop(keep=True)
    print(f"{B.name}, {os.cpu_count()} cores, {LOADS} first visits, {SECONDS:g} s of frames each:"
          f" median [min-max]")
    for key, unit, label in [("question", "ms", "navigation to the question shown"),
                             ("first_frame", "ms", "answering click to the first frame"),
                             ("both", "ms", "the two together"),
                             ("fps", "", "frames per second"),
                             ("wasm_median", "ms", "wasm time per frame, median"),
                             ("wasm_mean", "ms", "wasm time per frame, mean"),
                             ("heap_start", "MB", "JS heap at the first frame"),
                             ("heap_end", "MB", f"JS heap {SECONDS:g} s later"),
                             ("wasm_start", "MB", "wasm memory at the first frame"),
                             ("wasm_end", "MB", f"wasm memory {SECONDS:g} s later")]:
        values = [r[key] for r in runs]
        print(f"  {label:36} " + (f"{statistics.median(values):8.2f} {unit:2} [{min(values):.2f}-"
                                  f"{max(values):.2f}]" if None not in values else "     n/a"))
    print("  bytes a plain static host sends: " + ", ".join(
        f"{n} {b}" for n, b in sorted(files.items())) + f"; total {sum(files.values())}")


if __name__ == "__main__":
    os.path.isfile(os.path.join(FOLDER, "index.html")) or fail(f"no page in {FOLDER} (make web)")
    for name in NAMES:
        bench(name)
    stop()
