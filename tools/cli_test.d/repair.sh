# The key repair of a program directory: one line per file, in the order of "Oprava klíčů".
repair_dir=$(mktemp -d)
"$tool" demo "$repair_dir/d" --firms 40 --seed 3 >/dev/null
expect 0 "ADRESAR ok
OSOBY ok
KATEGORI ok
SCHUZKY ok
VYBER ok
ULVYBERY ok
VTIPY ok
LABEL ok
VYB0001 error 2 File Not Found
UKOLY ok" -- repair "$repair_dir/d"
for f in ADRESAR OSOBY KATEGORI SCHUZKY VYBER ULVYBERY VTIPY LABEL UKOLY; do
  expect 0 "ok" -- check "$repair_dir/d/$f.QTF"
done
n=$("$tool" dump "$repair_dir/d" Adresar --key ADR:BYFIRMA | wc -l)
if [ "$n" = 41 ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: 40 firms by name gave $n lines"; fi
# A file that is no data file fails, and the others are rebuilt all the same.
head -c 3000 /dev/zero | tr '\0' 'v' > "$repair_dir/d/VTIPY.QTF"
out=$("$tool" repair "$repair_dir/d" 2>&1); rc=$?
if [ "$rc" = 1 ] && echo "$out" | grep -qx "VTIPY error 36 Invalid Data File" \
   && echo "$out" | grep -qx "UKOLY ok" && [ "$(echo "$out" | wc -l)" = 10 ]; then pass=$((pass+1))
else fail=$((fail+1)); echo "FAIL: repair with a foreign VTIPY -> rc=$rc out='$out'"; fi
expect 2 "zevlon-tool: usage: repair DIR" -- repair
expect 2 "zevlon-tool: cannot enter $repair_dir/none" -- repair "$repair_dir/none"
rm -rf "$repair_dir"
