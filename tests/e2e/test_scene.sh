#!/usr/bin/env bash
# The whole scene as a person sees it: terrain, kart and sky on screen from the
# start position, the right button switching to outlines and back, the left
# button switching the detail texture, Space stepping its repeat, and Escape.
source "$(dirname "$0")/lib.sh"

ASSETGEN=$E2E_BUILD/merrowind-assets
[ -x "$ASSETGEN" ] || e2e_fail "no asset generator at $ASSETGEN"

e2e_start_xvfb 1024x768
"$ASSETGEN" "$E2E_TMP/run/texture3" >"$E2E_TMP/assetgen.log" 2>&1 ||
    e2e_fail "merrowind-assets failed: $(tail -n 5 "$E2E_TMP/assetgen.log")"

# Measures over a WxH+X+Y part of a shot, each 0..1: the share of red pixels
# (red well above green and blue), the share of pixels whose mean of R, G and B
# lies above a percentage, the mean brightness, and mean blue minus mean green.
# ImageMagick 7's convert writes a line of its own ("list") before the figure
# when it runs -fx, so only the figure is kept.
red_share() {
    convert "$1" -crop "$2" +repage -fx '(r > g + 0.25 && r > b + 0.25) ? 1 : 0' \
        -format '%[fx:mean]\n' info: | awk '/^[0-9.e+-]+$/ { share = $0 } END { print share }'
}
share_above() {
    convert "$1" -crop "$2" +repage -grayscale Average -threshold "$3%" -format '%[fx:mean]' info:
}
dark_share() { awk -v a="$(share_above "$1" "$2" 2)" 'BEGIN { print 1 - a }'; }
brightness() { convert "$1" -crop "$2" +repage -grayscale Average -format '%[fx:mean]' info:; }
blue_over_green() { convert "$1" -crop "$2" +repage -format '%[fx:mean.b - mean.g]' info:; }
# The mean absolute difference (0..1) of two shots over a part of the screen.
difference() {
    convert "$1" "$2" -crop "$3" +repage -compose difference -composite \
        -format '%[fx:mean]' info:
}
# Compares two numbers the way awk does; true when the expression holds. A
# measure that is not a number (a tool's stray output) holds nothing: awk
# would compare it as text.
holds() { awk -v a="$1" -v b="$2" "BEGIN { exit !(a == a + 0 && ($3)) }"; }

# Takes a screenshot of the 800 x 600 client and prints its path.
shot() {
    local file="$E2E_TMP/shot-$1.png"
    e2e_wait_frames "$win" 3  # a click or key shows from the next frame on
    e2e_screenshot "$file" 800x600+0+0
    echo "$file"
}

e2e_start_program "$E2E_TMP/run"
e2e_answer_box Options Escape
[ "$(e2e_box_count)" = 1 ] || e2e_fail "an error box came up with all assets present"
win=$(e2e_main_window)
e2e_wait_title "$win" '^PosX=' >/dev/null
scene_shown() {
    e2e_screenshot "$E2E_TMP/first.png" 800x600+0+0
    [ "$(convert "$E2E_TMP/first.png" -format %k info:)" -gt 1000 ]
}
e2e_wait_until 30 scene_shown || e2e_fail "no textured scene on screen (see first.png)"

# Parts of the start view: the camera stands 10 units behind the kart and looks
# down over it, so the kart sits low in the middle and ground is all around it.
KART=200x120+300+460
GROUND=260x300+0+250
WHOLE=800x600+0+0

# --- Start position: ground everywhere, the kart in front, nothing black ---------
filled=$(shot filled)
kart_red=$(red_share "$filled" "$KART")
holds "$kart_red" 0.05 'a > b' || e2e_fail "no red kart low in the middle ($kart_red of $KART)"
ground_red=$(red_share "$filled" "$GROUND")
holds "$ground_red" 0.01 'a < b' || e2e_fail "kart colours where the ground should be ($ground_red)"
ground_lit=$(brightness "$filled" "$GROUND")
holds "$ground_lit" 0.1 'a > b' || e2e_fail "the ground is dark ($ground_lit)"
black=$(dark_share "$filled" "$WHOLE")
holds "$black" 0.01 'a < b' || e2e_fail "black holes in the filled scene ($black)"

# --- Right button: outlines with the black background between them, and back ----
e2e_click 3
outlined=$(shot outlined)
black=$(dark_share "$outlined" "$WHOLE")
holds "$black" 0.3 'a > b' || e2e_fail "outline mode shows little background ($black black)"
lines=$(share_above "$outlined" "$GROUND" 10)
holds "$lines" 0.002 'a > b' || e2e_fail "no terrain outlines in outline mode ($lines)"
e2e_click 3
refilled=$(shot refilled)
black=$(dark_share "$refilled" "$WHOLE")
holds "$black" 0.01 'a < b' || e2e_fail "the second right click did not fill again ($black black)"

# The camera does not move, so the ground part of two shots differs only when
# the drawing changes; the turning sky stays out of that part.
still=$(shot still)
noise=$(difference "$refilled" "$still" "$GROUND")
changed() { holds "$1" "$noise" 'a > 0.002 && a > 4 * b'; }

# --- Left button: the detail texture goes off, and comes back -------------------
e2e_click 1
plain=$(shot detail-off)
d=$(difference "$still" "$plain" "$GROUND")
changed "$d" || e2e_fail "the left click did not change the ground ($d, still $noise)"
e2e_click 1
detailed=$(shot detail-on)
d=$(difference "$still" "$detailed" "$GROUND")
holds "$d" "$noise" 'a <= 4 * b + 0.005' || e2e_fail "the second left click did not restore the ground ($d)"

# --- Space three times: repeat 16 -> 32 -> 64 -> 1 ------------------------------
e2e_key "$win" space space space
stretched=$(shot repeat-1)
d=$(difference "$detailed" "$stretched" "$GROUND")
changed "$d" || e2e_fail "three Space presses did not change the ground ($d, still $noise)"

# --- Looking up: sky above the ground, nothing black ----------------------------
e2e_move 400 100
e2e_wait_until 10 bash -c "[ \"\$('$E2E_FAKEMOTION' --where)\" = '400 300' ]" ||
    e2e_fail "the pointer was not re-centred after looking up"
up=$(shot looking-up)
sky_lit=$(brightness "$up" 800x80+0+0)
holds "$sky_lit" 0.45 'a > b' || e2e_fail "the top of the view is not bright sky ($sky_lit)"
sky_blue=$(blue_over_green "$up" 800x80+0+0)
holds "$sky_blue" -0.03 'a > b' || e2e_fail "the top of the view is not sky-coloured (blue - green $sky_blue)"
black=$(dark_share "$up" "$WHOLE")
holds "$black" 0.01 'a < b' || e2e_fail "black holes looking up ($black)"

e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_pass
