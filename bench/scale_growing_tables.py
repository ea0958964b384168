#!/usr/bin/env python3
"""Grows every growing table of an unpacked report to ROWS data rows, the
rows they hold repeated one after the other, for the benchmark of a
realistic report at scale.

    scale_growing_tables.py REPORT_FOLDER [ROWS]

A table is growing when its [Table] key BL1 lies between 300000001 and
399999999. The new rows' cells are appended as new cell sections after the
last one (existing cell numbers, which formulas and rules may name, stay),
and RowCount, Count and LastCell follow.
"""
import glob
import os
import re
import sys


def sections(text):
    """[(header, [lines])] in file order."""
    out = []
    for block in re.split(r"\r\n(?=\[)", text):
        lines = block.split("\r\n")
        out.append((lines[0], lines[1:]))
    return out


def key(lines, name):
    for line in lines:
        if line.startswith(name + "="):
            return line[len(name) + 1:]
    return None


def with_key(lines, name, value):
    return [f"{name}={value}" if line.startswith(name + "=") else line for line in lines]


def scale(path, rows):
    text = open(path, "rb").read().decode("cp1251")
    parts = sections(text)
    table = next((lines for header, lines in parts if header == "[Table]"), None)
    if table is None or not 300000001 <= int(key(table, "BL1") or 0) <= 399999999:
        return False
    count = int(key(table, "Count"))
    row_count = int(key(table, "RowCount"))
    if row_count < 1 or row_count >= rows:
        return False
    data = {}
    for header, lines in parts:
        if header.startswith("[Cell_") and key(lines, "State") == "D":
            r = int(key(lines, "Row"))
            if 1 <= r <= row_count:
                data.setdefault(r, []).append(lines)
    tops = {r: int(key(cells[0], "Vis").split()[0]) for r, cells in data.items()}
    height = (tops[2] - tops[1]) if 2 in tops else 20
    added = []
    n = count + 2
    for r in range(row_count + 1, rows + 1):
        source = (r - 1) % row_count + 1
        for lines in data[source]:
            vis = key(lines, "Vis").split()
            vis[0] = str(tops[source] + (r - source) * height)
            cell = with_key(with_key(lines, "Row", r), "Vis", " ".join(vis))
            added.append((f"[Cell_{n}]", [line for line in cell if line != ""] + [""]))
            n += 1
    table_lines = with_key(with_key(with_key(table, "RowCount", rows), "Count", n - 2), "LastCell", n - 1)
    out = []
    for header, lines in parts:
        out.append((header, table_lines if header == "[Table]" else lines))
    if out and out[-1][1] and out[-1][1][-1] != "":
        out[-1] = (out[-1][0], out[-1][1] + [""])
    out += added
    with open(path, "wb") as f:
        f.write("\r\n".join(h + "\r\n" + "\r\n".join(lines) for h, lines in out).encode("cp1251"))
    return True


def main():
    folder = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    grown = [os.path.basename(p) for p in sorted(glob.glob(os.path.join(folder, "*.ini"))) if scale(p, rows)]
    print(" ".join(grown))


if __name__ == "__main__":
    main()
