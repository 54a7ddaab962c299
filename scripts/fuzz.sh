#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset, clang), writes their seed corpora
# and runs each target for SECONDS (default 30) from its corpus. Fails on the
# first crash, leak, timeout or sanitizer report; the input that caused it is
# kept in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [SECONDS]
# Environment: FUZZ_JOBS (cmake build parallelism, default 2), FUZZ_TARGETS
# (space-separated subset of targets to run).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
pkt_install_deps clang libclang-rt-14-dev

seconds="${1:-30}"
case "$seconds" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

cmake --preset fuzz
cmake --build --preset fuzz -j "${FUZZ_JOBS:-2}"

build=build-fuzz
seeds="$build/seeds"
corpus="$build/corpus"
findings="$build/findings"
logs="$build/fuzz-logs"
rm -rf "$seeds"
mkdir -p "$corpus" "$findings" "$logs"
"$build/bin/fuzz_seeds" "$seeds"

targets="${FUZZ_TARGETS:-$(cat "$build/fuzz_targets.txt")}"
# The scratch logs of the targets that go through the mapped index; a crashed
# run leaves its file behind, so the whole folder goes at the end.
scratch_root=/dev/shm
[ -d "$scratch_root" ] && [ -w "$scratch_root" ] || scratch_root="${TMPDIR:-/tmp}"
export PKTVIEW_FUZZ_SCRATCH
PKTVIEW_FUZZ_SCRATCH="$(mktemp -d "$scratch_root/pktview-fuzz.XXXXXX")"
trap 'rm -rf "$PKTVIEW_FUZZ_SCRATCH"' EXIT
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

failed=()
for target in $targets; do
  [ -n "$target" ] || continue
  mkdir -p "$corpus/$target" "$findings/$target"
  # The run's corpus grows across runs; the seeds are read alongside it.
  seed_dir="$seeds/$target"
  mkdir -p "$seed_dir"
  echo "== $target: ${seconds}s"
  if "$build/bin/$target" "$corpus/$target" "$seed_dir" \
      -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -max_len=8192 \
      -print_final_stats=1 -artifact_prefix="$findings/$target/" \
      >"$logs/$target.log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|Done )' "$logs/$target.log" | tail -n 2 || true
  else
    echo "!! $target failed; log: $logs/$target.log, input: $findings/$target/" >&2
    grep -E 'ERROR: |runtime error:|SUMMARY:|invariant broken' "$logs/$target.log" | head -n 5 >&2 || true
    failed+=("$target")
  fi
  # libFuzzer stops at the first finding; a report without a failed exit
  # status (a sanitizer message that did not halt) counts as well.
  if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$logs/$target.log"; then
    case " ${failed[*]-} " in *" $target "*) ;; *) failed+=("$target") ;; esac
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: no faults in $(echo $targets | wc -w) targets"
