#!/usr/bin/env bash
# Every asset file damaged in every way, end to end. For each of the eleven
# files under texture3/ and each fault - missing, empty, cut to half its
# length, seeded random bytes of the same length and (BMPs only) a valid picture
# with the 124-byte header of later format revisions - the real program starts
# under its own Xvfb with the other ten files intact, is answered No, and must
# show exactly the boxes listed below, go on to draw frames, and end with 0 on
# Escape without a sanitizer report. Where the height data is missing the
# ground must be flat at 0: the eye, driven down onto it, rests at exactly 10.
#
# Cases run two at a time (PROOF_JOBS), each a run of this script with --case.
# The table of outcomes is printed at the end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/proof_lib.sh"

SELF=$E2E_SOURCE/tests/e2e/$(basename "$0")
FILES=(Terrain.raw Terrain.bmp Detail.bmp Back.bmp Front.bmp Bottom.bmp Top.bmp
       Left.bmp Right.bmp NSXtop.bmp NSXback.bmp)
FAULTS=(missing empty half random v5header)
RANDOM_SEED_BASE=20240611

# ---- One case ----------------------------------------------------------------

# Damages DIR/texture3/FILE in the named way.
apply_fault() {
    local dir=$1 file=$2 fault=$3 index=$4
    local path=$dir/texture3/$file size
    size=$(stat -c %s "$path")
    case $fault in
    missing) rm -f "$path" ;;
    empty) : >"$path" ;;
    half) truncate -s $((size / 2)) "$path" ;;
    random) proof_random_bytes "$path" "$size" $((RANDOM_SEED_BASE + index)) ;;
    v5header) proof_write_v5_bmp "$path" 64 32 ;;
    esac || e2e_fail "cannot damage $path ($fault)"
}

# Prints the boxes the damaged file must give after the start-up question, one
# "caption<TAB>text" a line, as the box log writes them (line breaks in a text
# become spaces). Checks that the damaged file is what the expectation assumes.
expected_boxes() {
    local dir=$1 file=$2 fault=$3
    local path=$dir/texture3/$file good=$GOOD/texture3/$file
    if [ "$file" = Terrain.raw ]; then
        # A short or odd height file is no error: only a missing one is.
        [ "$fault" = missing ] && printf 'Error\tCan'\''t find the height map!\n'
        return 0
    fi
    case $fault in
    missing) printf 'Error\tUnable to load BMP File!\n' ;;
    empty) printf 'Error\tFailed to open DIB file texture3/%s. \n' "$file" ;;
    half)
        # Headers and colour table lie well inside the first half; the pixel
        # rows (or the run-length stream) stop short.
        [ "$(proof_hex "$good" 2)" = 424d ] || e2e_fail "$file: the generated file has no BM header"
        [ "$(proof_u32 "$good" 10)" -lt "$(stat -c %s "$path")" ] ||
            e2e_fail "$file: half the file does not reach its pixel data"
        printf 'Error\tImage file conversion error.\n' ;;
    random)
        # No "BM": the header size is the first four bytes, neither 12 nor 40.
        local head size
        head=$(proof_hex "$path" 2)
        size=$(proof_u32 "$path" 0)
        [ "$head" != 424d ] && [ "$size" != 12 ] && [ "$size" != 40 ] ||
            e2e_fail "$file: seed gives bytes $head / header size $size; choose another seed"
        printf 'Error\tUnknown DIB file format.\n' ;;
    v5header)
        identify "$path" 2>/dev/null | grep -q ' BMP 64x32 ' ||
            e2e_fail "$file: the 124-byte-header picture is not a valid BMP"
        [ "$(proof_u32 "$path" 14)" = 124 ] || e2e_fail "$file: header size is not 124"
        printf 'Error\tUnknown DIB file format.\n' ;;
    esac
}

# The boxes shown after the question, as "text / text" for the table.
boxes_seen() {
    local seen
    seen=$(tail -n +2 "$E2E_BOX_LOG" 2>/dev/null |
        awk -F'\t' '{ sub(/ +$/, "", $2); printf "%s%s", (NR > 1 ? " / " : ""), $2 }')
    echo "${seen:--}"
}

# Drives forward (W) until the title's PosY drops below LIMIT.
drive_until_below() {
    local win=$1 limit=$2 timeout=$3 title y
    local deadline=$((SECONDS + timeout))
    xdotool windowfocus --sync "$win" keydown w || e2e_fail "cannot press w"
    while :; do
        title=$(e2e_title "$win")
        y=$(proof_title_field "$title" PosY)
        [ -n "$y" ] && proof_float_test "$y < $limit" && break
        [ "$SECONDS" -lt "$deadline" ] || { xdotool keyup w; e2e_fail "PosY still '$y' after ${timeout}s of driving"; }
        sleep 0.05
    done
    xdotool keyup w
}

