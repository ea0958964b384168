"""Table definitions of the blank report and their table-file form.

A table is described once, in terms of rows, columns and named cells; this
module lays it out (pixel geometry of every section), gives every cell its
export code and writes the table file in the order in which the program itself
saves one, so that a blank file and a saved file look alike.
"""

from inifmt import encode_cap

# Fill colours as the table files store them (decimal, lowest byte red).
WHITE = 16777215
CAPTION_BG = 15790320   # $F0F0F0: row captions
HEAD_BG = 14737632      # $E0E0E0: column headings, "X" cells
FORMULA_BG = 13434879   # $CCFFFF: light yellow, computed cells
CLOSED_BG = 12632256    # $C0C0C0: cells that are not filled in

FONT = "Arial,9,0000,clBlack"
FONT_BOLD = "Arial,9,1000,clBlack"
FONT_TITLE = "Arial,11,1000,clBlack"
FONT_SMALL = "Arial,8,0000,clBlack"

# Page settings: (orientation, left, top, right, bottom) in millimetres.
PORTRAIT = (0, 30, 15, 10, 20)
LANDSCAPE = (1, 20, 30, 15, 10)

NUMBER_TYPES = (2, 3)


class CellDef:
    """What a cell is before it is placed: type and type-specific keys."""

    def __init__(self, type, cap="", dec=-1, len=0, list="", listcode=-1,
                 lcode=None, form="-1", direct=1, hint="", key=None,
                 bobj=None, bg=None, font=None, align=None, frame=1):
        self.type = type
        self.cap = cap
        self.dec = dec
        self.len = len
        self.list = list
        self.listcode = listcode
        self.lcode = lcode        # column code of the list column
        self.form = form
        self.direct = direct
        self.hint = hint
        self.key = key            # name by which rules and maps find the cell
        self.bobj = bobj
        self.bg = bg
        self.font = font
        self.align = align
        self.frame = frame


# Short constructors used by the table definitions.
def Cap(text, **kw):
    kw.setdefault("bg", CAPTION_BG)
    kw.setdefault("align", 4)
    return CellDef(0, cap=text, **kw)


def RowNo(**kw):
    kw.setdefault("bg", CAPTION_BG)
    return CellDef(9, **kw)


def Int(**kw):
    kw.setdefault("len", 9)
    return CellDef(2, **kw)


def Real(dec=1, **kw):
    kw.setdefault("len", 15)
    return CellDef(3, dec=dec, **kw)


def Formula(form, dec=0, **kw):
    kw.setdefault("bg", FORMULA_BG)
    return CellDef(7, form=form, dec=dec, **kw)


def Closed(**kw):
    kw.setdefault("bg", CLOSED_BG)
    return CellDef(12, **kw)


def Cross(**kw):
    kw.setdefault("bg", HEAD_BG)
    return CellDef(13, cap="Х", **kw)


def Text(len=255, list="", **kw):
    return CellDef(1, len=len, list=list, **kw)


def Date(**kw):
    return CellDef(4, **kw)


def Memo(len=0, **kw):
    return CellDef(5, len=len, **kw)


class Cell:
    def __init__(self, cdef, state, top, left, width, height, col=0, row=0):
        self.cdef = cdef
        self.state = state
        self.top = top
        self.left = left
        self.width = width
        self.height = height
        self.col = col
        self.row = row
        self.number = 0
        self.bobj = -1
        self.value = None         # a filled-in value; None keeps the definition's caption
        self.bval = -1
        self.blist = -1

    @property
    def type(self):
        return self.cdef.type

    def sections_keys(self):
        s = self.cdef
        t = s.type
        keys = [("State", self.state), ("Type", t)]
        if t in (1, 2, 3):
            keys.append(("Len", s.len))
        if t == 2:
            keys.append(("Dec", 0))
        elif t in (3, 7):
            keys.append(("Dec", s.dec))
        if t in (1, 5):
            keys.append(("List", s.list))
            keys.append(("DirectInput", s.direct))
        if t == 6:
            keys.append(("List", s.list))
            keys.append(("ListCode", s.listcode))
            keys.append(("DirectInput", s.direct))
        if t == 7:
            keys.append(("Form", s.form))
        keys += [("BObj", self.bobj), ("BVal", self.bval), ("BList", self.blist),
                 ("Col", self.col), ("Row", self.row)]
        align = s.align
        if align is None:
            align = 1 if t == 5 else 5
        bg = s.bg if s.bg is not None else WHITE
        keys.append(("Vis", "%d %d %d %d %d %d" % (self.top, self.left, self.width,
                                                   self.height, align, bg)))
        keys.append(("Frame", s.frame))
        keys.append(("Cap", encode_cap(s.cap if self.value is None else self.value)))
        keys.append(("Font", s.font or FONT))
        if s.hint and t in (6, 7):
            keys.append(("Hint", encode_cap(s.hint)))
        return keys


