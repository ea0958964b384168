#!/usr/bin/env python3
"""Demo reports for tests and for trying the program, made from the blank report.

    python3 data/tools/installation/gen_demo.py OUTDIR [--utf8]

Writes four report folders under OUTDIR, each ready to be packed into its
"Report.rpt" with `reportctl pack FOLDER FOLDER/Report.rpt`:

  Demo2022/       this year's report, filled in; two tables break a check
                  rule on purpose (Publ: Scopus articles in foreign journals
                  exceed their total; FinObl: the distribution by field falls
                  150 thousand short of the total of Fin), Stazh stays empty
  LastYear2021/   last year's report (version 22_00_21) for the import
  SubMech/, SubEco/  sub-reports of two departments, section 7 left out

Files are written in Windows-1251 with CR LF line ends, as the program keeps
them; --utf8 writes UTF-8 with LF instead, for reading.
"""

import os
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from inifmt import render_settings                  # noqa: E402
from lists import build_lists                       # noqa: E402
from model import GridTable                         # noqa: E402
from tables import build_tables                     # noqa: E402
import gen_installation as gi                       # noqa: E402
import validate                                     # noqa: E402


class Filler:
    def __init__(self, L, rows_of):
        self.L = L
        for vl in L.values():
            vl.render()                 # assigns the item codes
        self.T = build_tables(L, rows_of)
        numbers = gi.item_numbers()
        for name, tb in self.T.items():
            tb.main_num = numbers[name][0] * 100 + numbers[name][1]

    def _put(self, cell, value):
        if cell.type == 6:
            self._pick(cell, value)
        else:
            cell.value = value

    def _pick(self, cell, text):
        vl = next(v for v in self.L.values() if v.file == cell.cdef.list)
        column = cell.bobj - vl.column_code(0)
        for row in vl.all_rows():
            if row[column - 1] == text:
                bl, bvs = vl.codes[tuple(row)]
                cell.value = text
                cell.bval = bvs[column - 1]
                cell.blist = bl
                return
        raise KeyError("%s: no %r in column %d" % (vl.file, text, column))

    def grid(self, name, r, values, first_col=3):
        tb = self.T[name]
        for k, v in enumerate(values):
            if v is None:
                continue
            self._put(tb.data_cell(r, first_col + k), v)

    def rows(self, name, rows, first_col=2):
        for r, values in enumerate(rows, start=1):
            self.grid(name, r, values, first_col)

    def form(self, table, **values):
        tb = self.T[table]
        for key, v in values.items():
            if v is not None:
                self._put(tb.cell(key), v)

    def pick_row(self, list_name, column, text):
        """The whole list row whose column holds text (for cells bound together)."""
        for row in self.L[list_name].all_rows():
            if row[column - 1] == text:
                return row
        raise KeyError(text)

    def recalc(self):
        problems = validate.Problems()
        B = validate.Blank(self.T, problems)
        B.recalc_all()
        if problems:
            raise RuntimeError("; ".join(problems))
        for name, tb in self.T.items():
            for c in tb.cells:
                if c.type == 7:
                    c.value = B.text(name, c)
        return B

    def statuses(self, B, files):
        chk = validate.parse_settings(files["TabIni/Check.chk"])
        out = {}
        for name in self.T:
            failed = []
            keys = chk.get(name, {})
            for k in range(1, int(keys.get("Count", "0")) + 1):
                if not B.rule_holds(name, keys[str(k)]):
                    failed.append(keys[str(k)])
            out[name] = "errors" if failed else ("empty" if B.is_empty(name) else "norm")
            if failed:
                out[name] += ": " + " | ".join(failed)
        return out


def money(x):
    return ("%.1f" % x).replace(".", ",")


# ------------------------------------------------------------------ this year

