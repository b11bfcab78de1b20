#!/usr/bin/env bash
# Speed and memory benchmark of script dumps.
#
#   bench/script.sh [PROGRAM]
#
# PROGRAM (or a build folder holding textdump) defaults to $TEXTDUMP, else
# build/textdump. The ROMs are made by python3 (random bytes from fixed seeds)
# in a temporary folder that is deleted at the end; every case is dumped with `textdump --script --std-table` through
# a table of the 95 printable ASCII bytes and /00 for the end:
#
#   packed   4 MiB LoROM, 10,000 strings of ASCII words ending in 00 one after
#            another from 0x200000 (about 330 KiB of text), a table of 10,000
#            24-bit pointers (banks $80-$FF) at 0x10
#   spread   the same, one string every 400 bytes or so from 0x8000 to the end:
#            the region the script covers is nearly the whole ROM, random bytes
#            between
#   raw      one string of 1 MiB of bytes 80-FF, which no entry reads (--end
#            fixed:1048576): a run of raw bytes proven in one piece
#   million  16 MiB, 1,000,000 24-bit linear pointers at 0x10, their strings
#            packed after the table
#   wide     two pointers whose strings span 4 MiB of ASCII text (--end next)
#
# One warm-up run and then BENCH_RUNS timed runs (default 3) per case; the
# median wall time and the peak memory (maximum resident set) are reported,
# with the bytes the script's blocks use (the dumped bytes).
#
# Targets: packed, spread and raw each under 1 second; million under 8
# seconds; wide under 4 seconds; and in every case a peak memory of at most
# 48 bytes per dumped byte plus 64 MiB.
# Exit status: 0 when met, 1 when the program failed or wrote a wrong script,
# 3 when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-${TEXTDUMP:-$repo/build/textdump}}
[ -d "$program" ] && program=$program/textdump # a build folder
runs=${BENCH_RUNS:-3}

if [ ! -f "$program" ] || [ ! -x "$program" ]; then
  echo "bench: no program at $program; build it with: cmake --workflow --preset build" >&2
  exit 1
