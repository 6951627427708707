# zevlon-tool dbf --tag / --tags: a table written with its production index
# (INDEX.MDX: names upper-cased without deleted rows, prices descending, days;
# row 4 "beta" is deleted), and damaged index files.
d="$(dirname "$0")/cli_test.d/dbf"
expect 0 'JMENO,CENA,DATUM,AKTIVNI
Adam,99.50,1999-01-31,F
adam,99.50,2010-06-15,T
novák,120.00,2026-12-08,T
Zelený,700.00,2026-01-01,F
Čech,120.00,,T' -- dbf "$d/INDEX.DBF" --tag BYJMENO
expect 0 'JMENO,CENA,DATUM,AKTIVNI
Zelený,700.00,2026-01-01,F
novák,120.00,2026-12-08,T
Čech,120.00,,T
Adam,99.50,1999-01-31,F
adam,99.50,2010-06-15,T' -- dbf "$d/INDEX.DBF" --tag bycena
expect 0 'JMENO,CENA,DATUM,AKTIVNI
Čech,120.00,,T
Adam,99.50,1999-01-31,F
adam,99.50,2010-06-15,T
Zelený,700.00,2026-01-01,F
novák,120.00,2026-12-08,T' -- dbf "$d/INDEX.DBF" --tag BYDATUM
expect 0 'TAG,TYPE,LENGTH,ORDER,UNIQUE,KEY,FOR,KEYS
BYJMENO,C,12,ASCENDING,DUPLICATES,UPPER(JMENO),.NOT.DELETED(),5
BYCENA,N,12,DESCENDING,DUPLICATES,CENA,,6
BYDATUM,D,8,ASCENDING,DUPLICATES,DATUM,,6' -- dbf "$d/INDEX.DBF" --tags
expect 0 'JMENO,CENA,DATUM,AKTIVNI
novák,120.00,2026-12-08,T
Adam,99.50,1999-01-31,F
Čech,120.00,,T
Zelený,700.00,2026-01-01,F
adam,99.50,2010-06-15,T' -- dbf "$d/INDEX.DBF"
expect 2 "zevlon-tool: $d/INDEX.MDX: invalid tag name NIC" -- dbf "$d/INDEX.DBF" --tag NIC
expect 2 "zevlon-tool: $d/FIRMY.MDX: file not found" -- dbf "$d/FIRMY.DBF" --tags
expect 2 "zevlon-tool: $d/BADIDX.MDX: bad tag table element length" -- dbf "$d/BADIDX.DBF" --tags
expect 2 "zevlon-tool: $d/ROOTIDX.MDX: invalid root page" -- dbf "$d/ROOTIDX.DBF" --tag BYJMENO
expect 2 "zevlon-tool: usage: zevlon-tool dbf FILE.dbf [--tag NAME | --tags]" -- dbf "$d/INDEX.DBF" --tag
