# Headless Chromium driven through the DevTools protocol, for the browser leg and
# the browser benchmark: a static server for the page's folder, one browser with
# its tabs attached on one socket, real input events, screenshots, and waits on
# conditions the page shows.
import base64, json, os, re, subprocess, sys, tempfile, threading, time
import websocket

CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--remote-debugging-port=0", "--disable-background-networking", "--disable-component-update",
    "--disable-sync", "--no-first-run", "--disable-background-timer-throttling",
    "--disable-renderer-backgrounding", "--disable-backgrounding-occluded-windows",
    "--window-size=1280,800", "--screen-info={1280x800}"]  # full screen is the screen's size
# name -> (key, code, Windows virtual key code, text)
KEYS = {"Escape": ("Escape", "Escape", 27, ""), "space": (" ", "Space", 32, " "),
        "w": ("w", "KeyW", 87, "w")}
procs, sock, next_id = [], None, 0
tmp = tempfile.mkdtemp(prefix="merrowind-web.")


# Prints a line of the leg's log.
def log(*args):
    print("[web]", *args, file=sys.stderr, flush=True)


# Ends the run as failed, or with another exit code (77: skipped).
def fail(message, code=1):
    log("FAIL:" if code == 1 else "SKIP:", message)
    stop()
    sys.exit(code)


# Ends the browser and the server, newest first.
def stop():
    while procs:
        procs[-1].kill()
        procs.pop().wait()


# Polls a function until it returns something true, and returns that.
def wait_for(what, fn, timeout=30):
    deadline = time.time() + timeout
    while not (value := fn()):
        time.time() < deadline or fail(f"{what} within {timeout}s (last: {value!r})")
        time.sleep(0.05)
    return value


# Starts a process and reads its output until a line matches; returns the match.
def start(command, stream, pattern):
    p = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, text=True)
    procs.append(p)
    m = next(filter(None, (re.search(pattern, line) for line in iter(getattr(p, stream).readline,
                                                                     ""))), None)
    # The rest is drained, so that a full pipe never blocks the process.
    for s in (p.stdout, p.stderr):
        threading.Thread(target=s.read, daemon=True).start()
    return m


# Serves a folder on a free localhost port; returns the base URL.
def serve(folder):
    m = start([sys.executable, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
               "--directory", folder], "stdout", r"port (\d+)") or fail("no static server")
    return f"http://127.0.0.1:{m.group(1)}/"


# Starts Chromium and connects to it; returns why it cannot start, or None.
def start_browser():
    global sock
    try:
        m = start(["chromium", *CHROMIUM_FLAGS, f"--user-data-dir={tmp}/profile"], "stderr",
                  r"DevTools listening on (ws://\S+)")
    except OSError as e:
        return str(e)
    if not m:
        return "chromium printed no DevTools address"
    sock = websocket.create_connection(m.group(1), timeout=60)


# Sends one command (to a tab when a session is given) and returns its result.
def send(method, session=None, **params):
    global next_id
    next_id += 1
    sock.send(json.dumps({"id": next_id, "method": method, "params": params,
                          **({"sessionId": session} if session else {})}))
    while (reply := json.loads(sock.recv())).get("id") != next_id:
        pass  # an event
    return reply["result"] if "error" not in reply else fail(f"{method}: {reply['error']}")


# Opens a tab in front and attaches to it; returns (target id, session id).
def open_tab():
    target = send("Target.createTarget", url="about:blank")["targetId"]
    return target, send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]


# Evaluates JavaScript in a tab (promises awaited) and returns its value.
def js(session, expression):
    reply = send("Runtime.evaluate", session, expression=expression, returnByValue=True,
                 awaitPromise=True)
    if "exceptionDetails" in reply:
        fail(f"{expression}: {reply['exceptionDetails'].get('exception', {}).get('description')}")
    return reply["result"].get("value")


# Presses and releases a key of KEYS, or only one half ("down", "up") of that.
def key(session, name, half="both"):
    k, code, vk, text = KEYS[name]
    for kind in [kind for kind in ("keyDown", "keyUp") if half in ("both", kind[3:].lower())]:
        send("Input.dispatchKeyEvent", session, type=kind, key=k, code=code, text=text
             if kind == "keyDown" else "", windowsVirtualKeyCode=vk, nativeVirtualKeyCode=vk)


# Clicks a button ("left" or "right") at a page position, or only moves there.
def click(session, x, y, button="left", kinds=("mousePressed", "mouseReleased")):
    for kind in kinds:
        send("Input.dispatchMouseEvent", session, type=kind, x=x, y=y, button=button, clickCount=1)


# Saves a PNG of a part (x, y, width, height) of the tab's viewport.
def screenshot(session, path, clip):
    clip = dict(zip(("x", "y", "width", "height"), clip), scale=1)
    with open(path, "wb") as f:
        f.write(base64.b64decode(send("Page.captureScreenshot", session, clip=clip)["data"]))
    return path


# The mean absolute difference (0..1) of two pictures over a part of them, with
# ImageMagick options for the first alone and then for both. The default part
# lies below the horizon: the sky turns 0.1 degree a frame, the ground stays.
def difference(a, b, part="800x450+0+150", first=(), both=()):
    out = subprocess.run(["convert", "(", a, *first, ")", b, "-crop", part, "+repage", *both,
                          "-compose", "difference", "-composite", "-format", "%[fx:mean]",
                          "info:"], capture_output=True, text=True)
    return float(out.stdout or fail(f"convert: {out.stderr}"))


# Fails unless the value is the one wanted.
def expect(wanted, got, what):
    wanted == got or fail(f"{what}: expected {wanted!r}, got {got!r}")
