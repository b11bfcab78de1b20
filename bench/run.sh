#!/usr/bin/env bash
# Speed and memory benchmark of the built textdump program.
#
#   bench/run.sh [PROGRAM]
#
# PROGRAM (or a build folder holding textdump) defaults to $TEXTDUMP, else
# build/textdump (built by `cmake --workflow --preset build`). Everything the
# benchmark needs is made in a temporary folder (under $TMPDIR, else /tmp) that
# is deleted at the end:
#
#   rom.bin      random bytes from a fixed seed (32 MiB; BENCH_ROM_MIB to change)
#   empty.tbl    an empty table: every byte is written as (XX)
#   ascii.tbl    the 95 printable ASCII bytes as one-character texts, *0A line
#                break, \0B wait, /00 end; every other byte stays undefined
#   pointer.tbl  ascii.tbl plus a FIXED entry and 16-bit and 24-bit SNES entries
#                whose strings lie inside the ROM
#   standard.bin as large as rom.bin, every 16-bit word of rom.bin replaced by
#                one of the two-byte keys of a real standard table
#                ($BENCH_STD_TABLE, else ../shared/realdata/tables/tokimeki__Atlas.tbl
#                beside the repository: 9,781 such keys), dumped with --std-table
#                through that table; the case is skipped when the table is missing
#   switching.tbl  a standard table: @main of ascii.tbl's texts, line break and
#                end, with !F0 switching to @kana for 8 matches and !F1 (silent)
#                until FF; @kana writes each printable byte as a kana (three
#                UTF-8 bytes)
#   switching.bin  rom.bin with 80-87 turned into F0, 88-89 into F1 and 8A-91
#                into FF, so that a switch comes about every 26 bytes and about
#                two bytes in five are decoded in a kana frame
#
# Each table dumps the whole ROM through `textdump ROM TABLE DUMP 0 END`, one
# warm-up run and then BENCH_RUNS timed runs (default 5); the median wall time
# (the best one with BENCH_STAT=best, for a machine that other work loads)
# is reported with MB/s of ROM decoded (10^6 bytes of the dumped range per
# second), the dump's size and the program's peak memory (maximum resident set).
# `xxd -p` on the same ROM, writing to the same folder, is timed alongside so
# that the ratio (our time / xxd's) stays meaningful on a busy machine.
#
# Beside the ASCII and empty-table dumps it times the same dump to /dev/null
# (decoding alone) and dd writing as many bytes to the same folder (the floor
# of writing that much here).
#
# Targets: the ASCII dump takes at most 0.2 times xxd -p's time; the ASCII and
# empty-table dumps at most 2.0 times dd's; peak memory stays below the ROM
# size plus 16 MiB; the (XX) dump of a 32 MiB ROM (128 MiB of output) takes
# well under a second; the standard-table dump takes at most 1.5 times the
# ASCII dump, with peak memory below the ROM size plus 32 MiB; the switching
# dump at most 2.0 times the ASCII dump.
#
# Exit status: 0 when every target is met, 1 when the program failed or gave
# an unexpected dump, 3 when it ran correctly but missed a target.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-${TEXTDUMP:-$repo/build/textdump}}
[ -d "$program" ] && program=$program/textdump # a build folder
rom_mib=${BENCH_ROM_MIB:-32}
runs=${BENCH_RUNS:-5}
statistic=${BENCH_STAT:-median}
case $statistic in median | best) ;; *) echo "bench: BENCH_STAT is median or best" >&2; exit 1 ;; esac

