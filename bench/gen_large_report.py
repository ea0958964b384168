#!/usr/bin/env python3
"""A large report for the end-to-end benchmark, and the same content as a
CSV sheet with formulas for a spreadsheet program.

    gen_large_report.py OUTDIR [TABLES] [ROWS] [COLS]

OUTDIR/report/ gets the structure file and TABLES grid tables of ROWS x COLS
cells (Windows-1251, CR LF): integers in every column but the last, which
sums its row; in each table's last row the cell before the sum reads the
previous table's last sum, so a change in the first table's last row runs
through every table. OUTDIR/sheet.csv holds the same cells one table under
the other, the formulas written for the spreadsheet.
"""
import os
import sys


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

    csv = []
    for t in range(1, tables + 1):
        parts = [f"[Table]\r\nFixed=1\r\nRowCount={rows}\r\nColCount={cols}\r\nCount={rows * cols}\r\n"
                 "MinLeft=0\r\nMinTopD=0\r\n\r\n"]
        n = 2
        base = (t - 1) * rows  # the table's first line in the sheet, less one
        for r in range(1, rows + 1):
            line = []
            for c in range(1, cols + 1):
                vis = f"Vis={(r - 1) * 20} {(c - 1) * 60} 60 20 5 16777215"
                cross = t > 1 and r == rows and c == cols - 1
                if c == cols:
                    body = f"Type=7\r\nDec=0\r\nForm=0 1\r\nCap={0}"
                    line.append(f"=SUM(A{base + r}:{chr(ord('A') + cols - 2)}{base + r})")
                elif cross:
                    body = f"Type=7\r\nDec=0\r\nForm=7 0 T{t - 1}[({rows}:{cols})]\r\nCap=0"
                    line.append(f"={chr(ord('A') + cols - 1)}{base}")
                else:
                    value = (t * 7 + r * 3 + c) % 100
                    body = f"Type=2\r\nCap={value}"
                    line.append(str(value))
                parts.append(f"[Cell_{n}]\r\nState=D\r\nCol={c}\r\nRow={r}\r\n{body}\r\n{vis}\r\nFrame=1\r\n\r\n")
                n += 1
            csv.append(",".join(line))
        with open(os.path.join(report, f"T{t}.ini"), "wb") as f:
            f.write("".join(parts).encode("cp1251"))
    with open(os.path.join(out, "sheet.csv"), "w") as f:
        f.write("\n".join(csv) + "\n")


if __name__ == "__main__":
    main()
