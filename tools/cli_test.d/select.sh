# The working selection and the condition dialog's logic on a demo directory.
sel_dir=$(mktemp -d)
"$tool" demo "$sel_dir/p" --firms 25 --seed 5 > /dev/null
expect 0 "processed 25
added 25
rows 25" -- select "$sel_dir/p" all
expect 0 "processed 25
removed 3
rows 22" -- select "$sel_dir/p" remove-if "MESTO = 'Brno'"
expect 0 "processed 25
added 3
rows 25" -- select "$sel_dir/p" add-if "MESTO = 'Brno'"
expect 0 "processed 25
removed 25
rows 0" -- select "$sel_dir/p" none
expect 0 "processed 4
added 4
rows 4" -- select "$sel_dir/p" add-key 1
expect 0 "processed 4
removed 4
rows 0" -- select "$sel_dir/p" remove-key 1
expect 1 "processed 1
added 0
rows 0
Error 800 -- Invalid expression for EVALUATE" -- select "$sel_dir/p" add-if "ZASILKOVA = 1"
expect 0 "processed 25
added 3
rows 3" -- select "$sel_dir/p" add-if "ID <= 3"
expect 0 "VYB:ID,VYB:FIRMA,VYB:ULICE,VYB:PSC,VYB:MESTO,VYB:STAT,VYB:TF1,VYB:FAX1,VYB:JMENO1,VYB:TEXTY
2,Instalace Němec,Žižkova 119,110 00,Praha,Česká republika,+420 550 190 525,,Růžička Tomáš,1
3,Malířství Novák k.s.,Dlouhá 110,702 00,Ostrava,Česká republika,+420 866 849 630,,Vaněk Martin,1
1,Stavby Kučera s.r.o.,Husova 144,390 01,Tábor,Česká republika,+420 371 173 669,+420 567 371 582,Růžička Anna,1" -- select "$sel_dir/p" list
expect 2 "zevlon-tool: not a keyword number: x" -- select "$sel_dir/p" add-key x
expect 0 "FIRMA = 'x'' OR 1=1 OR ''a'
Název firmy = x' OR 1=1 OR 'a" -- condition "$sel_dir/p" "Název firmy" = "x' OR 1=1 OR 'a"
expect 0 "P2 = 1
Dodavatel = 1" -- condition "$sel_dir/p" Dodavatel "" 1
expect 0 "DT_VLOZENI >= 71957
Datum vložení >= 1.01.98" -- condition "$sel_dir/p" "Datum vložení" ">=" 1.1.98
expect 1 "zevlon-tool: Položka \"ID firmy\" je číslo: zadejte celé číslo." -- condition "$sel_dir/p" "ID firmy" = "5 OR 1"
expect 2 "zevlon-tool: no field captioned 'Nic'" -- condition "$sel_dir/p" Nic = 1
rm -rf "$sel_dir"

# Saved selections: the catalogue, saving, saving over, loading.
sv_dir=$(mktemp -d)
"$tool" demo "$sv_dir/p" --firms 25 --seed 5 > /dev/null
expect 0 "saved 1 VYB00001 rows 0" -- select "$sv_dir/p" save "Prázdný"
"$tool" select "$sv_dir/p" add-if "MESTO = 'Brno'" > /dev/null
expect 0 "saved 2 VYB00002 rows 3" -- select "$sv_dir/p" save "Brno"
expect 1 "zevlon-tool: Duplicate Key Error: Adding this record creates a duplicate entry for the key:ULV:ByNazev" -- select "$sv_dir/p" save "brno"
"$tool" select "$sv_dir/p" none > /dev/null
expect 0 "rows 3" -- select "$sv_dir/p" load 2
expect 0 "rows 0" -- select "$sv_dir/p" load 1
"$tool" select "$sv_dir/p" all > /dev/null
expect 0 "saved 1 VYB00001 rows 25" -- select "$sv_dir/p" save-over 1
n=$("$tool" select "$sv_dir/p" saved | cut -d, -f1,2,5 | tr '\n' ' ')
if [ "$n" = "ULV:CV,ULV:SOUBOR,ULV:POPIS 1,VYB00001,Prázdný 2,VYB00002,Brno " ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: saved catalogue '$n'"; fi
expect 2 "zevlon-tool: no saved selection 9" -- select "$sv_dir/p" load 9
[ -f "$sv_dir/p/Vybery/VYB00002.QTF" ] && pass=$((pass+1)) || { fail=$((fail+1)); echo "FAIL: no saved file"; }
rm -rf "$sv_dir"

# Address labels for the selection, to PDF (when zevlon-tool was built with Qt).
if "$tool" --help | grep -q '^  labels'; then
  lb_dir=$(mktemp -d)
  "$tool" demo "$lb_dir/p" --firms 25 --seed 5 > /dev/null
  "$tool" select "$lb_dir/p" all > /dev/null
  expect 0 "labels 53 pages 3" -- labels "$lb_dir/p" --layout "A4 3x7 (70 x 42,3 mm)" --skip 3 --copies 2 --pdf "$lb_dir/l.pdf"
  pages=$(pdfinfo "$lb_dir/l.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
  if [ "$pages" = 3 ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: label PDF has '$pages' pages"; fi
  # The labels' places on the paper, measured on the page as a printer would put it.
  "$tool" labels "$lb_dir/p" --layout "A4 3x7 (70 x 42,3 mm)" --pdf "$lb_dir/m.pdf" > /dev/null
  pdftoppm -r 254 -gray -f 1 -l 1 "$lb_dir/m.pdf" "$lb_dir/m"
  pitch=$(python3 "$(dirname "${BASH_SOURCE[0]}")/label_pitch.py" "$lb_dir"/m-1.pgm 70 42.3)
  if awk -v p="$pitch" 'BEGIN { split(p, v, " "); exit !(v[1] >= 69.5 && v[1] <= 70.5 && v[2] >= 41.8 && v[2] <= 42.8) }'; then
    pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: label pitch '$pitch' mm, want 70 42.3"; fi
  # The list reports: every selected firm once, in the order of the list.
  "$tool" select "$lb_dir/p" none > /dev/null
  "$tool" select "$lb_dir/p" add-if "ID <= 5" > /dev/null
  expect 0 "rows 5 pages 1" -- report "$lb_dir/p" firms --pdf "$lb_dir/f.pdf"
  listed=$(pdftotext "$lb_dir/f.pdf" - | grep -x -F -f <("$tool" select "$lb_dir/p" list | sed 1d | cut -d, -f2) | tr '\n' '|')
  want=$("$tool" select "$lb_dir/p" list | sed 1d | cut -d, -f2 | tr '\n' '|')
  if [ "$listed" = "$want" ]; then pass=$((pass+1)); else fail=$((fail+1)); echo "FAIL: firms listed '$listed', want '$want'"; fi
  expect 0 "rows 5 pages 1" -- report "$lb_dir/p" towns --pdf "$lb_dir/t.pdf"
  expect 0 "rows 1 pages 1" -- report "$lb_dir/p" history 1 --pdf "$lb_dir/h.pdf"
  expect 2 "zevlon-tool: not a firm number: x" -- report "$lb_dir/p" history x --pdf "$lb_dir/h.pdf"
  expect 2 "zevlon-tool: no label layout 'Nic'" -- labels "$lb_dir/p" --layout Nic --pdf "$lb_dir/n.pdf"
  expect 2 "zevlon-tool: copies are 1 to 255" -- labels "$lb_dir/p" --layout Nic --copies 0 --pdf "$lb_dir/n.pdf"
  rm -rf "$lb_dir"
fi
