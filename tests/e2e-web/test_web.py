#!/usr/bin/python3
# The browser version in headless Chromium, driven through the DevTools protocol
# with real keys and mouse events, against the desktop program drawn by Mesa in
# the same run from the same asset files. One table of steps over three page
# loads (framed, a texture missing, full screen); the GL layer under the
# browser version is checked by the table of frames, each drawn in both.
#
#   test_web.py [FOLDER]   # the page's folder, build-web/ by default
#
# MERROWIND_BUILD is the native build; MERROWIND_WEB_SHOTS keeps the pictures.
import math, os, shutil, subprocess, sys
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import *

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("MERROWIND_SOURCE", os.path.dirname(os.path.dirname(HERE)))
FOLDER = sys.argv[1] if len(sys.argv) > 1 else os.path.join(SOURCE, "build-web")
SHOTS = os.environ.get("MERROWIND_WEB_SHOTS") or os.path.join(tmp, "shots")
BELOW_HORIZON = "800x450+0+150"  # the sky turns 0.1 degree a frame; the ground stays
# Mean absolute difference (0..1) below the horizon that a browser frame may have
# from the Mesa one. Measured: at most 0.0XX; a broken GL layer gives 0.0YY or more.
THRESHOLD = 0.03
# (frame name, input before it): drawn natively and in the browser, compared.
FRAMES = [("filled", ""), ("wireframe", "right"), ("filled-again", "right"),
          ("detail-off", "left"), ("detail-on", "left"), ("repeat-32", "space")]
NATIVE_INPUT = {"": "", "left": "1", "right": "3", "space": "space", "turn": "turn"}
TURN_PX = 250
state = {}


# The mean absolute difference of two pictures over a part (after an optional
# resize of the first), 0..1.
def difference(a, b, part=BELOW_HORIZON, first=()):
    out = subprocess.run(["convert", "(", a, *first, ")", b, "-crop", part, "+repage",
                          "-compose", "difference", "-composite", "-format", "%[fx:mean]",
                          "info:"], capture_output=True, text=True)
    return float(out.stdout or fail(f"convert: {out.stderr}"))


# Loads the page afresh and waits for the start-up question.
def load(session):
    send("Page.navigate", session, url=base_url)
    wait_for("the question shown", lambda: box() and box()[0] == "Options")


# The shown box as [caption, text, button labels], or None.
def box():
    return js(state["tab"], "(b => b && !b.hidden && [b.querySelector('#box-caption').textContent,"
              " b.querySelector('#box-text').textContent,"
              " [...b.querySelectorAll('button')].map(x => x.textContent)])"
              "(document.getElementById('box'))")


# The centre of an element (a CSS selector) in page coordinates.
def centre(selector):
    r = js(state["tab"], f"document.querySelector('{selector}').getBoundingClientRect().toJSON()")
    return r["x"] + r["width"] / 2, r["y"] + r["height"] / 2


def frames():
    return js(state["tab"], "Module.frames")


# Waits until the frame count passes its present value by a few frames.
def frames_run():
    start = frames()
    wait_for("frames running", lambda: frames() > start + 5)


# The title's six numbers.
def numbers(title):
    return [float(x.split("=")[1]) for x in title.split()]


# Waits for the title to stop changing between frames, and returns it.
def settled_title():
    def steady():
        before = js(state["tab"], "document.title")
        frames_run()
        return js(state["tab"], "document.title") == before and before
    return wait_for("a settled title", steady)


# A screenshot of the canvas; once `previous` is given, only one that differs from it.
def canvas_shot(name, previous=None):
    r = js(state["tab"], "document.getElementById('scene').getBoundingClientRect().toJSON()")
    path = os.path.join(SHOTS, f"web-{name}.png")
    changed = lambda: difference(screenshot(state["tab"], path, (r["x"], r["y"], 800, 600)),
                                 previous) > 0.002
    wait_for(f"frame {name} drawn", changed if previous else lambda: frames() > 0)
    return path


def step_question_framed():
    load(state["tab"])
    expect(["Options", "Click Yes to go to full screen (Recommended)", ["Yes", "No"]], box(),
           "the question")
    # The desktop draws from the very files the page holds.
    files = js(state["tab"], "Module.FS.readdir('texture3').filter(f => f[0] != '.').map(f =>"
               " [f, btoa(Array.from(Module.FS.readFile('texture3/' + f), c =>"
               " String.fromCharCode(c)).join(''))])")
    os.makedirs(os.path.join(tmp, "run", "texture3"), exist_ok=True)
    for name, data in files:
        with open(os.path.join(tmp, "run", "texture3", name), "wb") as f:
            f.write(base64.b64decode(data))
    native = [f"{n}:{NATIVE_INPUT[i]}" for n, i in FRAMES] + ["turn:turn"]
    run = subprocess.run(["bash", os.path.join(HERE, "native_shots.sh"), SHOTS,
                          os.path.join(tmp, "run")] + native, capture_output=True, text=True)
    if run.returncode:
        fail(f"the native reference run failed:\n{run.stderr}")


def step_answer_no_by_key():
    key(state["tab"], "Escape")
    wait_for("the first frame", lambda: js(state["tab"], "document.title").startswith("PosX="))
    size = js(state["tab"], "(c => [c.width, c.height, c.clientWidth, c.clientHeight])"
              "(document.getElementById('scene'))")
    expect([800, 600, 800, 600], size, "framed canvas size")


