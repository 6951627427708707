#!/usr/bin/env python3
"""Measures label places on a page rendered at 254 dpi (0.1 mm a pixel) as a PGM.

  label_pitch.py PAGE.pgm ACROSS_MM DOWN_MM

Prints the distance in mm between the first label's text and the text of the label to
its right (their first dark columns) and of the label below it (their last dark rows: the
state on the last line, the same text on both).
"""
import sys


def read_pgm(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:]


def first_dark(pixels, width, x0, x1, y0, y1, by_column, last=False):
    outer = range(x0, x1) if by_column else range(y0, y1)
    if last:
        outer = reversed(outer)
    for a in outer:
        inner = range(y0, y1) if by_column else range(x0, x1)
        for b in inner:
            x, y = (a, b) if by_column else (b, a)
            if pixels[y * width + x] < 128:
                return a
    return None


def main():
    width, height, pixels = read_pgm(sys.argv[1])
    across, down = float(sys.argv[2]) * 10, float(sys.argv[3]) * 10
    a, d = int(across), int(down)
    x1 = first_dark(pixels, width, 0, a, 0, d, True)
    x2 = first_dark(pixels, width, a, 2 * a, 0, d, True)
    y1 = first_dark(pixels, width, 0, a, 0, d, False, last=True)
    y2 = first_dark(pixels, width, 0, a, d, 2 * d, False, last=True)
    print(f'{(x2 - x1) / 10:.1f} {(y2 - y1) / 10:.1f}')


main()
