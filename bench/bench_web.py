#!/usr/bin/python3
# Figures of the browser version in headless Chromium (WebGL on SwiftShader):
# time from navigation to the question, from the answering click to the first
# frame, frames per second and wasm milliseconds per frame over a run of frames,
# the JS heap (after a collection) and the wasm memory at its start and end,
# and the bytes a plain static host sent for the page. Figures only, no verdicts.
#
#   bench/bench_web.py [FOLDER] [LOADS] [SECONDS]   # build-web/, 3 loads of 5 s by default
import os, statistics, sys, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e-web"))
from cdp import *

FOLDER = sys.argv[1] if len(sys.argv) > 1 else "build-web"
LOADS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 5
# Stamps in page time (ms since navigation) of the question shown, the click
# that answers it and the first frame; the page itself has no such hooks. The
# first frame is seen from an animation frame, so it is late by one at most.
STAMPS = """
window.stamps = {};
const stamp = (name, seen) => { if (seen && !stamps[name]) stamps[name] = performance.now(); };
new MutationObserver(() => { const b = document.getElementById('box');
    stamp('question', b && !b.hidden); }).observe(document, {subtree: true, attributes: true, childList: true});
addEventListener('click', () => stamp('click', true), true);
(function poll() { stamp('frame', window.Module && Module.frames >= 1); requestAnimationFrame(poll); })();
"""


# The bytes the server sent for each file the page loaded (the document and
# every resource, as the page's own timing lists them): name -> bytes.
def weight(session):
    return dict(js(session, "performance.getEntriesByType('navigation').concat(performance"
                   ".getEntriesByType('resource')).map(e => [new URL(e.name).pathname.slice(1)"
                   " || 'index.html', e.encodedBodySize])"))


# The JS heap after a collection and the wasm memory, in MB.
def memory(session):
    send("HeapProfiler.collectGarbage", session)
    heap = send("Runtime.getHeapUsage", session)["usedSize"]
    return heap / 2**20, js(session, "Module.HEAP8.buffer.byteLength") / 2**20


# One page load: answered No by a click, then SECONDS of frames.
def load(session, url):
    send("Page.navigate", session, url=url)
    wait_for("the question", lambda: js(session, "stamps.question"))
    r = js(session, "document.querySelector(\"#box button[data-result='7']\").getBoundingClientRect().toJSON()")
    click(session, r["x"] + r["width"] / 2, r["y"] + r["height"] / 2)
    wait_for("the first frame", lambda: js(session, "stamps.frame"), 60)
    heap0, wasm0 = memory(session)
    f0, t0 = js(session, "[Module.frames, performance.now()]")
    time.sleep(SECONDS)
    f1, t1 = js(session, "[Module.frames, performance.now()]")
    s = js(session, "stamps")
    work = js(session, "Module.frameWorkMs")[-(f1 - f0):]  # the page keeps the latest frames'
    heap1, wasm1 = memory(session)
    return dict(question=s["question"], first_frame=s["frame"] - s["click"],
                fps=(f1 - f0) * 1000 / (t1 - t0), wasm_median=statistics.median(work),
                wasm_mean=statistics.mean(work), heap_start=heap0, heap_end=heap1,
                wasm_start=wasm0, wasm_end=wasm1, work_kept=len(js(session, "Module.frameWorkMs")))


if __name__ == "__main__":
    url = serve(FOLDER)
    problem = start_browser()
    if problem:
        fail(f"Chromium cannot start: {problem}")
    session = open_tab()[1]
    send("Page.enable", session)
    send("Page.addScriptToEvaluateOnNewDocument", session, source=STAMPS)
    runs = [load(session, url) for _ in range(LOADS)]
    files = weight(session)
    stop()
    print(f"headless Chromium, WebGL on SwiftShader, {os.cpu_count()} cores, {LOADS} page loads"
          f" of {SECONDS:g} s of frames (median; each load's figure in brackets)")
    for name, unit, label in [("question", "ms", "navigation to the question shown"),
                              ("first_frame", "ms", "answering click to the first frame"),
                              ("fps", "", f"frames per second over {SECONDS:g} s"),
                              ("wasm_median", "ms", "wasm time per frame, median"),
                              ("wasm_mean", "ms", "wasm time per frame, mean"),
                              ("heap_start", "MB", "JS heap at the first frame"),
                              ("heap_end", "MB", f"JS heap {SECONDS:g} s later"),
                              ("wasm_start", "MB", "wasm memory at the first frame"),
                              ("wasm_end", "MB", f"wasm memory {SECONDS:g} s later"),
                              ("work_kept", "", "frame times the page keeps")]:
        values = [r[name] for r in runs]
        print(f"  {label:38} {statistics.median(values):8.2f} {unit:2} "
              f"[{', '.join(f'{v:.2f}' for v in values)}]")
    print("  bytes the static host sent for the page")
    for name, sent in sorted(files.items()) + [("total", sum(files.values()))]:
        print(f"    {name:36} {sent:10d}")
