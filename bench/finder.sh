#!/usr/bin/env bash
# Speed and accuracy benchmark of the pointer-table finder.
#
#   bench/finder.sh [BUILD]
#
# BUILD is a build folder with the tests on (default build-test, made by
# `cmake --preset test && cmake --build build-test -j2`): it has textdump,
# bench/romgen and bench/finder_accuracy. The ROM is made in a temporary folder
# (under $TMPDIR, else /tmp) that is deleted at the end.
#
# Speed: romgen writes a 4 MiB HiROM image from a fixed seed (with its planted
# tables and decoys), and `textdump --find-pointers --map linear,lorom,hirom,gb,nes
# --size 2,3,4` searches it with every map and size; one warm-up run, then
# BENCH_RUNS timed runs (default 3), the median wall time reported.
# Accuracy: finder_accuracy 100 50, 100 seeds with planted tables and 50 without;
# then 100 seeds each of GBA ROMs, Mega Drive ROMs, tables with null entries,
# tables with pointers to empty strings, Pascal strings, lengths beside the
# pointers, the same with the strings in the opposite order of the entries,
# records with a second column of few values, tables closed by a null record,
# NES and Game Boy tables in the fixed bank pointing into a switched bank, and
# 50 ROMs of random bytes around a dense block of strings, with no table.
# Scale: `textdump --find-pointers --std-table ROM TABLE` (the maps the ROM
# suggests, every size), one run each, wall time and peak memory (GNU time):
#
#   zero     BENCH_FILL_MIB MiB (default 2) of 00 with an ASCII string at 0
#   ff       the same of FF
#   random   4 MiB of random bytes
#   large    64 MiB: four copies of romgen's largest linear ROM (16 MiB, seed 1)
#   after10k, after30k, after100k  10,000, 30,000 and 100,000 strings, then a
#            table of 4-byte pointers to them
#
# BENCH_BASELINE=PROGRAM runs the scale cases with PROGRAM too (another build,
# the program before a change), its figures beside these; a baseline run gets
# BENCH_BASELINE_SECONDS (default 120) and 8 GiB of address space, "-" past them.
#
# Targets: the search takes under 5 s; the planted table is the top candidate
# with exactly its parameters in at least 95 of 100 seeds, no decoy is reported
# in at least 95 of 100, and nothing is reported in at least 48 of the 50 seeds
# without a table; the same for each case of real games (95 of 100) and for the
# dense text without a table (48 of 50); peak memory at most 24 bytes a ROM byte
# in every scale case; the 64 MiB search in at most 16 s; the table after
# 100,000 strings searched in at most 15 times the time of 10,000.
#
# Exit status: 0 when every target is met, 1 when a program failed or the
# search missed a planted table, 3 when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/bench/common.sh"
test_build "${1:-}" textdump-finder
runs=${BENCH_RUNS:-3}
program=$build/textdump
romgen=$build/bench/romgen
accuracy=$build/bench/finder_accuracy
need_tools "$program" "$romgen" "$accuracy"

echo "textdump finder benchmark: $program"

# --- Speed -------------------------------------------------------------------

"$romgen" "$work/rom" --seed 1 --map hirom --size 0x400000 >"$work/planted.txt"
for file in "$work"/rom.*; do
  [ "$file" = "$work/rom.tbl" ] || rom=$file
done
maps=linear,lorom,hirom,gb,nes sizes=2,3,4
search=("$program" --find-pointers --std-table --map "$maps" --size "$sizes" "$rom" "$work/rom.tbl")

"${search[@]}" >"$work/found.txt" || { echo "bench: the search failed: ${search[*]}" >&2; exit 1; }
first_at=$(awk '/^table at=/ { sub(/^table at=0x/, ""); print $1; exit }' "$work/planted.txt")
grep -q -- "--pointers at=$first_at," "$work/found.txt" ||
  { echo "bench: the planted table at $first_at was not found" >&2; exit 1; }

time_runs "$runs" "${search[@]}"
echo "4 MiB ROM ($(basename "$rom"), $(grep -c '^table' "$work/planted.txt") planted tables)," \
  "every map and size: $seconds s (median of $runs; runs: ${times[*]})"

# --- Accuracy ----------------------------------------------------------------

accuracy "$accuracy" 100 50

# --- Scale -------------------------------------------------------------------

fill_mib=${BENCH_FILL_MIB:-2}
python3 - "$work" "$fill_mib" <<'EOF'
import random, sys
work, mib = sys.argv[1], int(sys.argv[2])
text = b"Hello, this is the only string.\0"
for name, fill in (("zero", 0x00), ("ff", 0xFF)):
    rom = bytearray([fill]) * (mib << 20)
    rom[:len(text)] = text
    open(f"{work}/{name}.bin", "wb").write(rom)
