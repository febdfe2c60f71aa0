#!/usr/bin/env bash
# Native Wayland (SDL_VIDEODRIVER=wayland) on a headless compositor (sway):
# mouse-look turns the view by exactly what the mouse moved, framed and full
# screen, with no window or screen edge in the way; full screen fills the
# output at scales 1 and 2; Escape ends with 0. Input comes through the
# compositor from a virtual mouse and keyboard, as a person's does.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

wl_start_sway 1280x800 1
e2e_make_assets "$E2E_TMP/run"
# A sanitizer build's leak report at exit names only "<unknown module>" frames
# here: Mesa's EGL and Wayland platform code allocate them and are unloaded
# before the report, so no suppression can name them. Address and undefined-
# behaviour checks stay on; the X11 legs check leaks through the same code of ours.
native() { wl_run_leg "$@" SDL_VIDEODRIVER=wayland ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"; }
native "Wayland, framed" framed "$E2E_TMP/run"
native "Wayland, full screen" full "$E2E_TMP/run"
swaymsg output HEADLESS-1 scale 2 >/dev/null || e2e_fail "cannot set the output's scale"
native "Wayland, full screen at scale 2" full "$E2E_TMP/run"
wl_report
e2e_pass
