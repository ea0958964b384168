"""Consistency checks of the generated installation.

Besides the format (code page, strict settings syntax, counts) this recomputes
the blank report the way the program will: every formula must calculate
without an error and every check rule must hold, so that a new report starts
with every table empty and no remark in its protocol.
"""

import re
from decimal import Decimal, ROUND_HALF_UP

from model import GridTable, FormTable, export_range

NO_VALUE = -1000000000


class Problems(list):
    def add(self, where, what):
        self.append("%s: %s" % (where, what))


def strict_settings(rel, text, P):
    lines = text.split("\n")
    if lines[-1] != "":
        P.add(rel, "no final line end")
    lines = lines[:-1]
    i = 0
    while i < len(lines):
        line = lines[i]
        if not (line.startswith("[") and line.endswith("]")):
            P.add(rel, "line %d: expected a section header, got %r" % (i + 1, line))
            return
        i += 1
        body = 0
        while i < len(lines) and lines[i] != "":
            k, sep, v = lines[i].partition("=")
            if not sep:
                P.add(rel, "line %d has no '='" % (i + 1))
            if k != k.strip() or (v and v[0] == " "):
                P.add(rel, "line %d: blank around '='" % (i + 1))
            body += 1
            i += 1
        if body == 0:
            P.add(rel, "empty section %s" % line)
        if i >= len(lines):
            P.add(rel, "section %s not followed by an empty line" % line)
            return
        i += 1
        if i < len(lines) and lines[i] == "":
            P.add(rel, "two empty lines after %s" % line)


def parse_settings(text):
    out = {}
    cur = None
    for line in text.split("\n"):
        if line.startswith("[") and line.endswith("]"):
            cur = out.setdefault(line[1:-1], {})
        elif "=" in line and cur is not None:
            k, _, v = line.partition("=")
            cur.setdefault(k, v)
    return out


# ------------------------------------------------------------------ blank evaluation

def num(text):
    try:
        return float(text.strip().replace(",", "."))
    except ValueError:
        return 0.0


def fmt(value, dec):
    """Fixed notation with dec decimals, ties rounded away from zero on the
    decimal representation (18 significant digits), as formula cells show."""
    d = Decimal("%.17e" % value).quantize(Decimal(1).scaleb(-max(dec, 0)),
                                          rounding=ROUND_HALF_UP)
    s = "%.*f" % (max(dec, 0), d)
    if s.startswith("-") and Decimal(s) == 0:
        s = s[1:]
    return s.replace(".", ",")


def general(value):
    """Up to 15 significant digits, as the groups of an expression are written."""
    s = "%.15g" % value
    return s.replace(".", ",")


