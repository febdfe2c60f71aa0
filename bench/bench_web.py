#!/usr/bin/python3
# Figures of the browser version in headless Chromium (WebGL on SwiftShader):
# time from navigation to the question, from the answering click to the first
# frame, frames per second and wasm milliseconds per frame over about five
# seconds, and the page's weight raw and gzipped. Figures only, no verdicts.
#
#   bench/bench_web.py [FOLDER] [LOADS]    # build-web/ and 3 page loads by default
import gzip, os, statistics, sys, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e-web"))
from cdp import *

FOLDER = sys.argv[1] if len(sys.argv) > 1 else "build-web"
LOADS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
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


# The files the page loaded (the document and every resource, as the page's own
# timing lists them), raw and each gzipped at level 9: name -> (bytes, gzipped).
def weight(session):
    paths = js(session, "[...new Set([location.pathname, ...performance.getEntriesByType("
               "'resource').map(e => new URL(e.name).pathname)])]")
    files = {}
    for path in paths:
        name = "index.html" if path == "/" else path.lstrip("/")
        if not os.path.isfile(os.path.join(FOLDER, name)):  # a favicon the server has not
            continue
        with open(os.path.join(FOLDER, name), "rb") as f:
            data = f.read()
        files[name] = len(data), len(gzip.compress(data, 9))
    return files


# The wasm milliseconds of the frames from the given one on (an array, or a
# running sum and count read as a mean).
def work_ms(session, first):
    work = js(session, "Module.frameWorkMs")
    if isinstance(work, list):
        return work[first:]
    return [work["sum"] / max(work["count"], 1)]


# One page load: answered No by a click, then about five seconds of frames.
def load(session, url):
    send("Page.navigate", session, url=url)
    wait_for("the question", lambda: js(session, "stamps.question"))
    r = js(session, "document.querySelector(\"#box button[data-result='7']\").getBoundingClientRect().toJSON()")
    click(session, r["x"] + r["width"] / 2, r["y"] + r["height"] / 2)
    wait_for("the first frame", lambda: js(session, "stamps.frame"), 60)
    f0, t0 = js(session, "[Module.frames, performance.now()]")
    time.sleep(5)
    f1, t1 = js(session, "[Module.frames, performance.now()]")
    s = js(session, "stamps")
    work = work_ms(session, f0)
    return dict(question=s["question"], first_frame=s["frame"] - s["click"],
                fps=(f1 - f0) * 1000 / (t1 - t0), wasm_median=statistics.median(work),
                wasm_mean=statistics.mean(work))


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
          " (median; each load's figure in brackets)")
    for name, unit, label in [("question", "ms", "navigation to the question shown"),
                              ("first_frame", "ms", "answering click to the first frame"),
                              ("fps", "", "frames per second over 5 s"),
                              ("wasm_median", "ms", "wasm time per frame, median"),
                              ("wasm_mean", "ms", "wasm time per frame, mean")]:
        values = [r[name] for r in runs]
        print(f"  {label:38} {statistics.median(values):8.2f} {unit:2} "
              f"[{', '.join(f'{v:.2f}' for v in values)}]")
    print("  page weight: the files the page loaded, raw and gzip -9")
    for name, (raw, packed) in sorted(files.items()) + [
            ("total", tuple(map(sum, zip(*files.values()))))]:
        print(f"    {name:36} {raw / 1024:10.1f} KB {packed / 1024:10.1f} KB")
