#!/usr/bin/env bash
# Speed and memory benchmark of --insert, its proof included.
#
#   bench/insert.sh [PROGRAM]
#
# PROGRAM (or a build folder holding textdump) defaults to $TEXTDUMP, else
# build/textdump. python3 makes two ROMs (fixed seeds) in a temporary folder
# deleted at the end; each is dumped with --script (not timed) through a table
# of the printable ASCII bytes and /00 for the end, then inserted back:
#
#   strings   4 MiB, 10,000 strings of ASCII words ending in 00 from 0x200000,
#             their 24-bit linear pointers at 0x10
#   million   16 MiB, 1,000,000 24-bit linear pointers at 0x10, their strings
#             packed after the table
#
# Each is inserted as dumped (OUT must equal the ROM) and edited (every "the"
# written "THE", every "and" written "&": strings shorter, the later ones
# moved, every pointer rewritten); one warm-up run, then BENCH_RUNS timed runs
# (default 3) of each; the median wall time and the peak memory are reported.
#
#   moving    as strings, but a byte 01 ends the block right after the last
#             string; every string written twice over ("a b" becomes "a b a
#             b") and inserted with --free auto: the first half stays in the
#             block, the other half moves into the free space (00 runs)
#
# Targets: strings at most 0.1 second, million at most 10 seconds and 1 GiB,
# moving at most 0.2 second.
# Exit status: 0 when met, 1 when the program failed or wrote a wrong ROM, 3
# when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-${TEXTDUMP:-$repo/build/textdump}}
[ -d "$program" ] && program=$program/textdump # a build folder
runs=${BENCH_RUNS:-3}
[ -x "$program" ] || { echo "bench: no program at $program" >&2; exit 1; }
command -v python3 >/dev/null || { echo "bench: python3 makes the ROMs" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-insert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

python3 - "$work" <<'EOF'
import random, sys
common = ("the a of to and in is it you that he was for on are with as his they be at one "
          "have this from or had by word but what some we can out other were all").split()

def make(name, seed, size, count, first, low, high, closed=False):
    r = random.Random(seed)
    rom = bytearray(size)
    pos = first if first else 0x10 + 3 * count
    for i in range(count):
        text = " ".join(r.choice(common) for _ in range(r.randint(low, high))).encode() + b"\0"
        rom[pos:pos + len(text)] = text
        rom[0x10 + 3 * i:0x13 + 3 * i] = pos.to_bytes(3, "little")
        pos += len(text)
    if closed:
        rom[pos] = 0x01  # ends the block's room at its last string
    assert pos <= size
    open(f"{sys.argv[1]}/{name}.bin", "wb").write(rom)

make("strings", 21, 4 << 20, 10000, 0x200000, 2, 12)
make("million", 22, 16 << 20, 1000000, 0, 1, 3)
make("moving", 21, 4 << 20, 10000, 0x200000, 2, 12, closed=True)
EOF
{
  printf '/00=<END>\r\n'
  awk 'BEGIN { for (c = 32; c < 127; c++) printf "%02X=%c\r\n", c, c }'
} >"$work/ascii.tbl"

# run SCRIPT ROM [OPTION...]: one insertion into $work/out.bin; prints "seconds peak-KiB".
run() {
  local start end script=$1 rom=$2
  shift 2
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" "$program" --insert "$@" "$work/$script" "$work/$rom" "$work/out.bin" \
    >"$work/report.txt" 2>"$work/err.txt"
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v k="$(tail -n 1 "$work/rss")" 'BEGIN { printf "%.6f %d\n", e - s, k }'
}

echo "textdump --insert benchmark: $program"
echo "$runs timed runs after one warm-up, medians (no earlier program has --insert)"
printf '\n%-16s %9s %9s %13s\n' "case" "pointers" "seconds" "peak memory"
missed=0 results=()
for c in "strings 10000 0.1" "million 1000000 10" "moving 10000 0.2"; do
  read -r name count target <<<"$c"
  forms="dumped edited" options=()
  "$program" --script --std-table --pointers "at=10,count=$count,size=3" \
    "$work/$name.bin" "$work/ascii.tbl" "$work/$name.txt" 2>/dev/null
  if [ "$name" = moving ]; then
    forms=twice options=(--free auto)
    cr=$'\r' # the script's lines end in CR LF
    sed -e "/^[^#/]/s/^\\(.*\\)<END>$cr\$/\\1 \\1<END>$cr/" "$work/$name.txt" >"$work/$name-twice.txt"
  else
    sed -e '/^[^#/]/s/\bthe\b/THE/g' -e '/^[^#/]/s/ and / \& /g' "$work/$name.txt" >"$work/$name-edited.txt"
  fi
  for form in $forms; do
    script=$name.txt
    [ "$form" != dumped ] && script=$name-$form.txt
    run "$script" "$name.bin" "${options[@]}" >/dev/null || { echo "bench: $name ($form) failed" >&2; cat "$work/err.txt" >&2; exit 1; }
    if [ "$form" = dumped ] && ! cmp -s "$work/out.bin" "$work/$name.bin"; then
      echo "bench: $name as dumped did not give the ROM back" >&2; exit 1
    fi
    grep -q "^$count pointers written" "$work/report.txt" ||
      { echo "bench: $name ($form) did not write $count pointers" >&2; exit 1; }
    if [ "$form" = twice ]; then
      moved=$(grep -c ' moved out of ' "$work/report.txt" || true)
      [ "$moved" -ge $((count * 2 / 5)) ] ||
        { echo "bench: $name ($form) moved $moved strings, not about half" >&2; exit 1; }
    fi
    times=() peak=0
    for ((i = 0; i < runs; i++)); do
      result=$(run "$script" "$name.bin" "${options[@]}") || { echo "bench: $name ($form) failed" >&2; exit 1; }
      times+=("${result% *}")
      [ "${result#* }" -gt "$peak" ] && peak=${result#* }
    done
    seconds=$(printf '%s\n' "${times[@]}" | sort -g |
      awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
    printf '%-16s %9s %9.3f %9.1f MiB\n' "$name $form" "$count" "$seconds" \
      "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
    if awk -v s="$seconds" -v t="$target" 'BEGIN { exit !(s <= t) }'; then
      results+=("met:    $name $form in at most $target s ($seconds s)")
    else
      results+=("MISSED: $name $form in at most $target s ($seconds s)")
      missed=$((missed + 1))
    fi
    if [ "$name" = million ]; then
      if [ "$peak" -le $((1024 * 1024)) ]; then
        results+=("met:    $name $form within 1 GiB")
      else
        results+=("MISSED: $name $form within 1 GiB")
        missed=$((missed + 1))
      fi
    fi
  done
done
echo
printf '%s\n' "${results[@]}"
[ "$missed" -eq 0 ] || exit 3
