#!/usr/bin/env bash
# A short session under valgrind's memcheck: start with all assets, answer No,
# let frames run, drive and steer a little, switch detail and outlines, then
# Escape. Memcheck must find no error and no definitely lost block: invalid
# reads and writes, uses of uninitialised values, bad frees, leaks. Reports
# from inside the X and GL driver stacks are suppressed by
# tests/support/valgrind.supp, each entry with its reason; nothing of ours is.
#
# Valgrind cannot run a sanitizer build; there the test is skipped (make test
# runs it on the plain build). Under valgrind llvmpipe draws about two frames a
# second, so input is given frames to act in and every wait is generous.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/proof_lib.sh"

command -v valgrind >/dev/null || e2e_fail "valgrind is not installed (scripts/install-deps)"
if ldd "$PROOF_PROGRAM" 2>/dev/null | grep -q 'libasan\.so'; then
    e2e_skip "$PROOF_PROGRAM is a sanitizer build; valgrind needs the plain build"
fi

VG_LOG=$E2E_TMP/valgrind.log
SUPP=$E2E_SOURCE/tests/support/valgrind.supp
# The program runs inside valgrind's process, so E2E_PID stays the program.
# --keep-debuginfo keeps the names of code that is unloaded before exit, so
# leak stacks still say where a block came from. Children that libdbus forks
# to find a session bus are not ours to report on.
E2E_PROGRAM=$E2E_TMP/merrowind
cat >"$E2E_PROGRAM" <<EOF && chmod +x "$E2E_PROGRAM" || e2e_fail "cannot write $E2E_PROGRAM"
#!/bin/sh
exec valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \\
    --show-leak-kinds=definite --errors-for-leak-kinds=definite --keep-debuginfo=yes \\
    --num-callers=40 --child-silent-after-fork=yes --gen-suppressions=all \\
    --suppressions="$SUPP" --log-file="$VG_LOG" "$PROOF_PROGRAM" "\$@"
EOF

e2e_start_xvfb 1024x768
proof_make_assets "$E2E_TMP/run"
e2e_start_program "$E2E_TMP/run"
e2e_answer_box Options Escape 300
win=$(e2e_main_window 300)
e2e_wait_title "$win" '^PosX=' 600 >/dev/null
e2e_log "first frame drawn under valgrind"

# A little of everything a frame can do - steering, driving, the detail and
# outline switches, the repeat step, a resize - each given frames to act in,
# counted as the pictures the window shows.
SPY=$E2E_TMP/titles.txt
e2e_spy_frames "$win" "$SPY"
spy_pid=$E2E_SPY
trap 'kill "$spy_pid" 2>/dev/null; e2e_cleanup' EXIT
frames() { wc -l <"$SPY" | tr -d ' '; }
wait_frames() {
    local until=$(($(frames) + $1)) deadline=$((SECONDS + 300))
    while [ "$(frames)" -lt "$until" ]; do
        e2e_running || e2e_fail "the program ended under valgrind"
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no frame for 300s under valgrind"
        sleep 0.2
    done
}
moved() { [[ "$(e2e_title "$win")" != PosX=490.0\ * ]]; }

xdotool windowfocus --sync "$win" || e2e_fail "cannot focus $win"
wait_frames 3
e2e_move 450 280
wait_frames 2
xdotool keydown w
e2e_wait_until 300 moved || { xdotool keyup w; e2e_fail "driving did not move the eye: '$(e2e_title "$win")'"; }
xdotool keyup w
xdotool keydown d
wait_frames 3
xdotool keyup d
for button in 1 3; do e2e_click "$button"; wait_frames 2; done
e2e_key "$win" space
wait_frames 2
xdotool windowsize --sync "$win" 640 480 || e2e_fail "cannot resize $win"
wait_frames 2
for button in 3 1; do e2e_click "$button"; wait_frames 2; done
e2e_log "$(frames) frames under valgrind"
title=$(e2e_title "$win")
proof_title_finite "$title" || e2e_fail "the title shows no finite camera: '$title'"

e2e_key "$win" Escape
e2e_wait_exit 600
summary=$(grep -m1 'ERROR SUMMARY' "$VG_LOG")
lost=$(grep -m1 'definitely lost:' "$VG_LOG")
e2e_log "${summary#*== }"
e2e_log "${lost#*== }"
if [ "$E2E_EXIT_CODE" != 0 ]; then
    # The reports, each followed by a suppression template.
    grep -v '^==[0-9]*== *$' "$VG_LOG" | sed -n '6,400p' >&2
    e2e_fail "memcheck reported errors (exit code $E2E_EXIT_CODE)"
fi
[[ "$summary" == *"ERROR SUMMARY: 0 errors"* ]] || e2e_fail "unexpected summary: $summary"
e2e_pass
