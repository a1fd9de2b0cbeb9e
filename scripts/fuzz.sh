#!/usr/bin/env bash
# Fuzzes each target of the fuzz preset for a bounded time (25 s each unless
# given), starting from its seed corpus in fuzz/corpus/. The inputs it finds
# worth keeping collect in build/fuzz/corpus/, faults in build/fuzz/findings/.
# Exits non-zero when any target found a fault, after printing how to replay
# it. The test command builds the fuzz preset; this expects it built.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-25}
build=build/fuzz
status=0
for target in compose split number; do
  program=$build/fuzz/fuzz_$target
  if [ ! -x "$program" ]; then
    echo "$0: $program is not built; run bash scripts/test.sh (it builds the fuzz preset) first." >&2
    exit 2
  fi
  work=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$work" "$findings"
  started=$(mktemp)
  echo "== fuzzing $target for ${seconds} s"
  if ! "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target"; then
    status=1
    echo "!! fuzz_$target found a fault. Replay it with:"
    find "$findings" -type f -newer "$started" -printf "   $program %p\n"
  fi
  rm -f "$started"
done
exit $status