if [ ! -f "$program" ] || [ ! -x "$program" ]; then
  echo "bench: no program at $program; build it with: cmake --workflow --preset build" >&2
  exit 1
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
command -v xxd >/dev/null || { echo "bench: xxd is needed for the reference timing" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

rom=$work/rom.bin
rom_bytes=$((rom_mib * 1024 * 1024))
std_table=${BENCH_STD_TABLE:-$repo/../shared/realdata/tables/tokimeki__Atlas.tbl}
[ -r "$std_table" ] || std_table=
end_offset=$(printf '%X' $((rom_bytes - 1)))

# --- Inputs ------------------------------------------------------------------

# The ROM: an AES-CTR key stream from a fixed pass phrase is random-looking and
# the same on every machine; python3's seeded generator where openssl is missing.
make_rom() {
  if command -v openssl >/dev/null; then
    # head closes the pipe once it has enough; openssl's SIGPIPE is expected.
    { openssl enc -aes-128-ctr -nosalt -pbkdf2 -pass pass:textdump-bench -in /dev/zero \
        2>/dev/null || true; } | head -c "$rom_bytes" >"$rom"
  else
    python3 -c 'import random, sys
r = random.Random(20240501)
n = int(sys.argv[1])
with open(sys.argv[2], "wb") as f:
    while n:
        k = min(n, 1 << 20)
        f.write(r.getrandbits(8 * k).to_bytes(k, "little"))
        n -= k' "$rom_bytes" "$rom"
  fi
  [ "$(stat -c %s "$rom")" -eq "$rom_bytes" ] || { echo "bench: could not make the ROM" >&2; exit 1; }
}

# Table lines end with CR LF.
make_tables() {
  : >"$work/empty.tbl"
  {
    awk 'BEGIN { for (c = 32; c < 127; c++) printf "%02X=%c\r\n", c, c }'
    printf '*0A\r\n\\0B\r\n/00\r\n'
  } >"$work/ascii.tbl"
  {
    cat "$work/ascii.tbl"
    # F1: records of 16 bytes; N = F1 + 0x100 * argument, so they spread over
    #     the first MiB and a bit (base 0x100000 for N = F1, 0xFFFB otherwise).
    # F2: LoROM 16-bit pointers at 0x8000; strings in the same 32 KB bank.
    # F3: HiROM 24-bit pointers at 0x10000; strings in the first 8 MiB.
    # Each string runs to its END byte (00), 256 bytes on average.
    # shellcheck disable=SC2016 # the $ begins a directive line, not an expansion
    printf '%s\r\n' '$F1=FIXED,100000,10,1' '$F2=SNES,L,8000,2,1' '$F3=SNES,H,10000,3,1'
  } >"$work/pointer.tbl"
}

# The standard-table ROM: each 16-bit word of the ROM picks one of the table's
# two-byte text keys (those of its first table), so it comes from the same seed.
make_standard_rom() {
  python3 -c 'import array, re, sys
keys, tables = [], 0
with open(sys.argv[1], "rb") as table:
    for line in table:
        tables += line.startswith(b"@")
        if tables > 1:
            break
        match = re.match(rb"([0-9A-Fa-f]{4})=", line)
        if match:
            keys.append(bytes.fromhex(match.group(1).decode()))
pick = [keys[i % len(keys)] for i in range(65536)]
words = array.array("H")
with open(sys.argv[2], "rb") as rom:
    words.frombytes(rom.read())
with open(sys.argv[3], "wb") as out:
    out.write(b"".join(map(pick.__getitem__, words)))' "$std_table" "$rom" "$work/standard.bin"
  [ "$(stat -c %s "$work/standard.bin")" -eq "$rom_bytes" ] ||
    { echo "bench: could not make the standard-table ROM" >&2; exit 1; }
}

make_switching() {
  {
    printf '@main\r\n'
    awk 'BEGIN { for (c = 32; c < 127; c++) printf "%02X=%c\r\n", c, c }'
    printf '*0A\r\n/00\r\n!F0=<[k]>,<@kana>:8\r\n!F1=,<@kana>:$FF\r\n@kana\r\n'
    # U+3041 on: E3 81 81 to E3 81 BF, then E3 82 80 on.
    awk 'BEGIN { for (c = 32; c < 127; c++) { u = 0x3041 + c - 32
      printf "%02X=%c%c%c\r\n", c, 224 + int(u / 4096), 128 + int(u / 64) % 64, 128 + u % 64 } }'
    printf '*0A\r\n/00\r\n'
  } >"$work/switching.tbl"
  python3 -c 'import sys
table = bytes(0xF0 if 0x80 <= b < 0x88 else 0xF1 if b < 0x8A and b >= 0x88 else
              0xFF if 0x8A <= b < 0x92 else b for b in range(256))
with open(sys.argv[1], "rb") as rom, open(sys.argv[2], "wb") as out:
    out.write(rom.read().translate(table))' "$rom" "$work/switching.bin"
}

# --- Measuring ---------------------------------------------------------------

# measure OUTPUT COMMAND...: runs COMMAND with standard output to OUTPUT and
# prints "seconds peak-KiB". GNU time gives the peak; where it is missing,
# python3 reads it from wait4. A child keeps the peak of the process it was
# forked from, so that figure is never below python3's own size (about 10 MiB):
# an upper bound, which is all the memory target needs.
if /usr/bin/time -f %M -o /dev/null true 2>/dev/null; then
  measure() {
    local output=$1 start end
    shift
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$work/rss" "$@" >"$output"
    end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" -v k="$(tail -n 1 "$work/rss")" 'BEGIN { printf "%.6f %d\n", e - s, k }'
  }
