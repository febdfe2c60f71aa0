#!/usr/bin/env bash
# A GL without ARB multitexture (Mesa told to hide the extension): the failure
# box owned by the window, the rest of set-up still runs (its own boxes for
# missing files come after), no frame, exit code 0.
source "$(dirname "$0")/lib.sh"

START_TITLE="Merrowind - Terrain, Skybox, Go Kart"
HIDE=MESA_EXTENSION_OVERRIDE=-GL_ARB_multitexture

e2e_start_xvfb 1024x768
mkdir -p "$E2E_TMP/bare"
e2e_start_program "$E2E_TMP/bare" "$HIDE"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_answer_box_text Error "Your current setups does not support multitexturing" Return
e2e_expect_eq "$win" "$E2E_LAST_BOX_OWNER" "owner of the multitexture box"
e2e_answer_box_text Error "Can't find the height map!" Return
for _ in $(seq 10); do
    e2e_expect_eq "$START_TITLE" "$(e2e_title "$win")" "title while set-up runs"
    e2e_answer_box_text Error "Unable to load BMP File!" Return
done
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code without multitexturing"
e2e_expect_eq 13 "$(e2e_box_count)" "boxes shown"

# With all files present the multitexture box is the only one.
e2e_make_assets "$E2E_TMP/full"
e2e_start_program "$E2E_TMP/full" "$HIDE"
e2e_answer_box Options Escape
e2e_answer_box_text Error "Your current setups does not support multitexturing" Return
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code without multitexturing, with assets"
e2e_expect_eq 2 "$(e2e_box_count)" "boxes shown with assets"

e2e_pass