r = random.Random(24)
open(f"{work}/random.bin", "wb").write(r.getrandbits(8 << 22).to_bytes(4 << 20, "little"))
for count in (10000, 30000, 100000):
    strings, offsets = bytearray(), []
    for i in range(count):
        offsets.append(len(strings))
        strings += b"Line %d of the text.\0" % i
    table = b"".join(o.to_bytes(4, "little") for o in offsets)
    open(f"{work}/after{count // 1000}k.bin", "wb").write(strings + table)
EOF
{
  printf '/00=<END>\r\n'
  awk 'BEGIN { for (c = 32; c < 127; c++) printf "%02X=%c\r\n", c, c }'
} >"$work/ascii.tbl"
"$romgen" "$work/quarter" --seed 1 --map linear --size 0x1000000 >/dev/null
cat "$work/quarter.bin" "$work/quarter.bin" "$work/quarter.bin" "$work/quarter.bin" >"$work/large.bin"
rm "$work/quarter.bin"
/usr/bin/time -f %M -o /dev/null true 2>/dev/null ||
  { echo "bench: GNU time (/usr/bin/time) measures the peak memory" >&2; exit 1; }

baseline=${BENCH_BASELINE:-}
[ -z "$baseline" ] || need_tools "$baseline"
# scale PROGRAM NAME ROM TABLE: sets run_seconds and run_per_byte, or "-".
scale() {
  local start end peak size status=0
  start=$EPOCHREALTIME
  if [ "$1" = "$program" ]; then
    /usr/bin/time -f %M -o "$work/rss" "$1" --find-pointers --std-table "$3" "$4" >/dev/null ||
      { echo "bench: the $2 search failed" >&2; exit 1; }
  else
    (ulimit -v 8388608; timeout "${BENCH_BASELINE_SECONDS:-120}" /usr/bin/time -f %M -o "$work/rss" \
      "$1" --find-pointers --std-table "$3" "$4" >/dev/null 2>&1) || status=$?
  fi
  end=$EPOCHREALTIME
  if [ "$status" -ne 0 ]; then
    run_seconds=- run_per_byte=- run_peak=-
    return
  fi
  size=$(stat -c %s "$3") peak=$(tail -n 1 "$work/rss")
  run_seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  run_per_byte=$(awk -v k="$peak" -v b="$size" 'BEGIN { printf "%.1f", k * 1024 / b }')
  run_peak=$(awk -v k="$peak" 'BEGIN { printf "%.1f MiB", k / 1024 }')
}

echo
printf '%-9s %8s %9s %13s %13s' "case" "ROM" "seconds" "peak memory" "bytes a byte"
[ -z "$baseline" ] || printf ' | %9s %13s %13s' "baseline" "peak memory" "bytes a byte"
echo
declare -A scale_seconds scale_per_byte
for name in zero ff random large after10k after30k after100k; do
  rom=$work/$name.bin table=$work/ascii.tbl
  [ "$name" = large ] && table=$work/quarter.tbl
  scale "$program" "$name" "$rom" "$table"
  scale_seconds[$name]=$run_seconds scale_per_byte[$name]=$run_per_byte
  printf '%-9s %8s %9s %13s %13s' "$name" \
    "$(awk -v b="$(stat -c %s "$rom")" 'BEGIN { printf "%.1f MiB", b / 1048576 }')" \
    "$run_seconds" "$run_peak" "$run_per_byte"
  if [ -n "$baseline" ]; then
    scale "$baseline" "$name" "$rom" "$table"
    printf ' | %9s %13s %13s' "$run_seconds" "$run_peak" "$run_per_byte"
  fi
  echo
done

# --- Targets -----------------------------------------------------------------

echo
target "$(awk -v s="$seconds" 'BEGIN { print (s < 5) ? 1 : 0 }')" \
  "every map and size on 4 MiB in under 5 s ($seconds s)"
target "$([ "$accuracy_status" -eq 0 ] && echo 1 || echo 0)" \
  "planted table top with exact parameters $(figure planted) (95), no decoy $(figure 'no decoy') (95), nothing without a table $(figure nothing) (48 of 50), and each case above"

for name in zero ff random large; do
  target "$(awk -v p="${scale_per_byte[$name]}" 'BEGIN { print (p <= 24) ? 1 : 0 }')" \
    "$name: peak memory at most 24 bytes a ROM byte (${scale_per_byte[$name]})"
done
target "$(awk -v s="${scale_seconds[large]}" 'BEGIN { print (s <= 16) ? 1 : 0 }')" \
  "64 MiB searched in at most 16 s (${scale_seconds[large]} s)"
target "$(awk -v a="${scale_seconds[after10k]}" -v b="${scale_seconds[after100k]}" \
  'BEGIN { print (b <= 15 * a) ? 1 : 0 }')" \
  "a table after 100,000 strings in at most 15 times the time of 10,000 (${scale_seconds[after100k]} s, ${scale_seconds[after10k]} s)"

[ "$missed" -eq 0 ] || exit 3
