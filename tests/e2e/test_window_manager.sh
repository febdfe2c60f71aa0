#!/usr/bin/env bash
# Under a real window manager (openbox on Xvfb), which frames the window and
# owns the focus: an 800 x 600 client area inside the frame, the title, W
# drives, the mouse turns the view and the cursor is put back at the centre,
# minimising stops the frames until the window comes back, Escape ends with 0,
# and so does the window manager's close.
source "$(dirname "$0")/lib.sh"

command -v openbox >/dev/null || e2e_unavailable "openbox is not installed"
command -v wmctrl >/dev/null || e2e_unavailable "wmctrl is not installed"

e2e_start_xvfb 1024x768
# The program starts only once openbox runs its start-up command, just before
# its main loop. openbox 3.6 owns the screen (and answers wmctrl) earlier, but
# a window mapped during the rest of its start-up can be moved into its own
# event queue, and the main loop then sleeps on the connection: the window
# stays unmapped until some other event happens to reach openbox. On a freshly
# bootstrapped machine, where start-up is slow, the program's first box hung
# that way for minutes.
openbox --sm-disable --startup "touch $E2E_TMP/openbox.ready" >"$E2E_TMP/openbox.log" 2>&1 &
openbox_pid=$!
trap 'e2e_stop "$openbox_pid"; e2e_cleanup' EXIT
e2e_wait_until 60 test -e "$E2E_TMP/openbox.ready" ||
    e2e_unavailable "openbox did not start: $(tail -n 3 "$E2E_TMP/openbox.log")"

# Flat ground, so the title changes only with the keys and the mouse.
e2e_make_assets "$E2E_TMP/run" Terrain.raw
head -c 1048576 /dev/zero >"$E2E_TMP/run/texture3/Terrain.raw" || e2e_fail "cannot write Terrain.raw"

start() {
    e2e_start_program "$E2E_TMP/run"
    e2e_answer_box Options Escape
    win=$(e2e_main_window)
    xdotool windowactivate --sync "$win" || e2e_fail "cannot activate the window"
    e2e_wait_title "$win" '^PosX=' >/dev/null
}
# The view's heading in radians from the title, growing as it turns right.
heading() {
    e2e_title "$win" | awk '{ for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
                             printf "%.3f\n", atan2(v["ViewZ"] - v["PosZ"], v["ViewX"] - v["PosX"]) }'
}

start
read -r _ _ width height <<<"$(e2e_geometry "$win")"
e2e_expect_eq "800 600" "$width $height" "client area inside the frame"
extents=$(xprop -id "$win" _NET_FRAME_EXTENTS)
e2e_expect_match '= [0-9]+, [0-9]+, [1-9][0-9]*, [0-9]+$' "$extents" "a frame with a title bar"

xdotool keydown w && sleep 0.5 && xdotool keyup w || e2e_fail "cannot hold W"
title=$(e2e_settled e2e_title "$win")
[[ "$title" =~ ^PosX=([0-9.]+) ]] && [ "${BASH_REMATCH[1]}" != 490.0 ] ||
    e2e_fail "W did not drive: '$title'"

# 250 pixels to the right turn the view half a radian to the right, and the
# cursor is back in the middle.
before=$(heading)
e2e_move 650 300
e2e_wait_until 30 bash -c '[ "$("$0" --where)" = "400 300" ]' "$E2E_FAKEMOTION" ||
    e2e_fail "the pointer was not put back at (400, 300): $(e2e_pointer)"
e2e_settled e2e_title "$win" >/dev/null
turn=$(awk -v a="$(heading)" -v b="$before" 'BEGIN { printf "%.3f", a - b }')
e2e_log "250 px to the right turned the view by $turn rad"
# 0.5 is due; measured 0.507 to 0.559 under openbox here. 0.15 either way
# still tells a wrong scale (half or double the turn) from that overshoot.
awk -v t="$turn" 'BEGIN { exit !(t > 0.35 && t < 0.65) }' || e2e_fail "the mouse turned the view by $turn, not 0.5"

# Minimised, nobody sees a frame: the loop sleeps until the next message, so
# no title is written and next to no CPU time is used. A loop that kept drawing
# would write titles; a wait that returned at once would write none but keep a
# core busy, which its CPU time over the observation window shows.
xprop -spy -id "$win" _NET_WM_NAME >"$E2E_TMP/titles" 2>/dev/null &
spy_pid=$!
trap 'e2e_stop "$spy_pid"; e2e_stop "$openbox_pid"; e2e_cleanup' EXIT
titles() { wc -l <"$E2E_TMP/titles"; }
drawing=$(e2e_cpu_over_observation)
xdotool windowminimize --sync "$win" || e2e_fail "cannot minimise the window"
e2e_settled titles >/dev/null  # the frames have stopped
count=$(titles)
minimised=$(e2e_cpu_over_observation)
e2e_expect_eq "$count" "$(titles)" "titles written while minimised"
e2e_log "CPU ticks in ${E2E_OBSERVATION_SECONDS}s: $drawing drawing, $minimised minimised"
# Measured against Xvfb's unpaced frames on two cores shared with other
# builds: 27 to 87 ticks drawing, 0 minimised; a wait that returns at once
# (it still reads the X connection each turn) used 24 to 28.
[ "$drawing" -gt 0 ] && [ $((minimised * 8)) -lt "$drawing" ] ||
    e2e_fail "minimised the program used $minimised CPU ticks, drawing $drawing: it does not sleep"
xdotool windowactivate --sync "$win" || e2e_fail "cannot bring the window back"
e2e_wait_frames "$win" 10  # back: frames again, though the title stays

e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"

# The window manager's close button: a polite close request, and exit code 0.
start
wmctrl -i -c "$win" || e2e_fail "the window manager cannot close the window"
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after the window manager's close"
e2e_pass
