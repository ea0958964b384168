#!/usr/bin/env python3
"""gzip -9n: compresses SOURCE into TARGET with no name and no time in the
header, so that the same input always packs to the same bytes (as Debian
wants for manual pages and changelogs)."""
import gzip
import sys

source, target = sys.argv[1:3]
with open(source, "rb") as f:
    data = f.read()
with open(target, "wb") as out:
    with gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=out, mtime=0) as z:
        z.write(data)
