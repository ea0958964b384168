#!/usr/bin/env python3
"""Generates the sources of the bundled installation under data/installation/.

    python3 data/tools/installation/gen_installation.py [--check]

The table files, value lists, rules, instructions, print settings and RTF
templates all come from the definitions in this folder, so that cell numbers,
export codes and list codes agree everywhere they are used. --check only
regenerates into memory and fails when the committed sources differ.
"""

import os
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from inifmt import render_settings                     # noqa: E402
from lists import build_lists                          # noqa: E402
from model import GridTable, FormTable                 # noqa: E402
from tables import build_tables                        # noqa: E402
import texts                                           # noqa: E402
from rtf import Rtf, text_width                        # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, "..", "..", "installation"))
VERSION = "23_00_22"
STRUCTURE_FILE = "Nir2022.str"
SITE = "https://stat.example.org/site/Orvantis.aspx"


# ------------------------------------------------------------------ structure

def structure_sections():
    out = [("Отчет", [("Название", texts.REPORT_TITLE),
                      ("Количество_разделов", len(texts.STRUCTURE)),
                      ("Версия", VERSION), ("Подотчет", 0), ("Только_подотчет", 0),
                      ("Начало печати", texts.PRINT_START)])]
    for n, (title, items) in enumerate(texts.STRUCTURE, start=1):
        out.append(("Раздел_%d" % n, [("Название", "Раздел %d. %s" % (n, title)),
                                      ("Количество_пунктов", len(items)), ("Удален", 0)]))
    for n, (title, items) in enumerate(texts.STRUCTURE, start=1):
        for m, (ititle, file, doc) in enumerate(items, start=1):
            out.append(("Пункт_%d_%d" % (n, m), [("Название", "%d.%d. %s" % (n, m, ititle)),
                                                ("Тип", 1 if doc else 0), ("Файл", file),
                                                ("Удален", 0)]))
    return out


def item_numbers():
    """Table name -> (section, item) as numbered in the structure."""
    out = {}
    for n, (title, items) in enumerate(texts.STRUCTURE, start=1):
        for m, (ititle, file, doc) in enumerate(items, start=1):
            out[file.split(".")[0]] = (n, m, ititle)
    return out


# ------------------------------------------------------------------ options

IMPORTS = [
    ("Podr.ini", "Podr.ini", ""),
    ("DisSov.ini", "DisSov.ini", "+"),
    ("NSh.ini", "NSh.ini", ""),
    ("Oborud.ini", "Oborud.ini", "+"),
    ("CKP.ini", "CKP.ini", "+"),
    ("MezhDog.ini", "MezhDog.ini", "+"),
    ("Kontakt.ini", "Kontakt.ini", ""),
    ("Zapiska.rtf", "Zapiska.rtf", ""),
]

# The report's key totals, one line each in the summary against last year:
# table file, data row (0: the footer's total of a growing table), column
# and the line's caption.
KEY_TOTALS = [
    ("Kadry.ini", 1, 3, "Работники, выполнявшие исследования"),
    ("KadrDol.ini", 7, 3, "Научно-педагогические работники"),
    ("Aspir.ini", 6, 7, "Аспиранты и докторанты на конец года"),
    ("Fin.ini", 1, 3, "Объем финансирования, тыс. руб."),
    ("Granty.ini", 0, 8, "Гранты, тыс. руб."),
    ("Publ.ini", 7, 3, "Публикации"),
    ("RID.ini", 7, 4, "Охранные документы"),
    ("Podr.ini", 0, 8, "Объем НИР подразделений, тыс. руб."),
]


def options_sections(T, L):
    imports = [("Количество", len(IMPORTS))]
    for k, (old, new, plus) in enumerate(IMPORTS, start=1):
        imports.append((str(k), ";".join(p for p in (old, new, plus) if p)))
    title = T["Title"]
    return [
        ("Сайт", [("Норм", SITE)]),
        ("Импортируемые таблицы", imports),
        ("Наименование вуза", [("Таблица", title.file), ("Ячейка", title.num("org")),
                               ("Список", L["Vuz"].file), ("Поле кода вуза", 2)]),
        ("Наименование вуза новое", [("Ячейка", title.num("org_new"))]),
        ("Программа", [("Имя", "Report")]),
        ("Основные показатели", [("Количество", len(KEY_TOTALS))] +
         [(str(k), "%s;%d;%d;%s" % line) for k, line in enumerate(KEY_TOTALS, start=1)]),
    ]


