#!/usr/bin/env bash
# Runs two builds of the program on the same inputs and reports every output
# that differs: standard output, standard error, exit status and the files
# written, byte for byte.
#
#   tools/compare.sh OLD NEW ROMGEN [SEEDS]
#
# OLD and NEW are textdump programs, ROMGEN the test-ROM generator of a test
# build (build-test/bench/romgen). The inputs: the shipped example, every real
# table and ROM of ../shared/realdata (plain dumps in both table formats and
# --check), and SEEDS generated ROMs (default 20) searched with --find-pointers
# and dumped with --script through the best candidate, with --json each time.
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

# run NAME ARGS...: runs both programs in folders of their own, where ARGS may
# name the outputs out.* that are compared afterwards.
run() {
  local name=$1 side program
  shift
  for side in old new; do
    program=$old
    [ "$side" = new ] && program=$new
    mkdir -p "$work/$side/$name"
    (cd "$work/$side/$name" && { status=0; "$program" "$@" >stdout 2>stderr </dev/null || status=$?; echo "$status" >status; })
  done
  cases=$((cases + 1))
  if ! diff -r "$work/old/$name" "$work/new/$name" >"$work/diff.txt" 2>&1; then
    differ=$((differ + 1))
    echo "differs: $name: $*"
    head -20 "$work/diff.txt"
  fi
}

run example "$repo/examples/demo.sfc" "$repo/examples/demo0.tbl" out.txt 0 43

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
fi

for ((seed = 1; seed <= seeds; seed++)); do
  mkdir -p "$work/rom$seed"
  "$romgen" "$work/rom$seed/rom" --seed "$seed" >/dev/null
  rom=$(ls "$work/rom$seed"/rom.* | grep -v '\.tbl$' | head -1)
  table=$work/rom$seed/rom.tbl
  run "find-$seed" --find-pointers --std-table --json out.json "$rom" "$table"
  pointers=$(awk '$1 == "--pointers" { print $2; exit }' "$work/new/find-$seed/stdout")
  [ -n "$pointers" ] || continue
  run "script-$seed" --script --std-table --pointers "$pointers" --json out.json \
    "$rom" "$table" out.txt
done

echo "$cases cases, $differ differ"
[ "$differ" -eq 0 ]
