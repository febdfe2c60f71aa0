#!/usr/bin/env bash
# The README's `./run`, as a new user starts it on an X server: it installs
# what is missing, builds, makes the assets, asks the question and opens the
# window. Not part of the CTest suite (it builds into build/ and writes
# texture3/ of the tree); .ci/fresh-debian runs it after ./test.
#
# The packaging leg runs the same steps against the installed package:
# CHECK_RUN_COMMAND is then the command to start (its menu entry's),
# CHECK_RUN_DIR the folder to start it in, and CHECK_RUN_STDERR, if set, the
# one line of the program's own ("merrowind: ...") its output must hold.
source "$(dirname "$0")/lib.sh"

E2E_PROGRAM=${CHECK_RUN_COMMAND:-$E2E_SOURCE/run}
what=$(basename "$E2E_PROGRAM")
e2e_start_xvfb 1024x768
e2e_start_program "${CHECK_RUN_DIR:-$E2E_SOURCE}"
e2e_answer_box_text Options "Click Yes to go to full screen (Recommended)" Escape 300
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "$what: the framed window"
# The title is set before the frame reaches the screen: wait for the picture.
scene_shown() {
    e2e_screenshot "$E2E_TMP/run.png" 800x600+0+0
    [ "$(convert "$E2E_TMP/run.png" -format %k info:)" -gt 1000 ]
}
e2e_wait_until 30 scene_shown || e2e_fail "$what shows no scene"
e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "$what: exit code after Escape"
e2e_expect_eq 1 "$(e2e_box_count)" "$what: boxes shown with the generated assets"
[ -z "${CHECK_RUN_STDERR:-}" ] || e2e_expect_eq "$CHECK_RUN_STDERR" \
    "$(grep '^merrowind: ' "$E2E_TMP/program$E2E_RUNS.log")" "$what: its lines on standard error"
e2e_pass
