#!/usr/bin/env bash
# The artefacts of `make dist`, installed and run as a person would, with the
# X server and the tools that drive it on this machine:
#  - the Debian package: lintian, appstreamcli and desktop-file-validate are
#    clean; in a fresh minimal root of each release (Debian 12, Debian 13,
#    unstable; MERROWIND_PACKAGE_RELEASES) that never ran install-deps, `apt
#    install ./merrowind_….deb` brings all it needs, the menu entry's command
#    goes through tests/e2e/check_run.sh's steps (again in a folder whose
#    texture3/ holds two files: the package gives the rest and one line names
#    them), and `apt-get purge` leaves none of the package's files behind;
#  - the Windows zip: unpacked into a fresh folder with a fresh Wine prefix,
#    and tests/e2e-windows/test_wine.sh run from there;
#  - the web bundle: unpacked, served,
#    and tests/e2e-web/test_web.py run against it.
#
#   tests/e2e-dist/test_packages.sh [DIST]   # as root; DIST defaults to dist/
set -euo pipefail
dist=$(cd "${1:-dist}" && pwd)
cd "$(dirname "$0")/../.."
step() { echo "== packages: $* ($(date -u +%H:%M:%S))"; }
fail() { echo "== packages: FAIL: $*" >&2; exit 1; }

deb=$(echo "$dist"/merrowind_*_amd64.deb)
zip=$(echo "$dist"/merrowind-*-windows-x86_64.zip)
[ -f "$deb" ] && [ -f "$zip" ] || fail "no package or zip in $dist (make dist)"
# The pointer and window tools of the Linux build drive both programs.
make --no-print-directory build >/dev/null

step "lintian --fail-on error,warning $(basename "$deb")"
lintian --fail-on error,warning --display-info "$deb"
# The package's whole tree, so that the AppStream component's launchable is
# checked against the menu entry beside it.
step "appstreamcli validate-tree --no-net of $(basename "$deb")'s files"
tree=$(mktemp -d)
dpkg-deb -x "$deb" "$tree"
appstreamcli validate-tree --no-net "$tree"
rm -rf "$tree"

source .ci/root-lib.sh
# The X servers' sockets, seen inside each root too (made as X makes it where
# no server ran yet).
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
# The one package made on Debian 12 goes into a fresh root of each release.
for release in ${MERROWIND_PACKAGE_RELEASES:-bookworm trixie sid}; do
    started=$SECONDS
    root_make "packages-$release" "$release"
    root_bind /tmp/.X11-unix
    cp "$deb" "$root/tmp/"
    step "$release: apt install ./$(basename "$deb") in the fresh root"
    root_run "apt-get update -qq && apt-get install -y -qq ./tmp/$(basename "$deb") >/dev/null"
    root_run 'dpkg -L merrowind' >"$root_work/files"
    root_run 'dpkg-query -W -f "Depends: \${Depends}\nRecommends: \${Recommends}\n" merrowind'

    desktop=$root/usr/share/applications/merrowind.desktop
    step "$release: desktop-file-validate $desktop"
    desktop-file-validate "$desktop"
    command=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[a-zA-Z]//g')

    # The menu entry's command, run inside the root in the folder it is
    # started in (paths of this machine under the root become the root's own).
    cat >"$root_work/menu-entry" <<EOF
#!/bin/sh
here=\${PWD#$root}
exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DISPLAY="\$DISPLAY" \\
    MERROWIND_BOX_LOG="\${MERROWIND_BOX_LOG#$root}" sh -c 'cd "\$1" && exec $command' sh "\${here:-/}"
EOF
    chmod +x "$root_work/menu-entry"
    step "$release: the menu entry's command, $command, in root's home folder"
    TMPDIR=$root/tmp CHECK_RUN_COMMAND=$root_work/menu-entry CHECK_RUN_DIR=$root/root \
        bash tests/e2e/check_run.sh
    mkdir -p "$root/root/partial/texture3"
    cp "$root"/usr/share/games/merrowind/texture3/{Terrain.raw,Top.bmp} "$root/root/partial/texture3"
    step "$release: the menu entry's command in a folder whose texture3/ has only Terrain.raw and Top.bmp"
    TMPDIR=$root/tmp CHECK_RUN_COMMAND=$root_work/menu-entry CHECK_RUN_DIR=$root/root/partial \
        CHECK_RUN_STDERR="merrowind: texture3/ lacks Terrain.bmp, Detail.bmp, Back.bmp, Front.bmp, \
Bottom.bmp, Left.bmp, Right.bmp, NSXtop.bmp, NSXback.bmp: taken from /usr/share/games/merrowind/texture3" \
        bash tests/e2e/check_run.sh

    step "$release: apt-get purge merrowind"
    root_run 'apt-get purge -y -qq merrowind >/dev/null'
    left=
    while read -r path; do
        [ "$path" != /. ] && [ -e "$root$path" ] || continue
        # A folder another package still lists is shared, not left behind.
        [ -d "$root$path" ] && root_run "dpkg -S '$path'" >/dev/null 2>&1 && continue
        left="$left $path"
    done <"$root_work/files"
    [ -z "$left" ] || fail "$release: left after purge:$left"
    step "$release: installed, run and purged in $((SECONDS - started))s"
done

step "$(basename "$zip") in a fresh folder and Wine prefix"
unzip -q "$zip" -d "$root_work/windows"
MERROWIND_WINDOWS_BUILD=$(echo "$root_work"/windows/merrowind-*) WINEPREFIX=$root_work/wineprefix \
    bash tests/e2e-windows/test_wine.sh

web=$(echo "$dist"/merrowind-*-web.zip)
[ -f "$web" ] || fail "no web bundle in $dist"
step "$(basename "$web") unpacked and served"
unzip -q "$web" -d "$root_work/web"
for engine in chromium firefox webkitgtk; do
    MERROWIND_BUILD=$(pwd)/build MERROWIND_SOURCE=$(pwd) CI=${CI:-true} \
        /usr/bin/python3 tests/e2e-web/test_web.py "$(echo "$root_work"/web/merrowind-*)" "$engine"
done

step "all packages installed, run and removed in ${SECONDS}s"
