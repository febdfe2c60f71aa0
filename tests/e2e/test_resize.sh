#!/usr/bin/env bash
# Resizing the framed window: the new size reaches the window procedure, and
# the viewport and projection follow, so the whole scene is drawn smaller
# instead of being cut to the window's corner.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb 1024x768
e2e_make_assets "$E2E_TMP/full"
e2e_start_program "$E2E_TMP/full"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null

is_red() { [[ "$(e2e_pixel "$1" "$2" "$3")" =~ ^2[0-9][0-9]\ [0-4]?[0-9]\ [0-4]?[0-9]$ ]]; }

# The kart's red top sits low in the middle of the picture at full size.
full_size_kart() {
    e2e_screenshot "$E2E_TMP/full.png" 800x600+0+0
    is_red "$E2E_TMP/full.png" 400 420
}
e2e_wait_until 30 full_size_kart || e2e_fail "no kart mid-window at 800x600 (full.png)"

# Without a window manager the window takes the new size at once.
xdotool windowsize "$win" 400 300 || e2e_fail "cannot resize the window"
half_size_kart() {
    [ "$(e2e_geometry "$win")" = "0 0 400 300" ] || return 1
    e2e_screenshot "$E2E_TMP/half.png" 400x300+0+0
    # At half size the kart is in the middle again; with the old viewport this
    # spot would show the terrain left of the kart.
    is_red "$E2E_TMP/half.png" 200 210 && ! is_red "$E2E_TMP/half.png" 330 150
}
e2e_wait_until 30 half_size_kart || e2e_fail "the scene did not follow the new size (half.png)"

e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_pass
