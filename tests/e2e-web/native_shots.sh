#!/usr/bin/env bash
# The desktop's side of the browser leg: build/merrowind drawn by Mesa on Xvfb,
# answered No. native_shots.sh OUT RUNDIR NAME:ACTION... (RUNDIR holds texture3/):
# per ACTION (none, a button 1 or 3, a key, or turn: 250 px to the right) it waits
# until the picture below the horizon changes and saves OUT/NAME.png (the 800 x
# 600 client), or for turn the settled title in OUT/NAME.txt. First OUT/sky.png:
# frame SKY_FRAMES + 2, the view tilted 250 px up after frame SKY_FRAMES + 1 (then back).
source "$(dirname "$0")/../e2e/lib.sh"
out=$1 run=$2
shift 2
BELOW_HORIZON=800x450+0+150

e2e_start_xvfb 1024x768
touch "$out/hold"
e2e_start_program "$run" LD_PRELOAD="$E2E_BUILD/tests/frame_stop.so" \
    MERROWIND_STOP_FROM_FRAME="$SKY_FRAMES" MERROWIND_STOP_WHILE="$out/hold"
e2e_answer_box Options Escape
e2e_wait_title "$(e2e_main_window)" '^PosX=' >/dev/null
held() {
    e2e_wait_until 30 bash -c '[ "$(awk "{ print \$3 }" /proc/$0/stat)" = T ]' "$E2E_PID" ||
        e2e_fail "the program was not held after frame $SKY_FRAMES"
}
held
e2e_signal CONT
held
e2e_move 400 50
e2e_signal CONT
held
e2e_screenshot "$out/sky.png" 800x600+0+0
# The frames below are a second run's, from a view never tilted.
e2e_stop "$E2E_PID" KILL
e2e_move 512 384

e2e_start_program "$run"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null

# Takes a shot into $1 and succeeds once it is textured and differs from $2.
fresh_shot() {
    e2e_screenshot "$1" 800x600+0+0
    [ "$(convert "$1" -format %k info:)" -gt 1000 ] || return 1
    [ -z "$2" ] && return 0
    convert "$1" "$2" -crop $BELOW_HORIZON +repage -compose difference -composite \
        -format '%[fx:mean > 0.002 ? 1 : 0]' info: | grep -q 1
}

previous=
for frame in "$@"; do
    name=${frame%%:*} action=${frame#*:}
    case "$action" in
        '') ;;
        [0-9]) e2e_click "$action" ;;
        turn)
            e2e_move 650 300
            e2e_wait_until 30 bash -c '[ "$("$0" --where)" = "400 300" ]' "$E2E_FAKEMOTION" ||
                e2e_fail "the pointer was not put back at (400, 300)"
            e2e_settled e2e_title "$win" >"$out/$name.txt"
            continue ;;
        *) e2e_key "$win" "$action" ;;
    esac
    e2e_wait_until 30 fresh_shot "$out/$name.png" "$previous" ||
        e2e_fail "frame $name: the picture did not change"
    previous=$out/$name.png
done
e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_pass
