# Shared by the benchmark scripts (sourced, not run):
#
#   test_build FOLDER NAME  sets build to the test build FOLDER (default
#                           build-test) and work to a new temporary folder NAME.XXXXXX,
#                           removed at the end; ends the script when FOLDER is missing
#   need_tools TOOL...      ends the script when a tool is not built
#   time_runs N COMMAND...  runs COMMAND N times, its output thrown away; sets
#                           times (each run's wall seconds) and seconds (their median)
#   target MET DESCRIPTION  prints "met:" or "MISSED:" and counts the misses in missed
#   accuracy COMMAND...     runs an accuracy program, its report shown and kept in
#                           $work/accuracy.txt; sets accuracy_status (0 all met, 3 one
#                           missed) and ends the script on any other status
#   figure NAME             the value after "NAME...:" in $work/accuracy.txt
missed=0

test_build() {
  build=$(cd "${1:-$repo/build-test}" 2>/dev/null && pwd) || {
    echo "bench: no build folder ${1:-$repo/build-test}; make it with: cmake --preset test && cmake --build build-test -j2" >&2
    exit 1
  }
  work=$(mktemp -d "${TMPDIR:-/tmp}/$2.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  trap 'exit 130' INT TERM
}

need_tools() {
  local tool
  for tool in "$@"; do
    [ -x "$tool" ] || { echo "bench: no $tool; build the test preset" >&2; exit 1; }
  done
}

time_runs() {
  local n=$1 i start end
  shift
  times=()
  for ((i = 0; i < n; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
  done
  seconds=$(printf '%s\n' "${times[@]}" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
}

target() {
  if [ "$1" = 1 ]; then echo "met:    $2"; else echo "MISSED: $2"; missed=$((missed + 1)); fi
}

figure() { grep "^$1" "$work/accuracy.txt" | awk -F: '{ sub(/^ +/, "", $2); print $2 }'; }

accuracy() {
  echo
  set +e
  "$@" | tee "$work/accuracy.txt"
  accuracy_status=${PIPESTATUS[0]}
  set -e
  [ "$accuracy_status" -eq 0 ] || [ "$accuracy_status" -eq 3 ] ||
    { echo "bench: $(basename "$1") failed" >&2; exit 1; }
}