class Blank:
    """Values of the blank report: inputs empty, formulas recomputed."""

    def __init__(self, T, P):
        self.T = T
        self.P = P
        self.values = {}
        for name, tb in T.items():
            for c in tb.cells:
                self.values[(name, id(c))] = c.cdef.cap if c.value is None else c.value

    def text(self, name, cell):
        return self.values[(name, id(cell))]

    def grid_cell(self, tb, r, c):
        if isinstance(tb, GridTable):
            if 1 <= r <= tb.row_count:
                for cell in tb.cells:
                    if cell.state == "D" and cell.row == r and cell.col == c:
                        return cell
                return None
            return None
        for cell in tb.cells:
            if cell.row == r and cell.col == c and r >= 1:
                return cell
        return None

    def by_number(self, tb, n):
        for cell in tb.cells:
            if cell.number == n:
                return cell
        return None

    def value_rule(self, name, cell):
        t = cell.type
        if t == 2 or t == 3:
            return num(self.text(name, cell))
        if t == 7:
            return num(self.calc(name, cell))
        return 0.0

    def calc(self, name, cell, depth=0):
        if depth > 50:
            raise RuntimeError("cycle")
        tb = self.T[name]
        form = cell.cdef.form
        words = form.split(" ")
        try:
            code = int(words[0])
        except ValueError:
            code = 0
        vertical = len(words) > 1 and words[1] == "0"
        dec = cell.cdef.dec
        r0, c0 = cell.row, cell.col
        if code in (0, 1, 2, 3, 4, 5, 6):
            if not isinstance(tb, GridTable):
                raise RuntimeError("sum formula in a form")
            total = 0.0
            if vertical:
                line = [(r, c0) for r in range(1, tb.row_count + 1)]
                pos = r0
            else:
                line = [(r0, c) for c in range(1, tb.col_count + 1)]
                pos = c0
            cells = [(k, self.grid_cell(tb, *rc)) for k, rc in enumerate(line, start=1)]
            if code in (0, 1):
                for k, other in cells:
                    if other is cell or other is None:
                        continue
                    if code == 1 and other.type not in (2, 3):
                        continue
                    total += self.value_rule(name, other)
            elif code in (2, 3, 4, 5):
                rng = range(pos - 1, 0, -1) if code in (2, 4) else range(pos + 1, len(line) + 1)
                for k in rng:
                    other = cells[k - 1][1]
                    if other.type in (2, 3):
                        total += self.value_rule(name, other)
                    elif code in (4, 5):
                        break
            else:
                for w in words[2:]:
                    k = int(w)
                    other = cells[abs(k) - 1][1]
                    v = self.value_rule(name, other)
                    total += v if k > 0 else -v
            if dec < 0:
                raise RuntimeError("sum formula without decimals")
            return fmt(total, dec)
        if code in (7, 8):
            expr = form.split(" ", 2)[2] if form.count(" ") >= 2 else form.replace(" ", "")
            expr = expr.replace(" ", "")
            if dec < 0:
                if code == 8:
                    ref = self.resolve_ref(name, expr)
                    return ref
                m = re.fullmatch(r"(\w+)\[(\(\d+(?::\d+)?\))\]", expr)
                if not m:
                    raise RuntimeError("text copy %r" % expr)
                return self.resolve_ref(m.group(1), m.group(2))
            if code == 8:
                value = self.evaluate(self.substitute(name, expr, depth))
            else:
                def group(m):
                    return general(self.evaluate(self.substitute(m.group(1), m.group(2), depth)))
                text = expr
                while "[" in text:
                    m = re.search(r"(\w+)\[([^\]]*)\]", text)
                    if not m:
                        raise RuntimeError("bad group in %r" % expr)
                    if m.group(1) not in self.T:
                        raise RuntimeError("no table %s" % m.group(1))
                    text = text[:m.start()] + group(m) + text[m.end():]
                value = self.evaluate(text)
            return fmt(value, dec)
        raise RuntimeError("code %d" % code)

    def resolve_ref(self, name, ref):
        tb = self.T[name]
        inner = ref[1:-1]
        if ":" in inner:
            r, c = (int(x) for x in inner.split(":"))
            cell = self.grid_cell(tb, r, c)
        else:
            cell = self.by_number(tb, int(inner))
        if cell is None:
            raise RuntimeError("reference %s%s selects no cell" % (name, ref))
        if cell.type == 7:
            return self.calc(name, cell, 1)
        return self.text(name, cell)

    def substitute(self, name, expr, depth):
        def one(m):
            v = self.resolve_ref(name, m.group(0))
            return v if v.strip() else "0"
        return re.sub(r"\(\d+(?::\d+)?\)", one, expr)

    def evaluate(self, text):
        py = text.replace(",", ".").replace("^", "**")
        if not re.fullmatch(r"[0-9.+\-*/() ]+", py):
            raise RuntimeError("cannot evaluate %r" % text)
        try:
            return float(eval(py, {"__builtins__": {}}))
        except ZeroDivisionError:
            raise RuntimeError("Divide by zero in %r" % text)

    def recalc_all(self):
        for name, tb in self.T.items():
            for cell in tb.cells:
                if cell.type == 7:
                    try:
                        self.values[(name, id(cell))] = self.calc(name, cell)
                    except (RuntimeError, ValueError, IndexError, AttributeError) as e:
                        self.P.add(name, "formula %r of cell %d: %s"
                                   % (cell.cdef.form, cell.number, e))

    def is_empty(self, name):
        tb = self.T[name]
        for cell in tb.cells:
            if cell.state != "D":
                continue
            t = cell.type
            v = self.text(name, cell)
            if t in (0, 8, 9, 10, 11, 13):
                continue
            if t in (1, 4, 5, 6, 12):
                if v.strip():
                    return False
            elif t in (2, 3, 7):
                if num(v) != 0:
                    return False
            else:
                return False
        return True

    # -------------------------------------------------------------- rules

    OPS = ["<>", ">=", "<=", "=", ">", "<", "|"]

    def rule_holds(self, name, rule):
        cond = rule.split(";", 1)[0]
        tb = self.T[name]
        if "*" in cond:
            # Every "*" is a row placeholder, so a rule cannot multiply.
            rows = tb.row_count if isinstance(tb, GridTable) else 0
            for i in range(1, rows + 1):
                if not self.test(name, cond.replace("*", str(i))):
                    return False
            return True
        return self.test(name, cond)

    def operand(self, name, text, empty_mode):
        text = text.strip()
        m = re.fullmatch(r"(\w*)\((\d+)(?:[ ,](\d+))?\)", text)
        if m:
            tname = m.group(1) or name
            if m.group(1) and tname not in self.T:
                raise RuntimeError("no table %s" % tname)
            tb = self.T[tname]
            if m.group(3):
                r, c = int(m.group(2)), int(m.group(3))
                if empty_mode and not m.group(1):
                    cell = self.by_number(tb, c)
                    return 0.0, self.text(tname, cell).strip() if cell else ""
                cell = self.grid_cell(tb, r, c)
            else:
                n = int(m.group(2))
                if empty_mode and not m.group(1):
                    cell = self.by_number(tb, n)
                    if cell is None:
                        raise RuntimeError("cell %d missing" % n)
                    return 0.0, self.text(tname, cell).strip()
                raise RuntimeError("numeric operand by cell number (%d)" % n)
            if cell is None:
                raise RuntimeError("address %s selects no cell" % text)
            return num(self.text(tname, cell)), None
        if text == "пусто":
            return float(NO_VALUE), None
        if re.fullmatch(r"\d+(,\d+)?", text):
            return num(text), None
        raise RuntimeError("operand %r cannot be parsed" % text)

    def test(self, name, cond):
        m = re.match(r"\s*([^<=>|]+?)\s*(<>|>=|<=|=|>|<|\|)\s*(.+)$", cond)
        if not m:
            raise RuntimeError("cannot parse %r" % cond)
        left, op, right = m.groups()
        parts = re.split(r"\s*([*+\-/])\s*", right)
        empty_mode = parts[0].strip() == "пусто"
        captured = ""
        lv, cap = self.operand(name, left, empty_mode)
        if cap is not None:
            captured = cap
        vals = []
        for k, p in enumerate(parts):
            if k % 2:
                vals.append(p)
            else:
                v, cap = self.operand(name, p, empty_mode)
                if cap is not None:
                    captured = cap
                if v <= -999999999 and not empty_mode:
                    raise RuntimeError("no value in %r" % cond)
                vals.append(v)
        if op == "<>" and "пусто" in right:
            return captured.strip() != ""
        if empty_mode and captured:
            lv = num(captured)
            vals = [num(captured)]
        # right side: * and / first, then + and -
        seq = list(vals)
        for ops in (("*", "/"), ("+", "-")):
            i = 1
            while i < len(seq):
                if seq[i] in ops:
                    a, b = seq[i - 1], seq[i + 1]
                    res = {"*": a * b, "/": a / b if b else 0, "+": a + b, "-": a - b}[seq[i]]
                    seq[i - 1:i + 2] = [res]
                else:
                    i += 2
        rv = seq[0]
        return {"=": lv == rv, "<>": lv != rv, ">": lv > rv, ">=": lv >= rv,
                "<": lv < rv, "<=": lv <= rv,
                "|": (lv == 0) == (rv == 0)}[op]