def export_range(t):
    """The value form of a cell type in the data lines: list and text values,
    numbers, and quoted texts (dates, long texts)."""
    if t in (1, 6):
        return 101
    if t in (2, 3):
        return 103
    if t in (4, 5):
        return 105
    return None


class Table:
    """Common part of grid and form tables."""

    def __init__(self, name, code, number, title, page=PORTRAIT):
        self.name = name
        self.code = code              # two-digit table code in export codes
        self.number = number
        self.title = title
        self.page = page
        self.cells = []               # in table-file order once finished
        self.keys = {}
        self.growing = False
        self.fixed = 1
        self.bl0 = 2200 + code
        self.bl1 = 200000000 + code
        self.main_num = 0
        self.min_left = self.min_top = self.min_top_d = 0
        self.row_count = self.col_count = 0

    @property
    def file(self):
        return self.name + ".ini"

    def cell(self, key):
        return self.keys[key]

    def num(self, key):
        return self.keys[key].number

    def finish_numbers(self):
        for n, c in enumerate(self.cells, start=2):
            c.number = 0 if self.growing else n
            if c.cdef.key:
                if c.cdef.key in self.keys:
                    raise ValueError("%s: key %s twice" % (self.name, c.cdef.key))
                self.keys[c.cdef.key] = c

    def render(self):
        orient, left, top, right, bottom = self.page
        name = number = ""
        for c in self.cells:
            if c.type == 10:
                name = c.cdef.cap.replace("||", " ").replace("\n", " ")
            if c.type == 11:
                number = c.cdef.cap.replace("||", " ").replace("\n", " ")
        count = len(self.cells)
        table = [("PageOrient", orient), ("PageBottom", bottom), ("PageLeft", left),
                 ("PageRight", right), ("PageTop", top), ("Count", count),
                 ("BL0", self.bl0), ("BL1", self.bl1), ("BMainNum", self.main_num),
                 ("FirstCell", 2), ("LastCell", count + 1), ("Fixed", self.fixed),
                 ("MinLeft", self.min_left), ("MinTop", self.min_top),
                 ("MinTopD", self.min_top_d), ("RowCount", self.row_count),
                 ("ColCount", self.col_count), ("Name", name), ("NumTab", number)]
        sections = [("Table", table)]
        for n, c in enumerate(self.cells, start=2):
            sections.append(("Cell_%d" % n, c.sections_keys()))
        return sections


