#!/usr/bin/python3
"""Reads the vCard and CSV exports back with parsers of their own (vobject,
Python's csv) and compares them with the address book as `zevlon-tool dump`
shows it.  Prints "ok ..." or the first differences and exits 1.

  check_exchange.py vcard FILE.vcf ADRESAR.csv OSOBY.csv
  check_exchange.py csv FIRMS.csv PERSONS.csv ADRESAR.csv OSOBY.csv
"""
import csv
import re
import sys

import vobject

DATES = {"DT_VLOZENI", "DT_UPRAVY", "NAROZENINY", "DTPOKO", "DTPOON"}


def dump(path):
    """The rows of a dump, keyed by their first column, names without prefix."""
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    names = [n.split(":", 1)[1] for n in rows[0]]
    out = {}
    for row in rows[1:]:
        r = dict(zip(names, row))
        for n in DATES & set(r):  # d.mm.yyyy as the dump shows dates -> ISO
            m = re.fullmatch(r"(\d+)\.(\d+)\.(\d+)", r[n])
            r[n] = "%04d-%02d-%02d" % (int(m[3]), int(m[2]), int(m[1])) if m else ""
        out[row[0]] = r
    return out


def tels(card):
    out = {}
    for t in getattr(card, "tel_list", []):
        out[",".join(sorted(x.upper() for x in t.params.get("TYPE", [])))] = t.value
    return out


def check_vcard(path, adresar_path, osoby_path):
    firms, persons = dump(adresar_path), dump(osoby_path)
    errors = []
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    cards = list(vobject.readComponents(text))
    seen_firms = seen_persons = 0
    firm = None
    for card in cards:
        if card.version.value != "3.0":
            errors.append("version %s" % card.version.value)
        uid = card.uid.value
        if uid.startswith("zevlon-firma-"):
            seen_firms += 1
            firm = firms[uid[len("zevlon-firma-"):]]
            want = {
                "fn": firm["FIRMA"],
                "org": firm["FIRMA"],
                "street": firm["ULICE"], "city": firm["MESTO"], "code": firm["PSC"],
                "country": firm["STAT"],
                "voice": firm["TF1"], "fax": firm["FAX1"],
                "note": firm["POZNAMKA"].replace("\r\n", "\n"),
            }
            contact = [p["E_MAIL"] for p in persons.values()
                       if p["ID"] == firm["ID"] and p["KONTAKT"] == firm["JMENO1"] and firm["JMENO1"]]
            want["email"] = contact[-1] if contact else ""
            adr = card.adr.value if hasattr(card, "adr") else None
            t = tels(card)
            got = {
                "fn": card.fn.value,
                "org": card.org.value[0],
                "street": adr.street if adr else "", "city": adr.city if adr else "",
                "code": adr.code if adr else "", "country": adr.country if adr else "",
                "voice": t.get("VOICE,WORK", ""), "fax": t.get("FAX,WORK", ""),
                "note": card.note.value if hasattr(card, "note") else "",
                "email": card.email.value if hasattr(card, "email") else "",
            }
        elif uid.startswith("zevlon-osoba-"):
            seen_persons += 1
            p = persons[uid[len("zevlon-osoba-"):]]
            if firm is None or p["ID"] != firm["ID"]:
                errors.append("person %s does not follow its firm" % p["REC"])
            surname, _, given = p["KONTAKT"].partition(" ")
            want = {"family": surname, "given": given.strip(), "title": p["FUNKCE"],
                    "org": firm["FIRMA"] if firm else "", "work": p["TFZ"], "home": p["TFD"],
                    "cell": p["TFM"], "fax": p["FAX"], "email": p["E_MAIL"],
                    "bday": p["NAROZENINY"], "note": p["POZN"].replace("\r\n", "\n")}
            t = tels(card)
            got = {"family": card.n.value.family, "given": card.n.value.given,
                   "title": card.title.value if hasattr(card, "title") else "",
                   "org": card.org.value[0] if hasattr(card, "org") else "",
                   "work": t.get("VOICE,WORK", ""), "home": t.get("HOME,VOICE", ""),
                   "cell": t.get("CELL,VOICE", ""), "fax": t.get("FAX,WORK", ""),
                   "email": card.email.value if hasattr(card, "email") else "",
                   "bday": card.bday.value if hasattr(card, "bday") else "",
                   "note": card.note.value if hasattr(card, "note") else ""}
        else:
            errors.append("card without our UID: %s" % uid)
            continue
        for k in want:
            if want[k] != got[k]:
                errors.append("%s %s: %r, not %r" % (uid, k, got[k], want[k]))
    if seen_firms != len(firms) or seen_persons != len(persons):
        errors.append("%d firm cards, %d person cards for %d firms, %d persons"
                      % (seen_firms, seen_persons, len(firms), len(persons)))
    return errors, "ok %d firm cards %d person cards" % (seen_firms, seen_persons)


def check_csv(firms_path, persons_path, adresar_path, osoby_path):
    errors = []
    counts = []
    for path, book_path in ((firms_path, adresar_path), (persons_path, osoby_path)):
        book = dump(book_path)
        with open(path, encoding="utf-8", newline="") as f:
            raw = f.read()
        if "\r\n" not in raw or re.search(r"[^\r]\n(?=[^\n]*\Z)", raw):
            errors.append("%s: lines do not end with CRLF" % path)
        rows = list(csv.DictReader(raw.splitlines(keepends=True)))
        if rows and list(rows[0].keys()) != list(next(iter(book.values())).keys()):
            errors.append("%s: columns %s" % (path, list(rows[0].keys())))
        for row in rows:
            want = book.get(row[list(row.keys())[0]])
            if want is None:
                errors.append("%s: row %s not in the book" % (path, row))
                continue
            for k, v in row.items():
                if v != want[k]:
                    errors.append("%s: %s %s: %r, not %r" % (path, row[list(row.keys())[0]], k, v, want[k]))
        if len(rows) != len(book):
            errors.append("%s: %d rows for %d records" % (path, len(rows), len(book)))
        counts.append(len(rows))
    return errors, "ok %d firms %d persons" % tuple(counts)


def main():
    kind, args = sys.argv[1], sys.argv[2:]
    errors, summary = (check_vcard if kind == "vcard" else check_csv)(*args)
    if errors:
        print("\n".join(errors[:10]))
        sys.exit(1)
    print(summary)


main()
