#!/usr/bin/env python3
"""Prints what an .xlsx workbook holds, one fact a line, for the tests:

    sheet NAME
    col FIRST-LAST WIDTH          (1-based columns)
    row N HEIGHT
    merge A1:B2
    cell REF n VALUE STYLE        (a number)
    cell REF s TEXT STYLE         (a text)
    cell REF - - STYLE            (a blank cell carrying a format)

STYLE is "font=FACE/SIZE/BIU border=STYLE align=H/V wrap=0|1 fmt=CODE".
Only the standard library: an .xlsx file is a zip of XML parts.
"""

import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
      "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships"}
REL = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"


def text_of(si):
    return "".join(t.text or "" for t in si.iter("{%s}t" % NS["m"]))


def main(path):
    z = zipfile.ZipFile(path)
    names = set(z.namelist())
    strings = []
    if "xl/sharedStrings.xml" in names:
        strings = [text_of(si) for si in ET.fromstring(z.read("xl/sharedStrings.xml")).findall("m:si", NS)]
    styles = ET.fromstring(z.read("xl/styles.xml"))
    numfmts = {n.get("numFmtId"): n.get("formatCode") for n in styles.findall("m:numFmts/m:numFmt", NS)}
    fonts = []
    for f in styles.findall("m:fonts/m:font", NS):
        name = f.find("m:name", NS)
        size = f.find("m:sz", NS)
        biu = "".join(c for c, tag in (("B", "b"), ("I", "i"), ("U", "u")) if f.find("m:" + tag, NS) is not None)
        fonts.append("%s/%s/%s" % (name.get("val") if name is not None else "",
                                   size.get("val") if size is not None else "", biu or "-"))
    borders = []
    for b in styles.findall("m:borders/m:border", NS):
        left = b.find("m:left", NS)
        borders.append(left.get("style") if left is not None and left.get("style") else "none")
    xfs = []
    for xf in styles.findall("m:cellXfs/m:xf", NS):
        al = xf.find("m:alignment", NS)
        h = al.get("horizontal", "-") if al is not None else "-"
        v = al.get("vertical", "-") if al is not None else "-"
        wrap = al.get("wrapText", "0") if al is not None else "0"
        fmt = numfmts.get(xf.get("numFmtId", "0"), xf.get("numFmtId", "0"))
        xfs.append("font=%s border=%s align=%s/%s wrap=%s fmt=%s" % (
            fonts[int(xf.get("fontId", "0"))], borders[int(xf.get("borderId", "0"))], h, v, wrap, fmt))

    book = ET.fromstring(z.read("xl/workbook.xml"))
    rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target") for r in rels}
    out = []
    for sheet in book.findall("m:sheets/m:sheet", NS):
        out.append("sheet " + sheet.get("name"))
        ws = ET.fromstring(z.read("xl/" + targets[sheet.get(REL)]))
        for c in ws.findall("m:cols/m:col", NS):
            out.append("col %s-%s %s" % (c.get("min"), c.get("max"), c.get("width")))
        for row in ws.findall("m:sheetData/m:row", NS):
            if row.get("ht"):
                out.append("row %s %s" % (row.get("r"), row.get("ht")))
            for c in row.findall("m:c", NS):
                style = xfs[int(c.get("s", "0"))]
                v = c.find("m:v", NS)
                if v is None:
                    out.append("cell %s - - %s" % (c.get("r"), style))
                elif c.get("t") == "s":
                    out.append("cell %s s %s %s" % (c.get("r"), strings[int(v.text)], style))
                else:
                    out.append("cell %s n %s %s" % (c.get("r"), v.text, style))
        for m in ws.findall("m:mergeCells/m:mergeCell", NS):
            out.append("merge " + m.get("ref"))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
