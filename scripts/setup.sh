#!/usr/bin/env bash
# Sets up a Debian 12 machine for ZEVLON and builds it.
#   scripts/setup.sh run   install what is missing, build, start zevlon on a demo data directory
#   scripts/setup.sh test  install what is missing, build, run every test
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-build}
build_dir=${ZEVLON_BUILD_DIR:-build}

# Every scripts/deps/*.txt lists Debian packages, one a line; install those not yet present.
wanted=$(cat scripts/deps/*.txt | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Compiler caching that works across clones in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir"

case "$mode" in
  test)
    for hook in scripts/test.d/*.sh; do [ -e "$hook" ] && bash "$hook" "$build_dir"; done
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 600
    # The storage engine, the evaluator, the readers of foreign files and the bulk
    # operations on the selection once more under AddressSanitizer and
    # UndefinedBehaviorSanitizer.
    asan_dir="$build_dir-asan"
    cmake -S . -B "$asan_dir" -G Ninja -DZEVLON_SANITIZE=ON -DZEVLON_WITH_QT=OFF \
      -DCMAKE_BUILD_TYPE=Debug
    cmake --build "$asan_dir" --target storage_tests bytestream_tests dbase_tests dates_tests \
      evaluator_tests access_tests file_bindings_tests uninstall_tests selection_tests \
      selection_kill_tests condition_tests record_kinds_tests saved_selections_tests export_tests \
      import_tests import_kill_tests key_repair_tests key_repair_kill_tests data_directory_tests \
      backup_tests category_clearing_tests category_clearing_kill_tests csv_import_tests \
      csv_import_kill_tests duplicates_tests firm_merge_kill_tests czech_order_tests text_order_tests \
      browse_tests text_order_kill_tests
    ctest --test-dir "$asan_dir" --output-on-failure -j2 --timeout 600 \
      -E 'NOT_BUILT|zevlon_tool_cli|uninstall_e2e|dbase_independent_readers|crash_campaign_short|stations_campaign_short'
    ;;
  run)
    if [ -x "$build_dir/zevlon" ]; then
      mkdir -p demo
      [ -e demo/ZEVLON.INI ] || "$build_dir/zevlon-tool" demo demo
      cd demo && exec ../"$build_dir"/zevlon
    else
      exec "$build_dir/zevlon-tool" --help
    fi
    ;;
  build) ;;
  *) echo "usage: scripts/setup.sh run|test" >&2; exit 2 ;;
esac
