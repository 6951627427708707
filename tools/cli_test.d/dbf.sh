# zevlon-tool dbf: tables made by hand byte for byte, and damaged ones.
d="$(dirname "$0")/cli_test.d/dbf"
expect 0 'NAZEV,CENA,DATUM,AKTIVNI,POZN
"Žlutá, s.r.o.",12.50,1998-05-19,T,"Poznámka ""první"""
Beta,-3.00,,F,' -- dbf "$d/FIRMY.DBF"
expect 2 "zevlon-tool: $d/EMPTY.DBF: file header length error" -- dbf "$d/EMPTY.DBF"
expect 2 "zevlon-tool: $d/GARBAGE.DBF: invalid dBaseIII version" -- dbf "$d/GARBAGE.DBF"
expect 2 "zevlon-tool: $d/CUT.DBF: file header length error" -- dbf "$d/CUT.DBF"
expect 2 "zevlon-tool: $d/COUNT.DBF: file corrupted (the header counts 9 rows, the file holds 3)" -- dbf "$d/COUNT.DBF"
expect 2 "zevlon-tool: $d/NOMEMO.DBF: memo file missing" -- dbf "$d/NOMEMO.DBF"
expect 2 "zevlon-tool: $d/NONE.DBF: file not found" -- dbf "$d/NONE.DBF"
expect 2 "zevlon-tool: usage: zevlon-tool dbf FILE.dbf [--tag NAME | --tags]" -- dbf
