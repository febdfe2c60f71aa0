#!/usr/bin/env bash
# The cross-built merrowind.exe under Wine on a private Xvfb, driven like the
# Linux program: generated assets (by merrowind-assets.exe, also under Wine),
# No to the question gives a framed window that draws the scene, W drives, the
# mouse steers, a damaged image is reported while set-up runs, Escape and a
# close request end it with exit code 0; Yes on a display without an 800 x 600
# mode is refused and the program still ends with exit code 0, while Yes where
# the mode can be had switches the display, covers it with a borderless popup
# and gives the desktop its mode back at the end.
#
# Environment: MERROWIND_WINDOWS_BUILD, the folder with the three .exe files
# (default: build-win beside the sources; the packaging leg gives the unpacked
# zip); WINEPREFIX (default: a prefix kept in that folder); MERROWIND_BUILD,
# the Linux build whose tests/fakemotion moves the pointer (lib.sh's default
# otherwise).
#
# Wine facts this relies on (no window manager):
#  - The prefix is made once (wineboot takes about ten seconds). Its X11 driver runs unmanaged (Managed=N):
#    otherwise every window that closes waits for a window manager for ~2 s.
#  - Wine draws the frame itself, so a framed window's X geometry is its outer
#    size, and message boxes are top-level X windows named by their caption.
#    A Yes/No box has no Cancel button, so N (not Escape) answers No.
#  - The program's files are named with Wine's Z: drive, which is /.
#  - wineserver outlives the program by a few seconds and holds the display:
#    it is stopped before the X server goes.
source "$(dirname "$0")/../e2e/lib.sh"

WIN_BUILD=${MERROWIND_WINDOWS_BUILD:-$E2E_SOURCE/build-win}
WIN_PROGRAM=$WIN_BUILD/merrowind.exe
START_TITLE="Merrowind - Terrain, Skybox, Go Kart"

command -v wine >/dev/null || e2e_skip "wine is not installed (scripts/install-deps --windows)"
command -v wineserver >/dev/null || e2e_skip "wineserver is not installed"
for exe in merrowind.exe merrowind-assets.exe bmpcheck.exe; do
    [ -f "$WIN_BUILD/$exe" ] || e2e_fail "no $exe in $WIN_BUILD (make windows)"
done

export WINEPREFIX=${WINEPREFIX:-$WIN_BUILD/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

# Stops every Wine process of the prefix, then lib.sh's cleanup ends Xvfb.
wine_cleanup() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    e2e_cleanup
}
trap wine_cleanup EXIT

# Makes the prefix once; a half-made one (no marker) is made again.
wine_prefix() {
    [ -f "$WINEPREFIX/.merrowind-ready" ] && return
    rm -rf "$WINEPREFIX"
    e2e_log "making the Wine prefix $WINEPREFIX"
    wineboot --init >"$E2E_TMP/wineboot.log" 2>&1 || e2e_fail "wineboot failed: $(tail -5 "$E2E_TMP/wineboot.log")"
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$E2E_TMP/wineboot.log" 2>&1 ||
        e2e_fail "cannot set the X11 driver to unmanaged"
    wineserver -w
    touch "$WINEPREFIX/.merrowind-ready"
}

# Runs a console tool of the Windows build in DIR; prints its output.
wine_tool() {
    local dir=$1 exe=$2
    shift 2
    (cd "$dir" && wine "$WIN_BUILD/$exe" "$@" 2>"$E2E_TMP/tool.err") ||
        e2e_fail "$exe $* failed: $(grep -v wine32 "$E2E_TMP/tool.err" | tail -5)"
}

# Starts merrowind.exe in DIR under Wine, with the box log (lib.sh's
# e2e_start_program, for the Windows program).
wine_start_program() {
    local dir=$1
    E2E_RUNS=$((E2E_RUNS + 1))
    : >"$E2E_BOX_LOG"
    E2E_BOXES_ANSWERED=0
    E2E_EXIT_CODE=
    (cd "$dir" && exec env MERROWIND_BOX_LOG="Z:$E2E_BOX_LOG" wine "$WIN_PROGRAM") \
        >"$E2E_TMP/program$E2E_RUNS.log" 2>&1 &
    E2E_PID=$!
}

