# KDE's KWin for the compositor legs (sourced by wayland_lib.sh): headless, as
# root, on a session bus of its own.
#  - `kwin_wayland --virtual --xwayland ... CMD` runs CMD once Wayland and
#    Xwayland are up. Debian's binary carries a file capability
#    (cap_sys_resource) that exec refuses where the bounding set lacks it: a
#    copy, which has none, runs everywhere.
#  - KWin offers its fake input protocol, and its screenshots over D-Bus, only
#    to programs a .desktop file names by their absolute path, read from the
#    service cache that kbuildsycoca builds before KWin starts (KWin 6's
#    kbuildsycoca6 reads no .desktop file until a menu file says which). Both
#    go through tests/support/wlinput.c.
#  - KWin 6 drawing in software (no /dev/dri) offers no ScreenShot2: there an
#    Xwayland window is pictured through Xwayland, and a native one cannot be.

# Starts KWin with wlinput trusted for input and pictures.
wl_start_kwin() {
    local tool sycoca=kbuildsycoca5
    # KWin's major version, from its package's: 5.27 and 6 differ below.
    WL_KWIN_MAJOR=$(dpkg-query -W -f '${Version}' kwin-wayland 2>/dev/null |
        sed 's/^[0-9]*://; s/[.].*//')
    [ "${WL_KWIN_MAJOR:-5}" -ge 6 ] && sycoca=kbuildsycoca6
    for tool in kwin_wayland "$sycoca" dbus-run-session xdotool xwininfo import; do
        command -v "$tool" >/dev/null || e2e_unavailable "$tool is not installed"
    done
    [ -x "$WL_INPUT" ] || e2e_unavailable "no $WL_INPUT (plasma-wayland-protocols, libglib2.0-dev)"
    chmod 700 "$WL_RUNTIME"
    mkdir -p "$WL_RUNTIME/.local/share/applications" "$WL_RUNTIME/.config/menus"
    echo '<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><Include><All/></Include></Menu>' \
        >"$WL_RUNTIME/.config/menus/applications.menu"
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
        dbus-run-session -- sh -c '"$0" >/dev/null 2>&1; exec "$@"' "$sycoca" \
        "$WL_RUNTIME/kwin_wayland" --virtual --xwayland --width "${WL_SIZE%x*}" \
        --height "${WL_SIZE#*x}" --no-lockscreen --no-global-shortcuts --no-kactivities \
        -s wayland-merrowind "$WL_RUNTIME/ready" >"$WL_RUNTIME/kwin.log" 2>&1 &
    WL_SERVER_PID=$!
    e2e_wait_until 60 _wl_environment_ready ||
        e2e_unavailable "KWin did not start: $(tail -n 5 "$WL_RUNTIME/kwin.log")"
    _wl_export WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS
    unset XAUTHORITY
    _wl_start_input "$WL_INPUT"
    # KWin 5.27's fake input sends no pointer frame: Xwayland passes a motion
    # on only with the next one, so the moves a hand makes before steering end
    # with a pixel's pair that flushes them. KWin 6 ends each motion with a
    # frame, as a real mouse does.
    WL_FLUSH=()
    [ "${WL_KWIN_MAJOR:-5}" -ge 6 ] || WL_FLUSH=("rel 1 0" "rel -1 0")
    WL_KWIN_SHOTS=1
    _kwin_shot "$E2E_TMP/probe.png" || WL_KWIN_SHOTS=0
}

# What the output shows through ScreenShot2, as a PNG; false where KWin gives none.
_kwin_shot() {
    rm -f "$E2E_TMP/shot.ppm"
    wl_input "shot $E2E_TMP/shot.ppm"
    convert "$E2E_TMP/shot.ppm" "$1" 2>/dev/null
}

# Saves what the output shows as a PNG; without ScreenShot2, the program's
# Xwayland window in its place on an output of black.
wl_screenshot() {
    if [ "$WL_KWIN_SHOTS" = 1 ]; then
        _kwin_shot "$1" ||
            e2e_fail "cannot take a picture of the output: $(tail -n 3 "$E2E_TMP/input.log")"
        return
    fi
    local id origin
    id=$(_wl_x_window)
    origin=$(_wl_client_origin)
    [ "$WL_NATIVE" = 0 ] && [ -n "$id" ] && [ -n "$origin" ] &&
        import -window "$id" "$E2E_TMP/window.png" &&
        convert -size "$WL_SIZE" xc:black "$E2E_TMP/window.png" \
            -geometry "+${origin% *}+${origin#* }" -composite "$1" ||
        e2e_fail "cannot take a picture of the program's window"
}
wl_pictured() { [ "$WL_KWIN_SHOTS" = 1 ] || [ "$WL_NATIVE" = 0 ]; }
