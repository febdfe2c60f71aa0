# Helpers for the proof runs (fault matrix, soak, memcheck, screenshots), on
# top of lib.sh: the real asset set, damaged copies of its files, sanitizer
# reports, and reading the camera out of the window title.
#
#   source "$(dirname "$0")/lib.sh"
#   source "$(dirname "$0")/proof_lib.sh"
#
# Binary files are written with perl (part of every Debian system) so that no
# test depends on a scripting runtime the project does not otherwise need.

PROOF_ASSETGEN=$E2E_BUILD/merrowind-assets

# How a sanitizer report shows in the program's output: the ASan, LSan and UBSan
# headers and UBSan's one-line "runtime error:" reports.
PROOF_SANITIZER_PATTERN='AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:'

# The program itself; a test may put a wrapper (valgrind) in E2E_PROGRAM.
PROOF_PROGRAM=$E2E_PROGRAM

# Leak reports from inside the X and GL libraries are waived by a documented
# list; a caller's own LSAN_OPTIONS wins.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$E2E_SOURCE/tests/support/lsan.supp:print_suppressions=0}

# Writes DIR/texture3 with the eleven files of the real asset generator.
proof_make_assets() {
    local dir=$1
    [ -x "$PROOF_ASSETGEN" ] || e2e_fail "no asset generator at $PROOF_ASSETGEN"
    mkdir -p "$dir" || e2e_fail "cannot create $dir"
    "$PROOF_ASSETGEN" --force "$dir/texture3" >/dev/null ||
        e2e_fail "the asset generator failed for $dir/texture3"
}

# Writes LENGTH bytes of xorshift32 noise from SEED (a non-zero integer) to FILE:
# the same bytes on every machine and perl version.
proof_random_bytes() {
    local file=$1 length=$2 seed=$3
    perl -e '
        my ($length, $x) = @ARGV;
        $x &= 0xFFFFFFFF; $x ||= 1;
        my $out = "";
        while (length($out) < $length) {
            $x ^= ($x << 13) & 0xFFFFFFFF; $x ^= $x >> 17; $x ^= ($x << 5) & 0xFFFFFFFF;
            $out .= pack("V", $x);
        }
        print substr($out, 0, $length);
    ' "$length" "$seed" >"$file" || e2e_fail "cannot write $file"
}

# Writes a valid 24-bit picture, WIDTH x HEIGHT, whose image header is the
# 124-byte BITMAPV5HEADER of later revisions of the format (sRGB, no profile).
proof_write_v5_bmp() {
    local file=$1 width=${2:-64} height=${3:-32}
    perl -e '
        my ($w, $h) = @ARGV;
        my $stride = int(($w * 3 + 3) / 4) * 4;
        my $pixels = "";
        for my $y (0 .. $h - 1) {
            my $row = "";
            for my $x (0 .. $w - 1) { $row .= pack("C3", ($x * 4) & 255, ($y * 8) & 255, 128); }
            $pixels .= $row . ("\0" x ($stride - $w * 3));
        }
        my $offset = 14 + 124;
        my $v5 = pack("V l l v v V V l l V V", 124, $w, $h, 1, 24, 0, length($pixels),
                      2835, 2835, 0, 0)
               . pack("V4", 0x00FF0000, 0x0000FF00, 0x000000FF, 0)   # masks R G B A
               . pack("V", 0x73524742)                               # LCS_sRGB
               . ("\0" x 36) . pack("V3", 0, 0, 0)                   # endpoints, gamma
               . pack("V4", 4, 0, 0, 0);                             # intent, profile, reserved
        die "header is ", length($v5), " bytes" unless length($v5) == 124;
        print "BM", pack("V v v V", $offset + length($pixels), 0, 0, $offset), $v5, $pixels;
    ' "$width" "$height" >"$file" || e2e_fail "cannot write $file"
}

# The first bytes of FILE as hex, e.g. "424d" for "BM".
proof_hex() { od -An -tx1 -N"$2" "$1" | tr -d ' \n'; }

# The little-endian 32-bit number at OFFSET in FILE.
proof_u32() { od -An -tu4 --endian=little -j"$2" -N4 "$1" | tr -d ' \n'; }

# The byte at OFFSET in FILE, 0-255.
proof_u8() { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' \n'; }

# Fails when LOG holds a sanitizer report.
proof_expect_no_report() {
    local log=$1 what=$2
    if grep -Eq "$PROOF_SANITIZER_PATTERN" "$log"; then
        grep -E -m5 -A12 "$PROOF_SANITIZER_PATTERN" "$log" >&2
        e2e_fail "$what: sanitizer report in $(basename "$log")"
    fi
}

# The log of the program's latest run.
proof_program_log() { echo "$E2E_TMP/program$E2E_RUNS.log"; }

# One field of a camera title ("PosX=490.0 PosY=35.0 ..."), e.g. PosY; empty
# when the title shows no camera (before the first frame, or a collision).
proof_title_field() {
    local title=$1 name=$2
    [[ " $title " =~ \ $name=([^ ]+)\  ]] && echo "${BASH_REMATCH[1]}"
}

# True when all six camera values of the title are finite numbers.
proof_title_finite() {
    [[ "$1" =~ ^PosX=-?[0-9]+\.[0-9]\ PosY=-?[0-9]+\.[0-9]\ PosZ=-?[0-9]+\.[0-9]\ ViewX=-?[0-9]+\.[0-9]\ ViewY=-?[0-9]+\.[0-9]\ ViewZ=-?[0-9]+\.[0-9]$ ]]
}

# Floating comparison through awk: proof_float_test "A > B".
proof_float_test() { awk "BEGIN { exit !($1) }"; }

# Resident memory of a process in kB (VmRSS).
proof_rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# Its parts: "anon A kB, file F kB, shmem S kB".
proof_rss_parts() {
    awk '/^RssAnon:/ { a = $2 } /^RssFile:/ { f = $2 } /^RssShmem:/ { s = $2 }
         END { printf "anon %s kB, file %s kB, shmem %s kB", a, f, s }' "/proc/$1/status" 2>/dev/null
}
