#!/usr/bin/env bash
# The script-dump example: plants a pointer table in a copy of a free NES test
# ROM and dumps the strings it points at as a script.
#
#   examples/make-nes-example.sh [ROM] [OUT]
#
# ROM is 01-basics.nes (blargg's NES CPU instruction test; default:
# ../shared/realdata/roms/01-basics.nes beside the repository). OUT is the
# folder for the results (default build/nes-example). The program is
# $TEXTDUMP (a path, or a name on PATH), else build/textdump. It runs in the repository's top folder, so
# that with the defaults the dump is the README's command line:
#   build/textdump --script --std-table --pointers at=6D00,count=7,map=nes \
#     build/nes-example/planted.nes examples/ascii-std.tbl build/nes-example/basics.txt
#
# The ROM's seven strings at 0x6C10-0x6CEA end with 00 and are followed by 0xFF
# padding; seven 16-bit pointers are written into that padding at 0x6D00. The
# NES sees the 32 KiB of PRG data at $8000 and the file has a 16-byte iNES
# header, so a pointer's value is its string's file offset - 0x10 + 0x8000.
#
# Writes OUT/planted.nes, OUT/basics.txt (the script) and OUT/basics.tbl (its
# insertion table).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
rom=${1:-$repo/../shared/realdata/roms/01-basics.nes}
out=${2:-}
program=${TEXTDUMP:-build/textdump}
# Names given relative to the folder it was started in, read from the top folder.
[ -z "${1:-}" ] || rom=$(realpath -- "$rom")
case $program in */*) [ -z "${TEXTDUMP:-}" ] || program=$(realpath -- "$program") ;; esac
if [ -n "$out" ]; then
  mkdir -p -- "$out"
  out=$(cd -- "$out" && pwd)
else
  out=build/nes-example
fi
cd "$repo"
expected=4dd1cdd406bc3f747972e7da314ce8ca89321eb7a836c1ced569ee54ae44a384

command -v "$program" >/dev/null || { echo "no program at $program; build it with: cmake --workflow --preset build" >&2; exit 1; }
[ -f "$rom" ] || { echo "no ROM at $rom" >&2; exit 1; }
if [ "$(sha256sum "$rom" | cut -d' ' -f1)" != "$expected" ]; then
  echo "$rom is not the 01-basics.nes this example expects (SHA-256 $expected)" >&2
  exit 1
fi

mkdir -p "$out"
cp "$rom" "$out/planted.nes"
chmod u+w "$out/planted.nes"
# 0x6C10 01-basics, 0x6C1A, 0x6C3B, 0x6C60, 0x6C8D, 0x6CA8, 0x6CCF: values $EC00 ... $ECBF.
printf '\x00\xEC\x0A\xEC\x2B\xEC\x50\xEC\x7D\xEC\x98\xEC\xBF\xEC' |
  dd of="$out/planted.nes" bs=1 seek=$((0x6D00)) conv=notrunc status=none

"$program" --script --std-table --pointers at=6D00,count=7,map=nes \
  "$out/planted.nes" examples/ascii-std.tbl "$out/basics.txt"
echo "wrote $out/basics.txt and $out/basics.tbl"