class GridTable(Table):
    """A table with header, column headings, data grid and footer.

    columns: list of (heading, width); groups: (first, last, caption) spans
    over the headings; rows: one list of Specs per data row.
    """

    ROW_H = 24

    def __init__(self, name, code, number, title, columns, rows, unit="",
                 groups=(), page=PORTRAIT, growing=False, totals=None,
                 footer=None, row_heights=None, heading_h=60):
        super().__init__(name, code, number, title, page)
        self.columns = columns
        self.groups = list(groups)
        self.rows = rows
        self.unit = unit
        self.growing = growing
        self.totals = totals or {}
        self.footer_spec = footer
        self.row_heights = row_heights or {}
        self.heading_h = heading_h
        if growing:
            self.bl1 = 300000000 + code

    def layout(self, title_refs):
        x0 = 10
        self.min_left = x0
        widths = [w for _, w in self.columns]
        lefts = []
        x = x0
        for w in widths:
            lefts.append(x)
            x += w
        total = x - x0
        ncol = len(widths)
        self.col_count = ncol
        self.row_count = len(self.rows)
        header, top, data, footer = [], [], [], []

        # Header: organisation, table number, title, unit.
        y = 10
        header.append(Cell(Formula("7 0 Title[(%d)]" % title_refs["org"], dec=-1,
                                   bg=WHITE, frame=0, align=4, font=FONT_SMALL,
                                   hint="Наименование организации (из титульного листа)"),
                           "H", y, x0, total, 20))
        y += 22
        header.append(Cell(CellDef(11, cap=self.number, frame=0, align=6, font=FONT_BOLD),
                           "H", y, x0, total, 20))
        y += 22
        header.append(Cell(CellDef(10, cap=self.title, frame=0, align=5, font=FONT_TITLE),
                           "H", y, x0, total, 44))
        y += 46
        if self.unit:
            header.append(Cell(CellDef(0, cap=self.unit, frame=0, align=6), "H", y, x0, total, 18))
            y += 20
        self.min_top = y + 4

        # Column headings: optional group band, captions, then column numbers.
        y = self.min_top
        band = 30 if self.groups else 0
        grouped = {}
        for first, last, caption in self.groups:
            gl = lefts[first - 1]
            gw = sum(widths[first - 1:last])
            top.append(Cell(CellDef(0, cap=caption, bg=HEAD_BG, font=FONT_BOLD), "T",
                            y, gl, gw, band))
            for c in range(first, last + 1):
                grouped[c] = True
        for c, (heading, w) in enumerate(self.columns, start=1):
            if c in grouped:
                top.append(Cell(CellDef(0, cap=heading, bg=HEAD_BG), "T", y + band,
                                lefts[c - 1], w, self.heading_h))
            else:
                top.append(Cell(CellDef(0, cap=heading, bg=HEAD_BG), "T", y,
                                lefts[c - 1], w, band + self.heading_h))
        y += band + self.heading_h
        for c in range(1, ncol + 1):
            top.append(Cell(CellDef(8, cap=str(c), bg=HEAD_BG, font=FONT_SMALL), "T", y,
                            lefts[c - 1], widths[c - 1], 18))
        y += 18
        self.min_top_d = y

        # Data grid.
        for r, row in enumerate(self.rows, start=1):
            if len(row) != ncol:
                raise ValueError("%s row %d has %d cells" % (self.name, r, len(row)))
            h = self.row_heights.get(r, self.ROW_H)
            for c, cdef in enumerate(row, start=1):
                if cdef.type == 9:
                    cdef = CellDef(9, cap=str(r), bg=cdef.bg, key=cdef.key)
                cell = Cell(cdef, "D", y, lefts[c - 1], widths[c - 1], h, col=c, row=r)
                data.append(cell)
            y += h

        # Footer: totals of a growing table, then the signatures.
        y += 6
        if self.totals:
            first_total = min(self.totals)
            cap_w = sum(widths[:first_total - 1])
            footer.append(Cell(CellDef(0, cap="Итого", bg=CAPTION_BG, font=FONT_BOLD, align=6),
                               "B", y, x0, cap_w, self.ROW_H))
            for c in range(first_total, ncol + 1):
                if c in self.totals:
                    cdef = Formula(self.totals[c][0], dec=self.totals[c][1])
                else:
                    cdef = CellDef(0, bg=CAPTION_BG)
                footer.append(Cell(cdef, "B", y, lefts[c - 1], widths[c - 1], self.ROW_H,
                                   col=c))
            y += self.ROW_H + 10
        footer += signature_cells(x0, y, total, title_refs)

        self.cells = header + top + data + footer
        self.finish_numbers()
        self.assign_export_codes()

    def assign_export_codes(self):
        for c in self.cells:
            if c.state != "D":
                continue
            s = c.cdef
            if s.bobj is not None:
                c.bobj = s.bobj
                continue
            if s.type == 6:
                c.bobj = s.lcode
                continue
            rng = export_range(s.type)
            if rng is None:
                continue
            row = 0 if self.growing else c.row
            c.bobj = rng * 1000000 + self.code * 10000 + row * 100 + c.col

    def data_cell(self, r, c):
        for cell in self.cells:
            if cell.state == "D" and cell.row == r and cell.col == c:
                return cell
        raise KeyError((r, c))


