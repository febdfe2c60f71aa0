#!/usr/bin/env bash
# Yes to full screen on a display without an 800 x 600 mode (Xvfb offers only
# its own size): the refusal is shown, start-up still runs to its end with a
# borderless 800 x 600 popup on the unchanged display, and the program ends
# with exit code 0 without drawing a frame.
source "$(dirname "$0")/lib.sh"

START_TITLE="Merrowind - Terrain, Skybox, Go Kart"

e2e_start_xvfb 1024x768
mkdir -p "$E2E_TMP/bare"
e2e_start_program "$E2E_TMP/bare"
e2e_answer_box_text Options "Click Yes to go to full screen (Recommended)" Return
# Asked before the window exists, so the box has no owner.
e2e_answer_box_text Error "Display Mode Not Compatible" Return
e2e_expect_eq "" "$E2E_LAST_BOX_OWNER" "owner of the display mode box"

# Start-up goes on after the quit request: the height map and the ten textures
# are still looked for.
e2e_answer_box_text Error "Can't find the height map!" Return
win=$(e2e_main_window)
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "popup position and size"
e2e_borderless "$win" || e2e_fail "the full-screen popup has a frame"
e2e_expect_eq "1024 768 24" "$(e2e_screen)" "display mode after the refused switch"
for _ in $(seq 10); do
    e2e_expect_eq "$START_TITLE" "$(e2e_title "$win")" "title while set-up runs"
    e2e_answer_box_text Error "Unable to load BMP File!" Return
done

# The quit request ends the loop before the first frame.
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after the refused display switch"
e2e_expect_eq 13 "$(e2e_box_count)" "boxes shown"

# With every asset present the refusal is the only failure, and the program
# still ends by itself with exit code 0.
e2e_make_assets "$E2E_TMP/full"
e2e_start_program "$E2E_TMP/full"
e2e_answer_box Options Return
e2e_answer_box_text Error "Display Mode Not Compatible" Return
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code with assets"
e2e_expect_eq 2 "$(e2e_box_count)" "boxes shown with assets"

e2e_pass