def fill_report(f, scale=1.0, year=2022, errors=True):
    s = lambda x: int(round(x * scale))
    m = lambda x: money(x * scale)
    vuz = f.pick_row("Vuz", 1, "Северогорский государственный технический университет")
    f.form("Title", org=vuz[0], org_code=vuz[1], city=vuz[2],
           head_pos="Ректор", head_fio="Петров Сергей Николаевич",
           pos_b="Проректор по научной работе", fio_b="Смирнова Ольга Викторовна",
           pos_nok="Начальник научно-исследовательской части",
           fio_nok="Кузнецов Андрей Павлович", phone="(8452) 21-43-65",
           email="nich@example.org", date="20.02.%d" % (year + 1))
    kd = {1: (45, 30, 0), 2: (120, 25, 0), 3: (40, 380, 60), 4: (0, 80, 170), 5: (0, 20, 110),
          6: (25, 65, 50)}
    kd = {r: [s(v) for v in vals] for r, vals in kd.items()}
    for r, vals in kd.items():
        f.grid("KadrDol", r, [str(v) for v in vals], first_col=4)
    npr = sum(sum(kd[r]) for r in range(1, 6))
    f.form("Org", short="СевГТУ",
           founder="Министерство науки и высшего образования Российской Федерации",
           address="410012, г. Северогорск, ул. Университетская, д. 1",
           year="1930", area="Механика и машиностроение", license="12.04.2016",
           accr="05.06.2018", students=str(s(14250)), postgrad=None,
           npr=str(npr), sci=str(sum(kd[6])),
           directions="Механика деформируемого твердого тела и прочность конструкций.\n"
                      "Технологии материалов и аддитивное производство.\n"
                      "Энергетические системы и возобновляемая энергетика.")
    podr = [("Кафедра технологии машиностроения", "Иванов Павел Сергеевич", 64, 41, 18500.0),
            ("Научно-исследовательский институт прикладной механики", "Орлов Дмитрий Юрьевич",
             120, 96, 96000.0),
            ("Лаборатория функциональных материалов", "Белова Анна Игоревна", 22, 18, 31000.0),
            ("Кафедра электроэнергетики и электротехники", "Сидоров Игорь Петрович", 48, 30,
             12400.0),
            ("Лаборатория возобновляемой энергетики", "Громов Артем Олегович", 15, 12, 9800.0),
            ("Кафедра экономики и финансов", "Федорова Марина Алексеевна", 36, 20, 6300.0)]
    rows = []
    for name, head, staff, res, vol in podr:
        row = f.pick_row("Podrazd", 1, name)
        rows.append([row[0], row[1], row[2], head, str(s(staff)), str(s(res)), m(vol)])
    f.rows("Podr", rows)

    kadry = {2: (820, 360, 250, 150, 480), 3: (120, 70, 40, 5, 10), 4: (90, 60, 25, None, None),
             5: (40, 25, 10, None, None), 6: (700, 310, 180, 120, 420),
             7: (60, 20, None, 15, 30)}
    for r, vals in kadry.items():
        f.grid("Kadry", r, [None if v is None else str(s(v)) for v in vals])
    asp = {2: (210, 70, 55, 12), 3: (95, 20, 25, 3), 4: (6, 2, 3, 2), 5: (14, 5, 6, 4)}
    asp = {r: [s(v) for v in vals] for r, vals in asp.items()}
    for r, vals in asp.items():
        f.grid("Aspir", r, [str(v) for v in vals])
    # Postgraduates at the end of the year, as the form of general data states them.
    f.form("Org", postgrad=str(sum(asp[r][0] + asp[r][1] - asp[r][2] for r in (2, 3))))
    ds = [("Д 212.245.01", "2.5.6", 1, 4, 3), ("Д 212.245.01", "2.5.2", 0, 3, 2),
          ("Д 212.245.02", "1.1.8", 1, 2, 2), ("Д 212.245.03", "2.4.2", 0, 5, 4)]
    rows = []
    for council, code, doc, cand, own in ds:
        row = next(r for r in f.L["Nauka"].all_rows() if r[0] == code)
        rows.append([council, row[0], row[1], row[2], str(doc), str(cand), None, str(own)])
    f.rows("DisSov", rows)
    nsh = [("Орлов Дмитрий Юрьевич", "доктор технических наук", "Механика и машиностроение",
            "Научно-исследовательский институт прикладной механики", 24, 11, 38),
           ("Белова Анна Игоревна", "доктор физико-математических наук", "Технологии материалов",
            "Лаборатория функциональных материалов", 12, 7, 21),
           ("Громов Артем Олегович", "кандидат технических наук",
            "Электротехника, электронная техника, информационные технологии",
            "Лаборатория возобновляемой энергетики", 9, 6, 14)]
    f.rows("NSh", [[a, b, c, d, str(e), str(g), str(h)] for a, b, c, d, e, g, h in nsh])

    fin = {3: (120000, 45000, 8000), 4: (15000, 60000, 22000), 5: (0, 12500, 3400),
           7: (38000, 9500, 0), 8: (2500, 41000, 36500), 9: (5000, 7000, 1500),
           11: (3200, 1100, 0), 12: (0, 2800, 4600)}
    for r, vals in fin.items():
        f.grid("Fin", r, [m(v) for v in vals], first_col=4)
    obl = [(62000, 31000, 9000), (78000, 98000, 52000), (12000, 8000, 4000),
           (6700, 14000, 6000), (15000, 17900, 3000), (10000, 10000, 2000)]
    if errors:
        # The demo's first explainable error: 150 thousand left out of the
        # distribution by field of science.
        obl[4] = (15000, 17750, 3000)
    for r, vals in enumerate(obl, start=1):
        f.grid("FinObl", r, [m(v) for v in vals], first_col=4)
    granty = [("Национальный фонд научных исследований", "22-19-00412",
               "Разрушение композитных конструкций при циклическом нагружении",
               "Орлов Дмитрий Юрьевич", "Научно-исследовательский институт прикладной механики",
               "31.12.2024", 7000.0),
              ("Национальный фонд научных исследований", "21-79-10233",
               "Аддитивные технологии получения градиентных материалов",
               "Белова Анна Игоревна", "Лаборатория функциональных материалов", "30.06.2024",
               6000.0),
              ("Фонд поддержки фундаментальных исследований", "ФИ-2022-118",
               "Математические модели распределенных энергосистем",
               "Громов Артем Олегович", "Лаборатория возобновляемой энергетики", "31.12.2023",
               12000.0),
              ("Региональный фонд поддержки научной и научно-технической деятельности",
               "Р-22-045", "Цифровой двойник производственного участка",
               "Иванов Павел Сергеевич", "Кафедра технологии машиностроения", "31.12.2022",
               4500.0),
              ("Фонд поддержки молодых ученых", "МУ-22-007",
               "Диагностика усталостных трещин методом акустической эмиссии",
               "Зайцев Роман Андреевич", "Кафедра общей физики", "31.12.2023", 8500.0)]
    f.rows("Granty", [[a, b, c, d, e, g, m(h)] for a, b, c, d, e, g, h in granty])
    zakaz = [("Научно-исследовательский институт прикладной механики (г. %s)",
              "Н-2022/14 от 11.03.2022", "Прикладные исследования", 42000.0, 31000.0),
             ("Научно-исследовательский институт проблем энергетики (г. %s)",
              "Н-2022/27 от 02.06.2022", "Экспериментальные разработки", 18000.0, 9600.0),
             ("Институт вычислительных технологий (г. %s)", "Н-2022/31 от 15.07.2022",
              "Научно-технические услуги", 4800.0, 4800.0)]
    rows = []
    for pattern, num, kind, price, paid in zakaz:
        org = next(r for r in f.L["Vuz"].all_rows() if r[0].startswith(pattern.split(" (г.")[0]))
        rows.append([org[0], org[1], num, kind, m(price), m(paid)])
    f.rows("Zakaz", rows)

    publ = {1: (28, 2, 5, 28, 0, 3), 2: (64, 8, 15, 60, 0, 6), 3: (640, 110, 185, 600, 390, 70),
            4: (95, 60, 90, 20, 0, 40), 5: (410, 35, 90, 380, 0, 25),
            6: (45, None, None, 30, None, 0)}
    if errors:
        # The second explainable error: articles in foreign journals counted
        # in Scopus exceed the articles in foreign journals.
        publ[4] = (95, 60, 102, 20, 0, 40)
    for r, vals in publ.items():
        f.grid("Publ", r, [None if v is None else str(s(v)) for v in vals])
    rid = {1: (24, 18, 96, 3, 1250.0), 2: (15, 12, 40, 1, 180.0), 3: (2, 1, 5, 0, 0.0),
           4: (45, 45, 45, 2, 320.0), 5: (12, 12, 12, 0, 0.0), 6: (None, None, 8, 1, 150.0),
           8: (2, 1, 3, 0, 0.0)}
    for r, vals in rid.items():
        f.grid("RID", r, [None if v is None else (m(v) if k == 4 else str(v))
                          for k, v in enumerate(vals)])
    konf = [("Механика и технологии материалов", "Международная научная конференция",
             "Россия", "14.09.%d" % year, 230, 36, 140),
            ("Энергетика будущего", "Всероссийская конференция с международным участием",
             "Россия", "20.10.%d" % year, 150, 12, 88),
            ("Школа молодых ученых по аддитивным технологиям", "Школа молодых ученых",
             "Казахстан", "05.07.%d" % year, 60, 25, 30)]
    f.rows("Konf", [[a, b, c, d, str(e), str(g), str(h)] for a, b, c, d, e, g, h in konf])
    f.form("Rezult",
           title="Технология аддитивного изготовления деталей с градиентной структурой",
           area_code="2.5", area="Технологии материалов", spec_code="2.5.6",
           speciality="Технология машиностроения", dept="Лаборатория функциональных материалов",
           lead="Белова Анна Игоревна", year=str(year), pub_date="14.11.%d" % year,
           money=m(18500),
           descr="Разработана технология послойного лазерного сплавления, позволяющая получать "
                 "детали с плавным изменением состава по толщине.\nПрочность соединения слоев "
                 "на 30 % выше, чем у известных аналогов.",
           use="Детали газотурбинных двигателей и энергетических установок.")
    mezh = {1: (14, 12), 2: (9, 7), 3: (11, 8), 4: (46, 39), 6: (3, 2)}
    for r, (a, b) in mezh.items():
        f.grid("Mezh", r, [str(a), str(b)], first_col=4)
    f.grid("Mezh", 5, [m(3900), m(3400)], first_col=4)
    dog = [("Беларусь", "Институт механики металлополимерных систем",
            "Совместные исследования композитов", "12.02.2021", "31.12.2025", 1200.0),
           ("Казахстан", "Университет прикладных наук", "Подготовка кадров и обмен учеными",
            "01.09.2020", "31.08.2025", 0.0),
           ("Китай", "Институт новых материалов", "Аддитивные технологии", "18.05.2022",
            "17.05.2027", 2700.0),
           ("Сербия", "Технический факультет университета", "Совместные публикации",
            "10.10.2019", "09.10.2024", 0.0)]
    rows = []
    for country, partner, subject, d1, d2, vol in dog:
        row = f.pick_row("Strany", 1, country)
        rows.append([row[0], row[1], partner, subject, d1, d2, m(vol)])
    f.rows("MezhDog", rows)
    obor = {2: (2, 85000, 12000, 0), 3: (48, 260000, 110000, 35000),
            4: (130, 190000, 70000, 22000), 5: (150, 95000, 30000, 6000)}
    for r, (n, a, b, c) in obor.items():
        f.grid("Oborud", r, [str(n), m(a), m(b), m(c)])
    f.form("CKP", name="Центр коллективного пользования «Материаловедение и диагностика»",
           created="15.03.2012", area="Технологии материалов",
           dept="Центр коллективного пользования научным оборудованием",
           head="Лебедев Игорь Михайлович", site="https://ckp.example.org", units="48",
           cost=m(260000), users="37", users_ext="22", income=m(14800), load="78,5",
           services="Электронная микроскопия.\nРентгеноструктурный анализ.\n"
                    "Механические испытания материалов.")
    f.form("Kontakt", fio_a="Смирнова Ольга Викторовна", pos_a="Проректор по научной работе",
           tel_a="(8452) 21-43-60", mail_a="science@example.org",
           fio_b="Алексеева Татьяна Петровна", pos_b="Главный бухгалтер",
           tel_b="(8452) 21-43-70", mail_b="buh@example.org",
           fio_c="Кузнецов Андрей Павлович", pos_c="Начальник научно-исследовательской части",
           tel_c="(8452) 21-43-65", mail_c="nich@example.org", date="20.02.%d" % (year + 1))