def signature_cells(x0, y, total, refs):
    """Footer of every grid table: the head's position and name taken from the
    title form, a signature line and the date of the report."""
    w1 = int(total * 0.40)
    w2 = int(total * 0.25)
    w3 = total - w1 - w2
    cells = [
        Cell(Formula("7 0 Title[(%d)]" % refs["head_pos"], dec=-1, bg=WHITE, frame=0,
                     align=4, hint="Должность руководителя (из титульного листа)"),
             "B", y, x0, w1, 30),
        Cell(CellDef(0, cap="_______________||(подпись)", frame=0, align=5, font=FONT_SMALL),
             "B", y, x0 + w1, w2, 30),
        Cell(Formula("7 0 Title[(%d)]" % refs["head_fio"], dec=-1, bg=WHITE, frame=0,
                     align=4, hint="Фамилия, имя, отчество руководителя (из титульного листа)"),
             "B", y, x0 + w1 + w2, w3, 30),
        Cell(CellDef(0, cap="Дата составления отчета:", frame=0, align=6), "B", y + 34, x0, w1, 20),
        Cell(Formula("7 0 Title[(%d)]" % refs["date"], dec=-1, bg=WHITE, frame=0, align=4,
                     hint="Дата составления отчета (из титульного листа)"),
             "B", y + 34, x0 + w1, w2, 20),
    ]
    return cells


class FormTable(Table):
    """A form: captions and input cells placed freely, all in one row."""

    X0 = 10
    WIDTH = 680
    CAP_W = 300
    GAP = 4

    def __init__(self, name, code, number, title, page=PORTRAIT):
        super().__init__(name, code, number, title, page)
        self.fixed = 0
        self.y = 10
        self.line_no = 0
        self.placed = []
        self.place(CellDef(11, cap=number, frame=0, align=6, font=FONT_BOLD),
                    self.X0, self.WIDTH, 20)
        self.y += 22
        self.place(CellDef(10, cap=title, frame=0, align=5, font=FONT_TITLE),
                   self.X0, self.WIDTH, 44)
        self.y += 52

    def place(self, cdef, left, width, height, col=0, row=0):
        self.placed.append(Cell(cdef, "D", self.y, left, width, height, col=col, row=row))

    def heading(self, text, height=22):
        self.place(CellDef(0, cap=text, frame=0, align=4, font=FONT_BOLD), self.X0,
                   self.WIDTH, height)
        self.y += height + self.GAP

    def line(self, caption, cdef, height=24, cap_w=None):
        """A caption on the left, one input cell on the right."""
        self.line_no += 1
        cap_w = cap_w or self.CAP_W
        self.place(Cap(caption), self.X0, cap_w, height)
        self.place(cdef, self.X0 + cap_w + 4, self.WIDTH - cap_w - 4, height,
                   col=1, row=self.line_no)
        self.y += height + self.GAP

    def pair(self, cap1, spec1, cap2, spec2, height=24):
        """Two caption and input pairs on one line."""
        self.line_no += 1
        half = (self.WIDTH - 4) // 2
        cw = 190
        vw = half - cw - 4
        x = self.X0
        self.place(Cap(cap1), x, cw, height)
        self.place(spec1, x + cw + 4, vw, height, col=1, row=self.line_no)
        x = self.X0 + half + 4
        self.place(Cap(cap2), x, cw, height)
        self.place(spec2, x + cw + 4, self.WIDTH - (x - self.X0) - cw - 4, height,
                   col=2, row=self.line_no)
        self.y += height + self.GAP

    def block(self, caption, cdef, height=80):
        """A caption line above a wide input cell (long texts)."""
        self.line_no += 1
        self.place(Cap(caption), self.X0, self.WIDTH, 22)
        self.y += 22 + 2
        self.place(cdef, self.X0, self.WIDTH, height, col=1, row=self.line_no)
        self.y += height + self.GAP

    def raw(self, cdef, left, width, height, col=0, row=0):
        self.place(cdef, left, width, height, col, row)

    def skip(self, dy):
        self.y += dy

    def finish(self):
        self.cells = self.placed
        self.finish_numbers()
        for c in self.cells:
            s = c.cdef
            if s.bobj is not None:
                c.bobj = s.bobj
            elif s.type == 6:
                c.bobj = s.lcode
            else:
                rng = export_range(s.type)
                if rng is not None:
                    c.bobj = rng * 1000000 + self.code * 10000 + c.row * 100 + c.col

    def rc(self, key):
        c = self.keys[key]
        return "%d %d" % (c.row, c.col)

    def ref(self, key):
        c = self.keys[key]
        return "(%d:%d)" % (c.row, c.col)