# ------------------------------------------------------------------ check rules

def check_sections(T):
    t = T
    f = lambda name, key: t[name].rc(key)        # "row col" keys of a form cell
    n = lambda name, key: t[name].num(key)       # cell number of a form cell
    R = {
        "Org": [
            "(%d) <> пусто;Не рассчитана общая численность работников. Выполните пересчет таблицы"
            % n("Org", "staff_total"),
            "(%s) <= (%s);Численность аспирантов превышает численность обучающихся"
            % (f("Org", "postgrad"), f("Org", "students")),
            "(%s) < 2023;Год основания организации не может быть позже отчетного года"
            % f("Org", "year"),
            "(%s) = KadrDol(7 3);Численность научных и научно-педагогических работников "
            "не совпадает с итогом таблицы 2.2" % f("Org", "staff_total"),
        ],
        "Podr": [
            "(* 7) <= (* 6);Численность исследователей превышает численность работников "
            "подразделения",
        ],
        "Kadry": [
            "(* 3) >= (* 4);Численность женщин превышает общую численность",
            "(* 3) >= (* 5);Численность работников в возрасте до 39 лет превышает общую численность",
            "(* 3) >= (* 6) + (* 7);Численность докторов и кандидатов наук превышает общую "
            "численность",
            "(6 3) <= (1 3);Численность профессорско-преподавательского состава (стр. 6) "
            "превышает общую численность (стр. 1)",
            "(7 3) <= (1 3)",
        ],
        "KadrDol": [
            "Kadry(6 3) <= (7 3) - (6 3);Численность ППС, выполнявшего научные исследования "
            "(табл. 2.1, стр. 6), превышает численность ППС по должностям (стр. 1-5)",
            "(3 4) <= (3 3) / 2;Доктора наук составляют более половины доцентов. Проверьте "
            "распределение по должностям",
        ],
        "Aspir": [
            "(* 5) >= (* 6);Число выпускников с защитой диссертации превышает число выпускников",
            "(* 7) >= 0;Численность на конец года не может быть отрицательной",
            "(1 7) = Org(%s);Численность аспирантов на конец года не совпадает с формой 1.3"
            % f("Org", "postgrad"),
        ],
        "DisSov": [
            "(* 9) <= (* 8);Число защит работниками организации превышает общее число защит",
            "(* 8) < 200",
        ],
        "NSh": [
            "(* 7) <= (* 6);Число молодых ученых превышает число участников научной школы",
            "(* 6) | (* 8);Для научной школы указываются и участники, и публикации",
        ],
        "Fin": [
            "(1 3) < 100000000;Объем финансирования превышает 100 млрд руб. Проверьте единицы "
            "измерения (тыс. руб.)",
            "(9 3) <= (1 3) / 2;Собственные средства составляют более половины объема "
            "финансирования. Проверьте данные",
        ],
        "FinObl": [
            "(7 3) = Fin(1 3);Итог по областям науки не совпадает с объемом финансирования "
            "(табл. 3.1, стр. 1, гр. 3)",
            "(7 4) = Fin(1 4);Итог фундаментальных исследований не совпадает с табл. 3.1 (гр. 4)",
            "(7 5) = Fin(1 5);Итог прикладных исследований не совпадает с табл. 3.1 (гр. 5)",
            "(7 6) = Fin(1 6)",
        ],
        "Granty": [
            "(* 8) < 1000000;Объем финансирования гранта превышает 1 млрд руб. Проверьте "
            "единицы измерения",
        ],
        "Zakaz": [
            "(* 7) <= (* 6);Поступления по договору превышают цену договора",
        ],
        "Publ": [
            "(* 3) >= (* 4);Публикации в Web of Science превышают общее число публикаций",
            "(* 3) >= (* 5);Публикации в Scopus превышают общее число публикаций",
            "(* 3) >= (* 6);Публикации в РИНЦ превышают общее число публикаций",
            "(* 3) >= (* 7);Публикации в журналах ВАК превышают общее число публикаций",
            "(* 3) >= (* 8)",
            "(4 3) <= (3 3);Статьи в зарубежных журналах (стр. 4) превышают число статей (стр. 3)",
        ],
        "RID": [
            "(8 3) <= (7 3);Заявки, поданные за рубежом, превышают общее число заявок",
            "(8 4) <= (7 4)",
            "(7 6) | (7 7);Лицензионные договоры и доходы от распоряжения правами указываются "
            "совместно",
            "(* 5) >= (* 4);Поддерживается меньше охранных документов, чем получено в отчетном году",
        ],
        "Konf": [
            "(* 7) <= (* 6);Число зарубежных участников превышает общее число участников",
        ],
        "Rezult": [
            "(%s) <> 2021;Результат прошлого отчетного периода не может быть представлен повторно"
            % f("Rezult", "year"),
            "(%s) < 2023;Год получения результата позже отчетного года" % f("Rezult", "year"),
            "Fin(1 3) >= (%s);Объем финансирования работ превышает общий объем финансирования "
            "(табл. 3.1)" % f("Rezult", "money"),
        ],
        "Mezh": [
            "(1 4) | (5 4);Число международных договоров и объем средств по ним указываются "
            "совместно",
            "(5 4) <= Fin(10 3);Объем средств по международным договорам превышает средства "
            "иностранных источников (табл. 3.1, стр. 10)",
            "(4 4) <= Kadry(1 3);Число выезжавших за рубеж превышает численность работников "
            "(табл. 2.1)",
        ],
        "Stazh": [
            "366 > (* 7)",
        ],
        "Oborud": [
            "(* 4) >= (* 5);Стоимость оборудования в возрасте до 5 лет превышает балансовую "
            "стоимость",
            "(* 4) >= (* 6);Стоимость приобретенного оборудования превышает балансовую стоимость",
            "(* 3) <= (* 4) / 500;Средняя стоимость единицы оборудования меньше 500 тыс. руб.: "
            "такое оборудование в таблицу не включается",
        ],
        "CKP": [
            "(%s) <= Oborud(3 4);Стоимость оборудования центра превышает данные табл. 6.1, стр. 3"
            % f("CKP", "cost"),
            "(%s) <= (%s);Число сторонних пользователей превышает общее число пользователей"
            % (f("CKP", "users_ext"), f("CKP", "users")),
            "(%s) <= 100;Загрузка оборудования не может превышать 100%%" % f("CKP", "load"),
            "(%s) <= Oborud(3 3)" % f("CKP", "units"),
            "(%d) <> пусто;Не рассчитано число пользователей из подразделений организации. "
            "Выполните пересчет таблицы" % n("CKP", "users_int"),
        ],
        "Pokaz": [
            "(3 4) <= 100;Доля исследователей до 39 лет превышает 100%. Проверьте табл. 2.1",
            "(6 4) <= 100;Доля внебюджетных средств превышает 100%. Проверьте табл. 3.1",
            "(7 4) <= 100;Доля иностранных средств превышает 100%. Проверьте табл. 3.1",
            "(13 4) <= 100;Доля нового оборудования превышает 100%. Проверьте табл. 6.1",
            "(1 4) >= (2 4)",
        ],
    }
    order = [f.split(".")[0] for _, items in texts.STRUCTURE for _, f, d in items if not d]
    sections = []
    for name in order:
        rules = R.get(name)
        if not rules:
            continue
        sections.append((name, [("Count", len(rules))] +
                         [(str(i), r) for i, r in enumerate(rules, start=1)]))
    return sections


