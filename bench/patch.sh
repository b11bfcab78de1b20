#!/usr/bin/env bash
# Speed, size and memory benchmark of patches: --make-patch and --apply-patch.
#
#   bench/patch.sh [PROGRAM]
#
# PROGRAM (or a build folder holding textdump) defaults to $TEXTDUMP, else
# build/textdump. The ROMs are made by python3 (random bytes from fixed seeds)
# in a temporary folder that is deleted at the end:
#
#   moved    4 MiB: random bytes, 10,000 strings of ASCII words packed from
#            0x200000 (about 330 KiB) with a table of 10,000 24-bit pointers at
#            0x10, and FF from 0x300000; modified, the text lies at 0x320000,
#            its old place is FF and every pointer leads to its new place
#   shifted  the same 4 MiB ROM with one byte inserted at 0x100000, so that the
#            1 MiB block after it lies a byte later (its last byte dropped)
#   large    32 MiB: random bytes with the same text at 0x1000000, its pointers
#            32-bit, and FF from 0x1400000; modified, the
#            text moved to 0x1800000 and its pointers rewritten, 200 blocks of
#            100 to 4,000 bytes copied from elsewhere, 2,000 bytes changed and
#            one byte inserted at 0x400000
#   unrelated  two files of 32 MiB of random bytes from different seeds, the
#            worst case: nothing to copy, every byte looked up
#
# Each pair is made into a BPS patch (and, for moved and shifted, into IPS and
# UPS, whose sizes are shown), applied back and compared with the modified
# file; one warm-up run and then BENCH_RUNS timed runs (default 3) of making
# and of applying, the median wall time and the peak memory (maximum resident
# set, from GNU time -v) reported.
#
# Targets: moved made and applied in at most 0.5 s each, its BPS at most 1.05
# times the bytes in which the two files differ, plus 256; shifted's BPS at
# most 64 bytes, header, metadata and checksums included; large made in at most
# 5 s with a peak memory of at most 3 times the two files. unrelated is shown
# beside them, without a target.
# Exit status: 0 when met, 1 when the program failed or a patch did not give
# the modified file, 3 when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-${TEXTDUMP:-$repo/build/textdump}}
[ -d "$program" ] && program=$program/textdump # a build folder
runs=${BENCH_RUNS:-3}
# shellcheck source=bench/common.sh
. "$repo/bench/common.sh"

if [ ! -f "$program" ] || [ ! -x "$program" ]; then
  echo "bench: no program at $program; build it with: cmake --workflow --preset build" >&2
  exit 1
fi
command -v python3 >/dev/null || { echo "bench: python3 makes the ROMs" >&2; exit 1; }
/usr/bin/time -v true 2>/dev/null ||
  { echo "bench: GNU time (/usr/bin/time) measures the peak memory" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-patch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

python3 - "$work" <<'EOF'
import random, sys
work = sys.argv[1]
words = ("the a of to and in is it you that he was for on are with as his they be at one "
         "have this from or had by word but what some we can out other were all there when "
         "up use your how said an each she which do their time if will way about many then").split()

def save(name, rom):
    with open(f"{work}/{name}", "wb") as f:
        f.write(rom)

def text_block(r, count):
    """count strings of words, each ended by 00, and where each begins."""
    text, starts = bytearray(), []
    for _ in range(count):
        starts.append(len(text))
        text += " ".join(r.choice(words) for _ in range(r.randint(2, 12))).encode() + b"\0"
    return text, starts

def place(rom, text, starts, at, width):
    rom[at:at + len(text)] = text
    for i, start in enumerate(starts):
        rom[0x10 + width * i:0x10 + width * (i + 1)] = (at + start).to_bytes(width, "little")

def moved(r, size, text_at, free_at, moved_to, width):
    rom = bytearray(r.getrandbits(8 * size).to_bytes(size, "little"))
    rom[free_at:] = b"\xff" * (size - free_at)
    text, starts = text_block(r, 10000)
    place(rom, text, starts, text_at, width)
    new = bytearray(rom)
    new[text_at:text_at + len(text)] = b"\xff" * len(text)
    place(new, text, starts, moved_to, width)
    return rom, new

r = random.Random(35)
rom, new = moved(r, 4 << 20, 0x200000, 0x300000, 0x320000, 3)
save("moved.bin", rom)
save("moved-new.bin", new)
save("shifted-new.bin", rom[:0x100000] + b"\x42" + rom[0x100000:0x1FFFFF] + rom[0x200000:])

rom, new = moved(r, 32 << 20, 0x1000000, 0x1400000, 0x1800000, 4)
n = len(new)
for _ in range(200):
    at, to, length = r.randrange(n - 5000), r.randrange(n - 5000), r.randrange(100, 4000)
    new[to:to + length] = rom[at:at + length]
for _ in range(2000):
    new[r.randrange(n)] = r.randrange(256)
new = new[:0x400000] + b"\x42" + new[0x400000:-1]
save("large.bin", rom)
save("large-new.bin", new)
save("unrelated.bin", random.Random(36).getrandbits(8 << 25).to_bytes(32 << 20, "little"))
save("unrelated-new.bin", random.Random(37).getrandbits(8 << 25).to_bytes(32 << 20, "little"))
EOF
cp "$work/moved.bin" "$work/shifted.bin"

# run COMMAND...: one run; prints "seconds peak-KiB".
run() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -v -o "$work/time" "$@" 2>"$work/err" ||
    { echo "bench: failed: $*" >&2; cat "$work/err" >&2; exit 1; }
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v k="$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")" \
    'BEGIN { printf "%.6f %d\n", e - s, k }'
}

