# The persons' file beside a CSV file of firms: persons go to the firm whose number they
# name, a number the firms' file has not got and damaged lines are counted, no persons'
# file means firms only, and one that cannot be read stops the import.
cp_dir=$(mktemp -d)
printf 'ID;FIRMA;MESTO\r\n7;Pila Šťastný;Brno\r\n9;Mlýn;Tábor\r\n' | iconv -f utf-8 -t cp1250 > "$cp_dir/f.csv"
printf 'REC;ID;KONTAKT;FUNKCE;VYROCI;NAROZENINY;POZN\r\n3;7;Šťastná Jana;ředitelka;ano;1980-02-29;"první\r\ndruhá"\r\n4;7;Novák Petr;;0;;\r\n5;99;Cizí Osoba;;;;\r\n6;abc;Bez čísla;;;;\r\n7;9;Málo sloupců\r\n' | iconv -f utf-8 -t cp1250 > "$cp_dir/f_osoby.csv"
expect 0 "added 2 changed 0 skipped 0 persons 2 meetings 0
persons f_osoby.csv: lines 5 added 2 left out 0 without firm 1 malformed 2" -- import "$cp_dir/b" "$cp_dir/f.csv"
rows=$("$tool" dump "$cp_dir/b" Osoby | sed 1d | tr '\r\n' '~|')
want='3,1,Šťastná Jana,ředitelka,,,,,,,1,,29.02.1980,,,,"první~|druhá"|4,1,Novák Petr,,,,,,,,0,,,,,,|'
if [ "$rows" = "$want" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: persons of the Windows-1250 file '$rows'"; fi
# The same firms again, in " Doplní informace": only the persons the firm has not got.
printf 'REC;ID;KONTAKT\r\n3;7;Šťastná Jana\r\n8;7;Nová Eva\r\n' | iconv -f utf-8 -t cp1250 > "$cp_dir/f_osoby.csv"
expect 0 "added 0 changed 0 skipped 2 persons 1 meetings 0
persons f_osoby.csv: lines 2 added 1 left out 1 without firm 0 malformed 0" -- import "$cp_dir/b" "$cp_dir/f.csv" --mode fill
# Without the persons' file: the firms only, as the output always was.
cp "$cp_dir/f.csv" "$cp_dir/g.csv"
expect 0 "added 2 changed 0 skipped 0 persons 0 meetings 0" -- import "$cp_dir/g" "$cp_dir/g.csv"
# A persons' file that cannot be read: nothing is imported.
cp "$cp_dir/f.csv" "$cp_dir/h.csv"
mkdir "$cp_dir/h_osoby.csv"
expect 1 "zevlon-tool: $cp_dir/h_osoby.csv: cannot be read (error 36)" -- import "$cp_dir/h" "$cp_dir/h.csv"
rm -rf "$cp_dir"
