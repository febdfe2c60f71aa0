#!/usr/bin/env bash
# Xwayland on a headless Wayland compositor (sway), as on GNOME and KDE Wayland
# sessions, where SDL picks x11 because DISPLAY is set: mouse-look turns the
# view by exactly what the mouse moved, framed and full screen; full screen
# fills the output; Escape ends with 0. Input comes through the compositor from
# a virtual mouse and keyboard, as a person's does; XTest would only move
# Xwayland's own pointer and hide the faults a person meets.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

wl_start sway 1280x800 1
e2e_make_assets "$E2E_TMP/run"
wl_run_leg "Xwayland, framed" framed "$E2E_TMP/run"
wl_run_leg "Xwayland, full screen" full "$E2E_TMP/run"
wl_report
e2e_pass
