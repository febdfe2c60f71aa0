#!/usr/bin/env bash
# Driving and steering in the real window: the first frame's title, W drives
# along the view, A and D turn it, the mouse turns and tilts it, and the mouse
# is left alone while another window has the focus.
source "$(dirname "$0")/lib.sh"

FIRST_FRAME_TITLE="PosX=490.0 PosY=35.0 PosZ=275.0 ViewX=491.0 ViewY=34.5 ViewZ=275.0"

# Flat ground at height 0, so the eye (35 up) is never lifted and every change
# of the title comes from the keys and the mouse.
run=$E2E_TMP/run
e2e_make_assets "$run" Terrain.raw
head -c 1048576 /dev/zero >"$run/texture3/Terrain.raw" || e2e_fail "cannot write Terrain.raw"

e2e_start_xvfb 1024x768
e2e_start_program "$run"
e2e_answer_box Options Escape
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_expect_eq "$FIRST_FRAME_TITLE" "$(e2e_title "$win")" "first frame's title"

# The six numbers of a position title, space separated.
numbers() {
    local title
    title=$(e2e_title "$win")
    [[ "$title" =~ ^PosX=(-?[0-9.]+)\ PosY=(-?[0-9.]+)\ PosZ=(-?[0-9.]+)\ ViewX=(-?[0-9.]+)\ ViewY=(-?[0-9.]+)\ ViewZ=(-?[0-9.]+)$ ]] ||
        e2e_fail "not a position title: '$title'"
    echo "${BASH_REMATCH[@]:1}"
}
# Evaluates a condition on numbers with awk; true or false.
holds() { awk "BEGIN { exit !($1) }"; }
# Waits until the title stops changing (the last key's frames have run).
settle() { e2e_settled e2e_title "$win" >/dev/null; }
# The view's heading in radians, growing as it turns right (from +x to +z).
heading() { awk -v dx="$1" -v dz="$2" 'BEGIN { printf "%.4f", atan2(dz, dx) }'; }

# --- W drives along the view: x forward, y down half as much, z unchanged ----
start=$(date +%s.%N)
e2e_hold_key "$win" w 0.6
settle
elapsed=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
read -r px py pz vx vy vz <<<"$(numbers)"
e2e_log "after W: $px $py $pz / $vx $vy $vz; PosX rose $(awk -v x="$px" -v t="$elapsed" 'BEGIN { printf "%.1f in %.2f s", x - 490, t }')"
holds "$px > 491" || e2e_fail "W did not drive forward: PosX=$px"
# Never faster than 50 units per second of the time that passed, plus one step.
holds "$px - 490 <= 50 * $elapsed / sqrt(1.25) + 5" || e2e_fail "W drove too far: PosX=$px in ${elapsed}s"
holds "($vx - $px) > 0.89 && ($vx - $px) < 1.11" || e2e_fail "ViewX - PosX is not 1.0: $vx - $px"
holds "($vy - $py) > -0.61 && ($vy - $py) < -0.39" || e2e_fail "ViewY - PosY is not -0.5: $vy - $py"
holds "(35 - $py) > 0.5 * ($px - 490) - 0.2 && (35 - $py) < 0.5 * ($px - 490) + 0.2" ||
    e2e_fail "the eye did not sink half as fast as it advanced: PosX=$px PosY=$py"
e2e_expect_eq "275.0 275.0" "$pz $vz" "PosZ and ViewZ after W"

# --- D turns right (towards +z), A turns left; neither moves the eye ------------
# How far each turns depends on how long the program saw the key held, so only
# the sense and a clear amount are checked.
offset_heading() { heading "$(awk -v a="$4" -v b="$1" 'BEGIN { print a - b }')" "$(awk -v a="$6" -v b="$3" 'BEGIN { print a - b }')"; }
e2e_hold_key "$win" d 0.5
settle
read -r dx dy dz dvx dvy dvz <<<"$(numbers)"
e2e_expect_eq "$px $py $pz" "$dx $dy $dz" "eye after D"
after_d=$(offset_heading $dx $dy $dz $dvx $dvy $dvz)
holds "$after_d >= 0.15" || e2e_fail "D did not turn right: heading $after_d"
e2e_hold_key "$win" a 0.5
settle
read -r ax ay az avx avy avz <<<"$(numbers)"
e2e_expect_eq "$px $py $pz" "$ax $ay $az" "eye after A"
after_a=$(offset_heading $ax $ay $az $avx $avy $avz)
holds "$after_a <= $after_d - 0.15" || e2e_fail "A did not turn left: heading $after_d -> $after_a"

# --- The mouse: 250 pixels right turns half a radian right; up tilts up ---------
before=$after_a
e2e_move 650 300
e2e_wait_until 30 bash -c '[ "$("$0" --where)" = "400 300" ]' "$E2E_FAKEMOTION" ||
    e2e_fail "the pointer was not put back at (400, 300): $(e2e_pointer)"
settle
read -r mx my mz mvx mvy mvz <<<"$(numbers)"
after=$(offset_heading $mx $my $mz $mvx $mvy $mvz)
holds "$after - $before > 0.3 && $after - $before < 0.7" ||
    e2e_fail "the mouse did not turn the view by 0.5 to the right: $before -> $after"
e2e_expect_eq "$ax $ay $az" "$mx $my $mz" "eye after the mouse turn"

e2e_move 400 200
e2e_wait_until 30 bash -c '[ "$("$0" --where)" = "400 300" ]' "$E2E_FAKEMOTION" ||
    e2e_fail "the pointer was not put back after moving up: $(e2e_pointer)"
settle
read -r tx ty tz tvx tvy tvz <<<"$(numbers)"
holds "($tvy - $ty) > ($mvy - $my) + 0.1" || e2e_fail "moving up did not raise the view: $mvy -> $tvy"

# --- Another window has the focus: the pointer and the view are left alone -----
root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
xdotool windowfocus --sync "$root" 2>/dev/null || xdotool windowfocus "$root" ||
    e2e_fail "cannot move the focus off the window"
# Frames drawn after the focus left: the program has read that it did.
e2e_wait_frames "$win" 3
held=$(e2e_title "$win")
e2e_move 700 500
e2e_observe
e2e_expect_eq "700 500" "$(e2e_pointer)" "pointer while the window has no focus"
e2e_expect_eq "$held" "$(e2e_title "$win")" "title while the window has no focus"

# Back in focus: the cursor is re-centred, but where it was is no turn.
xdotool windowfocus --sync "$win" || e2e_fail "cannot focus the window again"
e2e_wait_until 30 bash -c '[ "$("$0" --where)" = "400 300" ]' "$E2E_FAKEMOTION" ||
    e2e_fail "the pointer was not re-centred after the focus came back: $(e2e_pointer)"
settle
e2e_expect_eq "$held" "$(e2e_title "$win")" "title after the focus came back"

e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_pass
