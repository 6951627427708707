# The order of text keys: byte order by default, Czech order with "RAZENI=CZ",
# every file rebuilt when the setting changes, and back.
order_dir=$(mktemp -d)
"$tool" demo "$order_dir/d" --firms 60 --seed 3 >/dev/null
all_in() { for f in ADRESAR OSOBY EVKLICSL KLASIFIK POZNAMKY LABEL VYBER ULVYBERY; do echo "$f $1"; done; }
expect 0 "$(all_in BYTES)" -- order "$order_dir/d"
names() { "$tool" dump "$order_dir/d" Adresar --key ADR:BYFIRMA | cut -d, -f2 | tr '\n' '|'; }
case "$(names)" in
  *"|Agro Doležal s.r.o.|Agro Čermák s.r.o.|"*"|Zahradnictví Dvořák spol. s r.o.|Čistírna Kolář v.o.s.|"*)
    pass=$((pass+1)) ;;
  *) fail=$((fail+1)); echo "FAIL: byte order of the demo firms: $(names)" ;;
esac
sed -i 's/^\[QDADRESAR\]\r$/&\nRAZENI=CZ\r/' "$order_dir/d/ZEVLON.INI"
expect 0 "$(all_in rebuilt)
$(all_in CZ)" -- order "$order_dir/d"
expect 0 "$(all_in CZ)" -- order "$order_dir/d"
case "$(names)" in
  *"|Agro Čermák s.r.o.|Agro Doležal s.r.o.|"*"|Autoservis Vaněk a.s.|Čistírna Kolář v.o.s.|"*"|Truhlářství Sedláček|Účetnictví Horák a.s.|"*)
    pass=$((pass+1)) ;;
  *) fail=$((fail+1)); echo "FAIL: Czech order of the demo firms: $(names)" ;;
esac
for f in ADRESAR OSOBY EVKLICSL KLASIFIK POZNAMKY LABEL; do
  expect 0 "ok" -- check "$order_dir/d/$f.QTF"
done
# The key repair keeps the order set.
"$tool" repair "$order_dir/d" >/dev/null
expect 0 "$(all_in CZ)" -- order "$order_dir/d"
sed -i 's/^RAZENI=CZ\r$/RAZENI=\r/' "$order_dir/d/ZEVLON.INI"
expect 0 "$(all_in rebuilt)
$(all_in BYTES)" -- order "$order_dir/d"
expect 2 "zevlon-tool: usage: order DIR" -- order
rm -rf "$order_dir"
