#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target into fuzz/corpus/ (run it again
# after changing a seed; the fuzz runs themselves never write there).
#
#   make_seeds.sh [REALDATA]   REALDATA: the folder of real tables (tables/...),
#                              by default ../shared/realdata beside the repository
set -euo pipefail
fuzz=$(cd "$(dirname "$0")" && pwd)
realdata=${1:-$fuzz/../../shared/realdata}
loader=$fuzz/corpus/table_loader_fuzz
dump=$fuzz/corpus/dump_run_fuzz
arguments=$fuzz/corpus/arguments_fuzz
script=$fuzz/corpus/script_build_fuzz
finder=$fuzz/corpus/finder_fuzz
mkdir -p "$loader" "$dump" "$arguments" "$script" "$finder"
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

# Option values: --pointers with every field, --map, --end and --size lists.
printf 'at=100,count=3,size=4,stride=6,order=be,base=-7FF0' >"$arguments/linear.txt"
printf 'at=6D10,count=3,map=nes,bank=1,window=C000,banksize=2000' >"$arguments/nes.txt"
printf 'at=1F200,count=16777216,size=3,map=lorom' >"$arguments/lorom.txt"
printf 'lorom,gb,linear:-7FF0,hirom,nes' >"$arguments/maps.txt"
printf 'token,next,fixed:4' >"$arguments/end.txt"
printf '2,3,4' >"$arguments/sizes.txt"

# pointer_seed TARGET NAME BYTE2 BYTE3 TABLE OPTIONS ROM: a script or finder
# input (layouts in pointer_inputs.hpp); a script input takes OPTIONS, and
# their length as BYTE3.
pointer_seed() {
  local out=$script byte3=${#6}
  [ "$1" = finder ] && out=$finder byte3=$4
  {
    printf "$(le16 "$(stat -c %s "$5")")\\x$(printf %02x "$3")\\x$(printf %02x "$byte3")"
    cat "$5"
    [ "$1" = finder ] || printf '%s' "$6"
    cat "$7"
  } >"$out/$2"
}

# put16 FILE OFFSET VALUE...: little-endian 16-bit values from OFFSET on.
put16() {
  local file=$1 at=$2
  shift 2
  for value; do
    poke "$file" "$at" "$(le16 "$value")"
    at=$((at + 2))
  done
}

# Three strings at 0x100 of 0x400 bytes of EE, pointed to from 0x300.
head -c 1024 /dev/zero | tr '\0' '\356' >"$rom"
poke "$rom" $((0x100)) 'Hello, world!\x00A B C\x0a\xfe\x00Bye.\x00'
put16 "$rom" $((0x300)) 0x100 0x10e 0x100 0x116
options=$'token\nat=300,count=4'
pointer_seed script linear.bin 0 - "$ascii" "$options" "$rom"

# A table that clashes with the script: a longer key with the text of two, texts
# like commands, a FIXED control; strings split by a pointer into them, the
# whole ROM up to a length of 8, ended by the next string.
cp "$ascii" "$work/clash.tbl"
printf 'E0=AB\r\n23=#\r\n3C=<\r\n$F0=FIXED,10,2,0\r\n' >>"$work/clash.tbl"
poke "$rom" $((0x100)) '#A\x0a//B\xe0<$41>\xf0\x05ABC\x00'
options=$'next\nat=300,count=3\nat=306,count=1,base=-10'
put16 "$rom" $((0x300)) 0x100 0x104 0x10c 0x11a
pointer_seed script clash.bin $((8 << 1)) - "$work/clash.tbl" "$options" "$rom"

# LoROM 16-bit pointers behind a copier header, fixed-length strings.
head -c 2560 /dev/zero >"$rom"
poke "$rom" $((0x300)) 'ABCDEFGHIJKLMNOP'
put16 "$rom" $((0x900)) 0x8100 0x8108 0x8104
options=$'fixed:4\nat=900,count=3,map=lorom'
pointer_seed script lorom.bin 0 - "$ascii" "$options" "$rom"

# NES pointers past an iNES header, Game Boy 3-byte pointers at stride 4,
# with a real standard table (its FF ends strings).
head -c 1024 /dev/zero >"$rom"
poke "$rom" 0 'NES\x1a\x01'
poke "$rom" $((0x110)) '\x0a\x0b\x01\xf0\x01\xfe\x6a\xff\x0b\x0a\xff'
put16 "$rom" $((0x300)) 0x8100 0x8108
poke "$rom" $((0x320)) '\x10\x01\x00\x00\x18\x01\x00\x00'
options=$'token\nat=300,count=2,map=nes\nat=320,count=2,size=3,stride=4,map=gb'
pointer_seed script mgsgb.bin 1 - "$realdata/tables/mgsgbLz__table.tbl" "$options" "$rom"

# Finder seeds: a table of eight 16-bit pointers (least count 4, every size)
# at 0x40 of a ROM of strings, and Game Boy pointers at stride 3 under every
# map; noise of an LCG as a ROM with a real table.
# strings FILE: eight strings from 0x100 on; their offsets in values.
strings() {
  local at=$((0x100)) text
  values=()
  for text in 'Hello' 'Second line' 'Third one' 'A fourth' 'Fifth!' 'Sixth string' 'Seventh' 'Eighth'; do
    poke "$1" "$at" "$text\\x00"
    values+=("$at")
    at=$((at + ${#text} + 1))
  done
}
head -c 1024 /dev/zero >"$rom"
strings "$rom"
put16 "$rom" $((0x40)) "${values[@]}"
pointer_seed finder planted.bin $((3 << 4)) 4 "$ascii" '' "$rom"
head -c 1024 /dev/zero >"$rom"
strings "$rom"
at=$((0x60))
for value in "${values[@]}"; do
  poke "$rom" "$at" "$(le16 "$value")\\x00"
  at=$((at + 3))
done
pointer_seed finder gb.bin $((1 | 8 | 5 << 4)) 2 "$ascii" '' "$rom"
LC_ALL=C awk 'BEGIN { x = 1; for (i = 0; i < 2048; i++) { x = (x * 1103515245 + 12345) % 2147483648; printf "%c", int(x / 65536) % 256 } }' >"$rom"
pointer_seed finder noise.bin 0 7 "$realdata/tables/telefang__patch.tbl" '' "$rom"

# Patch seeds: a ROM and a patch of each format that changes, adds and cuts
# bytes (layout in patch_inputs.hpp), made by the built program (TEXTDUMP, by
# default build/textdump); left as they are when it is not built.
textdump=${TEXTDUMP:-$fuzz/../build/textdump}
patches=$fuzz/corpus/patch_fuzz
if [ -x "$textdump" ]; then
  mkdir -p "$patches"
  printf 'Hello, world! A small ROM of text.\x00\x00\x00\x00' >"$work/a.bin"
  printf 'Hello, there! A longer ROM of its text, moved.\x00\x01' >"$work/b.bin"
  printf 'Hello' >"$work/c.bin"
  n=0
  for format in bps ips ups; do
    for target in b c; do
      "$textdump" --make-patch "$work/a.bin" "$work/$target.bin" "$work/p.$format" >/dev/null
      {
        printf "\\x$(printf %02x "$n")$(le16 "$(stat -c %s "$work/a.bin")")"
        cat "$work/a.bin" "$work/p.$format"
      } >"$patches/$format-$target.bin"
    done
    n=$((n + 1))
  done
fi

ls -l "$loader" "$dump" "$arguments" "$script" "$finder"
