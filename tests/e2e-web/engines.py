# The browser leg's engines behind one small set of calls: Chromium headless
# over DevTools, and under a private Xvfb (where Mesa gives them WebGL) Firefox
# over WebDriver BiDi and WebKitGTK over W3C WebDriver. Each engine's pointer
# motion under the lock is real X input, which theirs synthesise unreliably.
import socket, urllib.request
import cdp
from cdp import *

MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
# WebDriver's key values for the names of cdp.KEYS
WD_KEYS = {"Escape": "\ue00c", "space": " ", "w": "w"}


# Real X input to the browser's display (xdotool ARGS...).
def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


# Ends the browser, the newest process started.
def end_browser():
    os.killpg(procs[-1].pid, signal.SIGKILL)
    procs.pop().wait()


# Starts a private Xvfb with the size Chromium is given, for the others.
def start_xvfb():
    m = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-noreset", "-nolisten",
               "tcp"], "stdout", r"(\d+)") or fail("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + m.group(1)


# Key actions of WebDriver (classic and BiDi alike) for a key of KEYS.
def key_actions(name, half):
    return [{"type": "key", "id": "k", "actions": [
        {"type": kind, "value": WD_KEYS[name]} for kind in ("keyDown", "keyUp")
        if half in ("both", kind[3:].lower())]}]


# A page's (JSON) value of an expression, promises awaited, as a script body.
def as_json(expression):
    return f"(async () => JSON.stringify([await ({expression})]))()"


class Chromium:
    name = "Chromium"
    keeps_escape_under_lock = False

    def start(self):
        return start_browser()

    def open_tab(self):
        return open_tab()

    def close_tab(self, tab):
        send("Target.closeTarget", targetId=tab[0])

    def navigate(self, tab, url):
        send("Page.navigate", tab[1], url=url)

    # Hides a tab behind a new one in front; returns what shows it again.
    def hide(self, tab):
        return self.open_tab()

    def show(self, front):
        self.close_tab(front)

    def js(self, tab, expression):
        return js(tab[1], expression)

    def key(self, tab, name, half="both"):
        key(tab[1], name, half)

    def click(self, tab, x, y, button="left"):
        click(tab[1], x, y, button)

    # Holds a key of KEYS down while `meanwhile` runs, then three of the
    # repeats a held key makes, then lets it go.
    def hold(self, tab, name, meanwhile):
        key(tab[1], name, "down")
        meanwhile()
        k, code, vk, _ = KEYS[name]
        for _ in range(3):
            send("Input.dispatchKeyEvent", tab[1], type="keyDown", key=k, code=code,
                 autoRepeat=True, windowsVirtualKeyCode=vk, nativeVirtualKeyCode=vk)
        key(tab[1], name, "up")

    # Starts the browser again, WebGL off; False where the engine has no way to.
    def restart_without_webgl(self):
        end_browser()
        shutil.rmtree(os.path.join(tmp, "profile"))
        CHROMIUM_FLAGS.append("--disable-3d-apis")
        return not start_browser()

    # Moves the locked pointer by (dx, dy) from where it is, at (x, y).
    def move(self, tab, x, y, dx, dy):
        click(tab[1], x + dx, y + dy, kinds=("mouseMoved",))

    def screenshot(self, tab, path, clip):
        return screenshot(tab[1], path, clip)

    # The JS heap's bytes in use after a collection; None where the engine cannot tell.
    def heap(self, tab):
        send("HeapProfiler.collectGarbage", tab[1])
        return send("Runtime.getHeapUsage", tab[1])["usedSize"]


class Firefox(Chromium):
    name = "Firefox"
    keeps_escape_under_lock = True  # the press and its repeats never reach the page

    def start(self):
        start_xvfb()
        return self.launch()

    # Starts the browser on a fresh profile with these lines for its user.js.
    def launch(self, prefs=""):
        profile = os.path.join(tmp, "profile")
        shutil.rmtree(profile, ignore_errors=True)
        os.makedirs(profile)
        with open(os.path.join(profile, "user.js"), "w") as f:
            f.write(prefs)
        try:
            m = start(["firefox-esr", "--remote-debugging-port=0", "--no-remote", "--profile",
                       profile, "--width=1280", "--height=800", "about:blank"],
                      "stderr",
                      r"WebDriver BiDi listening on (ws://\S+)")
        except OSError as e:
            return str(e)
        if not m:
            return "firefox-esr printed no WebDriver BiDi address"
        cdp.sock = websocket.create_connection(m.group(1) + "/session", timeout=60,
                                               suppress_origin=True)
        send("session.new", capabilities={})
        self.first = send("browsingContext.getTree")["contexts"][0]["context"]

    def open_tab(self):
        first, self.first = getattr(self, "first", None), None
        return first or send("browsingContext.create", type="tab")["context"]

    def close_tab(self, tab):
        send("browsingContext.close", context=tab)

    def navigate(self, tab, url):
        send("browsingContext.navigate", context=tab, url=url)

    def js(self, tab, expression):
        reply = send("script.evaluate", expression=as_json(expression), target={"context": tab},
                     awaitPromise=True)
        if reply["type"] == "exception":
            fail(f"{expression}: {reply['exceptionDetails']['text']}")
        return json.loads(reply["result"].get("value") or "[null]")[0]

    def key(self, tab, name, half="both"):
        send("input.performActions", context=tab, actions=key_actions(name, half))

    # The viewport's top left on the screen.
    ORIGIN = "[mozInnerScreenX, mozInnerScreenY]"

    # A real click: the first one makes the window the active one, and the
    # pointer is where the lock is taken, as a person's; under the lock it
    # does not move.
    def click(self, tab, x, y, button="left"):
        where = self.js(tab, f"!document.pointerLockElement && (o => [o[0] + {x}, o[1] + {y}])"
                        f"({self.ORIGIN})")
        xdotool(*(["mousemove", *map(round, where)] if where else []), "click",
                1 if button == "left" else 3)

    def move(self, tab, x, y, dx, dy):
        xdotool("mousemove_relative", "--", dx, dy)

    # A real key held for a second, its repeats the X server's own (after
    # 660 ms); this browser frees the pointer only when Escape is let go.
    def hold(self, tab, name, meanwhile):
        xdotool("keydown", name)
        time.sleep(1)
        xdotool("keyup", name)
        meanwhile()

    def heap(self, tab):
        return self.js(tab, "performance.memory?.usedJSHeapSize")

    def restart_without_webgl(self):
        end_browser()
        return not self.launch('user_pref("webgl.disabled", true);\n')

    def screenshot(self, tab, path, clip):
        data = send("browsingContext.captureScreenshot", context=tab, clip=dict(
            zip(("x", "y", "width", "height"), clip), type="box"))["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return path


class WebKitGTK(Firefox):
    name = "WebKitGTK"
    keeps_escape_under_lock = False
    ORIGIN = "[screenX + outerWidth - innerWidth, screenY + outerHeight - innerHeight]"

    # One WebDriver command on the session, or on none before it has one.
    def wd(self, method, path, body=None):
        r = urllib.request.Request(self.url + path, method=method, data=body and json.dumps(
            body).encode(), headers={"Content-Type": "application/json"})
        try:
            return json.loads(urllib.request.urlopen(r, timeout=60).read())["value"]
        except urllib.error.HTTPError as e:
            fail(f"WebDriver {method} {path}: {e.read().decode()}")

    def start(self):
        start_xvfb()
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        self.url = f"http://127.0.0.1:{port}"
        try:
            procs.append(subprocess.Popen(["WebKitWebDriver", f"--port={port}"],
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                          start_new_session=True))
        except OSError as e:
            return str(e)
        wait_for("WebKitWebDriver", lambda: socket.socket().connect_ex(("127.0.0.1", port)) == 0)
        self.session()

    # A new session: the browser started with these options after --automation.
    def session(self, *args):
        self.url = self.url.split("/session")[0]
        options = {"binary": MINIBROWSER, "args": ["--automation", *args]}
        self.url += "/session/" + self.wd("POST", "/session", {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": options}}})["sessionId"]
        self.wd("POST", "/window/rect", {"width": 1280, "height": 800})  # Xvfb's whole screen

    def restart_without_webgl(self):
        self.wd("DELETE", "")
        self.session("--enable-webgl=false")
        return True

    # Each load goes into the one window; a hidden page is that window
    # unmapped, as by a window manager's minimising.
    def open_tab(self):
        return None

    def close_tab(self, tab):
        pass

    def hide(self, tab):
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "MiniBrowser"],
                                capture_output=True, text=True).stdout.split()[0]
        xdotool("windowunmap", "--sync", window)
        return window

    def show(self, window):
        xdotool("windowmap", "--sync", window)

    def navigate(self, tab, url):
        self.wd("POST", "/url", {"url": url})

    def js(self, tab, expression):
        return json.loads(self.wd("POST", "/execute/sync", {
            "script": f"return {as_json(expression)}", "args": []}) or "[null]")[0]

    def key(self, tab, name, half="both"):
        self.wd("POST", "/actions", {"actions": key_actions(name, half)})

    def screenshot(self, tab, path, clip):
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.wd("GET", "/screenshot")))
        x, y, w, h = map(round, clip)
        subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True)
        return path


ENGINES = {"chromium": Chromium, "firefox": Firefox, "webkitgtk": WebKitGTK}
