# Shared helpers for the end-to-end tests: the real build/merrowind on a
# private X server, driven the way a person drives it.
#
# A test script:
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_start_xvfb 1024x768           # private Xvfb, pointer parked at (400, 300)
#   e2e_make_assets "$E2E_TMP/run"    # $E2E_TMP/run/texture3 with all eleven files
#   e2e_start_program "$E2E_TMP/run"  # working directory; extra VAR=value allowed
#   e2e_answer_box Options Escape     # No: framed window
#   win=$(e2e_main_window)
#   e2e_wait_title "$win" '^PosX='    # the first frame has run
#   e2e_key "$win" Escape
#   e2e_wait_exit 30
#   e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
#   e2e_pass
#
# Environment: MERROWIND_BUILD (the build directory) and MERROWIND_SOURCE (the
# source tree) are set by CTest; without them the script's own tree and its
# build/ are used. E2E_KEEP=1 keeps the temporary directory for a look.
#
# Facts these helpers are built on (X without a window manager):
#  - The pointer is moved with tests/support fakemotion (XTest), which the
#    program sees as a real mouse; `xdotool mousemove` is a warp it never sees.
#  - Keys go to the focused window: `xdotool windowfocus --sync ID`, then `key`.
#  - SDL's message boxes are top-level windows named by their caption, but with
#    a UTF8_STRING name that `xdotool search` cannot match; `fakemotion
#    --windows` lists them. Their text is drawn, not stored, so the program runs
#    with MERROWIND_BOX_LOG, and the platform appends "caption<TAB>text" to that
#    file for every box before showing it. The log's line count is also what
#    tells one box from the next: successive boxes can reuse one window id.
#  - The main window is found by its class, "merrowind".
#  - Closing the window the way a window manager does is WM_DELETE_WINDOW
#    (`fakemotion --close ID`).
#
# Every helper that waits takes a timeout in seconds and fails the test when
# it runs out. Waits poll; nothing here asserts on timing.

set -u

