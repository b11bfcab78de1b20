#!/usr/bin/env bash
# Speed and accuracy benchmark of the relative search (--find-text).
#
#   bench/find_text.sh [BUILD] [PROGRAM]
#
# BUILD is a build folder with the tests on (default build-test, made by
# `cmake --preset test && cmake --build build-test -j2`): it has bench/romgen
# and bench/find_text_accuracy. PROGRAM is the textdump timed (default
# build/textdump, the Release-like build of `cmake --workflow --preset build`,
# else BUILD's). The ROM is made in a temporary folder (under $TMPDIR, else
# /tmp) that is deleted at the end.
#
# Speed: romgen --text writes a 32 MiB ROM from a fixed seed with three planted
# words, and `textdump --find-text` searches it for them at both widths and
# byte orders; one warm-up run, then BENCH_RUNS timed runs (default 3), the
# median wall time reported.
# Accuracy: find_text_accuracy 100 100, for each family of generated ROMs
# (bench/generator/rom_text_encodings.hpp) 100 seeds with planted words and
# 100 without.
#
# Targets: the search takes under 1 s; in the plain family every planted word
# is found in all 100 seeds and the true encoding ranks first in at least 98;
# in each other family (capitals apart, an unmatched word, a letter out of
# order, a letter of two codes) both in at least 95; nothing is reported in
# any of the seeds without the words.
#
# Exit status: 0 when every target is met, 1 when a program failed or the
# search missed the planted encoding, 3 when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/bench/common.sh"
test_build "${1:-}" textdump-find-text
program=${2:-$repo/build/textdump}
[ -x "$program" ] || program=$build/textdump
runs=${BENCH_RUNS:-3}
romgen=$build/bench/romgen
accuracy=$build/bench/find_text_accuracy
need_tools "$program" "$romgen" "$accuracy"

echo "textdump relative search benchmark: $program"

# --- Speed -------------------------------------------------------------------

"$romgen" "$work/rom" --text --seed 1 --size 0x2000000 --width 2 --order be >"$work/planted.txt"
words=()
while IFS= read -r word; do words+=("$word"); done < <(sed -n 's/^word \(.*\) at=.*/\1/p' "$work/planted.txt")
search=("$program" --find-text --top 1 "$work/rom.bin" "${words[@]}")

"${search[@]}" >"$work/found.txt" || { echo "bench: the search failed: ${search[*]}" >&2; exit 1; }
grep -q '^#1 .*2-byte be codes' "$work/found.txt" ||
  { echo "bench: the planted encoding was not found first" >&2; cat "$work/found.txt" >&2; exit 1; }

time_runs "$runs" "${search[@]}"
echo "32 MiB ROM, three words, 1- and 2-byte codes in both orders: $seconds s" \
  "(median of $runs; runs: ${times[*]})"

# --- Accuracy ----------------------------------------------------------------

accuracy "$accuracy" 100 100

# --- Targets -----------------------------------------------------------------

echo
target "$(awk -v s="$seconds" 'BEGIN { print (s < 1) ? 1 : 0 }')" \
  "three words at both widths and orders on 32 MiB in under 1 s ($seconds s)"
# A family's line: its name, every word N of M, true first N of M, nothing N of M.
while read -r family found _ _ first _ _ quiet _ _ _; do
  wanted=95
  [ "$family" = plain ] && wanted=98
  all=$([ "$family" = plain ] && echo 100 || echo 95)
  target "$([ "$found" -ge "$all" ] && [ "$first" -ge "$wanted" ] && [ "$quiet" -eq 100 ] && echo 1 || echo 0)" \
    "$family: every word found $found ($all), true encoding first $first ($wanted), nothing without the words $quiet (100)"
done < <(sed -n '/^family /,$p' "$work/accuracy.txt" | tail -n +2)
[ "$missed" -eq 0 ] || exit 3