else
  measure() {
    local output=$1
    shift
    python3 -c 'import os, subprocess, sys, time
with open(sys.argv[1], "wb") as out:
    start = time.perf_counter()
    child = subprocess.Popen(sys.argv[2:], stdout=out)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
if status != 0:
    sys.exit(1)
print("%.6f %d" % (seconds, usage.ru_maxrss))' "$output" "$@"
  }
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { sort -g | awk 'NR == 1'; }

# bench NAME RESULT OUTPUT COMMAND...: a warm-up run, then $runs timed ones,
# each after deleting RESULT (the file the command writes, in the work folder;
# "-" for none) so that every run creates its file afresh. Standard output goes to OUTPUT.
# Sets med_seconds, peak_kib (the largest of the runs) and out_bytes (RESULT's size).
bench() {
  local name=$1 result_file=$2 output=$3 i result times=() peak=0
  shift 3
  [ "$result_file" = - ] || rm -f "$result_file"
  if ! measure "$output" "$@" >/dev/null; then
    echo "bench: $name failed: $*" >&2
    exit 1
  fi
  for ((i = 0; i < runs; i++)); do
    [ "$result_file" = - ] || rm -f "$result_file"
    result=$(measure "$output" "$@") || { echo "bench: $name failed: $*" >&2; exit 1; }
    times+=("${result% *}")
    [ "${result#* }" -gt "$peak" ] && peak=${result#* }
  done
  med_seconds=$(printf '%s\n' "${times[@]}" | "$statistic")
  peak_kib=$peak
  out_bytes=0
  [ "$result_file" = - ] || out_bytes=$(stat -c %s "$result_file")
}

mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }

# --- The runs ----------------------------------------------------------------

echo "textdump benchmark: $program"
echo "ROM: $rom_mib MiB of random bytes, $runs timed runs each after one warm-up, the ${statistic} of each"
make_rom
make_tables
if [ -n "$std_table" ]; then
  command -v python3 >/dev/null || { echo "bench: python3 is needed for the standard-table ROM" >&2; exit 1; }
  make_standard_rom
fi
command -v python3 >/dev/null || { echo "bench: python3 is needed for the switching ROM" >&2; exit 1; }
make_switching

printf '\n%-26s %9s %10s %9s %14s %13s\n' "case" "seconds" "ROM MB/s" "vs xxd" "output" "peak memory"

# dd_seconds BYTES: dd writing that many zero bytes (whole MiBs) to the work
# folder, the floor of writing a dump of that size here; sets med_seconds.
dd_seconds() {
  bench "dd" "$work/dd.out" /dev/null dd if=/dev/zero of="$work/dd.out" bs=1048576 \
    count=$((($1 + 1048575) / 1048576)) status=none
  rm -f "$work/dd.out"
}
declare -A dd_of null_of

bench "xxd -p" "$work/xxd.out" "$work/xxd.out" xxd -p "$rom"
xxd_seconds=$med_seconds
printf '%-26s %9.3f %10.1f %9s %14s %13s\n' "xxd -p (reference)" "$xxd_seconds" \
  "$(awk -v b="$rom_bytes" -v s="$xxd_seconds" 'BEGIN { print b / 1e6 / s }')" "1.00" \
  "$(mib "$out_bytes")" "$(mib $((peak_kib * 1024)))"

declare -A seconds_of peak_of
for table in empty ascii standard switching pointer; do
  dump=$work/$table.dump
  if [ "$table" = standard ]; then
    [ -n "$std_table" ] || continue
    bench "$table table" "$dump" /dev/null "$program" --std-table "$work/standard.bin" \
      "$std_table" "$dump" 0 "$end_offset"
  elif [ "$table" = switching ]; then
    bench "$table table" "$dump" /dev/null "$program" --std-table "$work/switching.bin" \
      "$work/switching.tbl" "$dump" 0 "$end_offset"
  else
    bench "$table table" "$dump" /dev/null "$program" "$rom" "$work/$table.tbl" "$dump" 0 "$end_offset"
  fi
  seconds_of[$table]=$med_seconds
  peak_of[$table]=$peak_kib
  case $table in
    empty) label="empty table: (XX)" ;;
    ascii) label="ASCII table" ;;
    standard) label="--std-table: 2-byte keys" ;;
    switching) label="--std-table: switching" ;;
    pointer) label="ASCII + FIXED/SNES table" ;;
  esac
  printf '%-26s %9.3f %10.1f %9.2f %14s %13s\n' "$label" "$med_seconds" \
    "$(awk -v b="$rom_bytes" -v s="$med_seconds" 'BEGIN { print b / 1e6 / s }')" \
    "$(awk -v a="$med_seconds" -v x="$xxd_seconds" 'BEGIN { print a / x }')" \
    "$(mib "$out_bytes")" "$(mib $((peak_kib * 1024)))"
  if [ "$table" = empty ] && [ "$out_bytes" -ne $((4 * rom_bytes)) ]; then
    echo "bench: the (XX) dump is $out_bytes bytes, not 4 x $rom_bytes" >&2
    exit 1
  fi
  rm -f "$dump"
  if [ "$table" = empty ] || [ "$table" = ascii ]; then
    # The same dump to /dev/null (decoding alone), and dd writing as many bytes.
    dump_bytes=$out_bytes
    bench "$table table to /dev/null" - /dev/null "$program" "$rom" \
      "$work/$table.tbl" /dev/null 0 "$end_offset"
    null_of[$table]=$med_seconds
    dd_seconds "$dump_bytes"
    dd_of[$table]=$med_seconds
    printf '%-26s %9.3f %27s\n' "  the same to /dev/null" "${null_of[$table]}" ""
    printf '%-26s %9.3f %27s %14s\n' "  dd writing as many bytes" "${dd_of[$table]}" "" "$(mib "$dump_bytes")"
  fi