# ------------------------------------------------------------------ main check

def overlaps(cells):
    out = []
    for i, a in enumerate(cells):
        for b in cells[i + 1:]:
            if (a.left < b.left + b.width and b.left < a.left + a.width and
                    a.top < b.top + b.height and b.top < a.top + a.height):
                out.append((a, b))
    return out


def validate(files, T, L):
    P = Problems()
    for rel, text in files.items():
        try:
            text.encode("cp1251")
        except UnicodeEncodeError as e:
            P.add(rel, "not representable in Windows-1251: %s" % e)
        if rel.endswith(".rtf"):
            if any(ord(ch) > 127 for ch in text):
                P.add(rel, "RTF is not pure ASCII")
        elif not rel.endswith(".txt") and not rel.endswith(".bin"):
            strict_settings(rel, text, P)

    lists = {vl.file: vl for vl in L.values()}

    # Structure and files behind its items.
    st = [v for k, v in files.items() if k.endswith(".str")]
    s = parse_settings(st[0])
    if s["Отчет"]["Версия"] != "23_00_22":
        P.add("structure", "version")
    nsec = int(s["Отчет"]["Количество_разделов"])
    items = 0
    start_found = False
    for n in range(1, nsec + 1):
        for m in range(1, int(s["Раздел_%d" % n]["Количество_пунктов"]) + 1):
            it = s["Пункт_%d_%d" % (n, m)]
            items += 1
            if "TabIni/" + it["Файл"] not in files:
                P.add("structure", "no file %s" % it["Файл"])
            if it["Тип"] == "0" and it["Файл"].split(".")[0] not in T:
                P.add("structure", "table %s not defined" % it["Файл"])
            if it["Файл"] == s["Отчет"]["Начало печати"] and n == 1:
                start_found = True
    if nsec < 6 or items < 25:
        P.add("structure", "%d sections, %d items" % (nsec, items))
    if not start_found:
        P.add("structure", "print start is not an item of section 1")

    # Tables.
    for name, tb in T.items():
        where = tb.file
        if isinstance(tb, GridTable):
            seen = {}
            for c in tb.cells:
                if c.state == "D":
                    seen[(c.row, c.col)] = seen.get((c.row, c.col), 0) + 1
            for r in range(1, tb.row_count + 1):
                for c in range(1, tb.col_count + 1):
                    if seen.get((r, c)) != 1:
                        P.add(where, "grid position %d-%d" % (r, c))
            for state in "HTDB":
                for a, b in overlaps([c for c in tb.cells if c.state == state]):
                    P.add(where, "cells %d and %d overlap" % (a.number, b.number))
            if tb.growing and not (300000000 < tb.bl1 < 400000000):
                P.add(where, "growing table without growing BL1")
            for c in tb.cells:
                if c.state == "T" and c.top < tb.min_top:
                    P.add(where, "heading above MinTop")
                if c.state == "D" and c.top < tb.min_top_d:
                    P.add(where, "data above MinTopD")
        else:
            for a, b in overlaps(tb.cells):
                P.add(where, "cells %d and %d overlap" % (a.number, b.number))
            keys = {}
            for c in tb.cells:
                if c.row > 0:
                    if (c.row, c.col) in keys:
                        P.add(where, "two cells with Row %d Col %d" % (c.row, c.col))
                    keys[(c.row, c.col)] = c
        for c in tb.cells:
            s_ = c.cdef
            if c.type == 6:
                vl = lists.get(s_.list)
                if vl is None:
                    P.add(where, "cell %d: no list %s" % (c.number, s_.list))
                    continue
                if s_.listcode != vl.code:
                    P.add(where, "cell %d: list code" % c.number)
                codes = [vl.column_code(k) for k in range(1, len(vl.fields) + 1)]
                if c.bobj not in codes:
                    P.add(where, "cell %d: BObj %d is no column of %s" % (c.number, c.bobj, vl.file))
            if c.type == 1 and s_.list and s_.list not in lists:
                P.add(where, "cell %d: no list %s" % (c.number, s_.list))
            if c.state == "D" and export_range(c.type):
                lo = export_range(c.type) * 1000000
                if not lo < c.bobj < lo + 1000000:
                    P.add(where, "cell %d: BObj %d out of its range" % (c.number, c.bobj))
            if c.type == 3 and s_.dec < 0:
                P.add(where, "real cell %d without decimals" % c.number)

    # Blank recomputation: formulas, rules, emptiness.
    B = Blank(T, P)
    B.recalc_all()
    chk = parse_settings(files["TabIni/Check.chk"])
    total_rules = 0
    for sec, keys in chk.items():
        if sec not in T:
            P.add("Check.chk", "section for unknown table %s" % sec)
            continue
        count = int(keys["Count"])
        total_rules += count
        for k in range(1, count + 1):
            rule = keys.get(str(k))
            if rule is None:
                P.add("Check.chk", "[%s] rule %d missing" % (sec, k))
                continue
            try:
                if not B.rule_holds(sec, rule):
                    P.add("Check.chk", "[%s] rule %d fails on the blank report: %s" % (sec, k, rule))
            except (RuntimeError, ValueError) as e:
                P.add("Check.chk", "[%s] rule %d cannot be tested: %s (%s)" % (sec, k, rule, e))
    if total_rules < 40:
        P.add("Check.chk", "only %d rules" % total_rules)
    for name in T:
        if not B.is_empty(name):
            P.add(name, "blank table is not empty")

    # Options.
    opt = parse_settings(files["TabIni/Options.cnf"])
    title = T["Title"]
    cell = B.by_number(title, int(opt["Наименование вуза"]["Ячейка"]))
    if cell is None or cell.type != 6:
        P.add("Options.cnf", "name cell is not a list cell")
    cell = B.by_number(title, int(opt["Наименование вуза новое"]["Ячейка"]))
    if cell is None or cell.type != 1:
        P.add("Options.cnf", "hand-typed name cell is not a text cell")
    imp = opt["Импортируемые таблицы"]
    for k in range(1, int(imp["Количество"]) + 1):
        parts = [p for p in imp[str(k)].split(";") if p]
        if "TabIni/" + parts[1] not in files:
            P.add("Options.cnf", "import entry %d names a missing file" % k)

    keys = opt["Основные показатели"]
    for k in range(1, int(keys["Количество"]) + 1):
        name, row, col, _ = keys[str(k)].split(";", 3)
        tb = T.get(name[:-len(".ini")])
        row, col = int(row), int(col)
        if tb is None:
            P.add("Options.cnf", "key total %d names a missing table" % k)
        elif row == 0 and not getattr(tb, "totals", {}).get(col):
            P.add("Options.cnf", "key total %d: no total in column %d" % (k, col))
        elif row > 0 and not any(c.state == "D" and c.row == row and c.col == col and c.type in (2, 3, 7)
                                 for c in tb.cells):
            P.add("Options.cnf", "key total %d: no figure in row %d, column %d" % (k, row, col))

    # Print settings and templates.
    pr = parse_settings(files["PrintDocs/Print.ini"])
    for name in T:
        if "PrintDocs/%s.rtf" % name not in files:
            P.add("PrintDocs", "no template for %s" % name)
    nf = pr["Таблицы не фиксированные"]
    for k in range(1, int(nf["Количество"]) + 1):
        tname = nf[str(k)]
        sec = pr[tname]
        rows_in_template = files["PrintDocs/%s.rtf" % tname].count("\\row")
        for i in range(1, int(sec["Количество"]) + 1):
            n_, r_, c_ = (int(x) for x in sec[str(i)].split("-"))
            if B.by_number(T[tname], n_) is None:
                P.add("Print.ini", "%s map %d: no cell %d" % (tname, i, n_))
            if not 1 <= r_ <= rows_in_template or c_ != 2:
                P.add("Print.ini", "%s map %d: target %d-%d outside the template" % (tname, i, r_, c_))
    extra = pr["Дополнительные ячейки"]
    for key, value in extra.items():
        if key != "Таблица" and B.by_number(T[extra["Таблица"]], int(value)) is None:
            P.add("Print.ini", "additional cell %s" % key)

    # Instructions name real tables.
    for line in files["TabIni/Instr.txt"].split("\n"):
        if line.startswith("["):
            if line[1:-1] not in T:
                P.add("Instr.txt", "section %s" % line)

    # Institutions: each name is found first on its own row, codes are six characters.
    vuz = L["Vuz"]
    text = files["TabLst/" + vuz.file]
    cyr = 0
    for r, (name, code, city) in enumerate(vuz.rows, start=1):
        pos = text.find(name)
        line_start = text.rfind("\n", 0, pos) + 1
        if text[line_start:pos] != "0_%d_1=" % r:
            P.add(vuz.file, "name %r first found on another line" % name)
        if len(code) != 6:
            P.add(vuz.file, "code %r" % code)
        if "Н" in code or "В" in code:
            cyr += 1
    if cyr < 5:
        P.add(vuz.file, "too few codes with Cyrillic letters")
    for vl in L.values():
        vt = files["TabLst/" + vl.file]
        bvs = re.findall(r"\.BV=(\d+)\n", vt)
        if len(bvs) != len(set(bvs)):
            P.add(vl.file, "duplicate .BV codes")
    return P
