#!/usr/bin/python3
"""Independent reader check of the dBase IV driver.

Runs the sample writer (reader_sample.cpp), then reads its SAMPLE.DBF/.DBT back
with two dBase readers from Debian's packages, python3-dbfread and pgdbf, and
compares every value exactly. Usage: reader_check.py WRITER WORKDIR
"""
import datetime
import os
import shutil
import subprocess
import sys

import dbfread


def long_memo():
    line = "Příliš žluťoučký kůň úpěl ďábelské ódy, 0123456789."
    out, n = "", 0
    while len(out) < 3000:
        n += 1
        out += f"{n} {line}\r\n"
    return out[:3000]


# Live rows in file order (the third row written is deleted).
EXPECTED = [
    dict(NAZEV='Žluťoučký kůň, "úpěl" ďábelské ódy', CENA=1234.5, ZUSTATEK=-98765.4321,
         POCET=-42, KOEF=3.125, DATUM=datetime.date(1998, 5, 19),
         NAROZEN=datetime.date(1998, 5, 19), AKTIVNI=True, VOLBA=True, POZN=long_memo()),
    dict(NAZEV="Šíp & ?? ŘÍJEN?x", CENA=-0.5, ZUSTATEK=0.0001, POCET=32000, KOEF=-1.5,
         DATUM=None, NAROZEN=None, AKTIVNI=False, VOLBA=False, POZN="Krátká poznámka"),
    dict(NAZEV="", CENA=0.0, ZUSTATEK=0.0, POCET=0, KOEF=0.0,
         DATUM=datetime.date(2099, 12, 31), NAROZEN=datetime.date(1801, 1, 1),
         AKTIVNI=False, VOLBA=None, POZN=None),
]

# pgdbf prints the column text; it reads no dBase IV memo blocks, so the memo
# column is checked by dbfread alone.
PGDBF_EXPECTED = [
    ['Žluťoučký kůň, "úpěl" ďábelské ódy', "1234.50", "-98765.4321", "-42", "3.125",
     "1998-05-19", "1998-05-19", "t", "t"],
    ["Šíp & ?? ŘÍJEN?x", "-0.50", "0.0001", "32000", "-1.500", "\\N", "\\N", "f", "f"],
    ["", "0.00", "0.0000", "0", "0.000", "2099-12-31", "1801-01-01", "f", "f"],
]

failures = 0
passes = 0


def check(what, got, want):
    global failures, passes
    if got == want and type(got) is type(want):
        passes += 1
    else:
        failures += 1
        print(f"FAIL {what}: got {got!r}, want {want!r}")


def main():
    writer, workdir = sys.argv[1], sys.argv[2]
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    subprocess.run([writer, workdir], check=True)
    dbf = os.path.join(workdir, "SAMPLE.DBF")

    table = dbfread.DBF(dbf, load=True)
    check("dbfread encoding", table.encoding, "cp1250")
    check("dbfread version", table.dbversion, "dBASE IV with memo")
    check("dbfread field names", table.field_names, list(EXPECTED[0].keys()))
    check("dbfread rows", len(table.records), len(EXPECTED))
    check("dbfread deleted rows", len(table.deleted), 1)
    for i, (row, want) in enumerate(zip(table.records, EXPECTED)):
        for name, value in want.items():
            check(f"dbfread row {i + 1} {name}", row[name], value)

    out = subprocess.run(["pgdbf", "-m", os.path.join(workdir, "SAMPLE.DBT"), "-s", "cp1250", dbf],
                         check=True, capture_output=True).stdout.decode("utf-8")
    lines = out.split("\n")
    start = next(i for i, l in enumerate(lines) if l.startswith("\\COPY"))
    end = lines.index("\\.", start)
    rows = [l.split("\t") for l in lines[start + 1:end]]
    check("pgdbf rows", len(rows), len(PGDBF_EXPECTED))
    for i, (row, want) in enumerate(zip(rows, PGDBF_EXPECTED)):
        check(f"pgdbf row {i + 1}", row[:9], want)
    print(f"{passes} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
