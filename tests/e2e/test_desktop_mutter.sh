#!/usr/bin/env bash
# GNOME's mutter, headless: the program natively on Wayland and through
# Xwayland, framed and full screen, steered through the compositor by the
# shared step table; the native framed window has a title bar; full screen
# keeps the framed picture's shape; Escape ends with 0.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

wl_start mutter 1280x800
e2e_make_assets "$E2E_TMP/run"
wl_run_all "$E2E_TMP/run" mutter
wl_report
e2e_pass
