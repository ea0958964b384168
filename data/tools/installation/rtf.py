"""RTF writing for the print templates and the blank documents.

Everything is written as 7-bit ASCII: Cyrillic letters go out as \\'xx
escapes of the Windows-1251 code page, so a file means the same whatever the
build does to its line ends or code page.
"""

PAGE_PORTRAIT = (11906, 16838, 1701, 567, 1134, 1134)    # w, h, left, right, top, bottom
PAGE_LANDSCAPE = (16838, 11906, 1134, 851, 1701, 850)


def esc(text):
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\line ")
        elif ch == "\t":
            out.append("\\tab ")
        elif ord(ch) < 128:
            out.append(ch)
        else:
            out.append("\\'%02x" % ch.encode("cp1251")[0])
    return "".join(out)


def text_width(landscape):
    w, _, left, right, _, _ = PAGE_LANDSCAPE if landscape else PAGE_PORTRAIT
    return w - left - right


class Rtf:
    def __init__(self, landscape=False):
        self.landscape = landscape
        self.parts = []

    def raw(self, s):
        self.parts.append(s)

    def par(self, text="", align="l", bold=False, size=24, style=None, space_after=120,
            italic=False, indent_first=0):
        fmt = "\\pard\\plain"
        if style == 1:
            fmt += "\\s1\\keepn\\outlinelevel0"
        elif style == 2:
            fmt += "\\s2\\keepn\\outlinelevel1"
        fmt += "\\q%s\\sa%d" % (align, space_after)
        if indent_first:
            fmt += "\\fi%d" % indent_first
        fmt += "\\f0\\fs%d" % size
        if bold:
            fmt += "\\b"
        if italic:
            fmt += "\\i"
        self.parts.append(fmt + " " + esc(text) + "\\par")

    def table(self, rows, widths, borders=True, size=18, bold_rows=(), align_rows=None,
              header_rows=0, col_align=None):
        """rows: list of lists of texts; widths: twips per column."""
        total = sum(widths)
        for i, row in enumerate(rows):
            if len(row) != len(widths):
                raise ValueError("row %d has %d cells, expected %d" % (i, len(row), len(widths)))
            head = "\\trowd\\trgaph70\\trleft0\\trqc"
            if i < header_rows:
                head += "\\trhdr"
            cells = []
            x = 0
            for j, w in enumerate(widths):
                x += w
                b = ""
                if isinstance(row[j], tuple):
                    b = row[j][1]          # merge flags of the cell
                if borders:
                    b += ("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                          "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10")
                cells.append("%s\\clvertalc\\cellx%d" % (b, x))
            self.parts.append(head + "".join(cells))
            line = []
            for j, text in enumerate(row):
                if isinstance(text, tuple):
                    text = text[0]
                if align_rows and i in align_rows:
                    a = align_rows[i]
                elif col_align:
                    a = col_align[j]
                else:
                    a = "c"
                fmt = "\\pard\\plain\\intbl\\q%s\\f0\\fs%d" % (a, size)
                if i in bold_rows:
                    fmt += "\\b"
                line.append(fmt + " " + esc(text) + "\\cell")
            self.parts.append("".join(line))
            self.parts.append("\\row")
        self.parts.append("\\pard\\plain\\f0\\fs%d\\sa0\\par" % size)
        return total

    def field_toc(self, placeholder):
        self.parts.append("\\pard\\plain\\ql\\f0\\fs24 {\\field{\\*\\fldinst { TOC \\\\o \"1-2\" "
                          "\\\\h \\\\z }}{\\fldrslt {" + esc(placeholder) + "}}}\\par")

    def page_break(self):
        self.parts.append("\\pard\\plain\\page")

    def render(self):
        w, h, left, right, top, bottom = PAGE_LANDSCAPE if self.landscape else PAGE_PORTRAIT
        head = [
            "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049",
            "{\\fonttbl{\\f0\\froman\\fcharset204 Times New Roman;}{\\f1\\fswiss\\fcharset204 Arial;}}",
            "{\\colortbl;\\red0\\green0\\blue0;}",
            "{\\stylesheet{\\ql\\f0\\fs24 Normal;}"
            "{\\s1\\ql\\keepn\\outlinelevel0\\b\\f0\\fs28\\sbasedon0\\snext0 heading 1;}"
            "{\\s2\\ql\\keepn\\outlinelevel1\\b\\f0\\fs24\\sbasedon0\\snext0 heading 2;}}",
            "{\\info{\\title " + esc("Отчет о научной деятельности") + "}}",
            ("\\paperw%d\\paperh%d\\margl%d\\margr%d\\margt%d\\margb%d" %
             (w, h, left, right, top, bottom)) + ("\\landscape" if self.landscape else ""),
            "\\sectd" + ("\\lndscpsxn" if self.landscape else ""),
        ]
        return "\n".join(head + self.parts + ["}"]) + "\n"