def step_frames_against_mesa():
    state["centre"] = centre("#scene")
    click(state["tab"], *state["centre"])  # only captures the pointer
    wait_for("pointer lock", lambda: js(state["tab"], "!!document.pointerLockElement"))
    previous = None
    for name, action in FRAMES:
        if action == "space":
            key(state["tab"], "space")
        elif action:
            click(state["tab"], *state["centre"], button=action)
        previous = canvas_shot(name, previous)
        d = difference(previous, os.path.join(SHOTS, f"{name}.png"))
        log(f"frame {name}: {d:.4f} from Mesa (threshold {THRESHOLD})")
        if d > THRESHOLD:
            fail(f"frame {name} differs from the Mesa one by {d:.4f}")
    state["filled"] = os.path.join(SHOTS, "web-filled.png")


def step_mouse_turn():
    before = js(state["tab"], "document.title")
    x, y = state["centre"]
    move(state["tab"], x + TURN_PX, y)
    wait_for("a turn", lambda: js(state["tab"], "document.title") != before)
    title = settled_title()
    px, _, pz, vx, _, vz = numbers(title)
    log(f"turn of {TURN_PX} px: heading {math.atan2(vz - pz, vx - px):.3f} rad; '{title}'")
    with open(os.path.join(SHOTS, "turn.txt")) as f:
        expect(f.read().strip(), title, "title after the turn (the desktop's)")


def step_w_drives():
    px, py, pz, vx, vy, vz = numbers(js(state["tab"], "document.title"))
    key(state["tab"], "w", "down")
    wait_for("W driving", lambda: numbers(js(state["tab"], "document.title"))[0] > px + 5)
    key(state["tab"], "w", "up")
    qx, qy, qz, *_ = numbers(settled_title())
    # Along the view as on the desktop: the same heading, half as far down as ahead.
    if abs(math.atan2(qz - pz, qx - px) - math.atan2(vz - pz, vx - px)) > 0.05:
        fail(f"W did not drive along the view: {px},{pz} -> {qx},{qz}")


def step_escape_frees_pointer():
    key(state["tab"], "Escape")
    wait_for("the pointer freed", lambda: js(state["tab"], "!document.pointerLockElement"))
    frames_run()
    expect(None, js(state["tab"], "document.body.dataset.exitCode ?? null"), "exit code")


def step_escape_ends():
    key(state["tab"], "Escape")
    wait_for("the end", lambda: js(state["tab"], "document.body.dataset.exitCode"))
    expect(["0", True], js(state["tab"], "[document.body.dataset.exitCode,"
                           " !!document.getElementById('ended').offsetParent]"), "the end")


def step_missing_detail_texture():
    load(state["tab"])
    js(state["tab"], "Module.FS.unlink('texture3/Detail.bmp')")
    click(state["tab"], *centre("#box button[data-result='7']"))
    wait_for("the error box", lambda: box() and box()[0] == "Error")
    expect(["Error", "Unable to load BMP File!", ["OK"]], box(), "missing Detail.bmp")
    click(state["tab"], *centre("#box button[data-result='1']"))
    wait_for("the first frame", lambda: js(state["tab"], "document.title").startswith("PosX="))
    frames_run()
    canvas_shot("missing-detail")


def step_yes_fills_window():
    load(state["tab"])
    click(state["tab"], *centre("#box button[data-result='6']"))
    wait_for("the canvas filling the window", lambda: js(state["tab"],
             "(c => document.fullscreenElement && c.width == innerWidth && c.height == innerHeight"
             " && [c.width, c.height])(document.getElementById('scene'))"))
    frames_run()
    full = screenshot(state["tab"], os.path.join(SHOTS, "web-fullscreen.png"))
    w, h = js(state["tab"], "[innerWidth, innerHeight]")
    cut = f"{4 * h // 3}x{h}+{(w - 4 * h // 3) // 2}+0"
    d = difference(full, state["filled"], first=["-crop", cut, "+repage", "-resize", "800x600!"])
    stretched = difference(full, state["filled"], first=["-resize", "800x600!"])
    log(f"full screen {w}x{h}: centre {d:.4f} from the framed picture (stretched {stretched:.4f})")
    if d > THRESHOLD:
        fail(f"the full-screen picture is distorted ({d:.4f})")


def step_hidden_tab_draws_nothing():
    front, session = open_tab()
    wait_for("the page hidden", lambda: js(state["tab"], "document.visibilityState") == "hidden")
    before = frames()
    # Thirty frames of the tab in front pass while the hidden one stays still.
    js(session, "new Promise(r => { let n = 0; const f = () => ++n < 30 ?"
       " requestAnimationFrame(f) : r(); requestAnimationFrame(f); })")
    expect(before, frames(), "frames of the hidden tab")
    send("Target.closeTarget", targetId=front)
    frames_run()


STEPS = [step_question_framed, step_answer_no_by_key, step_frames_against_mesa,
         step_mouse_turn, step_w_drives, step_escape_frees_pointer, step_escape_ends,
         step_missing_detail_texture, step_yes_fills_window, step_hidden_tab_draws_nothing]


def expect(wanted, got, what):
    if wanted != got:
        fail(f"{what}: expected {wanted!r}, got {got!r}")


if __name__ == "__main__":
    if not os.path.isfile(os.path.join(FOLDER, "index.html")):
        fail(f"no page at {FOLDER}/index.html (make web)")
    os.makedirs(SHOTS, exist_ok=True)
    base_url = serve(FOLDER)
    problem = start_browser()
    if problem:
        log(f"{'FAIL' if os.environ.get('CI') == 'true' else 'SKIP'}: Chromium cannot start: {problem}")
        stop()
        sys.exit(1 if os.environ.get("CI") == "true" else 77)
    state["tab"] = open_tab()[1]
    for step in STEPS:
        log(step.__name__[5:].replace("_", " "))
        step()
    stop()
    if not os.environ.get("MERROWIND_WEB_SHOTS"):
        shutil.rmtree(tmp, ignore_errors=True)
    log("PASS")
