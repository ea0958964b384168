#!/usr/bin/env python3
"""Prepares the installation folders for packing, and packs them.

    python3 data/tools/installation/stage.py STAGING_DIR [--pack REPORTCTL DATA_DIR]

Copies data/installation/{TabIni,TabLst,PrintDocs,Servis} to STAGING_DIR in the
form the program reads: Windows-1251 with CR LF line ends. RTF files are pure
ASCII and only get CR LF; so does "UnSelf.bin", a shell script written to run
with either line end. With --pack, each folder is packed with `REPORTCTL pack`
into DATA_DIR/TI.a, TL.a, TP.a and S.a.
"""

import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", "..", "installation"))
PACKAGES = [("TabIni", "TI.a"), ("TabLst", "TL.a"), ("PrintDocs", "TP.a"), ("Servis", "S.a")]


def stage(out):
    for folder, _ in PACKAGES:
        src = os.path.join(SOURCE, folder)
        dst = os.path.join(out, folder)
        if os.path.isdir(dst):
            shutil.rmtree(dst)
        os.makedirs(dst)
        for name in sorted(os.listdir(src)):
            path = os.path.join(src, name)
            target = os.path.join(dst, name)
            with open(path, encoding="utf-8", newline="") as f:
                text = f.read()
            if "\r" in text:
                raise SystemExit("%s: the source must have LF line ends" % path)
            data = text.replace("\n", "\r\n").encode("cp1251")
            with open(target, "wb") as f:
                f.write(data)


def pack(out, reportctl, data_dir):
    os.makedirs(data_dir, exist_ok=True)
    for folder, package in PACKAGES:
        target = os.path.join(data_dir, package)
        subprocess.run([reportctl, "pack", os.path.join(out, folder), target], check=True)


def main(argv):
    if len(argv) not in (1, 4) or (len(argv) == 4 and argv[1] != "--pack"):
        print(__doc__, file=sys.stderr)
        return 2
    stage(argv[0])
    if len(argv) == 4:
        pack(argv[0], argv[2], argv[3])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
