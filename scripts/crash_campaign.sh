#!/usr/bin/env bash
# Crash campaign of the storage engine: power cuts, torn and failed writes of
# commits and transactions over several files, and writer processes killed with
# SIGKILL, each followed by recovery, `zevlon-tool check` on every file and a
# comparison with the model of what was committed.
#   scripts/crash_campaign.sh [TRIALS] [SEED]     (defaults: 5000, the date)
# Prints the trials and failures of each kind; exits nonzero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
trials=${1:-5000}
seed=${2:-$(date +%s)}
build_dir=${ZEVLON_BUILD_DIR:-build}
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" --target crash_campaign zevlon-tool >/dev/null
exec "$build_dir/storage/crash_campaign" "$trials" --tool "$build_dir/zevlon-tool" --seed "$seed"
