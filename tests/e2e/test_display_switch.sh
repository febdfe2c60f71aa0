#!/usr/bin/env bash
# The real display switch on a server that can change modes (Xorg with the
# dummy driver, 1024x768 with an 800x600 mode): Yes switches to 800x600 at
# the same depth for as long as the program runs, and every way out (Escape,
# closing the window, a termination signal) gives the desktop its mode back.
# No leaves the display alone. Skipped (77) where such a server can't be run.
source "$(dirname "$0")/lib.sh"

e2e_start_xorg_dummy
desktop=$(e2e_screen)
e2e_expect_match '^1024 768 [0-9]+$' "$desktop" "desktop mode"
depth=${desktop##* }
e2e_make_assets "$E2E_TMP/full"

scene_shown() {
    e2e_screenshot "$E2E_TMP/switched.png"
    [ "$(convert "$E2E_TMP/switched.png" -format %k info:)" -gt 100 ]
}

# Runs the program full screen (extra VAR=value for its environment), checks
# the switched mode, still there after STAY seconds, ends it with the given way
# out, and checks the restored mode and the exit code. SDL 3 takes a switch
# back after 5 s unless a window has become full screen in it.
run_full_screen() {
    local way=$1 stay=$2
    shift 2
    e2e_start_program "$E2E_TMP/full" "$@"
    e2e_answer_box Options Return
    local win
    win=$(e2e_main_window)
    e2e_wait_title "$win" '^PosX=' >/dev/null
    e2e_expect_eq "800 600 $depth" "$(e2e_screen)" "screen while running full screen ($way)"
    e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "popup covers the switched screen ($way)"
    e2e_borderless "$win" || e2e_fail "the full-screen popup has a frame ($way)"
    e2e_wait_until 30 scene_shown || e2e_fail "no textured scene on screen ($way)"
    sleep "$stay"
    e2e_expect_eq "800 600 $depth" "$(e2e_screen)" "screen after ${stay}s more full screen ($way)"
    case $way in
    Escape) e2e_key "$win" Escape ;;
    close) e2e_close "$win" ;;
    TERM) e2e_signal TERM ;;
    esac
    e2e_wait_exit 30
    e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code ($way)"
    e2e_expect_eq "$desktop" "$(e2e_screen)" "screen after the program ended ($way)"
    e2e_expect_eq 1 "$(e2e_box_count)" "boxes shown ($way)"
}

run_full_screen Escape 6
run_full_screen close 0
# Started from a Wayland session, Xorg is still no Xwayland: its RandR outputs
# say so (app/xwayland_check.h), and the mode still switches.
run_full_screen TERM 0 WAYLAND_DISPLAY=merrowind-no-such-compositor

# A framed window leaves the desktop's mode as it is.
e2e_start_program "$E2E_TMP/full"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_expect_eq "$desktop" "$(e2e_screen)" "screen while running framed"
e2e_borderless "$win" && e2e_fail "the framed window has no frame"
e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code of the framed run"
e2e_expect_eq "$desktop" "$(e2e_screen)" "screen after the framed run"

e2e_pass
