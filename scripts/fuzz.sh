#!/usr/bin/env bash
# A longer fuzzing campaign: `make fuzz` (FUZZ_SECONDS=600 each, FUZZ="target ..." to pick some),
# or scripts/fuzz.sh NATIVE_BUILD_DIR [SECONDS] [TARGET ...]. The native fuzz targets run one
# after another, each from its seed corpus in tests/native/fuzz/corpus/<target>/, which stays as
# it is: what a target adds goes to build/fuzz-campaign/<target>/found, a failing input to
# build/fuzz-campaign/<target>/crash-*, its output to log.txt there. The exit code is the number
# of targets that failed. A failing input becomes a row in the rule's native test, and a seed.
set -u
native=$(cd "$1" && pwd)
seconds=${2:-600}
shift $(( $# < 2 ? $# : 2 ))
root=$(cd "$(dirname "$0")/.." && pwd)
campaign="$root/build/fuzz-campaign"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/tests/native/fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
failed=0
for target in "${targets[@]}"; do
  out="$campaign/$target"
  rm -rf "$out" && mkdir -p "$out/found"
  "$native/$target" "$out/found" "$root/tests/native/fuzz/corpus/$target" -max_total_time="$seconds" -max_len=2048 \
    -artifact_prefix="$out/" -print_final_stats=1 >"$out/log.txt" 2>&1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log.txt")
  crash=$(ls "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-* 2>/dev/null | head -1)
  if [ -n "$crash" ]; then
    failed=$((failed + 1))
    echo "$target: FAILED on $crash (see $out/log.txt)"
  else
    echo "$target: ${runs:-?} runs in $seconds s, $(ls "$out/found" | wc -l) new inputs"
  fi
done
exit $failed