ROWS_FULL = {"Podr": 6, "DisSov": 4, "NSh": 3, "Granty": 5, "Zakaz": 3, "Konf": 3,
             "MezhDog": 4, "Stazh": 3}


def fill_department(f, dept, staff):
    """A department fills its own part: staff, publications, its grants."""
    vuz = f.pick_row("Vuz", 1, "Северогорский государственный технический университет")
    f.form("Title", org=vuz[0], org_code=vuz[1], city=vuz[2], head_pos="Заведующий кафедрой",
           head_fio=staff, date="10.02.2023")
    row = f.pick_row("Podrazd", 1, dept)
    f.rows("Podr", [[row[0], row[1], row[2], staff, "40", "26", money(12000)]])
    f.grid("Kadry", 2, ["26", "9", "8", "5", "14"])
    f.grid("Kadry", 3, ["6", "4", "2", "0", "1"])
    f.grid("Kadry", 6, ["24", "8", "6", "5", "13"])
    f.grid("KadrDol", 2, ["4", "1", "0"], first_col=4)
    f.grid("KadrDol", 3, ["2", "14", "3"], first_col=4)
    f.grid("KadrDol", 4, ["0", "3", "4"], first_col=4)
    f.form("Org", npr="31", sci="0")
    f.grid("Publ", 3, ["48", "6", "11", "45", "30", "4"])
    f.grid("Publ", 5, ["31", "2", "7", "30", "0", "1"])
    f.grid("RID", 1, ["2", "1", "6", "0", money(0)])
    f.rows("Granty", [["Национальный фонд научных исследований", "22-19-00520",
                       "Моделирование технологических процессов", staff, dept, "31.12.2024",
                       money(3500)]])