# ------------------------------------------------------------------ instructions

def instructions_text(T):
    order = [f.split(".")[0] for _, items in texts.STRUCTURE for _, f, d in items if not d]
    out = []
    for name in order:
        body = texts.INSTRUCTIONS.get(name)
        if not body:
            continue
        out.append("[%s]" % name)
        out.extend(body.split("\n"))
        out.append("")
    return "\n".join(out)


# ------------------------------------------------------------------ print settings

SIGNATURES = {"Kadry": "2", "KadrDol": "2", "Aspir": "2", "Fin": "23", "FinObl": "3",
              "Publ": "2", "RID": "2", "Pokaz": "23"}
NOT_PRINTED = "#7#"


def form_value_cells(tb):
    """Cells of a form that the word-processor template shows, in layout order."""
    cells = []
    for c in tb.cells:
        if c.type in (1, 2, 3, 4, 5, 6, 7) and c.row > 0 and c.cdef.key != "head_sign":
            cells.append(c)
    return cells


def caption_of(tb, cell):
    """The caption cell standing left of (or above) an input cell of a form."""
    best = None
    for c in tb.cells:
        if c.type != 0 or not c.cdef.cap.strip() or c is cell:
            continue
        same_line = abs(c.top - cell.top) < 4 and c.left < cell.left
        above = c.left == cell.left and 0 < cell.top - c.top <= 30
        if same_line or above:
            if best is None or c.left > best.left or c.top > best.top:
                best = c
    return best.cdef.cap.replace("\n", " ") if best else ""


