#!/usr/bin/env bash
# Speed benchmark of script dumps: 10,000 pointers into a 4 MiB ROM.
#
#   bench/script.sh [PROGRAM]
#
# PROGRAM defaults to $TEXTDUMP, else build/textdump. Two LoROM images of 4 MiB
# (random bytes from a fixed seed, python3) each hold 10,000 strings of ASCII
# words ending in 00, and a table of 10,000 24-bit pointers (banks $80-$FF) at
# 0x10:
#
#   packed   the strings one after another from 0x200000 (about 330 KiB of text)
#   spread   one string every 400 bytes or so from 0x8000 to the end: the region
#            the script covers is nearly the whole ROM, random bytes between
#
# Each is dumped with `textdump --script --std-table --pointers
# at=10,count=10000,size=3,map=lorom`, one warm-up run and then BENCH_RUNS timed
# runs (default 5); the median wall time and the peak memory are reported.
#
# Target: each dump under 1 second.
# Exit status: 0 when met, 1 when the program failed or wrote a wrong script,
# 3 when it ran correctly but missed the target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-${TEXTDUMP:-$repo/build/textdump}}
runs=${BENCH_RUNS:-5}

if [ ! -x "$program" ]; then
  echo "bench: no program at $program; build it with: cmake --workflow --preset build" >&2
  exit 1
fi
command -v python3 >/dev/null || { echo "bench: python3 makes the ROMs" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-script-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

python3 - "$work" <<'EOF'
import random, sys
work = sys.argv[1]
size, count = 4 << 20, 10000
words = ("the a of to and in is it you that he was for on are with as his they be at one "
         "have this from or had by word but what some we can out other were all there when "
         "up use your how said an each she which do their time if will way about many then").split()

def lorom(offset):  # the 24-bit LoROM address of a file offset, banks $80-$FF
    return ((0x80 | offset >> 15) << 16) | 0x8000 | (offset & 0x7FFF)

for layout in ("packed", "spread"):
    r = random.Random(14)
    rom = bytearray(r.getrandbits(8 * size).to_bytes(size, "little"))
    pos = 0x200000
    for i in range(count):
        text = " ".join(r.choice(words) for _ in range(r.randint(2, 12))).encode() + b"\0"
        if layout == "spread":
            pos = 0x8000 + i * 415 + r.randint(0, 40)
        rom[pos:pos + len(text)] = text
        rom[0x10 + 3 * i:0x13 + 3 * i] = lorom(pos).to_bytes(3, "little")
        pos += len(text)
    with open(f"{work}/{layout}.sfc", "wb") as f:
        f.write(rom)
EOF
{
  printf '/00=<END>\r\n'
  awk 'BEGIN { for (c = 32; c < 127; c++) printf "%02X=%c\r\n", c, c }'
} >"$work/ascii.tbl"

# run LAYOUT: one dump; prints "seconds peak-KiB" (peak 0 without GNU time).
run() {
  local start end peak=0
  start=$EPOCHREALTIME
  if /usr/bin/time -f %M -o "$work/rss" true 2>/dev/null; then
    /usr/bin/time -f %M -o "$work/rss" "$program" --script --std-table \
      --pointers at=10,count=10000,size=3,map=lorom "$work/$1.sfc" "$work/ascii.tbl" "$work/$1.txt"
    peak=$(tail -n 1 "$work/rss")
  else
    "$program" --script --std-table --pointers at=10,count=10000,size=3,map=lorom \
      "$work/$1.sfc" "$work/ascii.tbl" "$work/$1.txt"
  fi
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v k="$peak" 'BEGIN { printf "%.6f %d\n", e - s, k }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "textdump script-dump benchmark: $program"
echo "10,000 24-bit LoROM pointers into a 4 MiB ROM, $runs timed runs after one warm-up, medians"
printf '\n%-8s %9s %14s %13s\n' "layout" "seconds" "script" "peak memory"
missed=0
for layout in packed spread; do
  run "$layout" >/dev/null || { echo "bench: the $layout dump failed" >&2; exit 1; }
  writes=$(grep -c '^#WRITE(' "$work/$layout.txt" || true)
  if [ "$writes" -ne 10000 ]; then
    echo "bench: the $layout script has $writes #WRITE lines, not 10000" >&2
    exit 1
  fi
  times=() peak=0
  for ((i = 0; i < runs; i++)); do
    result=$(run "$layout") || { echo "bench: the $layout dump failed" >&2; exit 1; }
    times+=("${result% *}")
    [ "${result#* }" -gt "$peak" ] && peak=${result#* }
  done
  seconds=$(printf '%s\n' "${times[@]}" | median)
  printf '%-8s %9.3f %14s %13s\n' "$layout" "$seconds" \
    "$(awk -v b="$(stat -c %s "$work/$layout.txt")" 'BEGIN { printf "%.1f MiB", b / 1048576 }')" \
    "$(awk -v k="$peak" 'BEGIN { printf "%.1f MiB", k / 1024 }')"
  if awk -v s="$seconds" 'BEGIN { exit !(s < 1) }'; then
    results+=("met:    $layout under 1 s ($seconds s)")
  else
    results+=("MISSED: $layout under 1 s ($seconds s)")
    missed=$((missed + 1))
  fi
done
echo
printf '%s\n' "${results[@]}"
[ "$missed" -eq 0 ] || exit 3
