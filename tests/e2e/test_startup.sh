#!/usr/bin/env bash
# Start-up in a framed window and the three ways out: Escape, closing the
# window, and a termination signal. Each ends with exit code 0.
source "$(dirname "$0")/lib.sh"

START_TITLE="Merrowind - Terrain, Skybox, Go Kart"
# The first frame's title: the start-up camera, no mouse or key input.
FIRST_FRAME_TITLE="PosX=490.0 PosY=35.0 PosZ=275.0 ViewX=491.0 ViewY=34.5 ViewZ=275.0"

e2e_start_xvfb 1024x768

# --- No assets: the window is there while the start-up boxes wait ---------------
mkdir -p "$E2E_TMP/bare"
e2e_start_program "$E2E_TMP/bare"
e2e_answer_box_text Options "Click Yes to go to full screen (Recommended)" Escape
e2e_expect_eq "" "$E2E_LAST_BOX_OWNER" "owner of the question box"

# The height map is read after the window and context exist.
e2e_answer_box_text Error "Can't find the height map!" Return
e2e_expect_eq "" "$E2E_LAST_BOX_OWNER" "owner of the height map box"
win=$(e2e_main_window)
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "framed window: client position and size"
e2e_expect_eq "$START_TITLE" "$(e2e_title "$win")" "title before the first frame"
e2e_borderless "$win" && e2e_fail "the window answered No to full screen has no frame"

for _ in $(seq 10); do
    # Set-up is still running until the last box is answered: no frame yet.
    e2e_expect_eq "$START_TITLE" "$(e2e_title "$win")" "title while set-up runs"
    e2e_answer_box_text Error "Unable to load BMP File!" Return
    e2e_expect_eq "$win" "$E2E_LAST_BOX_OWNER" "owner of a texture box"
done

e2e_wait_title "$win" "^$FIRST_FRAME_TITLE\$" >/dev/null
e2e_expect_eq "400 300" "$(e2e_pointer)" "pointer re-centred by the frames"
e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_expect_eq 12 "$(e2e_box_count)" "boxes shown in the run without assets"

# --- With assets: no box but the question; closing the window ends the program ----
e2e_make_assets "$E2E_TMP/full"
e2e_start_program "$E2E_TMP/full"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "framed window with assets"
# The title is set before the frame is drawn; poll until a frame is on screen.
scene_shown() {
    e2e_screenshot "$E2E_TMP/framed.png" 800x600+0+0
    [ "$(convert "$E2E_TMP/framed.png" -format %k info:)" -gt 100 ]
}
e2e_wait_until 30 scene_shown || e2e_fail "no textured scene on screen (see framed.png)"
e2e_close "$win"
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after closing the window"
e2e_expect_eq 1 "$(e2e_box_count)" "boxes shown with all assets present"

# --- A termination signal runs the normal shut-down too ----------------------------
e2e_start_program "$E2E_TMP/full"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_signal TERM
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after SIGTERM"

e2e_pass
