#!/usr/bin/env python3
"""Writes a small dBase IV table the way another program would, from the published
layout (32-byte header, 32-byte field descriptors, 0x0D, fixed-length rows with a
deletion flag, 0x1A at the end), its text in the Czech DOS code page 852.

  make_dbf.py OUT.dbf
"""
import struct
import sys

FIELDS = [('NAZEV', 'C', 30), ('MESTO', 'C', 20), ('TEL', 'C', 15), ('POZN', 'C', 40)]
ROWS = [
    (' ', ('Dřevo Šťastný', 'Český Krumlov', '+420 380 111', 'Účetní: paní Žáková')),
    ('*', ('Smazaná firma', 'Brno', '', '')),
    (' ', ('Řeznictví Čermák', 'Plzeň', '+420 377 222', '')),
]


def main():
    row_length = 1 + sum(length for _, _, length in FIELDS)
    header_length = 32 + 32 * len(FIELDS) + 1
    out = bytearray()
    out += struct.pack('<BBBBIHH20x', 0x03, 126, 12, 8, len(ROWS), header_length, row_length)
    for name, kind, length in FIELDS:
        out += struct.pack('<11sc4xB15x', name.encode('ascii'), kind.encode('ascii'), length)
    out += b'\x0d'
    for flag, values in ROWS:
        out += flag.encode('ascii')
        for (_, _, length), value in zip(FIELDS, values):
            out += value.encode('cp852').ljust(length, b' ')[:length]
    out += b'\x1a'
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


main()
