#!/usr/bin/env bash
# Yes to full screen on a display that offers 800 x 600 (an Xvfb of exactly
# that size): no failure box, a borderless popup covering the screen, frames
# drawn into it, and Escape ends the program with exit code 0.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb 800x600
e2e_make_assets "$E2E_TMP/full"
e2e_start_program "$E2E_TMP/full"
e2e_answer_box Options Return
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "full-screen popup position and size"
e2e_borderless "$win" || e2e_fail "the full-screen popup has a frame"

scene_shown() {
    e2e_screenshot "$E2E_TMP/fullscreen.png"
    [ "$(convert "$E2E_TMP/fullscreen.png" -format %k info:)" -gt 100 ]
}
e2e_wait_until 30 scene_shown || e2e_fail "no textured scene on screen (see fullscreen.png)"

e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_expect_eq 1 "$(e2e_box_count)" "boxes shown"

e2e_pass
