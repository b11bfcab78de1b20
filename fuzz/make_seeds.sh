#!/usr/bin/env bash
# Writes the seed corpus of both fuzz targets into fuzz/corpus/ (run it again
# after changing a seed; the fuzz runs themselves never write there).
#
#   make_seeds.sh [REALDATA]   REALDATA: the folder of real tables (tables/...),
#                              by default ../shared/realdata beside the repository
set -euo pipefail
fuzz=$(cd "$(dirname "$0")" && pwd)
realdata=${1:-$fuzz/../../shared/realdata}
loader=$fuzz/corpus/table_loader_fuzz
dump=$fuzz/corpus/dump_run_fuzz
mkdir -p "$loader" "$dump"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Little-endian 16-bit value as printf escapes.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }

# dump_seed NAME START SPAN TABLE0 TABLE1 ROM: one whole-run input (layout in fuzz_inputs.hpp).
dump_seed() {
  local size0 size1
  size0=$(stat -c %s "$4")
  size1=$(stat -c %s "$5")
  {
    printf "$(le16 $(($2 & 0xFFFF)))$(le16 $((($2 >> 16) & 0xFFFF)))$(le16 "$3")"
    printf "$(le16 "$size0")$(le16 "$size1")"
    cat "$4" "$5" "$6"
  } >"$dump/$1"
}

# poke FILE OFFSET BYTES: writes printf-escaped bytes into FILE at OFFSET.
poke() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

# Every printable ASCII byte as itself, LF as a line break, 00 as END, FE as a wait.
ascii=$work/ascii.tbl
for ((c = 0x20; c <= 0x7E; c++)); do
  printf '%02X=' "$c"
  printf "\\x$(printf %02x "$c")\r\n"
done >"$ascii"
printf '*0A\r\n/00\r\n\\FE\r\n' >>"$ascii"
: >"$work/empty"

# Table loader seeds: real translators' tables and every line kind of the format.
for real in telefang__patch.tbl medarot1.tbl mgsgbLz__table.tbl; do
  cat "$realdata/tables/$real" >"$loader/$real"
done
cp "$ascii" "$loader/ascii.tbl"
printf '%s\r\n' '41=A' '42B' '4a=j' '3D==' '20= ' '*FE' '\FD' '/=FF' \
  '$80=FIXED,18000,10,1' '' '$81=TABLE,1' '$82=SNES,L,8000,2,1' '' \
  '$83=SNES,H,C00000,3,2' '$84=XYZ,1' '$85=,100,8,0' '$86=T,A' '$87=SN,l,1 0,3,123456789' \
  >"$loader/directives.tbl"
# LF and lone CR line ends, a missing digit, a keyword without a comma on its line,
# a FIXED line with two numbers, a text with a byte 0xFF, no line end at the end.
printf '41=A\n42=BC\n43=D\r44=E\r\n*\r\n45=F\r\n$90=NOCOMMA\r\n46=G,H\r\n$91=FIXED,18000,10\r\n47=I,J\r\n48=\xff\r\n49=' \
  >"$loader/line-ends.tbl"

# Whole-run seeds.
rom=$work/rom
printf 'Hello, world!\nSecond line\xfe\x00\x80\x81\x7f More text\x00' >"$rom"
dump_seed ascii.bin 0 $(($(stat -c %s "$rom") - 1)) "$ascii" "$work/empty" "$rom"

# FIXED records: base FFFFFC40 puts record N = 0x80 + 0x100 b0 at 0x40 + 0x800 b0,
# so codes 80 and 81 reach the records at 0x40 and 0x48; 84 takes three argument
# bytes and lands past the ROM's end.
cp "$ascii" "$work/fixed.tbl"
printf '$80=FIXED,FFFFFC40,8,1\r\n\r\n$81=FIXED,FFFFFC40,8,1\r\n\r\n$84=FIXED,0,10,3\r\n\r\n' \
  >>"$work/fixed.tbl"
head -c 80 /dev/zero >"$rom"
poke "$rom" 0 '\x80\x00\x0a\x81\x00\x0a\x84\x01\x00\x00\x0a\x00'
poke "$rom" 64 'Record0!Rec1\x00xyz'
dump_seed fixed.bin 0 11 "$work/fixed.tbl" "$work/empty" "$rom"

# SNES pointers in a ROM of 0x800 bytes behind a 0x20-byte copier header: a LoROM
# table of 16-bit pointers at 0x100 and a HiROM table of 24-bit pointers at 0x140.
cp "$ascii" "$work/snes.tbl"
printf '$82=SNES,L,100,2,1\r\n\r\n$83=SNES,H,140,3,2\r\n\r\n' >>"$work/snes.tbl"
head -c $((0x820)) /dev/zero >"$rom"
poke "$rom" $((0x20)) '\x82\x00\x0a\x82\x01\x0a\x83\x05\x00\x0a\x00'
poke "$rom" $((0x120)) '\x80\x81\x90\x81'
poke "$rom" $((0x160)) '\xa0\x01\x00'
poke "$rom" $((0x1a0)) 'Hello\x00'
poke "$rom" $((0x1b0)) 'World\x00'
poke "$rom" $((0x1c0)) 'HiROM\x00'
dump_seed snes.bin $((0x20)) 10 "$work/snes.tbl" "$work/empty" "$rom"

# A family of two: 90 switches to kana1.tbl, whose 91 switches back; the END
# byte restores table 0; 92 asks for kana2.tbl, which is missing.
printf '41=a\r\n42=b\r\n/00\r\n*0A\r\n$90=TABLE,1\r\n$92=TABLE,2\r\n' >"$work/kana0.tbl"
printf '41=ALPHA\r\n42=BETA\r\n/00\r\n*0A\r\n$91=TABLE,0\r\n' >"$work/kana1.tbl"
printf 'AB\x0a\x90AB\x00AB\x90A\x91B\x00\x90A\x92B' >"$rom"
dump_seed switch.bin 0 17 "$work/kana0.tbl" "$work/kana1.tbl" "$rom"

# The top of the offset range: offsets past the ROM read 0xFF, and a FIXED
# control byte at 0xFFFFFFFE takes argument bytes past 0xFFFFFFFF.
printf 'FF=~\r\n41=A\r\n' >"$work/top.tbl"
printf 'AAAA' >"$rom"
dump_seed top.bin $((0xFFFFFFF0)) 15 "$work/top.tbl" "$work/empty" "$rom"
printf '$FF=FIXED,0,4,3\r\n\r\n41=A\r\n' >"$work/wrap.tbl"
dump_seed wrap.bin $((0xFFFFFFFE)) 1 "$work/wrap.tbl" "$work/empty" "$rom"

# Real tables over small ROMs written in their encodings.
printf 'Hello World!\xe2\xbb\xbc\xbd \xe1\xe0' >"$rom"
dump_seed telefang.bin 0 18 "$realdata/tables/telefang__patch.tbl" "$work/empty" "$rom"
printf '\x01\x02\x03\x00\x0a\xd6\xd7\xee\xf0\xf1\xff' >"$rom"
dump_seed medarot.bin 0 10 "$realdata/tables/medarot1.tbl" "$work/empty" "$rom"
printf '\x0a\x0b\x01\xf0\x01\xfe\x6a\xff\x00' >"$rom"
dump_seed mgsgb.bin 0 8 "$realdata/tables/mgsgbLz__table.tbl" "$work/empty" "$rom"

ls -l "$loader" "$dump"
