# A fresh minimal Debian root of a given release, for the legs that prove
# installs (sourced by .ci/fresh-debian and tests/e2e-dist/test_packages.sh).
# Needs root.
#
#   source .ci/root-lib.sh
#   root_make NAME SUITE [debootstrap options]   # bookworm, trixie or sid; sets
#                                                # $root, mounts /proc, /sys, /dev
#   root_bind /tmp/.X11-unix               # the same folder inside the root
#   root_run 'apt-get update'              # as root, bare environment
#
# Nothing is cached between runs: a cache would hide a missing step. The root
# goes on every way out, with whatever still runs inside it.

root_mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
root_security_mirror=${DEBIAN_SECURITY_MIRROR:-${root_mirror%/debian}/debian-security}
root_work=
root=

# Ends whatever still runs inside the root (a test's X server, say), then
# unmounts everything under it, deepest first, and removes it.
root_cleanup() {
    [ -n "$root_work" ] || return 0
    local pid mount
    for pid in /proc/[0-9]*; do
        [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "${pid#/proc/}" 2>/dev/null
    done
    sleep 0.5
    for mount in $(awk -v top="$root/" 'index($2, top) == 1 { print $2 }' /proc/mounts | sort -r); do
        umount -l "$mount"
    done
    rm -rf --one-file-system "$root_work"
    root_work= root=
}

# Bootstraps SUITE (minbase) into a new temporary folder named after NAME,
# with any further debootstrap options, gives it the sources an installed
# system of that release has, and mounts what programs expect. One root at a
# time: a second root_make ends the first.
root_make() {
    local name=$1 suite=$2
    shift 2
    root_cleanup
    [ "$(id -u)" = 0 ] || { echo "$name: needs root (debootstrap and chroot)" >&2; exit 1; }
    if ! command -v debootstrap >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
    fi
    root_work=$(mktemp -d "/var/tmp/merrowind-$name.XXXXXX")
    root=$root_work/root
    trap root_cleanup EXIT
    echo "$name: debootstrap --variant=minbase${*:+ $*} $suite from $root_mirror"
    debootstrap --variant=minbase "$@" "$suite" "$root" "$root_mirror" >"$root_work/debootstrap.log" 2>&1 ||
        { tail -n 30 "$root_work/debootstrap.log" >&2; exit 1; }
    root_sources "$suite"
    # The root lives for minutes and is thrown away: dpkg's sync of every file
    # it unpacks would be most of apt's time there.
    echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/50merrowind-unsafe-io"
    mount -t proc proc "$root/proc"
    mount -t sysfs sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount --make-rslave "$root/dev"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
}

# The sources file of an installed system in place of debootstrap's one line: a
# release's updates and security suites too. Unstable has neither, and this
# mirror's copy of it outlives its Release file's Valid-Until, which apt would
# otherwise refuse as expired.
root_sources() {
    local suite=$1 suites=$1 security=
    case $suite in
        sid | unstable)
            echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/50merrowind-valid-until" ;;
        *)
            suites="$suite $suite-updates" security=$suite-security ;;
    esac
    rm -f "$root/etc/apt/sources.list"
    {
        printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$root_mirror" "$suites"
        printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
        [ -z "$security" ] ||
            printf '\nTypes: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
                "$root_security_mirror" "$security" /usr/share/keyrings/debian-archive-keyring.gpg
    } >"$root/etc/apt/sources.list.d/debian.sources"
}

# Makes a folder of this machine visible at the same path inside the root.
root_bind() {
    mkdir -p "$root$1"
    mount --bind "$1" "$root$1"
}

# Runs a command line inside the root, as root, with a bare environment and no
# terminal, as CI has; in the folder given by ROOT_DIR (default /).
root_run() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb CI="${CI:-true}" \
        DEBIAN_FRONTEND=noninteractive \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd ${ROOT_DIR:-/} && $1" </dev/null
}
