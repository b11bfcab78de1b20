#!/usr/bin/env bash
# Runs that hostile inputs once made run away: the time and peak memory of each.
#
#   bench/hostile.sh [BUILD]
#
# BUILD is a build folder with the program (default build-test). The inputs are
# made in a temporary folder (under $TMPDIR, else /tmp) that is deleted at the end:
#
#   chain N     a standard table file of N tables, each opening the next with a
#               switch of weight 0 (the last the first), checked (--check)
#   noend       512 KiB of random bytes (seed 14) through a standard table whose
#               switch opens a table without an end entry, by --survey and by
#               --find-pointers
#   nested      8 MiB of F0 through a table whose F0 opens a frame of its own
#               table, dumped
#   cycle       8 MiB of F0 through three tables whose F0 opens the next, dumped
#   device      /dev/zero as the ROM, dumped (refused)
#   zero N      N MiB of 00 with one ASCII string at 0, by --find-pointers
#
# Each run gets BENCH_SECONDS (default 40) and 4 GiB of address space; "-"
# past them. BENCH_BASELINE=PROGRAM runs every case with PROGRAM too.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/bench/common.sh"
test_build "${1:-}" textdump-hostile
program=$build/textdump
need_tools "$program"
baseline=${BENCH_BASELINE:-}
[ -z "$baseline" ] || need_tools "$baseline"
/usr/bin/time -f %M -o /dev/null true 2>/dev/null ||
  { echo "bench: GNU time (/usr/bin/time) measures the peak memory" >&2; exit 1; }

python3 - "$work" <<'PY'
import random, sys
work = sys.argv[1]
for n in (2000, 10000):
    with open(f"{work}/chain{n}.tbl", "w") as f:
        for i in range(n):
            f.write(f"@t{i}\n41=a\n!F0<0>=,<@t{(i + 1) % n}>:0\n")
ascii_rows = "".join(f"{c:02X}={chr(c)}\n" for c in range(0x20, 0x7F) if c != 0x3D)
with open(f"{work}/noend.tbl", "w") as f:
    f.write("@main\n/00=<END>\n" + ascii_rows + "!F0=,<@kana>:0\n@kana\n")
    f.write("".join(f"{c:02X}=k\n" for c in range(0x20, 0x7F)))
r = random.Random(14)
open(f"{work}/random.bin", "wb").write(r.getrandbits(8 << 19).to_bytes(1 << 19, "little"))
with open(f"{work}/nested.tbl", "w") as f:
    f.write("@main\n41=a\n!F0=,<@main>:0\n")
open(f"{work}/nested.bin", "wb").write(b"\xF0" * (8 << 20))
with open(f"{work}/cycle.tbl", "w") as f:
    f.write("@a\n41=a\n!F0=,<@b>:0\n@b\n41=b\n!F0=,<@c>:0\n@c\n41=c\n!F0=,<@a>:0\n")
with open(f"{work}/ascii.tbl", "w") as f:
    f.write("/00=<END>\n" + ascii_rows)
text = b"Hello, this is the only string.\0"
for mib in (4, 16):
    rom = bytearray(mib << 20)
    rom[:len(text)] = text
    open(f"{work}/zero{mib}.bin", "wb").write(rom)
PY

# run PROGRAM ARGS...: sets run_seconds and run_peak, or "-" past the bounds.
run() {
  local start end status=0
  start=$EPOCHREALTIME
  (cd "$work" && ulimit -v 4194304 &&
    timeout "${BENCH_SECONDS:-40}" /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1) ||
    status=$?
  end=$EPOCHREALTIME
  # 1 and 2 are a refusal the program words; past the bounds it is killed or aborts.
  if [ "$status" -gt 3 ]; then
    run_seconds=- run_peak=-
    return
  fi
  run_seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  run_peak=$(awk -v k="$(tail -n 1 "$work/rss")" 'BEGIN { printf "%.1f MiB", k / 1024 }')
}

echo "textdump hostile inputs: $program"
printf '%-12s %9s %12s' "case" "seconds" "peak memory"
[ -z "$baseline" ] || printf ' | %9s %12s' "baseline" "peak memory"
echo
row() { # NAME ARGS...
  local name=$1
  shift
  run "$program" "$@"
  printf '%-12s %9s %12s' "$name" "$run_seconds" "$run_peak"
  if [ -n "$baseline" ]; then
    run "$baseline" "$@"
    printf ' | %9s %12s' "$run_seconds" "$run_peak"
  fi
  echo
}
row "chain 2000" --check --std-table chain2000.tbl
row "chain 10000" --check --std-table chain10000.tbl
row "noend surv" --survey --std-table random.bin noend.tbl
row "noend find" --find-pointers --std-table random.bin noend.tbl
row "nested" --std-table nested.bin nested.tbl nested.txt 0 7FFFFF
row "cycle" --std-table nested.bin cycle.tbl cycle.txt 0 7FFFFF
row "device" /dev/zero ascii.tbl device.txt 0 FF
row "zero 4" --find-pointers --std-table zero4.bin ascii.tbl
row "zero 16" --find-pointers --std-table zero16.bin ascii.tbl
