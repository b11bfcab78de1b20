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
# then 100 seeds each of GBA ROMs, Mega Drive ROMs, tables with null entries and
# tables with pointers to empty strings, and 50 ROMs of random bytes around a
# dense block of strings, with no table.
#
# Targets: the search takes under 5 s; the planted table is the top candidate
# with exactly its parameters in at least 95 of 100 seeds, no decoy is reported
# in at least 95 of 100, and nothing is reported in at least 48 of the 50 seeds
# without a table; the same for each case of real games (95 of 100) and for the
# dense text without a table (48 of 50).
#
# Exit status: 0 when every target is met, 1 when a program failed or the
# search missed a planted table, 3 when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-test}" 2>/dev/null && pwd) || {
  echo "bench: no build folder ${1:-$repo/build-test}; make it with: cmake --preset test && cmake --build build-test -j2" >&2
  exit 1
}
runs=${BENCH_RUNS:-3}
program=$build/textdump
romgen=$build/bench/romgen
accuracy=$build/bench/finder_accuracy
for tool in "$program" "$romgen" "$accuracy"; do
  [ -x "$tool" ] || { echo "bench: no $tool; build the test preset" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-finder.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

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

times=()
for ((i = 0; i < runs; i++)); do
  start=$EPOCHREALTIME
  "${search[@]}" >/dev/null
  end=$EPOCHREALTIME
  times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
done
seconds=$(printf '%s\n' "${times[@]}" | sort -g |
  awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "4 MiB ROM ($(basename "$rom"), $(grep -c '^table' "$work/planted.txt") planted tables)," \
  "every map and size: $seconds s (median of $runs; runs: ${times[*]})"

# --- Accuracy ----------------------------------------------------------------

echo
set +e
"$accuracy" 100 50 | tee "$work/accuracy.txt"
accuracy_status=${PIPESTATUS[0]}
set -e
[ "$accuracy_status" -eq 0 ] || [ "$accuracy_status" -eq 3 ] ||
  { echo "bench: finder_accuracy failed" >&2; exit 1; }

# --- Targets -----------------------------------------------------------------

echo
missed=0
target() { # target MET DESCRIPTION
  if [ "$1" = 1 ]; then echo "met:    $2"; else echo "MISSED: $2"; missed=$((missed + 1)); fi
}
figure() { grep "^$1" "$work/accuracy.txt" | awk -F: '{ sub(/^ +/, "", $2); print $2 }'; }
target "$(awk -v s="$seconds" 'BEGIN { print (s < 5) ? 1 : 0 }')" \
  "every map and size on 4 MiB in under 5 s ($seconds s)"
target "$([ "$accuracy_status" -eq 0 ] && echo 1 || echo 0)" \
  "planted table top with exact parameters $(figure planted) (95), no decoy $(figure 'no decoy') (95), nothing without a table $(figure nothing) (48 of 50), and each case above"

[ "$missed" -eq 0 ] || exit 3
