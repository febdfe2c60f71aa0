# Drives headless Chromium through the DevTools protocol for the browser legs
# and the browser benchmark: a static server for the page's folder, one browser,
# tabs attached on one socket, real input events, screenshots, and waits on
# conditions the page shows.
import base64, json, os, re, subprocess, sys, tempfile, threading, time
import websocket

CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--remote-debugging-port=0", "--disable-background-networking", "--disable-component-update",
    "--disable-sync", "--no-first-run", "--disable-background-timer-throttling",
    "--disable-renderer-backgrounding", "--disable-backgrounding-occluded-windows",
    "--window-size=1280,800", "--screen-info={1280x800}"]
# key name -> (key, code, Windows virtual key code, text)
KEYS = {"Return": ("Enter", "Enter", 13, "\r"), "Escape": ("Escape", "Escape", 27, ""),
        "space": (" ", "Space", 32, " "), "w": ("w", "KeyW", 87, "w")}

procs, sock, next_id = [], None, 0
tmp = tempfile.mkdtemp(prefix="merrowind-web.")


# Prints a line of the leg's log.
def log(*args):
    print("[web]", *args, file=sys.stderr, flush=True)


# Ends the leg as failed, or skipped with code 77.
def fail(message, code=1):
    log("FAIL:" if code == 1 else "SKIP:", message)
    stop()
    sys.exit(code)


# Ends the browser and the server, newest first.
def stop():
    while procs:
        procs[-1].kill()
        procs.pop().wait()


# Polls a function until it returns something true; fails with the message.
def wait_for(what, fn, timeout=30):
    deadline = time.time() + timeout
    while True:
        value = fn()
        if value:
            return value
        if time.time() > deadline:
            fail(f"{what} within {timeout}s (last: {value!r})")
        time.sleep(0.05)


# Reads a process's output line by line until one matches; returns the match.
def read_until(stream, pattern):
    for line in iter(stream.readline, ""):
        m = re.search(pattern, line)
        if m:
            return m
    return None


# Serves a folder on a free localhost port; returns the base URL.
def serve(folder):
    p = subprocess.Popen([sys.executable, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                          "--directory", folder], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         text=True)
    procs.append(p)
    m = read_until(p.stdout, r"port (\d+)") or fail("the static server did not start")
    return f"http://127.0.0.1:{m.group(1)}/"


# Starts Chromium and connects to it; returns why it cannot start, or None.
def start_browser():
    global sock
    try:
        p = subprocess.Popen(["chromium"] + CHROMIUM_FLAGS + [f"--user-data-dir={tmp}/profile"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, text=True)
    except OSError as e:
        return str(e)
    procs.append(p)
    m = read_until(p.stderr, r"DevTools listening on (ws://\S+)")
    if not m:
        return "chromium printed no DevTools address"
    # Drain the rest of stderr so the browser never blocks on a full pipe.
    threading.Thread(target=p.stderr.read, daemon=True).start()
    sock = websocket.create_connection(m.group(1), timeout=60)

# Sends one command (to a tab when session is given) and returns its result.
def send(method, session=None, **params):
    global next_id
    next_id += 1
    message = {"id": next_id, "method": method, "params": params}
    if session:
        message["sessionId"] = session
    sock.send(json.dumps(message))
    while True:
        reply = json.loads(sock.recv())
        if reply.get("id") == next_id:
            if "error" in reply:
                fail(f"{method}: {reply['error']}")
            return reply["result"]


# Opens a tab in front and attaches to it; returns (target id, session id).
def open_tab(url="about:blank"):
    target = send("Target.createTarget", url=url)["targetId"]
    session = send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
    send("Page.enable", session)
    return target, session


# Evaluates JavaScript in a tab (promises awaited) and returns its value.
def js(session, expression):
    reply = send("Runtime.evaluate", session, expression=expression, returnByValue=True,
                 awaitPromise=True)
    if "exceptionDetails" in reply:
        fail(f"{expression}: {reply['exceptionDetails'].get('exception', {}).get('description')}")
    return reply["result"].get("value")


# Presses and releases a key (a name of KEYS), or only one half of it.
def key(session, name, half="both"):
    k, code, vk, text = KEYS[name]
    common = dict(key=k, code=code, windowsVirtualKeyCode=vk, nativeVirtualKeyCode=vk)
    if half in ("both", "down"):
        send("Input.dispatchKeyEvent", session, type="keyDown", text=text, **common)
    if half in ("both", "up"):
        send("Input.dispatchKeyEvent", session, type="keyUp", **common)


# Clicks a button ("left" or "right") at a page position, or only moves there.
def click(session, x, y, button="left", kinds=("mousePressed", "mouseReleased")):
    for kind in kinds:
        send("Input.dispatchMouseEvent", session, type=kind, x=x, y=y, button=button, clickCount=1)


# Saves a PNG of the tab's viewport, or of a part of it given as x, y, w, h.
def screenshot(session, path, clip=None):
    params = {"format": "png"}
    if clip:
        params["clip"] = dict(zip(("x", "y", "width", "height"), clip), scale=1)
    data = send("Page.captureScreenshot", session, **params)["data"]
    with open(path, "wb") as f:
        f.write(base64.b64decode(data))
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
