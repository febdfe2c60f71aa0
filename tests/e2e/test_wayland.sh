#!/usr/bin/env bash
# Native Wayland (SDL_VIDEODRIVER=wayland) on a headless compositor (sway):
# mouse-look turns the view by exactly what the mouse moved, framed and full
# screen, with no window or screen edge in the way; full screen fills the
# output at scales 1 and 2 in the framed picture's shape; without pointer lock
# the program still steers; Escape ends with 0. Input comes through the
# compositor from a virtual mouse and keyboard, as a person's does.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

wl_start sway 1280x800 1
e2e_make_assets "$E2E_TMP/run"
wl_run_leg "Wayland, framed" framed "$E2E_TMP/run" SDL_VIDEODRIVER=wayland
wl_run_leg "Wayland, full screen" full "$E2E_TMP/run" SDL_VIDEODRIVER=wayland
# Without zenity, SDL's Wayland driver has no box: the question comes up as
# SDL's X11 box through Xwayland, focused and answered with keys; where DISPLAY
# names no server it goes unanswered (No), its reason naming both causes.
wl_run_leg "Wayland, framed, no zenity" framed "$E2E_TMP/run" SDL_VIDEODRIVER=wayland PATH=/none
e2e_start_program "$E2E_TMP/run" LIBGL_ALWAYS_SOFTWARE=1 SDL_VIDEODRIVER=wayland PATH=/none \
    DISPLAY=:987
wl_wait_title '^PosX=' >/dev/null
grep -qF "(the message box could not be shown: on Wayland the box is shown by zenity, which is not installed, and no X server answers on DISPLAY=:987 to draw SDL's X11 box instead; no answer, taken as No)" "$E2E_TMP/program$E2E_RUNS.log" ||
    e2e_fail "no zenity, no X server: the reason is not named"
wl_input "tap 1"
e2e_wait_exit 30
swaymsg output HEADLESS-1 scale 2 >/dev/null || e2e_fail "cannot set the output's scale"
# The cursor stays where the larger layout had it, outside the smaller output,
# until a motion brings it back: the window would then first be entered by the
# first step, which sway sends as a position only (its relative motion goes to
# the surface the pointer was over before), and no program can count that.
swaymsg seat '*' cursor set 320 200 >/dev/null || e2e_fail "cannot put the cursor on the output"
wl_run_leg "Wayland, full screen at scale 2" full "$E2E_TMP/run" SDL_VIDEODRIVER=wayland
# sway without pointer lock: the view still turns by the mouse's way. SDL 2.26
# does not refuse relative mode there (sway still offers the protocol and sends
# relative motion, only never locks), so the program's line that says it
# cannot capture the pointer may be missing; it must never repeat. A new sway:
# changing the seat while it runs leaves the virtual keyboard unheard.
wl_start sway 1280x800 1 unlocked
WL_STEPS=("1x100,0|0.2|0" "1x-100,0|-0.2|0")
wl_run_leg "Wayland, framed, no pointer lock" framed "$E2E_TMP/run" SDL_VIDEODRIVER=wayland
said=$(grep -c 'pointer cannot be captured' "$E2E_TMP/program$E2E_RUNS.log")
[ "$said" -le 1 ] || e2e_fail "no pointer lock: said $said times, not once"
wl_report
e2e_pass
