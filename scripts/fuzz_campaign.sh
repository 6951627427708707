#!/usr/bin/env bash
# Fuzz campaign: builds the libFuzzer targets with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz and runs each for SECONDS on a copy
# of its seed corpus (fuzz/corpus/<target>).
#   scripts/fuzz_campaign.sh [SECONDS] [TARGET...]
# Work dir: fuzz-work/<target>/ (corpus, crash inputs, log); crash inputs stay.
# Prints one line per target and exits nonzero when any target crashed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
all=(fuzz_definition fuzz_file_open fuzz_page_decoder evaluate_fuzzer dbase_reader_fuzz
  uninstall_log_fuzz picture_fuzzer csv_reader_fuzz)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
build_dir=${ZEVLON_FUZZ_BUILD_DIR:-build-fuzz}
work=${ZEVLON_FUZZ_WORK:-fuzz-work}

export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
if [ ! -f "$build_dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DZEVLON_FUZZ=ON -DZEVLON_SANITIZE=ON \
    -DZEVLON_WITH_QT=OFF -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
cmake --build "$build_dir" --target "${targets[@]}" || exit 2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
summary=()
for t in "${targets[@]}"; do
  bin=$(find "$build_dir" -type f -name "$t" -perm -u+x | head -n 1)
  if [ -z "$bin" ]; then
    echo "no binary for $t" >&2
    failed=1
    continue
  fi
  dir="$work/$t"
  mkdir -p "$dir/corpus" "$dir/crashes"
  [ -d "fuzz/corpus/$t" ] && cp -n "fuzz/corpus/$t"/* "$dir/corpus/" 2>/dev/null
  log="$dir/run.log"
  "$bin" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/crashes/" "$dir/corpus" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  files=$(find "$dir/corpus" -type f | wc -l)
  findings=$(find "$dir/crashes" -type f | wc -l)
  line=$(printf '%-20s executions %-10s corpus %-6s findings %s' "$t" "${execs:-?}" "$files" \
    "$findings")
  [ $rc -ne 0 ] && line="$line (exit $rc, see $log)"
  echo "$line"
  summary+=("$line")
  [ $rc -ne 0 ] || [ "$findings" -ne 0 ] && failed=1
done
echo "--"
printf '%s\n' "${summary[@]}"
exit $failed