done

if [ -n "$std_table" ]; then
  std_ratio=$(awk -v a="${seconds_of[standard]}" -v b="${seconds_of[ascii]}" 'BEGIN { printf "%.2f", a / b }')
  echo "--std-table ($(basename "$std_table")) / ASCII table: $std_ratio"
else
  echo "--std-table case skipped: no table at ${BENCH_STD_TABLE:-../shared/realdata/tables/tokimeki__Atlas.tbl}"
fi

switch_ratio=$(awk -v a="${seconds_of[switching]}" -v b="${seconds_of[ascii]}" 'BEGIN { printf "%.2f", a / b }')
echo "--std-table switching / ASCII table: $switch_ratio"

echo
echo "MB/s counts the dumped ROM range only; the FIXED/SNES case also decodes the strings"
echo "its pointers reach (about 256 bytes for each SNES control byte), hence its larger output."

# --- Targets -----------------------------------------------------------------

echo
missed=0
target() { # target MET DESCRIPTION
  if [ "$1" = 1 ]; then echo "met:    $2"; else echo "MISSED: $2"; missed=$((missed + 1)); fi
}
ratio=$(awk -v a="${seconds_of[ascii]}" -v x="$xxd_seconds" 'BEGIN { printf "%.2f", a / x }')
target "$(awk -v r="$ratio" 'BEGIN { print (r <= 0.2) ? 1 : 0 }')" \
  "ASCII dump at most 0.2 times xxd -p's time (ratio $ratio)"
for table in ascii empty; do
  dd_ratio=$(awk -v a="${seconds_of[$table]}" -v d="${dd_of[$table]}" 'BEGIN { printf "%.2f", a / d }')
  target "$(awk -v r="$dd_ratio" 'BEGIN { print (r <= 2.0) ? 1 : 0 }')" \
    "$table table: at most 2.0 times dd writing as many bytes (ratio $dd_ratio)"
done
limit_kib=$((rom_bytes / 1024 + 16 * 1024))
for table in empty ascii pointer; do
  target "$([ "${peak_of[$table]}" -lt "$limit_kib" ] && echo 1 || echo 0)" \
    "$table table: peak memory $(mib $((peak_of[$table] * 1024))) below ROM + 16 MiB ($(mib $((limit_kib * 1024))))"
done
if [ -n "$std_table" ]; then
  target "$(awk -v r="$std_ratio" 'BEGIN { print (r <= 1.5) ? 1 : 0 }')" \
    "--std-table dump at most 1.5 times the ASCII dump (ratio $std_ratio)"
  std_limit_kib=$((rom_bytes / 1024 + 32 * 1024))
  target "$([ "${peak_of[standard]}" -lt "$std_limit_kib" ] && echo 1 || echo 0)" \
    "--std-table: peak memory $(mib $((peak_of[standard] * 1024))) below ROM + 32 MiB ($(mib $((std_limit_kib * 1024))))"
fi
target "$(awk -v r="$switch_ratio" 'BEGIN { print (r <= 2.0) ? 1 : 0 }')" \
  "--std-table switching dump at most 2.0 times the ASCII dump (ratio $switch_ratio)"
target "$(awk -v s="${seconds_of[empty]}" -v m="$rom_mib" 'BEGIN { print (s * 32 / m < 1) ? 1 : 0 }')" \
  "(XX) dump of $rom_mib MiB in $(printf '%.3f' "${seconds_of[empty]}") s (target: well under 1 s for 32 MiB)"

[ "$missed" -eq 0 ] || exit 3
