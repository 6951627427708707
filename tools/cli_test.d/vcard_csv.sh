# vCards and CSV: the export read back by vobject and by Python's csv and compared with the
# address book; CSV files brought in by their headings and through a mapping; duplicate
# firms listed and merged.
vc_dir=$(mktemp -d)
vc_check() { # NAME WANT -- ARGS of check_exchange.py
  local name=$1 want=$2 out; shift 3
  out=$(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/check_exchange.py" "$@" 2>&1)
  if [ "$out" = "$want" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: $name: $out"; fi
}
vc_same() { # NAME FILE FILE
  if cmp -s "$2" "$3"; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: $1"; diff "$2" "$3" | head -5; fi
}
"$tool" demo "$vc_dir/p" --firms 25 --seed 5 > /dev/null
"$tool" select "$vc_dir/p" all > /dev/null
expect 0 "firms 25 persons 37 meetings 0" -- export "$vc_dir/p" vcard "$vc_dir/x.vcf"
expect 0 "firms 25 persons 37 meetings 0" -- export "$vc_dir/p" csv "$vc_dir/x.csv"
"$tool" dump "$vc_dir/p" Adresar > "$vc_dir/a.csv"
"$tool" dump "$vc_dir/p" Osoby > "$vc_dir/o.csv"
vc_check "vCards read by vobject" "ok 25 firm cards 37 person cards" -- vcard "$vc_dir/x.vcf" "$vc_dir/a.csv" "$vc_dir/o.csv"
vc_check "CSV read by Python's csv" "ok 25 firms 37 persons" -- csv "$vc_dir/x.csv" "$vc_dir/x_osoby.csv" "$vc_dir/a.csv" "$vc_dir/o.csv"
expect 1 "zevlon-tool: $vc_dir/x.vcf exists and is no earlier export; not replaced" -- export "$vc_dir/p" csv "$vc_dir/x.vcf"
expect 0 "firms 25 persons 37 meetings 0" -- export "$vc_dir/p" vcard "$vc_dir/x.vcf"
# The CSV into an empty book: its headings name every firm field; the firms come back whole,
# and the persons of x_osoby.csv with them, each with its firm.
expect 0 "added 25 changed 0 skipped 0 persons 37 meetings 0
persons x_osoby.csv: lines 37 added 37 left out 0 without firm 0 malformed 0" -- import "$vc_dir/new" "$vc_dir/x.csv"
"$tool" dump "$vc_dir/new" Adresar > "$vc_dir/a2.csv"
vc_same "CSV imported differs from the book it came from" "$vc_dir/a.csv" "$vc_dir/a2.csv"
"$tool" dump "$vc_dir/new" Osoby > "$vc_dir/o2.csv"
vc_same "CSV persons imported differ from the book they came from" "$vc_dir/o.csv" "$vc_dir/o2.csv"
expect 0 "added 0 changed 0 skipped 25 persons 0 meetings 0
persons x_osoby.csv: lines 37 added 0 left out 37 without firm 0 malformed 0" -- import "$vc_dir/new" "$vc_dir/x.csv"
# Text that needs escaping, folding and quoting, through the CSV import and both exports.
long=$(printf 'Dlouhá poznámka, se středníky; čárkami, ""uvozovkami"" a \\\\ zpětným lomítkem %.0s' 1 2 3)
printf 'Firma;Město;IČO;Poznámka;Telefon\r\n"Pila ""U Nováků"", s.r.o.";Brno;123;"%s\r\ndruhý řádek";1,2\r\nMlýn;Tábor;;;\r\n' "$long" > "$vc_dir/odd.csv"
expect 0 "added 2 changed 0 skipped 0 persons 0 meetings 0" -- import "$vc_dir/odd" "$vc_dir/odd.csv"
"$tool" select "$vc_dir/odd" all > /dev/null
expect 0 "firms 2 persons 0 meetings 0" -- export "$vc_dir/odd" vcard "$vc_dir/odd.vcf"
expect 0 "firms 2 persons 0 meetings 0" -- export "$vc_dir/odd" csv "$vc_dir/odd_out.csv"
"$tool" dump "$vc_dir/odd" Adresar > "$vc_dir/oa.csv"
"$tool" dump "$vc_dir/odd" Osoby > "$vc_dir/oo.csv"
vc_check "escaped vCards read by vobject" "ok 2 firm cards 0 person cards" -- vcard "$vc_dir/odd.vcf" "$vc_dir/oa.csv" "$vc_dir/oo.csv"
vc_check "quoted CSV read by Python's csv" "ok 2 firms 0 persons" -- csv "$vc_dir/odd_out.csv" "$vc_dir/odd_out_osoby.csv" "$vc_dir/oa.csv" "$vc_dir/oo.csv"
row=$("$tool" dump "$vc_dir/odd" Adresar --key ADR:BYID | sed -n 2p | cut -d, -f1-3)
if [ "$row" = '1,"Pila ""U Nováků"", s.r.o."' ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: quoted firm name '$row'"; fi
# Windows-1250 with tabs and no headings, through a mapping by column number.
printf 'Dřevo Šťastný\tČeský Krumlov\t+420 380 111\n' | iconv -f utf-8 -t cp1250 > "$vc_dir/w.csv"
expect 0 "added 1 changed 0 skipped 0 persons 0 meetings 0" -- import "$vc_dir/w" "$vc_dir/w.csv" --no-header --map Firma=1 --map MESTO=2 --map Telefon=3
row=$("$tool" dump "$vc_dir/w" Adresar | sed -n 2p | cut -d, -f1,2,5,43)
if [ "$row" = "1,Dřevo Šťastný,Český Krumlov,+420 380 111" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: Windows-1250 CSV imported as '$row'"; fi
expect 2 "zevlon-tool: no target 'Nic'" -- import "$vc_dir/w" "$vc_dir/w.csv" --map Nic=1
expect 2 "zevlon-tool: no column 'Obec'" -- import "$vc_dir/w" "$vc_dir/x.csv" --map Město=Obec
# Duplicate firms: the same name and town written otherwise, the same IČO.
printf 'FIRMA,MESTO,ICO,FAX1\nPila Novák s.r.o.,Brno,,\n"PILA NOVÁK, spol. s r.o.",brno,,541 222\nMlýn,Tábor,00012345,\nJiný mlýn,Písek,12345,\nMlýn,Písek,,\n' > "$vc_dir/dup.csv"
"$tool" import "$vc_dir/d" "$vc_dir/dup.csv" > /dev/null
expect 0 "3,4,IČO,Mlýn,Tábor,Jiný mlýn,Písek
1,2,název a město,Pila Novák s.r.o.,Brno,\"PILA NOVÁK, spol. s r.o.\",brno" -- duplicates "$vc_dir/d"
"$tool" select "$vc_dir/d" all > /dev/null
expect 0 "merged 2 into 1: persons 0 meetings 0 tasks 0 keywords 0" -- duplicates "$vc_dir/d" --merge 1 2
expect 0 "3,4,IČO,Mlýn,Tábor,Jiný mlýn,Písek" -- duplicates "$vc_dir/d"
row=$("$tool" dump "$vc_dir/d" Adresar --key ADR:BYID | sed -n 2p | cut -d, -f1,2,44)
if [ "$row" = "1,Pila Novák s.r.o.,541 222" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: merged firm '$row'"; fi
ids=$("$tool" select "$vc_dir/d" list | sed 1d | cut -d, -f1 | sort -n | tr '\n' ' ')
if [ "$ids" = "1 3 4 5 " ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: selection after the merge '$ids'"; fi
expect 1 "zevlon-tool: firms 1 and 2 not merged: Record Not Found (35)" -- duplicates "$vc_dir/d" --merge 1 2
expect 2 "zevlon-tool: usage: duplicates DIR [--merge KEEP OTHER]" -- duplicates "$vc_dir/d" --merge 1
rm -rf "$vc_dir"
