#!/usr/bin/env bash
# Checks the output of zevlon-tool subcommands; prints "N passed, N failed".
set -u
tool=${ZEVLON_TOOL:?}
pass=0; fail=0
# expect EXIT OUTPUT -- ARGS...
expect() {
  local want_rc=$1 want_out=$2; shift 3
  local out rc
  out=$("$tool" "$@" 2>&1); rc=$?
  if [ "$rc" = "$want_rc" ] && [ "$out" = "$want_out" ]; then pass=$((pass+1))
  else fail=$((fail+1)); echo "FAIL: zevlon-tool $* -> rc=$rc out='$out' (want rc=$want_rc out='$want_out')"; fi
}
expect 0 "zevlon-tool 0.1.0" -- --version
for f in "$(dirname "$0")"/cli_test.d/*.sh; do [ -e "$f" ] && source "$f"; done
echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
