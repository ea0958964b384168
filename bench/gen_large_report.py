#!/usr/bin/env python3
"""A large report for the end-to-end benchmark, and the same content as a
spreadsheet workbook with formulas for a spreadsheet program.

    gen_large_report.py OUTDIR [TABLES] [ROWS] [COLS]

OUTDIR/report/ gets the structure file and TABLES grid tables of ROWS x COLS
cells (Windows-1251, CR LF): integers in every column but the last, which
sums its row; in each table's last row the cell before the sum reads the
previous table's last sum, so a change in the first table's last row runs
through every table. OUTDIR/sheet.xlsx holds the same cells and formulas,
one worksheet per table, with no computed values and a request to compute
everything on load, so that the spreadsheet program does the same work.
"""
import os
import sys
import zipfile

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL_NS = "http://schemas.openxmlformats.org/package/2006/relationships"


def column_letter(c):
    letters = ""
    while c:
        c, rest = divmod(c - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return letters


def write_workbook(path, sheets):
    """sheets: a list of (name, rows), rows a list of lists of cell values,
    an int for a number and a str starting with '=' for a formula."""
    n = len(sheets)
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Override PartName="/xl/workbook.xml" ContentType='
             '"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
             + "".join(f'<Override PartName="/xl/worksheets/sheet{i}.xml" ContentType='
                       '"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                       for i in range(1, n + 1))
             + "</Types>")
    root_rels = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{PKG_REL_NS}">'
                 f'<Relationship Id="rId1" Type="{REL_NS}/officeDocument" Target="xl/workbook.xml"/>'
                 "</Relationships>")
    workbook = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                f'<workbook xmlns="{MAIN_NS}" xmlns:r="{REL_NS}"><sheets>'
                + "".join(f'<sheet name="{name}" sheetId="{i}" r:id="rId{i}"/>'
                          for i, (name, _) in enumerate(sheets, 1))
                + '</sheets><calcPr fullCalcOnLoad="1"/></workbook>')
    workbook_rels = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{PKG_REL_NS}">'
                     + "".join(f'<Relationship Id="rId{i}" Type="{REL_NS}/worksheet" Target="worksheets/sheet{i}.xml"/>'
                               for i in range(1, n + 1))
                     + "</Relationships>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", root_rels)
        z.writestr("xl/workbook.xml", workbook)
        z.writestr("xl/_rels/workbook.xml.rels", workbook_rels)
        for i, (_, rows) in enumerate(sheets, 1):
            xml = [f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><worksheet xmlns="{MAIN_NS}"><sheetData>']
            for r, row in enumerate(rows, 1):
                xml.append(f'<row r="{r}">')
                for c, value in enumerate(row, 1):
                    ref = f"{column_letter(c)}{r}"
                    if isinstance(value, str):
                        xml.append(f'<c r="{ref}"><f>{value[1:]}</f></c>')
                    else:
                        xml.append(f'<c r="{ref}"><v>{value}</v></c>')
                xml.append("</row>")
            xml.append("</sheetData></worksheet>")
            z.writestr(f"xl/worksheets/sheet{i}.xml", "".join(xml))


def main():
    out = sys.argv[1]
    tables = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    rows = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    cols = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    report = os.path.join(out, "report")
    os.makedirs(report, exist_ok=True)

    items = []
    for t in range(1, tables + 1):
        items.append(f"[Пункт_1_{t}]\r\nНазвание=Таблица {t}\r\nТип=0\r\nФайл=T{t}.ini\r\n")
    structure = ("[Отчет]\r\nНазвание=Большой отчет\r\nКоличество_разделов=1\r\nВерсия=23_00_22\r\n\r\n"
                 f"[Раздел_1]\r\nНазвание=Раздел 1\r\nКоличество_пунктов={tables}\r\nУдален=0\r\n\r\n"
                 + "\r\n".join(items))
    with open(os.path.join(report, "Large.str"), "wb") as f:
        f.write(structure.encode("cp1251"))

    sheets = []
    for t in range(1, tables + 1):
        grid = []
        parts = [f"[Table]\r\nFixed=1\r\nRowCount={rows}\r\nColCount={cols}\r\nCount={rows * cols}\r\n"
                 "MinLeft=0\r\nMinTopD=0\r\n\r\n"]
        n = 2
        for r in range(1, rows + 1):
            line = []
            for c in range(1, cols + 1):
                vis = f"Vis={(r - 1) * 20} {(c - 1) * 60} 60 20 5 16777215"
                cross = t > 1 and r == rows and c == cols - 1
                if c == cols:
                    body = f"Type=7\r\nDec=0\r\nForm=0 1\r\nCap={0}"
                    line.append(f"=SUM(A{r}:{column_letter(cols - 1)}{r})")
                elif cross:
                    body = f"Type=7\r\nDec=0\r\nForm=7 0 T{t - 1}[({rows}:{cols})]\r\nCap=0"
                    line.append(f"=T{t - 1}!{column_letter(cols)}{rows}")
                else:
                    value = (t * 7 + r * 3 + c) % 100
                    body = f"Type=2\r\nCap={value}"
                    line.append(value)
                parts.append(f"[Cell_{n}]\r\nState=D\r\nCol={c}\r\nRow={r}\r\n{body}\r\n{vis}\r\nFrame=1\r\n\r\n")
                n += 1
            grid.append(line)
        sheets.append((f"T{t}", grid))
        with open(os.path.join(report, f"T{t}.ini"), "wb") as f:
            f.write("".join(parts).encode("cp1251"))
    write_workbook(os.path.join(out, "sheet.xlsx"), sheets)


if __name__ == "__main__":
    main()
