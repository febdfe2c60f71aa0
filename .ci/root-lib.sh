# A fresh minimal Debian 12 root, for the legs that prove installs (sourced by
# .ci/fresh-debian and tests/e2e-dist/test_packages.sh). Needs root.
#
#   source .ci/root-lib.sh
#   root_make NAME [debootstrap options]   # sets $root, mounts /proc, /sys, /dev
#   root_bind /tmp/.X11-unix               # the same folder inside the root
#   root_run 'apt-get update'              # as root, bare environment
#
# Nothing is cached between runs: a cache would hide a missing step. The root
# goes on every way out, with whatever still runs inside it.

root_mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
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
}

# Bootstraps bookworm (minbase) into a new temporary folder named after NAME,
# with any further debootstrap options, and mounts what programs expect.
root_make() {
    local name=$1
    shift
    [ "$(id -u)" = 0 ] || { echo "$name: needs root (debootstrap and chroot)" >&2; exit 1; }
    if ! command -v debootstrap >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
    fi
    root_work=$(mktemp -d "/var/tmp/merrowind-$name.XXXXXX")
    root=$root_work/root
    trap root_cleanup EXIT
    echo "$name: debootstrap --variant=minbase${*:+ $*} bookworm from $root_mirror"
    debootstrap --variant=minbase "$@" bookworm "$root" "$root_mirror" >"$root_work/debootstrap.log" 2>&1 ||
        { tail -n 30 "$root_work/debootstrap.log" >&2; exit 1; }
    mount -t proc proc "$root/proc"
    mount -t sysfs sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount --make-rslave "$root/dev"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
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