fi
command -v python3 >/dev/null || { echo "bench: python3 makes the ROMs" >&2; exit 1; }
/usr/bin/time -f %M -o /dev/null true 2>/dev/null ||
  { echo "bench: GNU time (/usr/bin/time) measures the peak memory" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-script-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

python3 - "$work" <<'EOF'
import random, sys
work = sys.argv[1]
words = ("the a of to and in is it you that he was for on are with as his they be at one "
         "have this from or had by word but what some we can out other were all there when "
         "up use your how said an each she which do their time if will way about many then").split()

def sentence(r, low, high):
    return " ".join(r.choice(words) for _ in range(r.randint(low, high))).encode() + b"\0"

def lorom(offset):  # the 24-bit LoROM address of a file offset, banks $80-$FF
    return ((0x80 | offset >> 15) << 16) | 0x8000 | (offset & 0x7FFF)

def save(name, rom):
    with open(f"{work}/{name}", "wb") as f:
        f.write(rom)

size, count = 4 << 20, 10000
for layout in ("packed", "spread"):
    r = random.Random(14)
    rom = bytearray(r.getrandbits(8 * size).to_bytes(size, "little"))
    pos = 0x200000
    for i in range(count):
        text = sentence(r, 2, 12)
        if layout == "spread":
            pos = 0x8000 + i * 415 + r.randint(0, 40)
        rom[pos:pos + len(text)] = text
        rom[0x10 + 3 * i:0x13 + 3 * i] = lorom(pos).to_bytes(3, "little")
        pos += len(text)
    save(f"{layout}.sfc", rom)

r = random.Random(15)
save("raw.bin", (0x10).to_bytes(4, "little") + bytes(12) +
     bytes(0x80 | b for b in r.getrandbits(8 << 20).to_bytes(1 << 20, "little")) + bytes(16))

r = random.Random(16)
size, count = 16 << 20, 1000000
rom = bytearray(size)
table = bytearray()
pos = 0x10 + 3 * count
for i in range(count):
    text = sentence(r, 1, 3)
    rom[pos:pos + len(text)] = text
    table += pos.to_bytes(3, "little")
    pos += len(text)
assert pos <= size
rom[0x10:0x10 + len(table)] = table
save("million.bin", rom)

r = random.Random(17)
text = bytearray()
while len(text) < 4 << 20:
    text += sentence(r, 8, 16)[:-1] + b" "
text = text[:4 << 20]
text[-1] = 0
save("wide.bin", (0x10).to_bytes(4, "little") + (0x10 + (2 << 20)).to_bytes(4, "little") +
     bytes(8) + text)
EOF
{
  printf '/00=<END>\r\n'
  awk 'BEGIN { for (c = 32; c < 127; c++) printf "%02X=%c\r\n", c, c }'
} >"$work/ascii.tbl"

# The cases: name, ROM, #WRITE lines expected, time target in seconds, then
# the options before the ROM.
cases=(
  "packed packed.sfc 10000 1 --pointers at=10,count=10000,size=3,map=lorom"
  "spread spread.sfc 10000 1 --pointers at=10,count=10000,size=3,map=lorom"
  "raw raw.bin 1 1 --pointers at=0,count=1,size=4 --end fixed:1048576 --max-length 1048576"
  "million million.bin 1000000 8 --pointers at=10,count=1000000,size=3"
  "wide wide.bin 2 4 --pointers at=0,count=2,size=4 --end next --max-length 4194304"
)

# run NAME ROM OPTIONS...: one dump; prints "seconds peak-KiB".
run() {
  local name=$1 rom=$2 start end
  shift 2
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" "$program" --script --std-table "$@" \
    "$work/$rom" "$work/ascii.tbl" "$work/$name.txt" 2>"$work/$name.err"
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v k="$(tail -n 1 "$work/rss")" 'BEGIN { printf "%.6f %d\n", e - s, k }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }

echo "textdump script-dump benchmark: $program"
echo "$runs timed runs after one warm-up, medians"
printf '\n%-8s %9s %12s %12s %13s %13s\n' "case" "seconds" "dumped" "script" "peak memory" "memory limit"
missed=0 results=()
for c in "${cases[@]}"; do
  read -r name rom writes target options <<<"$c"
  read -ra options <<<"$options"
  run "$name" "$rom" "${options[@]}" >/dev/null ||
    { echo "bench: the $name dump failed" >&2; cat "$work/$name.err" >&2; exit 1; }
  found=$(grep -c '^#WRITE(' "$work/$name.txt" || true)
  if [ "$found" -ne "$writes" ]; then
    echo "bench: the $name script has $found #WRITE lines, not $writes" >&2
    exit 1
  fi
  # The bytes the blocks use, from the header's "// Block N: ..., U used" lines.
  dumped=$(awk '/^\/\/ Block [0-9]+:/ { sum += $(NF - 1) } END { print sum + 0 }' "$work/$name.txt")
  times=() peak=0
  for ((i = 0; i < runs; i++)); do
    result=$(run "$name" "$rom" "${options[@]}") || { echo "bench: the $name dump failed" >&2; exit 1; }
    times+=("${result% *}")
    [ "${result#* }" -gt "$peak" ] && peak=${result#* }
  done
  seconds=$(printf '%s\n' "${times[@]}" | median)
  limit=$((48 * dumped + 64 * 1048576))
  printf '%-8s %9.3f %12s %12s %13s %13s\n' "$name" "$seconds" "$(mib "$dumped")" \
    "$(mib "$(stat -c %s "$work/$name.txt")")" "$(mib $((peak * 1024)))" "$(mib "$limit")"
  if awk -v s="$seconds" -v t="$target" 'BEGIN { exit !(s < t) }'; then
    results+=("met:    $name under $target s ($seconds s)")
  else
    results+=("MISSED: $name under $target s ($seconds s)")
    missed=$((missed + 1))
  fi
  if [ $((peak * 1024)) -le "$limit" ]; then
    results+=("met:    $name peak memory within 48 bytes a dumped byte plus 64 MiB")
  else
    results+=("MISSED: $name peak memory within 48 bytes a dumped byte plus 64 MiB")
    missed=$((missed + 1))
  fi
done
echo
printf '%s\n' "${results[@]}"
[ "$missed" -eq 0 ] || exit 3
