#!/usr/bin/env python3
"""Every RTF file of the installation must open in a word processor.

    python3 data/tools/installation/check_rtf.py [FILE.rtf ...]

Converts each RTF file under data/installation (or each file given) to PDF with LibreOffice in
headless mode and fails when a conversion fails or yields no PDF. Exits with
77 (the usual "skipped" code) when LibreOffice is not installed.
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", "..", "installation"))


def main():
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        print("LibreOffice not found: skipped")
        return 77
    files = sys.argv[1:] or sorted(glob.glob(os.path.join(SOURCE, "*", "*.rtf")))
    if not files:
        print("no RTF files found under %s" % SOURCE)
        return 1
    failed = []
    with tempfile.TemporaryDirectory() as tmp:
        profile = "file://" + os.path.join(tmp, "profile")
        # Copies with ASCII names keep the conversion independent of the
        # file-name encoding of the machine; one run converts them all.
        copies = []
        for k, path in enumerate(files):
            local = os.path.join(tmp, "in%03d.rtf" % k)
            shutil.copyfile(path, local)
            copies.append(local)
        run = subprocess.run([office, "-env:UserInstallation=" + profile, "--headless",
                              "--convert-to", "pdf", "--outdir", tmp] + copies,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=600)
        for path, local in zip(files, copies):
            pdf = local[:-4] + ".pdf"
            if run.returncode != 0 or not os.path.exists(pdf) or os.path.getsize(pdf) == 0:
                failed.append(os.path.relpath(path, SOURCE))
    print("%d passed, %d failed" % (len(files) - len(failed), len(failed)))
    for name in failed:
        print("failed:", name)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