E2E_SOURCE=${MERROWIND_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
E2E_BUILD=${MERROWIND_BUILD:-$E2E_SOURCE/build}
E2E_PROGRAM=$E2E_BUILD/merrowind
E2E_FAKEMOTION=$E2E_BUILD/tests/fakemotion
E2E_NAME=$(basename "$0" .sh)
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/$E2E_NAME.XXXXXX")
E2E_BOX_LOG=$E2E_TMP/boxes.log
E2E_PID=
E2E_XSERVER_PID=
E2E_EXIT_CODE=
E2E_BOXES_ANSWERED=0
E2E_LAST_BOX_TEXT=
E2E_LAST_BOX_OWNER=
E2E_RUNS=0

# ---- Reporting ---------------------------------------------------------------

e2e_log() { echo "[$E2E_NAME] $*" >&2; }

# Ends the test as failed, with what the program printed and the boxes it showed.
e2e_fail() {
    e2e_log "FAIL: $*"
    if [ -s "$E2E_BOX_LOG" ]; then
        e2e_log "boxes shown:"
        sed 's/^/    /' "$E2E_BOX_LOG" >&2
    fi
    local log
    for log in "$E2E_TMP"/program*.log; do
        [ -s "$log" ] || continue
        e2e_log "$(basename "$log"):"
        tail -n 40 "$log" | sed 's/^/    /' >&2
    done
    exit 1
}

# Ends the test as skipped (CTest SKIP_RETURN_CODE 77).
e2e_skip() {
    e2e_log "SKIP: $*"
    exit 77
}

# A server or tool the test needs cannot run here: skipped, except in CI
# (CI=true), where every leg must run and a missing one is a failure.
e2e_unavailable() {
    [ "${CI:-}" = true ] && e2e_fail "$* (CI=true: this leg may not be skipped)"
    e2e_skip "$*"
}

e2e_pass() {
    e2e_log "PASS"
    exit 0
}

e2e_expect_eq() {
    [ "$1" = "$2" ] || e2e_fail "$3: expected '$1', got '$2'"
}

e2e_expect_match() {
    [[ "$2" =~ $1 ]] || e2e_fail "$3: '$2' does not match /$1/"
}

# Runs a command until it succeeds or the timeout passes.
e2e_wait_until() {
    local timeout=$1
    shift
    local deadline=$((SECONDS + timeout))
    while ! "$@" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# Ends a process this test started (signal TERM, or the one given) and reaps
# it; nothing for an empty pid.
e2e_stop() {
    [ -n "$1" ] || return 0
    kill -s "${2:-TERM}" "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

e2e_cleanup() {
    e2e_stop "$E2E_PID" KILL
    e2e_stop "$E2E_XSERVER_PID"
    if [ "${E2E_KEEP:-0}" = 1 ]; then
        e2e_log "kept $E2E_TMP"
    else
        rm -rf "$E2E_TMP"
    fi
}
trap e2e_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

[ -x "$E2E_PROGRAM" ] || e2e_fail "no program at $E2E_PROGRAM (set MERROWIND_BUILD)"
[ -x "$E2E_FAKEMOTION" ] || e2e_fail "no fakemotion at $E2E_FAKEMOTION"
for tool in Xvfb xdotool xwininfo xprop import convert; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
done

# ---- The X server ------------------------------------------------------------

# Starts a private Xvfb of the given size (default 1024x768), with any further
# Xvfb options (e.g. -fp built-ins), exports DISPLAY and parks the pointer at
# the program's centre (400, 300).
e2e_start_xvfb() {
    local size=${1:-1024x768}
    shift $(($# > 0))
    # A second server in one test must not be mistaken for the first.
    rm -f "$E2E_TMP/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -nolisten tcp "$@" \
        3>"$E2E_TMP/display" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XSERVER_PID=$!
    e2e_wait_until 10 grep -q '[0-9]' "$E2E_TMP/display" ||
        e2e_fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    _e2e_server_ready
}

# Exports DISPLAY for the server that wrote its number, and prepares it.
_e2e_server_ready() {
    export DISPLAY=":$(head -n1 "$E2E_TMP/display" | tr -dc 0-9)"
    # SDL writes a window's Motif decoration hints only when the atom already
    # exists, as it does once a window manager has run; e2e_borderless reads them.
    xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0 ||
        e2e_fail "cannot intern _MOTIF_WM_HINTS"
    e2e_move 400 300
}

# Starts a private Xorg with the dummy video driver, a 1024x768 screen that
# can really switch to 800x600 (and the dummy's other modes) through RandR.
# Skips the test where Xorg or the dummy driver is missing or we are not root.
e2e_start_xorg_dummy() {
    command -v Xorg >/dev/null || e2e_skip "Xorg is not installed (xserver-xorg-core)"
    [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] ||
        e2e_skip "the dummy video driver is not installed (xserver-xorg-video-dummy)"
    [ "$(id -u)" = 0 ] || e2e_skip "a private Xorg needs root"
    cat >"$E2E_TMP/xorg.conf" <<'CONF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 32768
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-100.0
    VertRefresh 5.0-200.0
    Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
    Modeline "800x600" 38.25 800 832 912 1024 600 603 607 624 -hsync +vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "1024x768" "800x600"
        Virtual 1024 768
    EndSubSection
EndSection
CONF
    Xorg -displayfd 3 -config "$E2E_TMP/xorg.conf" -logfile "$E2E_TMP/xorg.log" \
        -noreset -nolisten tcp -novtswitch -sharevts \
        3>"$E2E_TMP/display" >"$E2E_TMP/xorg.out" 2>&1 &
    E2E_XSERVER_PID=$!
    e2e_wait_until 30 grep -q '[0-9]' "$E2E_TMP/display" ||
        e2e_skip "Xorg with the dummy driver did not start:" \
            "$(grep -F '(EE)' "$E2E_TMP/xorg.log" | tail -n 3)"
    _e2e_server_ready
}

# The screen's size and depth as "WIDTH HEIGHT DEPTH" (the root window's).
e2e_screen() {
    xwininfo -root | awk '/^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } /^ *Depth:/ { d = $NF }
                          END { print w, h, d }'
}

# ---- Assets ------------------------------------------------------------------

# Writes DIR/texture3 with the eleven asset files: a 1024 x 1024 height ramp
# and ten 24-bit BMP pictures with a different look each. Files named after
# DIR are left out (e.g. e2e_make_assets "$dir" Terrain.raw Detail.bmp).
e2e_make_assets() {
    local dir=$1
    shift
    mkdir -p "$dir/texture3" || e2e_fail "cannot create $dir/texture3"
    local entry file look
    for entry in "Terrain.raw:" \
        "Terrain.bmp:gradient:green-sienna" "Detail.bmp:pattern:checkerboard" \
        "Back.bmp:gradient:skyblue-white" "Front.bmp:gradient:royalblue-white" \
        "Bottom.bmp:xc:darkgreen" "Top.bmp:xc:lightskyblue" \
        "Left.bmp:gradient:steelblue-white" "Right.bmp:gradient:navy-white" \
        "NSXtop.bmp:xc:red" "NSXback.bmp:xc:yellow"; do
        file=${entry%%:*}
        look=${entry#*:}
        if printf '%s\n' "$@" | grep -qxF "$file"; then continue; fi
        if [ "$file" = Terrain.raw ]; then
            # Heights 0..255 rising along x, 1,048,576 bytes.
            convert -size 1024x1024 gradient:black-white -rotate 90 -depth 8 \
                "gray:$dir/texture3/$file" || e2e_fail "cannot write $file"
        else
            convert -size 128x128 "$look" -type TrueColor "BMP3:$dir/texture3/$file" ||
                e2e_fail "cannot write $file"
        fi
    done
}

# ---- The program -------------------------------------------------------------

# Starts build/merrowind in DIR (assets are looked up relative to it). Extra
# arguments VAR=value go into its environment. Sets E2E_PID; the output goes
# to $E2E_TMP/programN.log. The box log starts empty.
e2e_start_program() {
    local dir=$1
    shift
    E2E_RUNS=$((E2E_RUNS + 1))
    : >"$E2E_BOX_LOG"
    E2E_BOXES_ANSWERED=0
    E2E_EXIT_CODE=
    (cd "$dir" && exec env MERROWIND_BOX_LOG="$E2E_BOX_LOG" "$@" "$E2E_PROGRAM") \
        >"$E2E_TMP/program$E2E_RUNS.log" 2>&1 &
    E2E_PID=$!
}

_e2e_exited() {
    local state
    state=$(awk '{ print $3 }' "/proc/$E2E_PID/stat" 2>/dev/null) || return 0
    [ -z "$state" ] || [ "$state" = Z ]
}

# Waits for the program to end and sets E2E_EXIT_CODE; fails on timeout.
e2e_wait_exit() {
    local timeout=${1:-30}
    e2e_wait_until "$timeout" _e2e_exited || e2e_fail "the program did not exit within ${timeout}s"
    wait "$E2E_PID"
    E2E_EXIT_CODE=$?
    E2E_PID=
}

# True while the program runs.
e2e_running() { [ -n "$E2E_PID" ] && ! _e2e_exited; }

# Sends a signal to the program (e.g. TERM).
e2e_signal() { kill -s "$1" "$E2E_PID"; }

# CPU time the process has used so far, user and system, in clock ticks (the
# fields after the command name in /proc/PID/stat, the 14th and 15th).
e2e_cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }

# ---- Watching for nothing ----------------------------------------------------

# A check that nothing happens (no frame while minimised, the view still while
# the focus is elsewhere) watches for this long. Measured against the whole
# scene at 800 x 600 under Xvfb with llvmpipe, on two cores shared with other
# builds: 25 to 33 frames in it, so a stray frame or turn has many chances to
# show.
E2E_OBSERVATION_SECONDS=1
e2e_observe() { sleep "$E2E_OBSERVATION_SECONDS"; }

# Watches for one observation window; prints the CPU ticks the program used.
e2e_cpu_over_observation() {
    local before
    before=$(e2e_cpu_ticks "$E2E_PID") || e2e_fail "the program is gone"
    e2e_observe
    echo $(($(e2e_cpu_ticks "$E2E_PID") - before))
}

# ---- Windows -----------------------------------------------------------------

# The top-level windows, one a line: "ID STATE X Y WIDTH HEIGHT NAME", STATE
# viewable or hidden.
e2e_windows() { "$E2E_FAKEMOTION" --windows; }

# The id of a viewable top-level window with exactly this name, if any (under
# a window manager, one in its frames).
e2e_find_window() {
    e2e_windows | awk -v name="$1" '
        $2 == "viewable" { id = $1; for (i = 1; i <= 6; i++) $i = ""; sub(/^ +/, "");
                           if ($0 == name) { print id; exit } }'
}

# Waits for a viewable window with exactly this name; prints its id.
e2e_wait_window() {
    local name=$1 timeout=${2:-30} id=
    local deadline=$((SECONDS + timeout))
    while :; do
        id=$(e2e_find_window "$name")
        [ -n "$id" ] && break
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no window '$name' within ${timeout}s"
        e2e_running || e2e_fail "the program ended while waiting for window '$name'"
        sleep 0.1
    done
    echo "$id"
}

# Waits for the program's main window (class merrowind) to be viewable; prints its id.
e2e_main_window() {
    local timeout=${1:-30} id=
    local deadline=$((SECONDS + timeout))
    while :; do
        id=$(xdotool search --onlyvisible --classname '^merrowind$' 2>/dev/null | head -n1)
        [ -n "$id" ] && break
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no main window within ${timeout}s"
        e2e_running || e2e_fail "the program ended before its window was shown"
        sleep 0.1
    done
    printf '0x%x\n' "$id"
}

# The window's current title.
e2e_title() { xdotool getwindowname "$1"; }

# Waits until the title that a command prints (e.g. e2e_title ID) has stopped
# changing, the frames of the last input having run; prints it.
e2e_settled() {
    local before after
    after=$("$@")
    for _ in $(seq 100); do
        sleep 0.3
        before=$after
        after=$("$@")
        [ "$before" = "$after" ] && { echo "$after"; return 0; }
    done
    e2e_fail "the title never settled: '$after'"
}

# Starts writing a line to FILE for every picture the window shows, after a
# first one once it watches; E2E_SPY is its pid, to stop it. Not the title:
# SDL 3 skips writing one that has not changed.
# What it says of the window (an X error, the window unmapped) goes to FILE.err.
e2e_spy_frames() { "$E2E_FAKEMOTION" --frames "$1" >"$2" 2>"$2.err" & E2E_SPY=$!; }

# Waits until the program has drawn N more frames (default 3) in the window,
# seen as pictures (DAMAGE) after the spy's first line.
e2e_wait_frames() {
    local id=$1 count=${2:-3} log="$E2E_TMP/frames.$BASHPID" spy
    e2e_spy_frames "$id" "$log"
    spy=$E2E_SPY
    e2e_wait_until 30 _e2e_lines_at_least "$log" $((count + 1))
    local drawn=$?
    e2e_stop "$spy"
    [ "$drawn" -eq 0 ] ||
        e2e_fail "fewer than $count frames drawn in 30s (pictures: $(($(wc -l <"$log") - 1));" \
            "the picture spy: $(tr '\n' ' ' <"$log.err"))"
    rm -f "$log" "$log.err"
}
_e2e_lines_at_least() { [ "$(wc -l 2>/dev/null <"$1" || echo 0)" -ge "$2" ]; }

# Waits until the window's title matches the regular expression; prints it.
e2e_wait_title() {
    local id=$1 pattern=$2 timeout=${3:-30} title=
    local deadline=$((SECONDS + timeout))
    while :; do
        title=$(e2e_title "$id" 2>/dev/null)
        [[ "$title" =~ $pattern ]] && break
        [ "$SECONDS" -lt "$deadline" ] ||
            e2e_fail "title of $id is still '$title', not /$pattern/, after ${timeout}s"
        sleep 0.1
    done
    echo "$title"
}

# The window's geometry as "X Y WIDTH HEIGHT" (X and Y on the screen).
e2e_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

# True when the window asks to go without a frame: SDL's borderless window sets
# Motif hints with decorations 0, its framed window decorations 1.
e2e_borderless() {
    local hints
    hints=$(xprop -id "$1" _MOTIF_WM_HINTS 2>/dev/null) || return 1
    [[ "$hints" == *=* ]] || return 1
    hints=${hints#*= }
    IFS=', ' read -r -a fields <<<"$hints"
    [ "$((fields[2]))" -eq 0 ]
}

# Asks the window to close, as a window manager's close button does.
e2e_close() { "$E2E_FAKEMOTION" --close "$1" || e2e_fail "cannot send a close request to $1"; }

# ---- Message boxes -----------------------------------------------------------

# The boxes shown so far, one "caption<TAB>text" a line.
e2e_boxes() { cat "$E2E_BOX_LOG"; }
e2e_box_count() { wc -l <"$E2E_BOX_LOG" | tr -d ' '; }
_e2e_box_shown() { [ "$(e2e_box_count)" -ge "$1" ]; }

# Waits for the next box, checks its caption, and answers it with a key
# (Return: Yes or OK; Escape: No). Sets E2E_LAST_BOX_TEXT to its text and
# E2E_LAST_BOX_OWNER to the window it is transient for (empty: no owner).
e2e_answer_box() {
    local caption=$1 key=$2 timeout=${3:-30}
    local number=$((E2E_BOXES_ANSWERED + 1)) line id
    e2e_wait_until "$timeout" _e2e_box_shown "$number" ||
        e2e_fail "box $number ('$caption') was not shown within ${timeout}s"
    line=$(sed -n "${number}p" "$E2E_BOX_LOG")
    [ "${line%%$'\t'*}" = "$caption" ] || e2e_fail "box $number is '$line', not caption '$caption'"
    E2E_LAST_BOX_TEXT=${line#*$'\t'}
    id=$(e2e_wait_window "$caption" "$timeout")
    E2E_LAST_BOX_OWNER=$(xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null |
        awk '/window id/ { print $NF }')
    xdotool windowfocus --sync "$id" key "$key" || e2e_fail "cannot press $key in box '$caption'"
    E2E_BOXES_ANSWERED=$number
}

# Answers the next box and checks its text too.
e2e_answer_box_text() {
    local caption=$1 text=$2 key=$3
    e2e_answer_box "$caption" "$key" "${4:-30}"
    e2e_expect_eq "$text" "$E2E_LAST_BOX_TEXT" "text of box $E2E_BOXES_ANSWERED"
}

# ---- Input -------------------------------------------------------------------

# Focuses the window and presses keys in xdotool's names (Escape, space, w ...).
e2e_key() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id" key "$@" || e2e_fail "cannot press $* in $id"
}

# Holds a key down for a while (seconds), focused on the window.
e2e_hold_key() {
    xdotool windowfocus --sync "$1" keydown "$2" || e2e_fail "cannot press $2"
    sleep "$3"
    xdotool keyup "$2"
}

# Moves the pointer to screen (X, Y) as a mouse does.
e2e_move() { "$E2E_FAKEMOTION" "$1" "$2" || e2e_fail "cannot move the pointer to $1,$2"; }

# The pointer's screen position as "X Y".
e2e_pointer() { "$E2E_FAKEMOTION" --where; }

# Clicks a mouse button (1 left, 3 right) where the pointer is.
e2e_click() { xdotool click "$1" || e2e_fail "cannot click button $1"; }

# ---- Pictures ----------------------------------------------------------------

# Saves what the screen shows (optionally a WxH+X+Y part of it) as a PNG.
e2e_screenshot() {
    local file=$1 geometry=${2:-}
    if [ -n "$geometry" ]; then
        import -window root -crop "$geometry" +repage "$file"
    else
        import -window root "$file"
    fi || e2e_fail "cannot take a screenshot"
}

# The colour of one pixel of a PNG as "R G B" (0-255).
e2e_pixel() {
    local at="u.p{$2,$3}"
    convert "$1" -format "%[fx:int(255*$at.r)] %[fx:int(255*$at.g)] %[fx:int(255*$at.b)]" info:
}