# Waits for the program's viewable window whose title matches; prints its id.
wine_main_window() {
    local pattern=$1 timeout=${2:-30} id=
    local deadline=$((SECONDS + timeout))
    while :; do
        id=$(e2e_windows | awk -v re="$pattern" '
            $2 == "viewable" { id = $1; for (i = 1; i <= 6; i++) $i = ""; sub(/^ +/, "");
                               if ($0 ~ re) { print id; exit } }')
        [ -n "$id" ] && break
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no window titled /$pattern/ within ${timeout}s"
        e2e_running || e2e_fail "the program ended while waiting for its window"
        sleep 0.1
    done
    echo "$id"
}

# The number after NAME= in a title.
title_value() { sed -n "s/.*$1=\\([-0-9.]*\\).*/\\1/p" <<<"$2"; }

e2e_start_xvfb 1024x768
wine_prefix

# ---- The asset tools, built for Windows ---------------------------------------

mkdir -p "$E2E_TMP/full"
wine_tool "$E2E_TMP/full" merrowind-assets.exe texture3 >/dev/null
for file in Terrain.raw Terrain.bmp Detail.bmp Back.bmp Front.bmp Bottom.bmp Top.bmp Left.bmp \
    Right.bmp NSXtop.bmp NSXback.bmp; do
    [ -s "$E2E_TMP/full/texture3/$file" ] || e2e_fail "merrowind-assets.exe wrote no $file"
done
e2e_expect_eq 1048576 "$(stat -c %s "$E2E_TMP/full/texture3/Terrain.raw")" "size of Terrain.raw"
e2e_expect_match '^[0-9]+x[0-9]+' "$(wine_tool "$E2E_TMP/full" bmpcheck.exe texture3/Top.bmp)" \
    "bmpcheck.exe on a generated image"

# ---- No: the framed window draws, drives, steers and ends on Escape -----------

# Started as Explorer starts it, in the exe's own folder, when that holds the
# asset set (the unpacked zip); otherwise where the generator just wrote it.
scene=$E2E_TMP/full
[ -d "$WIN_BUILD/texture3" ] && scene=$WIN_BUILD
wine_start_program "$scene"
e2e_answer_box_text Options "Click Yes to go to full screen (Recommended)" n
win=$(wine_main_window '^PosX=')
title=$(e2e_wait_title "$win" '^PosX=490\.0 PosY=[0-9.]+ PosZ=275\.0 ViewX=491\.0 ')

# Wine draws the frame itself: the X window is the outer window, at (0, 0) and
# larger than the 800 x 600 client by the frame and the caption.
read -r x y width height <<<"$(e2e_geometry "$win")"
e2e_expect_eq "0 0" "$x $y" "framed window position"
[ "$width" -gt 800 ] && [ "$height" -gt 600 ] && [ "$width" -lt 840 ] && [ "$height" -lt 660 ] ||
    e2e_fail "framed window is ${width}x${height}, not 800 x 600 plus a frame"

# The scene is drawn through Wine's opengl32: the client area holds a textured
# picture, not the class's plain background.
e2e_screenshot "$E2E_TMP/framed.png"
cp "$E2E_TMP/framed.png" "$WIN_BUILD/wine-framed.png" 2>/dev/null
colours=$(convert "$E2E_TMP/framed.png" -crop "800x600+$(((width - 800) / 2))+$((height - 600 - (width - 800) / 2))" \
    +repage -format %k info:)
[ "$colours" -gt 1000 ] || e2e_fail "the client area shows only $colours colours"

# W drives along +x at 50 units a second.
start_x=$(title_value PosX "$title")
e2e_hold_key "$win" w 1
title=$(e2e_wait_title "$win" '^PosX=')
moved_x=$(title_value PosX "$title")
awk -v a="$start_x" -v b="$moved_x" 'BEGIN { exit !(b > a + 5) }' ||
    e2e_fail "W did not drive forward: PosX $start_x -> $moved_x"

# The mouse steers: the pointer's offset from (400, 300) turns the view, and the
# pointer is put back.
view_z=$(title_value ViewZ "$title")
e2e_move 440 300
e2e_wait_until 10 bash -c '[ "$(xdotool getmouselocation --shell | sed -n "s/^X=//p")" = 400 ]' ||
    e2e_fail "the pointer was not re-centred: $(e2e_pointer)"
view_turned() { [ "$(title_value ViewZ "$(e2e_title "$win")")" != "$view_z" ]; }
e2e_wait_until 10 view_turned || e2e_fail "the mouse did not turn the view: $(e2e_title "$win")"

e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
e2e_expect_eq 1 "$(e2e_box_count)" "boxes shown with every asset"

# ---- A damaged image: reported during set-up, then the scene runs -------------

# An empty file passes the presence test but cannot be mapped.
mkdir -p "$E2E_TMP/damaged"
cp -r "$E2E_TMP/full/texture3" "$E2E_TMP/damaged/"
: >"$E2E_TMP/damaged/texture3/NSXback.bmp"
wine_start_program "$E2E_TMP/damaged"
e2e_answer_box Options n
e2e_wait_until 30 _e2e_box_shown 2 || e2e_fail "no box for the empty image"
win=$(wine_main_window "^$START_TITLE\$")
e2e_expect_eq "$START_TITLE" "$(e2e_title "$win")" "title while set-up runs"
e2e_answer_box_text Error "Failed to open DIB file texture3/NSXback.bmp. " Return
e2e_wait_title "$win" '^PosX=490\.0 ' >/dev/null

# A close request (what a window manager's close button sends) ends it too.
e2e_close "$win"
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after a close request"

# ---- Yes on a display without 800 x 600 -------------------------------------

wine_start_program "$E2E_TMP/full"
e2e_answer_box Options Return
e2e_answer_box_text Error "Display Mode Not Compatible" Return
e2e_expect_eq "" "$E2E_LAST_BOX_OWNER" "owner of the display mode box"
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after the refused display switch"
e2e_expect_eq 2 "$(e2e_box_count)" "boxes shown after Yes"
e2e_expect_eq "1024 768" "$(xwininfo -root | awk '/^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print w, h }')" \
    "display size after the refused switch"

# ---- Yes where 800 x 600 can be had: the borderless popup covers it --------

# Wine's processes hold the old display: they go before it does.
wine_stop_x() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    kill "$E2E_XSERVER_PID" 2>/dev/null
    wait "$E2E_XSERVER_PID" 2>/dev/null
    E2E_XSERVER_PID=
}
wine_stop_x

