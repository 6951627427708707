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
# Tables, dumps by the stored definition, rebuilding keys.
expect 0 "FIRMY 4
KOPIE 2" -- tables "$d/firms.qtf"
expect 0 "FIR:ID,FIR:NAME,FIR:SUM,FIR:DATE,FIR:CODE,FIR:NOTE
10,Žlutý kůň,-1.00,72095,AB,
9,\"alfa, s.r.o.\",0.25,72096,AB,první poznámka
8,\"Beta \"\"B\"\"\",1.50,72097,AB,
7,čolek,2.75,72098,AB," -- dump "$d/firms.qtf\\!firmy"
expect 0 "FIR:ID,FIR:NAME,FIR:SUM,FIR:DATE,FIR:CODE,FIR:NOTE
9,\"alfa, s.r.o.\",0.25,72096,AB,první poznámka
8,\"Beta \"\"B\"\"\",1.50,72097,AB,
10,Žlutý kůň,-1.00,72095,AB,
7,čolek,2.75,72098,AB," -- dump "$d/firms.qtf\\!FIRMY" --key FIR:BYNAME
expect 2 "zevlon-tool: no table UNNAMED in $d/firms.qtf" -- dump "$d/firms.qtf"
expect 0 "ok" -- check "$d/firms.qtf"
cp "$d/firms.qtf" "$t/b.qtf"
expect 0 "ok" -- build "$t/b.qtf\\!KOPIE"
expect 0 "ok" -- check "$t/b.qtf"
# A table keeping its text in the OEM character set: shown as stored, or converted.
expect 0 "OEM:ID,OEM:NAME
1,Žluťoučký kůň
2,Čáp a syn" -- dump "$d/oem.qtf\\!OEM" --oem
expect 0 "ok" -- check "$d/oem.qtf"
# An enciphered file (owner password "heslo") opens only with its password.
expect 1 "not a native file" -- tables "$d/firms_pw.qtf"
expect 0 "FIRMY 4
KOPIE 2" -- --password heslo tables "$d/firms_pw.qtf"
expect 0 "ok" -- check "$d/firms_pw.qtf" --password heslo
expect 0 "FIR:ID,FIR:NAME,FIR:SUM,FIR:DATE,FIR:CODE,FIR:NOTE
9,\"alfa, s.r.o.\",0.25,72096,AB,první poznámka
8,\"Beta \"\"B\"\"\",1.50,72097,AB,
10,Žlutý kůň,-1.00,72095,AB,
7,čolek,2.75,72098,AB," -- dump "$d/firms_pw.qtf\\!FIRMY" --key FIR:BYNAME --password heslo
cp "$d/firms_pw.qtf" "$t/pw.qtf"
expect 1 "not a native file" -- build "$t/pw.qtf\\!KOPIE" --password jine
expect 0 "ok" -- build "$t/pw.qtf\\!KOPIE" --password heslo
expect 0 "ok" -- check "$t/pw.qtf" --password heslo
rm -rf "$t"
