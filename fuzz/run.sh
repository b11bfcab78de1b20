#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60) on a copy of its seed corpus and saved
# findings. Exits non-zero when a target reports a crash, hang, leak or sanitizer
# finding; the finding's input is printed in base64 and kept in the work folder.
#
#   fuzz/run.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."

# clang and its fuzzer runtime, installed when missing.
bash tools/setup.sh fuzz

cmake --preset fuzz
targets=(table_loader_fuzz standard_table_fuzz dump_run_fuzz arguments_fuzz script_build_fuzz finder_fuzz patch_fuzz)
cmake --build --preset fuzz --target "${targets[@]}"

work=$(mktemp -d)
failed=()
for target in "${targets[@]}"; do
  echo "== $target for ${seconds}s"
  # The run grows its own copy of the corpus; the committed one stays as it is.
  mkdir -p "$work/$target/corpus" "$work/$target/findings"
  cp -R "fuzz/corpus/$target/." "$work/$target/corpus/"
  if [ -d "fuzz/regressions/$target" ]; then cp -R "fuzz/regressions/$target/." "$work/$target/corpus/"; fi
  # Option values and patches have words of their own; every other input holds a table.
  dict=fuzz/table.dict
  if [ "$target" = arguments_fuzz ]; then dict=fuzz/arguments.dict; fi
  if [ "$target" = patch_fuzz ]; then dict=fuzz/patch.dict; fi
  # Inputs stay a few KiB: tables and ROMs of that size reach every path, and
  # the whole-run target's work grows with the product of their sizes.
  status=0
  "build-fuzz/fuzz/$target" "$work/$target/corpus" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -dict="$dict" \
    -artifact_prefix="$work/$target/findings/" -print_final_stats=1 || status=$?
  for finding in "$work/$target/findings"/*; do
    [ -e "$finding" ] || continue
    status=1
    echo "Finding $finding (base64):"
    base64 "$finding"
  done
  if [ "$status" -ne 0 ]; then failed+=("$target"); fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]} (inputs kept in $work)" >&2
  exit 1
fi
rm -rf "$work"
echo "Fuzzing found nothing"
