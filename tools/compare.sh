#!/usr/bin/env bash
# Runs two builds of the program on the same inputs and reports every output
# that differs: standard output, standard error, exit status and the files
# written, byte for byte.
#
#   tools/compare.sh OLD NEW ROMGEN [SEEDS]
#
# OLD and NEW are textdump programs, ROMGEN the test-ROM generator of a test
# build (build-test/bench/romgen). The inputs:
# - the shipped example: through the dialogue, the command line in both table
#   formats, --check, --find-pointers and --survey;
# - every real table and ROM of ../shared/realdata: plain dumps in both table
#   formats and --check; and its games: --find-pointers, and --script (then
#   --fit) of each pointer table that games/truth.json lists;
# - SEEDS generated ROMs (default 20), each: a plain dump, --check of its table,
#   --find-pointers, --script through the best candidate and --fit of that
#   script, --survey with --json and --svg, --find-pointers-to the first string
#   of its first planted table; and SEEDS generated text ROMs (romgen --text):
#   --find-text of their words with --json and --draft-table, a dump through
#   the draft table, --check of their table.
# Each command writes --json where it can.
#
# Exit status: 0 when every output is the same, 1 when one differs.
set -euo pipefail
export LC_ALL=C

[ "$#" -ge 3 ] || { echo "usage: tools/compare.sh OLD NEW ROMGEN [SEEDS]" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/.." && pwd)
old=$(realpath "$1") new=$(realpath "$2") romgen=$(realpath "$3")
seeds=${4:-20}
realdata=$repo/../shared/realdata
work=$(mktemp -d "${TMPDIR:-/tmp}/textdump-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

cases=0 differ=0

# [STDIN=FILE] [FROM=NAME] run NAME ARGS...: runs both programs in folders of
# their own, where ARGS may name the outputs out.* that are compared
# afterwards. STDIN is the standard input (else none); FROM names an earlier
# run whose files each side starts with (its own side's).
run() {
  local name=$1 side program
  shift
  for side in old new; do
    program=$old
    [ "$side" = new ] && program=$new
    mkdir -p "$work/$side/$name"
    if [ -n "${FROM:-}" ]; then
      find "$work/$side/$FROM" -maxdepth 1 -type f ! -name stdout ! -name stderr ! -name status \
        -exec cp {} "$work/$side/$name/" \;
    fi
    (cd "$work/$side/$name" && { status=0; "$program" "$@" >stdout 2>stderr <"${STDIN:-/dev/null}" || status=$?; echo "$status" >status; })
  done
  cases=$((cases + 1))
  if ! diff -r "$work/old/$name" "$work/new/$name" >"$work/diff.txt" 2>&1; then
    differ=$((differ + 1))
    echo "differs: $name: $*"
    head -20 "$work/diff.txt"
  fi
}

# The --pointers argument of the best candidate a --find-pointers run printed.
best_pointers() {
  awk '$1 == "--pointers" { print $2; exit }' "$work/new/$1/stdout"
}

example=$repo/examples
printf '%s\n' "$example/demo.sfc" "$example/demo0.tbl" out.txt 0 43 >"$work/answers.txt"
STDIN=$work/answers.txt run example-dialogue
run example "$example/demo.sfc" "$example/demo0.tbl" out.txt 0 43
run example-std --std-table "$example/demo.sfc" "$example/ascii-std.tbl" out.txt 0 43
run example-check --check "$example/demo0.tbl"
run example-find --find-pointers --std-table --json out.json "$example/demo.sfc" "$example/ascii-std.tbl"
run example-survey --survey --std-table --json out.json --svg out.svg "$example/demo.sfc" \
  "$example/ascii-std.tbl"

if [ -d "$realdata" ]; then
  for table in "$realdata"/tables/*; do
    t=$(basename "$table")
    run "check-std-$t" --check --std-table "$table"
    run "check-own-$t" --check "$table"
    for rom in "$realdata"/roms/*; do
      r=$(basename "$rom")
      run "std-$t-$r" --std-table "$table" "$rom" out.txt 0 FFFF
      run "own-$t-$r" "$table" "$rom" out.txt 0 FFFF
    done
  done
  # Each game's ROM and table, then each of its pointer tables ("rom", "table"
  # and "pointers" lines of truth.json, in order).
  games=$realdata/games
  awk -F'"' '$2 == "rom" { rom = $4 } $2 == "table" { table = $4 }
             $2 == "pointers" { print rom, table, $4 }' "$games/truth.json" >"$work/truth.txt"
  for game_rom in $(awk '{ print $1 }' "$work/truth.txt" | sort -u); do
    g=$(basename "$game_rom")
    game_table=$(awk -v rom="$game_rom" '$1 == rom { print $2; exit }' "$work/truth.txt")
    run "game-find-$g" --find-pointers --std-table --json out.json "$games/$game_rom" \
      "$games/$game_table"
    run "game-survey-$g" --survey --std-table --json out.json "$games/$game_rom" \
      "$games/$game_table"
  done
  n=0
  while read -r game_rom game_table pointers; do
    n=$((n + 1))
    g=$(basename "$game_rom")
    run "game-script-$g-$n" --script --std-table --pointers "$pointers" --json out.json \
      "$games/$game_rom" "$games/$game_table" out.txt
    FROM=game-script-$g-$n run "game-fit-$g-$n" --fit out.txt
  done <"$work/truth.txt"
fi

for ((seed = 1; seed <= seeds; seed++)); do
  mkdir -p "$work/rom$seed"
  "$romgen" "$work/rom$seed/rom" --seed "$seed" >"$work/rom$seed/planted.txt"
  rom=$(ls "$work/rom$seed"/rom.* | grep -v '\.tbl$\|\.txt$' | head -1)
  table=$work/rom$seed/rom.tbl
  run "dump-$seed" --std-table "$rom" "$table" out.txt 0 FFFF
  run "check-$seed" --check --std-table "$table"
  run "find-$seed" --find-pointers --std-table --json out.json "$rom" "$table"
  run "survey-$seed" --survey --std-table --json out.json --svg out.svg "$rom" "$table"
  target=$(awk '$1 == "table" { for (i = 2; i <= NF; i++) if ($i ~ /^targets=/) {
             split(substr($i, 9), t, ","); print t[1]; exit } }' "$work/rom$seed/planted.txt")
  run "pointers-to-$seed" --find-pointers-to "${target:-0}" --std-table --json out.json "$rom" "$table"
  pointers=$(best_pointers "find-$seed")
  if [ -n "$pointers" ]; then
    run "script-$seed" --script --std-table --pointers "$pointers" --json out.json \
      "$rom" "$table" out.txt
    FROM=script-$seed run "fit-$seed" --fit out.txt
  fi

  mkdir -p "$work/text$seed"
  "$romgen" "$work/text$seed/text" --text --seed "$seed" >"$work/text$seed/planted.txt"
  words=()
  while IFS= read -r word; do words+=("$word"); done < <(
    sed -n 's/^word \(.*\) at=[0-9A-Fa-fx,]*$/\1/p' "$work/text$seed/planted.txt")
  if [ "${#words[@]}" -gt 0 ]; then
    run "find-text-$seed" --find-text --json out.json --draft-table out.tbl \
      "$work/text$seed/text.bin" "${words[@]}"
    FROM=find-text-$seed run "draft-dump-$seed" --std-table "$work/text$seed/text.bin" out.tbl \
      dump.txt 0 FFFF
  fi
  run "text-check-$seed" --check --std-table "$work/text$seed/text.tbl"
done

echo "$cases cases, $differ differ"
[ "$differ" -eq 0 ]