def print_sections(T):
    forms = [name for name, tb in T.items() if isinstance(tb, FormTable)]
    sections = [("Таблицы не фиксированные",
                 [("Количество", len(forms))] +
                 [(str(i), name) for i, name in enumerate(forms, start=1)])]
    for name, tb in T.items():
        keys = []
        if isinstance(tb, FormTable):
            cells = form_value_cells(tb)
            keys.append(("Количество", len(cells)))
            first_row = 2 if name == "Title" else 1
            for i, c in enumerate(cells):
                keys.append((str(i + 1), "%d-%d-%d" % (c.number, first_row + i, 2)))
        if tb.page[0] == 1:
            keys.append(("Пейзаж", 1))
        if keys:
            sections.append((name, keys))
    sections.append(("Подписи", [(k, v) for k, v in SIGNATURES.items()]))
    title = T["Title"]
    sections.append(("Дополнительные ячейки", [
        ("Таблица", "Title"), ("НазваниеВуза", title.num("org")),
        ("Должность", title.num("head_pos")), ("Фамилия", title.num("head_fio")),
        ("Должность Б", title.num("pos_b")), ("Фамилия Б", title.num("fio_b")),
        ("Должность НОК", title.num("pos_nok")), ("Фамилия НОК", title.num("fio_nok"))]))
    sections.append(("Разделы не печатаемые", [("Номера", NOT_PRINTED)]))
    return sections


# ------------------------------------------------------------------ RTF

def grid_template(tb, numbers):
    landscape = tb.page[0] == 1
    doc = Rtf(landscape)
    width = text_width(landscape)
    sec, item, _ = numbers[tb.name]
    # Heading table: the organisation's name goes into its first cell.
    doc.table([["(наименование организации)"], [tb.number]], [width], borders=False,
              size=22, align_rows={0: "c", 1: "r"}, bold_rows={1})
    doc.par(tb.title, align="c", bold=True, size=24, style=2)
    if tb.unit:
        doc.par(tb.unit, align="r", size=20, space_after=60)
    px = [w for _, w in tb.columns]
    scale = width / float(sum(px))
    widths = [int(w * scale) for w in px]
    widths[-1] += width - sum(widths)
    grouped = {}
    for first, last, caption in tb.groups:
        for c in range(first, last + 1):
            grouped[c] = caption
    if grouped:
        # Two heading rows: group captions merged across their columns, the
        # other headings merged down over both rows.
        top, sub = [], []
        for c, (heading, _) in enumerate(tb.columns, start=1):
            if c in grouped:
                first = c == 1 or grouped.get(c - 1) != grouped[c]
                top.append((grouped[c] if first else "", "\\clmgf" if first else "\\clmrg"))
                sub.append(heading)
            else:
                top.append((heading, "\\clvmgf"))
                sub.append(("", "\\clvmrg"))
        heads = [top, sub]
    else:
        heads = [[heading for heading, _ in tb.columns]]
    rows = heads + [[str(c) for c in range(1, len(px) + 1)], [""] * len(px)]
    doc.table(rows, widths, borders=True, size=18, header_rows=len(heads) + 1,
              bold_rows=set(range(len(heads))))
    sig = [["(должность руководителя)", "________________", "(фамилия, инициалы)"],
           ["", "(подпись)", ""], ["", "", ""]]
    marks = SIGNATURES.get(tb.name, "")
    if "2" in marks or "3" in marks:
        sig[2] = ["(должность)", "________________", "(фамилия, инициалы)"]
    third = int(width * 0.45)
    second = int(width * 0.25)
    doc.table(sig, [third, second, width - third - second], borders=False, size=20,
              col_align=["l", "c", "l"])
    return doc.render()


