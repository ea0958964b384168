#!/usr/bin/env python3
"""Edits an unpacked report in place, for tests that need a second report.

    set_table_cells.py FOLDER [--version V] [FILE:ROW:COL=VALUE ...]

--version sets "Отчет" / "Версия" of the structure file; each FILE:ROW:COL=VALUE
sets the value ("Cap") of the data cell in row ROW, column COL of the table
file FILE. Files stay Windows-1251 with CR LF line ends.
"""

import glob
import os
import re
import sys


def read(path):
    with open(path, "rb") as f:
        return f.read().decode("cp1251")


def write(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("cp1251"))


def set_key(block, key, value):
    pattern = re.compile(r"^%s=.*$" % re.escape(key), re.M)
    if pattern.search(block):
        return pattern.sub(lambda _: "%s=%s\r" % (key, value), block, count=1)
    return block.replace("\r\n", "\r\n%s=%s\r\n" % (key, value), 1)


def set_cell(folder, assignment):
    where, value = assignment.split("=", 1)
    name, row, col = where.split(":")
    path = os.path.join(folder, name)
    text = read(path)
    blocks = re.split(r"(?=^\[)", text, flags=re.M)
    for i, block in enumerate(blocks):
        if not block.startswith("[Cell_"):
            continue
        if re.search(r"^State=D\r?$", block, re.M) and re.search(r"^Row=%s\r?$" % row, block, re.M) \
                and re.search(r"^Col=%s\r?$" % col, block, re.M):
            blocks[i] = set_key(block, "Cap", value)
            write(path, "".join(blocks))
            return
    sys.exit("%s: no data cell in row %s, column %s" % (name, row, col))


def main(argv):
    folder, rest = argv[0], argv[1:]
    while rest:
        arg = rest.pop(0)
        if arg == "--version":
            structure = glob.glob(os.path.join(folder, "*.str"))[0]
            write(structure, set_key(read(structure), "Версия", rest.pop(0)))
        else:
            set_cell(folder, arg)


if __name__ == "__main__":
    main(sys.argv[1:])