pointer_centred() { [ "$(e2e_pointer)" = "400 300" ]; }

# Moves the pointer by (DX, DY) from the centre and waits for a frame to take
# it (the pointer is back in the middle) and for one more after it.
steer() {
    local dx=$1 dy=$2
    e2e_move $((400 + dx)) $((300 + dy))
    e2e_wait_until 30 pointer_centred ||
        e2e_fail "the pointer was not re-centred after a move of $dx,$dy"
    e2e_wait_frames "$win" 2
}

# Drives the eye down along the view until the lift stops it, then sets
# REST_TITLE to the title once the eye is at rest: on flat ground at 0 that
# is PosY=10.0 exactly.
drive_to_rest() {
    local win=$1 deadline
    drive_until_below "$win" 10.05 60
    deadline=$((SECONDS + 30))
    while :; do
        REST_TITLE=$(e2e_title "$win")
        [[ "$REST_TITLE" == *" PosY=10.0 "* ]] && break
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "the eye does not rest at 10: '$REST_TITLE'"
        sleep 0.1
    done
}

# Checks that the ground is flat where the height file gave no data.
check_flat_ground() {
    local win=$1 fault=$2 title x z
    case $fault in
    missing | empty)
        # Nothing was read: the field is all zero. The start eye, at 35, is
        # already above 0 + 10, so the first frames keep it; driving along the
        # down-tilted view lowers it until the lift holds it at 10.
        e2e_wait_title "$win" '^PosX=490\.0 PosY=35\.0 PosZ=275\.0 ' 30 >/dev/null
        drive_to_rest "$win"
        e2e_expect_match '^PosX=[0-9.]+ PosY=10\.0 PosZ=275\.0 ' "$REST_TITLE" "eye resting on flat ground"
        CASE_NOTE="rests at y 10.0 at x $(proof_title_field "$REST_TITLE" PosX)"
        ;;
    half)
        # Rows 0-511 were read, rows 512 on stay zero. Turn right a quarter
        # turn (two moves of 393 pixels at 500 pixels a radian), level the view,
        # drive past row 530, tilt steeply down and drive onto the ground.
        xdotool windowfocus --sync "$win" || e2e_fail "cannot focus $win"
        steer 0 -232
        steer 393 0
        steer 393 0
        title=$(e2e_title "$win")
        proof_float_test "$(proof_title_field "$title" ViewZ) - $(proof_title_field "$title" PosZ) > 0.9" ||
            e2e_fail "the view does not point along +z after the turn: $title"
        xdotool keydown w
        local deadline=$((SECONDS + 60))
        while :; do
            title=$(e2e_title "$win")
            z=$(proof_title_field "$title" PosZ)
            [ -n "$z" ] && proof_float_test "$z > 530" && break
            [ "$SECONDS" -lt "$deadline" ] || { xdotool keyup w; e2e_fail "not past row 530: $title"; }
            sleep 0.05
        done
        xdotool keyup w
        steer 0 467
        steer 0 467
        drive_to_rest "$win"
        x=$(proof_title_field "$REST_TITLE" PosX)
        z=$(proof_title_field "$REST_TITLE" PosZ)
        proof_float_test "$z >= 512 && $z < 1024" || e2e_fail "the eye left the missing rows: $REST_TITLE"
        # In the whole file the ground there is high enough to hold the eye
        # well above 10, so resting at 10 shows the missing rows read as 0.
        local sample
        sample=$(proof_u8 "$GOOD/texture3/Terrain.raw" $((${x%.*} + ${z%.*} * 1024)))
        [ "$sample" -gt 0 ] || e2e_fail "the full height file is 0 at $x,$z too; the check proves nothing"
        CASE_NOTE="rests at y 10.0 at x $x z $z (full file: $sample)"
        ;;
    esac
}