# Xorg's dummy driver really switches 1024x768 to 800x600 and back; without it,
# an 800 x 600 Xvfb (which offers only its own size) accepts the switch as is.
if command -v Xorg >/dev/null && [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] &&
    [ "$(id -u)" = 0 ]; then
    e2e_start_xorg_dummy
else
    e2e_log "no Xorg dummy driver: the full-screen case runs on an 800 x 600 Xvfb"
    e2e_start_xvfb 800x600
fi
desktop=$(e2e_screen)
depth=${desktop##* }

wine_start_program "$E2E_TMP/full"
e2e_answer_box Options Return
win=$(wine_main_window '^PosX=490\.0 ')
e2e_expect_eq "800 600 $depth" "$(e2e_screen)" "screen while running full screen"
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "full-screen popup position and size"
e2e_screenshot "$E2E_TMP/fullscreen.png" 800x600+0+0
cp "$E2E_TMP/fullscreen.png" "$WIN_BUILD/wine-fullscreen.png" 2>/dev/null
[ "$(convert "$E2E_TMP/fullscreen.png" -format %k info:)" -gt 1000 ] ||
    e2e_fail "no textured scene on the full screen"
e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape in full screen"
e2e_expect_eq "$desktop" "$(e2e_screen)" "screen after the program ended"
e2e_expect_eq 1 "$(e2e_box_count)" "boxes shown in full screen"

e2e_pass
