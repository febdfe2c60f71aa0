# GNOME's mutter for the compositor legs (sourced by wayland_lib.sh): headless,
# as root, on a session bus of its own, with pipewire for pictures of it.
#  - `mutter --headless --virtual-monitor WxH -- CMD` runs CMD once Wayland
#    and Xwayland are up, with their variables set; Xwayland wants a cookie
#    (XAUTHORITY in the runtime folder).
#  - Input comes over D-Bus (RemoteDesktop) from tests/support/mutter_input.py;
#    the first key of a new session can be lost, so a Shift tap goes first.
#  - Pictures: a one-frame ScreenCast of the monitor through pipewire.

# Starts mutter with pipewire and wireplumber beside it.
wl_start_mutter() {
    local tool
    for tool in mutter dbus-run-session pipewire wireplumber gst-launch-1.0 xdotool wmctrl xwininfo; do
        command -v "$tool" >/dev/null || e2e_unavailable "$tool is not installed"
    done
    /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || e2e_unavailable "no python3-dbus or python3-gi"
    chmod 700 "$WL_RUNTIME"
    printf 'pipewire & wireplumber &\n' >>"$WL_RUNTIME/ready"
    printf 'wait\n' >>"$WL_RUNTIME/ready"
    setsid env -i PATH="$PATH" HOME="$WL_RUNTIME" XDG_RUNTIME_DIR="$WL_RUNTIME" \
        dbus-run-session -- mutter --headless --wayland --virtual-monitor "$WL_SIZE" \
        -- "$WL_RUNTIME/ready" >"$WL_RUNTIME/mutter.log" 2>&1 &
    WL_SERVER_PID=$!
    e2e_wait_until 60 _wl_environment_ready ||
        e2e_unavailable "mutter did not start: $(tail -n 5 "$WL_RUNTIME/mutter.log")"
    _wl_export WAYLAND_DISPLAY DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS
    _wl_start_input /usr/bin/python3 -B "$E2E_SOURCE/tests/support/mutter_input.py"
    wl_input "tap 42" "rel 1 1" "rel -1 -1"
}

# Saves what the monitor shows as a PNG.
wl_screenshot() {
    rm -f "$1"
    wl_input "shot $1"
    [ -s "$1" ] || e2e_fail "cannot take a picture of the monitor: $(tail -n 3 "$E2E_TMP/input.log")"
}
