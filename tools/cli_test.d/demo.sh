# Demo data directories and dumps of their files by label.
demo_dir=$(mktemp -d)
expect 0 "$demo_dir/d: 25 firms" -- demo "$demo_dir/d" --firms 25 --seed 5
n=$("$tool" dump "$demo_dir/d" Adresar | wc -l)
if [ "$n" = 26 ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: dump of 25 firms gave $n lines"; fi
first=$("$tool" dump "$demo_dir/d" Adresar --key ADR:BYID | sed -n 2p | cut -d, -f1)
if [ "$first" = 1 ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: first firm by number is '$first'"; fi
expect 0 "ok" -- check "$demo_dir/d/ADRESAR.QTF"
expect 2 "zevlon-tool: no file labelled 'Nothing'" -- dump "$demo_dir/d" Nothing
expect 2 "zevlon-tool: no key 'ADR:BYNIC' in Adresar" -- dump "$demo_dir/d" Adresar --key ADR:BYNIC
grep -q "^\[QDADRESAR\]" "$demo_dir/d/ZEVLON.INI" && pass=$((pass+1)) || { fail=$((fail+1)); echo "FAIL: no ZEVLON.INI"; }
rm -rf "$demo_dir"