def form_template(tb, numbers):
    doc = Rtf(False)
    width = text_width(False)
    cells = form_value_cells(tb)
    rows = []
    if tb.name == "Title":
        doc.par("Министерство науки и высшего образования Российской Федерации", align="c",
                size=24)
        doc.par("")
        doc.par("ОТЧЕТ", align="c", bold=True, size=32, space_after=0)
        doc.par("о научной и научно-технической деятельности", align="c", bold=True, size=28,
                space_after=0)
        doc.par("организации высшего образования за 2022 год", align="c", bold=True, size=28)
        doc.par("")
        rows.append(["Показатель", "Значение"])
    else:
        doc.par(tb.number, align="r", bold=True, size=22)
        doc.par(tb.title, align="c", bold=True, size=24, style=2)
    for c in cells:
        rows.append([caption_of(tb, c), ""])
    cap_w = int(width * 0.45)
    doc.table(rows, [cap_w, width - cap_w], borders=True, size=20, col_align=["l", "l"],
              bold_rows={0} if tb.name == "Title" else ())
    return doc.render()


def document_rtf(parts):
    doc = Rtf(False)
    for kind, text in parts:
        if kind == "h1":
            doc.par(text, align="c", bold=True, size=28, style=1, space_after=240)
        elif kind == "h2":
            doc.par(text, align="l", bold=True, size=24, style=2)
        else:
            doc.par(text, align="j", size=24, indent_first=709)
    return doc.render()


def contents_rtf():
    doc = Rtf(False)
    doc.par("СОДЕРЖАНИЕ", align="c", bold=True, size=28, space_after=240)
    # No page break of its own: the export breaks the page before the
    # element that follows, as before every element.
    doc.field_toc("Содержание будет построено при передаче отчета в текстовый редактор. "
                  "Для обновления нажмите F9.")
    return doc.render()


# ------------------------------------------------------------------ service stub

UNSELF = open(os.path.join(HERE, "unself.sh"), encoding="ascii").read()


# ------------------------------------------------------------------ assembly

def build():
    L = build_lists()
    T = build_tables(L)
    numbers = item_numbers()
    for name, tb in T.items():
        sec, item, _ = numbers[name]
        tb.main_num = sec * 100 + item
    files = {}
    ti = "TabIni/"
    files[ti + STRUCTURE_FILE] = render_settings(structure_sections())
    for name, tb in T.items():
        files[ti + tb.file] = render_settings(tb.render())
    files[ti + "Options.cnf"] = render_settings(options_sections(T, L))
    files[ti + "Check.chk"] = render_settings(check_sections(T))
    files[ti + "Instr.txt"] = instructions_text(T)
    files[ti + "Ukaz.rtf"] = document_rtf(texts.UKAZ)
    files[ti + "Annot.rtf"] = document_rtf(texts.ANNOT)
    files[ti + "Zapiska.rtf"] = document_rtf(texts.ZAPISKA)
    for vl in L.values():
        files["TabLst/" + vl.file] = render_settings(vl.render())
    files["PrintDocs/Print.ini"] = render_settings(print_sections(T))
    files["PrintDocs/Оглавление.rtf"] = contents_rtf()
    for name, tb in T.items():
        if isinstance(tb, GridTable):
            files["PrintDocs/%s.rtf" % name] = grid_template(tb, numbers)
        else:
            files["PrintDocs/%s.rtf" % name] = form_template(tb, numbers)
    files["Servis/UnSelf.bin"] = UNSELF
    return files, T, L


def main(argv):
    files, T, L = build()
    import validate
    problems = validate.validate(files, T, L)
    for p in problems:
        print("problem:", p, file=sys.stderr)
    if problems:
        return 1
    if "--check" in argv:
        stale = []
        for rel, text in sorted(files.items()):
            path = os.path.join(ROOT, rel)
            if not os.path.exists(path) or open(path, encoding="utf-8").read() != text:
                stale.append(rel)
        for rel in stale:
            print("out of date:", rel, file=sys.stderr)
        return 1 if stale else 0
    for rel, text in sorted(files.items()):
        path = os.path.join(ROOT, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        text.encode("cp1251")
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
    print("%d files written under %s" % (len(files), ROOT))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