def structure(version, title, subreport=False, folder=""):
    sections = gi.structure_sections()
    out = []
    for name, keys in sections:
        keys = list(keys)
        if name == "Отчет":
            keys = [(k, {"Версия": version, "Название": title}.get(k, v)) for k, v in keys]
            if subreport:
                keys = [(k, 1 if k == "Подотчет" else v) for k, v in keys]
                keys.append(("Папка", folder))
        if subreport and (name == "Раздел_7" or name.startswith("Пункт_7_")):
            keys = [(k, 1 if k == "Удален" else v) for k, v in keys]
        out.append((name, keys))
    return render_settings(out)


def write_folder(path, files, utf8):
    os.makedirs(path, exist_ok=True)
    for rel, text in files.items():
        full = os.path.join(path, rel)
        if utf8:
            data = text.encode("utf-8")
        else:
            data = text.replace("\n", "\r\n").encode("cp1251")
        with open(full, "wb") as out:
            out.write(data)


def report_files(f, blank_files, structure_text, structure_name=gi.STRUCTURE_FILE):
    files = {structure_name: structure_text}
    for name, tb in f.T.items():
        files[tb.file] = render_settings(tb.render())
    for rel, text in blank_files.items():
        if rel.startswith("TabIni/") and rel.endswith(".rtf"):
            files[rel[len("TabIni/"):]] = text
    return files


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    out = args[0]
    utf8 = "--utf8" in argv
    blank_files, _, _ = gi.build()
    made = {}

    f = Filler(build_lists(), ROWS_FULL)
    fill_report(f)
    B = f.recalc()
    made["Demo2022"] = (f, B, structure("23_00_22", gi.texts.REPORT_TITLE))

    f = Filler(build_lists(), ROWS_FULL)
    fill_report(f, scale=0.93, year=2021, errors=False)
    B = f.recalc()
    made["LastYear2021"] = (f, B, structure("22_00_21", gi.texts.REPORT_TITLE.replace("2022",
                                                                                         "2021")))
    for folder, dept, head in (("SubMech", "Кафедра технологии машиностроения",
                                "Иванов Павел Сергеевич"),
                               ("SubEco", "Кафедра экономики и финансов",
                                "Федорова Марина Алексеевна")):
        f = Filler(build_lists(), {"Podr": 1, "Granty": 1})
        fill_department(f, dept, head)
        B = f.recalc()
        made[folder] = (f, B, structure("23_00_22", gi.texts.REPORT_TITLE, subreport=True,
                                        folder=os.path.join(os.path.abspath(out), folder) + "/"))
    for folder, (f, B, st) in made.items():
        # Last year's report was made from last year's blank, named after its year.
        st_name = "Nir2021.str" if folder == "LastYear2021" else gi.STRUCTURE_FILE
        write_folder(os.path.join(out, folder), report_files(f, blank_files, st, st_name), utf8)
        status = f.statuses(B, blank_files)
        summary = {}
        for name, text in status.items():
            summary.setdefault(text.split(":")[0], []).append(name)
        print("%s: %s" % (folder, ", ".join("%s %d" % (k, len(v)) for k, v in sorted(summary.items()))))
        for name, text in status.items():
            if text.startswith("errors"):
                print("  %s %s" % (name, text))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
