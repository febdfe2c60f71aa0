#!/usr/bin/python3
"""A person's mouse and keyboard on GNOME's mutter, for the end-to-end tests,
through its RemoteDesktop D-Bus interface; and pictures of its output through
ScreenCast and pipewire. Reads the commands wlinput.c reads, one a line, and
prints "done N" once mutter has taken command N. mutter ends the session when
its D-Bus client goes, so one process serves a whole leg."""
import subprocess
import sys
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
BUS = dbus.SessionBus()


# One of mutter's D-Bus interfaces, e.g. ("/org/gnome/Mutter/ScreenCast", "ScreenCast").
def mutter(path, name):
    service = "org.gnome.Mutter." + name.split(".")[0]
    return dbus.Interface(BUS.get_object(service, path), "org.gnome.Mutter." + name)


# Saves what the monitor shows as a PNG: a screen cast of one frame, pointer
# hidden; True when it did.
def shot(png):
    cast = mutter("/org/gnome/Mutter/ScreenCast", "ScreenCast").CreateSession({})
    session = mutter(cast, "ScreenCast.Session")
    stream = mutter(session.RecordMonitor("", {"cursor-mode": dbus.UInt32(0)}), "ScreenCast.Stream")
    loop, node = GLib.MainLoop(), []
    stream.connect_to_signal("PipeWireStreamAdded", lambda n: (node.append(n), loop.quit()))
    session.Start()
    GLib.timeout_add_seconds(10, loop.quit)
    loop.run()
    pipeline = ["pipewiresrc", "path=%d" % node[0], "num-buffers=1", "!", "videoconvert", "!",
                "pngenc", "!", "filesink", "location=" + png] if node else []
    try:
        taken = node and subprocess.run(["gst-launch-1.0", "-q"] + pipeline, timeout=10).returncode == 0
    except subprocess.TimeoutExpired:
        taken = False
    session.Stop()
    return taken


# Runs one command line on the remote desktop session.
def run(desktop, word):
    if word[0] == "rel":
        count = int(word[3]) if len(word) > 3 else 1
        gap = int(word[4]) if len(word) > 4 else 0
        for _ in range(count):
            desktop.NotifyPointerMotionRelative(float(word[1]), float(word[2]))
            time.sleep(gap / 1000)
    elif word[0] == "abs":
        # Absolute motion needs a screen cast; from the top-left corner it is relative.
        desktop.NotifyPointerMotionRelative(-1e5, -1e5)
        desktop.NotifyPointerMotionRelative(float(word[1]), float(word[2]))
    elif word[0] == "btn":
        desktop.NotifyPointerButton(dbus.Int32(int(word[1])), word[2] == "1")
    elif word[0] in ("down", "tap"):
        desktop.NotifyKeyboardKeycode(dbus.UInt32(int(word[1])), True)
    if word[0] in ("up", "tap"):
        # Held long enough for a client that polls the key state per frame.
        time.sleep(0.06 if word[0] == "tap" else 0)
        desktop.NotifyKeyboardKeycode(dbus.UInt32(int(word[1])), False)
    elif word[0] == "shot":
        # A cast now and then never starts its stream: another one does.
        if not any(shot(word[1]) for _ in range(3)):
            print("mutter_input: no picture of the monitor", file=sys.stderr)


def main():
    desktop = mutter(mutter("/org/gnome/Mutter/RemoteDesktop", "RemoteDesktop").CreateSession(),
                     "RemoteDesktop.Session")
    desktop.Start()
    for count, line in enumerate(sys.stdin, 1):
        if line.split():
            run(desktop, line.split())
        print("done %d" % count, flush=True)


main()