# measure COMMAND...: a warm-up run, then $runs timed ones; sets seconds (the
# median) and peak (KiB, the largest).
measure() {
  local i result times=()
  peak=0
  run "$@" >/dev/null
  for ((i = 0; i < runs; i++)); do
    result=$(run "$@")
    times+=("${result% *}")
    [ "${result#* }" -gt "$peak" ] && peak=${result#* }
  done
  seconds=$(printf '%s\n' "${times[@]}" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
}

mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }
# The bytes at which two files of the same size differ, and those past the shorter one.
differing() { { cmp -l "$1" "$2" 2>/dev/null || true; } | wc -l | awk -v a="$(stat -c %s "$1")" -v b="$(stat -c %s "$2")" \
  '{ d = a - b; print $1 + (d < 0 ? -d : d) }'; }

echo "textdump patch benchmark: $program"
echo "$runs timed runs after one warm-up, medians"
printf '\n%-9s %-4s %10s %12s %10s %12s %12s\n' case kind patch differing make apply "make's peak"
declare -A size_of make_of apply_of peak_of diff_of
for name in moved shifted large unrelated; do
  original=$work/$name.bin modified=$work/$name-new.bin
  formats=(bps ips ups)
  case $name in large | unrelated) formats=(bps) ;; esac
  for format in "${formats[@]}"; do
    patch=$work/$name.$format out=$work/$name.out
    rm -f "$patch"
    measure "$program" --make-patch "$original" "$modified" "$patch"
    make_of[$name.$format]=$seconds peak_of[$name.$format]=$peak
    measure "$program" --apply-patch "$patch" "$original" "$out"
    apply_of[$name.$format]=$seconds
    cmp -s "$out" "$modified" || { echo "bench: $name.$format does not give the modified file" >&2; exit 1; }
    rm -f "$out"
    size_of[$name.$format]=$(stat -c %s "$patch")
    [ "$format" = bps ] && diff_of[$name]=$(differing "$original" "$modified")
    printf '%-9s %-4s %10s %12s %9.3fs %11.3fs %12s\n' "$name" "$format" "${size_of[$name.$format]}" \
      "${diff_of[$name]}" "${make_of[$name.$format]}" "${apply_of[$name.$format]}" "$(mib $((peak_of[$name.$format] * 1024)))"
  done
done

echo
at_most() { awk -v a="$1" -v b="$2" 'BEGIN { print (a <= b) ? 1 : 0 }'; }
limit=$(awk -v d="${diff_of[moved]}" 'BEGIN { printf "%d", 1.05 * d + 256 }')
target "$(at_most "${make_of[moved.bps]}" 0.5)" "moved: BPS made in at most 0.5 s (${make_of[moved.bps]} s)"
target "$(at_most "${apply_of[moved.bps]}" 0.5)" "moved: BPS applied in at most 0.5 s (${apply_of[moved.bps]} s)"
target "$(at_most "${size_of[moved.bps]}" "$limit")" \
  "moved: BPS of ${size_of[moved.bps]} bytes, at most 1.05 x ${diff_of[moved]} differing + 256 ($limit)"
target "$(at_most "${size_of[shifted.bps]}" 64)" \
  "shifted: BPS of ${size_of[shifted.bps]} bytes for a 1 MiB block a byte later, at most 64"
target "$(at_most "${make_of[large.bps]}" 5)" "large: BPS made in at most 5 s (${make_of[large.bps]} s)"
both=$(($(stat -c %s "$work/large.bin") + $(stat -c %s "$work/large-new.bin")))
target "$(at_most $((peak_of[large.bps] * 1024)) $((3 * both)))" \
  "large: peak memory $(mib $((peak_of[large.bps] * 1024))), at most 3 x the two files ($(mib $((3 * both))))"
[ "$missed" -eq 0 ] || exit 3
