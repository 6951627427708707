# Native files: check and stats.
d=$(dirname "${BASH_SOURCE[0]}")
t=$(mktemp -d)
expect 0 "ok" -- check "$d/sample.qtf"
expect 0 "pages per size class:
   1 (  256 bytes): 12
pages: 12
tree depth: 2
records: 300
bytes on disk: 3584
compression ratio: 0.118 (stored 2473 / expanded 20913)" -- stats "$d/sample.qtf"
: > "$t/empty.qtf"
expect 0 "ok" -- check "$t/empty.qtf"
head -c 100 "$d/sample.qtf" > "$t/short.qtf"
expect 1 "not a native file" -- check "$t/short.qtf"
# A damaged record inside the first page.
cp "$d/sample.qtf" "$t/bad.qtf"
printf 'X' | dd of="$t/bad.qtf" bs=1 seek=$((512 + 13 + 48 + 5)) conv=notrunc 2>/dev/null
out=$("$ZEVLON_TOOL" check "$t/bad.qtf" 2>&1); rc=$?
if [ "$rc" = 1 ] && [ -n "$out" ] && [ "$out" != ok ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: check of a damaged file -> rc=$rc out='$out'"; fi
expect 2 "zevlon-tool: usage: check FILE" -- check
rm -rf "$t"