run_case() {
    local file=$1 fault=$2 index=$3 result=$4
    CASE_NOTE=
    # A failure anywhere below still writes the case's row.
    eval "_lib_fail() $(declare -f e2e_fail | tail -n +2)"
    e2e_fail() {
        printf '%s\t%s\t%s\t%s\tFAIL: %s\n' "$file" "$fault" "$(boxes_seen)" "${E2E_EXIT_CODE:--}" "$*" >"$result"
        _lib_fail "$@"
    }

    e2e_start_xvfb 1024x768
    local dir=$E2E_TMP/run
    mkdir -p "$dir" && cp -r "$GOOD/texture3" "$dir/" || e2e_fail "cannot copy the assets"
    apply_fault "$dir" "$file" "$fault" "$index"
    local expected
    expected=$(expected_boxes "$dir" "$file" "$fault") || exit 1

    e2e_start_program "$dir"
    e2e_answer_box Options Escape 60
    local line caption text owners=()
    while IFS=$'\t' read -r caption text; do
        [ -n "$caption" ] || continue
        e2e_answer_box_text "$caption" "$text" Return 60
        owners+=("$E2E_LAST_BOX_OWNER")
    done <<<"$expected"

    local win
    win=$(e2e_main_window 60)
    # Frames run once set-up is over; a box beyond the expected ones would
    # hold set-up up, so it fails the case at once.
    local want=$((1 + ${#owners[@]})) deadline=$((SECONDS + 60)) title
    while :; do
        [ "$(e2e_box_count)" -le "$want" ] ||
            e2e_fail "an unexpected box: $(sed -n "$((want + 1))p" "$E2E_BOX_LOG")"
        title=$(e2e_title "$win" 2>/dev/null)
        [[ "$title" == PosX=* ]] && break
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no frame within 60s; title '$title'"
        sleep 0.1
    done
    # The height map box has no owner; "Unable to load BMP File!" belongs to the
    # main window, and so do the loader's own boxes: they go to the window with
    # the keyboard focus, which start-up gave to the main window.
    local owner
    for owner in "${owners[@]}"; do
        if [ "$file" = Terrain.raw ]; then
            e2e_expect_eq "" "$owner" "owner of the height map box"
        else
            e2e_expect_eq "$win" "$owner" "owner of the box"
        fi
    done

    [ "$file" = Terrain.raw ] && check_flat_ground "$win" "$fault"
    e2e_wait_frames "$win" 3
    title=$(e2e_title "$win")
    proof_title_finite "$title" || e2e_fail "the title shows no finite camera: '$title'"

    e2e_key "$win" Escape
    e2e_wait_exit 60
    e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
    e2e_expect_eq "$want" "$(e2e_box_count)" "boxes shown in the whole run"
    proof_expect_no_report "$(proof_program_log)" "$file $fault"
    printf '%s\t%s\t%s\t%s\tok%s\n' "$file" "$fault" "$(boxes_seen)" "$E2E_EXIT_CODE" \
        "${CASE_NOTE:+; $CASE_NOTE}" >"$result"
    e2e_pass
}

if [ "${1:-}" = --case ]; then
    GOOD=$2
    run_case "$3" "$4" "$5" "$6"
fi

# ---- The matrix ----------------------------------------------------------------

GOOD=$E2E_TMP/good
proof_make_assets "$GOOD"
mkdir -p "$E2E_TMP/cases"

cases=()
for i in "${!FILES[@]}"; do
    for fault in "${FAULTS[@]}"; do
        [ "$fault" = v5header ] && [ "${FILES[$i]}" = Terrain.raw ] && continue
        cases+=("${FILES[$i]} $fault $i")
    done
done

jobs_max=${PROOF_JOBS:-2}
running=0
n=0
for c in "${cases[@]}"; do
    read -r file fault index <<<"$c"
    n=$((n + 1))
    if [ "$running" -ge "$jobs_max" ]; then
        wait -n
        running=$((running - 1))
    fi
    bash "$SELF" --case "$GOOD" "$file" "$fault" "$index" "$E2E_TMP/cases/$n.result" \
        >"$E2E_TMP/cases/$n.log" 2>&1 &
    running=$((running + 1))
done
wait

failed=0
{
    printf '%-12s %-9s %-6s %-58s %s\n' FILE FAULT EXIT "BOXES AFTER THE QUESTION" OUTCOME
    for i in $(seq 1 "$n"); do
        if [ -s "$E2E_TMP/cases/$i.result" ]; then
            IFS=$'\t' read -r file fault boxes code outcome <"$E2E_TMP/cases/$i.result"
        else
            read -r file fault _ <<<"${cases[$((i - 1))]}"
            boxes=?; code=?; outcome="FAIL: no result (see its log)"
        fi
        [[ "$outcome" == ok* ]] || failed=$((failed + 1))
        printf '%-12s %-9s %-6s %-58s %s\n' "$file" "$fault" "$code" "$boxes" "$outcome"
    done
} >&2

if [ "$failed" -gt 0 ]; then
    for i in $(seq 1 "$n"); do
        grep -q '	ok' "$E2E_TMP/cases/$i.result" 2>/dev/null && continue
        e2e_log "---- case $i: ${cases[$((i - 1))]}"
        tail -n 40 "$E2E_TMP/cases/$i.log" >&2
    done
    e2e_fail "$failed of $n cases failed"
fi
e2e_pass
