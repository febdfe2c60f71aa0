# KDE's KWin for the compositor legs (sourced by wayland_lib.sh): headless, as
# root, on a session bus of its own.
#  - `kwin_wayland --virtual --xwayland ... CMD` runs CMD once Wayland and
#    Xwayland are up. Debian's binary carries a file capability
#    (cap_sys_resource) that exec refuses where the bounding set lacks it: a
#    copy, which has none, runs everywhere.
#  - KWin offers its fake input protocol, and its screenshots over D-Bus, only
#    to programs a .desktop file names by their absolute path, read from the
#    service cache that kbuildsycoca5 builds before KWin starts. Both go
#    through tests/support/wlinput.c.

# Starts KWin with wlinput trusted for input and pictures.
wl_start_kwin() {
    local tool
    for tool in kwin_wayland kbuildsycoca5 dbus-run-session xdotool wmctrl xwininfo; do
        command -v "$tool" >/dev/null || e2e_unavailable "$tool is not installed"
    done
    [ -x "$WL_INPUT" ] || e2e_unavailable "no $WL_INPUT (plasma-wayland-protocols, libglib2.0-dev)"
    chmod 700 "$WL_RUNTIME"
    mkdir -p "$WL_RUNTIME/.local/share/applications"
    cat >"$WL_RUNTIME/.local/share/applications/merrowind-wlinput.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Merrowind test input
Exec=$WL_INPUT
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
DESKTOP
    cp "$(command -v kwin_wayland)" "$WL_RUNTIME/kwin_wayland"
    printf 'exec sleep infinity\n' >>"$WL_RUNTIME/ready"
    setsid env -i PATH="$PATH" HOME="$WL_RUNTIME" XDG_RUNTIME_DIR="$WL_RUNTIME" \
        dbus-run-session -- sh -c 'kbuildsycoca5 >/dev/null 2>&1; exec "$@"' sh \
        "$WL_RUNTIME/kwin_wayland" --virtual --xwayland --width "${WL_SIZE%x*}" \
        --height "${WL_SIZE#*x}" --no-lockscreen --no-global-shortcuts --no-kactivities \
        -s wayland-merrowind "$WL_RUNTIME/ready" >"$WL_RUNTIME/kwin.log" 2>&1 &
    WL_SERVER_PID=$!
    e2e_wait_until 60 _wl_environment_ready ||
        e2e_unavailable "KWin did not start: $(tail -n 5 "$WL_RUNTIME/kwin.log")"
    _wl_export WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS
    unset XAUTHORITY
    _wl_start_input "$WL_INPUT"
}

# Saves what the output shows as a PNG.
wl_screenshot() {
    rm -f "$E2E_TMP/shot.ppm"
    wl_input "shot $E2E_TMP/shot.ppm"
    convert "$E2E_TMP/shot.ppm" "$1" 2>/dev/null ||
        e2e_fail "cannot take a picture of the output: $(tail -n 3 "$E2E_TMP/input.log")"
}
