# Export of the working selection: the native export file and the dBase IV table.
ex_dir=$(mktemp -d)
"$tool" demo "$ex_dir/p" --firms 25 --seed 5 > /dev/null
"$tool" select "$ex_dir/p" all > /dev/null
expect 0 "firms 25 persons 37 meetings 42" -- export "$ex_dir/p" native "$ex_dir/x.ems" --by Tester --note "Pro pobočku"
expect 0 "ADRESY 25
EXPLOG 1
OSOBY 37
SCHUZKY 42" -- tables "$ex_dir/x.ems"
log=$("$tool" dump "$ex_dir/x.ems\\!ExpLog" | sed 1d | cut -d, -f1,3,4)
if [ "$log" = "Tester,25,Pro pobočku" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: export log '$log'"; fi
# The firms travel with their notes.
a=$("$tool" dump "$ex_dir/p/ADRESAR.QTF" --key ADR:BYID | sed 1d | md5sum)
b=$("$tool" dump "$ex_dir/x.ems\\!Adresy" | sed 1d | md5sum)
if [ "$a" = "$b" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: exported firms differ from the address book"; fi
expect 0 "firms 25 persons 0 meetings 0" -- export "$ex_dir/p" dbase "$ex_dir/x.dbf"
if /usr/bin/python3 -c "import dbfread,sys; t=dbfread.DBF(sys.argv[1]); r=list(t); sys.exit(0 if len(r)==25 and r[0]['FIRMA'].strip() else 1)" "$ex_dir/x.dbf" 2>/dev/null; then
  pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: dbfread cannot read the dBase export"; fi
if pgdbf -s cp1250 "$ex_dir/x.dbf" 2>/dev/null | grep -q 'Stavby Kučera s.r.o.'; then
  pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: pgdbf cannot read the dBase export"; fi
expect 1 "zevlon-tool: $ex_dir/x.dbf exists and is no earlier export; not replaced" -- export "$ex_dir/p" native "$ex_dir/x.dbf"
expect 0 "firms 25 persons 37 meetings 42" -- export "$ex_dir/p" native "$ex_dir/x.ems"
# Import into an empty directory: the same firms, persons and meetings, notes included.
expect 0 "added 25 changed 0 skipped 0 persons 37 meetings 42" -- import "$ex_dir/new" "$ex_dir/x.ems"
for label in Adresar Osoby Schuzky; do
  a=$("$tool" dump "$ex_dir/p" $label | sort | md5sum)
  b=$("$tool" dump "$ex_dir/new" $label | sort | md5sum)
  if [ "$a" = "$b" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: imported $label differs"; fi
done
expect 0 "added 0 changed 0 skipped 25 persons 0 meetings 0" -- import "$ex_dir/new" "$ex_dir/x.ems"
# Into a book whose numbers other firms bear: the next free numbers, persons following.
"$tool" demo "$ex_dir/other" --firms 25 --seed 6 > /dev/null
expect 0 "added 25 changed 0 skipped 0 persons 37 meetings 42" -- import "$ex_dir/other" "$ex_dir/x.ems"
first=$("$tool" dump "$ex_dir/other" Adresar --key ADR:BYID | sed -n 27p | cut -d, -f1,2)
if [ "$first" = "26,Stavby Kučera s.r.o." ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: renumbered firm '$first'"; fi
expect 0 "ok" -- check "$ex_dir/other/OSOBY.QTF"
# A dBase IV table written by another program, in code page 852, through a mapping.
python3 "$(dirname "${BASH_SOURCE[0]}")/make_dbf.py" "$ex_dir/other.dbf"
expect 0 "added 2 changed 0 skipped 0 persons 0 meetings 0" -- import "$ex_dir/d" "$ex_dir/other.dbf" --map Firma=NAZEV --map Město=MESTO --map Telefon=TEL --map Poznámka=POZN --cz
row=$("$tool" dump "$ex_dir/d" Adresar --key ADR:BYID | sed -n 2p | cut -d, -f1,2,5,43)
if [ "$row" = "1,Dřevo Šťastný,Český Krumlov,+420 380 111" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: dBase row imported as '$row'"; fi
note=$("$tool" dump "$ex_dir/d" Adresar --key ADR:BYID | sed -n 2p | rev | cut -d, -f1 | rev)
if [ "$note" = "Účetní: paní Žáková" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: dBase note '$note'"; fi
expect 0 "added 0 changed 0 skipped 2 persons 0 meetings 0" -- import "$ex_dir/d" "$ex_dir/other.dbf" --map Firma=NAZEV --map Město=MESTO --cz
expect 2 "zevlon-tool: no target 'Nic'" -- import "$ex_dir/d" "$ex_dir/other.dbf" --map Nic=NAZEV
rm -rf "$ex_dir"
