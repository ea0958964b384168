#!/usr/bin/env python3
"""Builds the user's manual from its Markdown chapters.

    build_manual.py SOURCE_DIR [--rtf OUT.rtf] [--html OUT_DIR]

SOURCE_DIR holds one UTF-8 file per chapter, "NNN-slug.md", read in the
order of their names. Two outputs come from the one source:

- an RTF document for word processors: Windows-1251 text, A4 pages, a
  contents page whose page numbers the word processor fills in (PAGEREF
  fields to a bookmark per heading), internal links, and the screenshots
  embedded as PNG pictures;
- HTML help in UTF-8: OUT_DIR/index.html with the whole manual, the
  pictures in OUT_DIR/images/, and for every heading with an explicit
  anchor a page OUT_DIR/go/ANCHOR.html that leads to it. The program opens
  those pages: desktop openers (xdg-open among them) drop the "#ANCHOR"
  part of a file address, so an address without one is the only kind that
  reaches the right place everywhere.

The chapters use a small subset of Markdown, and anything outside it stops
the build with the file and line, so that a mistake never reaches a user:

  # Chapter title             (one per file, first)
  ## Section / ### Subsection (an explicit anchor may end any heading:
                               {#anchor-name}, ASCII letters, digits, "-")
  paragraphs, "- " bullet lists, "1. " numbered lists (one level each),
  **bold**, `code`, [text](#anchor-name) links to anchors,
  ![caption](../screenshots/name.png) on a line of its own.
"""

import argparse
import html
import os
import re
import shutil
import struct
import sys

TITLE = "Руководство пользователя"
PROGRAM = "Программа подготовки отчетов о научной деятельности"


class ManualError(Exception):
    pass


# ---------------------------------------------------------------- parsing

HEADING = re.compile(r"^(#{1,3}) (.+?)(?:\s+\{#([A-Za-z0-9-]+)\})?\s*$")
IMAGE = re.compile(r"^!\[([^\]]*)\]\(([^)\s]+)\)\s*$")
BULLET = re.compile(r"^- (.*)$")
NUMBERED = re.compile(r"^(\d+)\. (.*)$")
# Lines that look like Markdown the manual does not use.
UNSUPPORTED = [
    (re.compile(r"^#{4,}"), "headings go down to ### only"),
    (re.compile(r"^\s*```"), "code blocks are not used; write `code` inline"),
    (re.compile(r"^\s*>"), "quotations are not used"),
    (re.compile(r"^\s*\|"), "tables are not used"),
    (re.compile(r"^[*+] "), "bullet lists start with \"- \""),
    (re.compile(r"^\s+(?:[-*+]|\d+\.) "), "lists have one level only"),
    (re.compile(r"^\s*(?:-{3,}|\*{3,}|_{3,})\s*$"), "horizontal rules are not used"),
    (re.compile(r"\{#"), "an anchor {#name} ends a heading and holds ASCII letters, digits and \"-\""),
]


class Block:
    def __init__(self, kind, where, **fields):
        self.kind = kind  # heading, para, bullets, numbers, image
        self.where = where
        self.__dict__.update(fields)


class Chapter:
    def __init__(self, path):
        self.path = path
        self.blocks = []


def parse_chapter(path):
    chapter = Chapter(path)
    name = os.path.basename(path)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    para = None  # lines of the paragraph being read
    current_list = None

    def where(n):
        return "%s:%d" % (name, n)

    def flush():
        nonlocal para, current_list
        if para:
            chapter.blocks.append(Block("para", para[0], text=" ".join(t for _, t in para[1:])))
        para = None
        current_list = None

    for n, raw in enumerate(lines, 1):
        line = raw.rstrip()
        if not line.strip():
            flush()
            continue
        m = HEADING.match(line)
        if m:
            flush()
            if "{#" in m.group(2):
                raise ManualError("%s: an anchor {#name} ends a heading and holds ASCII letters, digits "
                                  "and \"-\"" % where(n))
            level = len(m.group(1))
            chapter.blocks.append(Block("heading", where(n), level=level, text=m.group(2).strip(),
                                        anchor=m.group(3)))
            continue
        for pattern, why in UNSUPPORTED:
            if pattern.search(line):
                raise ManualError("%s: %s" % (where(n), why))
        m = IMAGE.match(line)
        if m:
            flush()
            chapter.blocks.append(Block("image", where(n), caption=m.group(1).strip(), src=m.group(2)))
            continue
        if "![" in line:
            raise ManualError("%s: a picture stands on a line of its own" % where(n))
        m = BULLET.match(line)
        k = NUMBERED.match(line)
        if m or k:
            kind = "bullets" if m else "numbers"
            text = (m or k).group(1 if m else 2).strip()
            if current_list is None or current_list.kind != kind:
                flush()
                current_list = Block(kind, where(n), items=[])
                chapter.blocks.append(current_list)
            current_list.items.append(text)
            continue
        if current_list is not None:
            # A line after an item continues it.
            current_list.items[-1] += " " + line.strip()
            continue
        if para is None:
            para = [where(n)]
        para.append((n, line.strip()))
    flush()

    headings = [b for b in chapter.blocks if b.kind == "heading"]
    if not headings or chapter.blocks[0].kind != "heading" or chapter.blocks[0].level != 1:
        raise ManualError("%s: a chapter begins with its title, \"# Title\"" % name)
    if sum(1 for b in headings if b.level == 1) != 1:
        raise ManualError("%s: one \"# \" title per chapter" % name)
    return chapter


# Inline text: a list of (kind, text, target) spans; kinds are text, bold,
# code and link (whose text may be bold or code in turn).
INLINE = re.compile(r"`([^`]+)`|\*\*(.+?)\*\*|\[([^\]]+)\]\(([^)]*)\)")


def parse_inline(text, where, bold=False):
    spans = []
    pos = 0
    for m in INLINE.finditer(text):
        if m.start() > pos:
            spans.append(("text", text[pos:m.start()], bold, None))
        if m.group(1) is not None:
            spans.append(("code", m.group(1), bold, None))
        elif m.group(2) is not None:
            spans.extend(parse_inline(m.group(2), where, True))
        else:
            target = m.group(4)
            if not re.fullmatch(r"#[A-Za-z0-9-]+", target):
                raise ManualError("%s: a link leads to an anchor of the manual, [text](#anchor): %s"
                                  % (where, target))
            spans.append(("link", m.group(3), bold, target[1:]))
        pos = m.end()
    if pos < len(text):
        spans.append(("text", text[pos:], bold, None))
    for kind, t, _, _ in spans:
        if kind == "text" and ("**" in t or "`" in t):
            raise ManualError("%s: unmatched ** or ` in \"%s\"" % (where, text))
    return spans


class Manual:
    """The chapters with their anchors resolved and checked."""

    def __init__(self, source):
        files = sorted(f for f in os.listdir(source) if f.endswith(".md"))
        bad = [f for f in files if not re.fullmatch(r"\d{3}-[A-Za-z0-9-]+\.md", f)]
        if bad:
            raise ManualError("chapter files are named NNN-slug.md: %s" % ", ".join(bad))
        if not files:
            raise ManualError("no chapters in %s" % source)
        self.source = source
        self.chapters = [parse_chapter(os.path.join(source, f)) for f in files]
        self.anchors = {}  # explicit anchors -> heading
        number = 0
        for c, chapter in enumerate(self.chapters, 1):
            counts = [c, 0, 0]
            for b in chapter.blocks:
                if b.kind != "heading":
                    continue
                if b.level == 1:
                    number += 1
                    b.number = "%d" % number
                elif b.level == 2:
                    counts[1] += 1
                    counts[2] = 0
                    b.number = "%d.%d" % (number, counts[1])
                else:
                    counts[2] += 1
                    b.number = "%d.%d.%d" % (number, counts[1], counts[2])
                b.id = b.anchor or "r-" + b.number.replace(".", "-")
                if b.anchor:
                    if b.anchor in self.anchors or b.anchor.startswith("r-"):
                        raise ManualError("%s: anchor #%s is used twice (or begins with r-, kept for "
                                          "unnamed headings)" % (b.where, b.anchor))
                    self.anchors[b.anchor] = b
        for chapter in self.chapters:
            for b in chapter.blocks:
                texts = {"heading": lambda: [b.text], "para": lambda: [b.text],
                         "bullets": lambda: b.items, "numbers": lambda: b.items,
                         "image": lambda: []}[b.kind]()
                b.spans = [parse_inline(t, b.where) for t in texts]
                for spans in b.spans:
                    for kind, text, _, target in spans:
                        if kind == "link" and target not in self.anchors:
                            raise ManualError("%s: no heading has the anchor #%s" % (b.where, target))
                if b.kind == "image":
                    b.path = os.path.normpath(os.path.join(source, b.src))
                    if not b.src.endswith(".png") or not os.path.isfile(b.path):
                        raise ManualError("%s: no PNG picture %s" % (b.where, b.src))

    def headings(self, up_to=2):
        for chapter in self.chapters:
            for b in chapter.blocks:
                if b.kind == "heading" and b.level <= up_to:
                    yield b


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise ManualError("%s is not a PNG picture" % path)
    return struct.unpack(">II", head[16:24])


# ---------------------------------------------------------------- RTF

def rtf_text(text):
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif code < 128:
            out.append(ch)
        else:
            try:
                out.append("\\'%02x" % ch.encode("cp1251")[0])
            except UnicodeEncodeError:
                # Outside the code page: the Unicode value, "?" for readers without it.
                out.append("\\u%d?" % (code if code < 32768 else code - 65536))
    return "".join(out)


def bookmark(anchor):
    """Word processors take bookmark names of letters, digits and "_"."""
    return "m_" + anchor.replace("-", "_")


def rtf_spans(spans):
    out = []
    for kind, text, bold, target in spans:
        body = rtf_text(text)
        if kind == "code":
            body = "{\\f2\\fs20 %s}" % body
        if bold:
            body = "{\\b %s}" % body
        if kind == "link":
            body = ("{\\field{\\*\\fldinst {HYPERLINK \\\\l \"%s\"}}{\\fldrslt {\\ul\\cf2 %s}}}"
                    % (bookmark(target), body))
        out.append(body)
    return "".join(out)


PAGE_WIDTH, LEFT, RIGHT = 11906, 1418, 850
TEXT_WIDTH = PAGE_WIDTH - LEFT - RIGHT
NORMAL = "\\pard\\plain\\s0\\sa120\\sl276\\slmult1\\qj\\f0\\fs24 "
HEADING_STYLE = {
    1: "\\pard\\plain\\s1\\keepn\\sb0\\sa360\\outlinelevel0\\ql\\b\\f1\\fs34 ",
    2: "\\pard\\plain\\s2\\keepn\\sb360\\sa160\\outlinelevel1\\ql\\b\\f1\\fs28 ",
    3: "\\pard\\plain\\s3\\keepn\\sb240\\sa120\\outlinelevel2\\ql\\b\\f1\\fs24 ",
}
ITEM = "\\pard\\plain\\s0\\fi-357\\li714\\tx714\\sa80\\ql\\f0\\fs24 "


def rtf_picture(path, caption):
    width, height = png_size(path)
    # Screen pixels at 96 per inch, shrunk to the text's width when wider.
    goal_w = width * 15
    goal_h = height * 15
    if goal_w > TEXT_WIDTH:
        goal_h = goal_h * TEXT_WIDTH // goal_w
        goal_w = TEXT_WIDTH
    with open(path, "rb") as f:
        data = f.read().hex()
    lines = "\n".join(data[i:i + 128] for i in range(0, len(data), 128))
    picture = ("\\pard\\plain\\s0\\qc\\keepn\\sb120\\sa60 {\\pict\\pngblip\\picw%d\\pich%d"
               "\\picwgoal%d\\pichgoal%d\n%s}\\par\n" % (width, height, goal_w, goal_h, lines))
    if caption:
        picture += ("\\pard\\plain\\s0\\qc\\sa200\\i\\f0\\fs20 %s\\par\n" % rtf_text(caption))
    return picture


def write_rtf(manual, out_path):
    parts = [
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\n",
        "{\\fonttbl{\\f0\\froman\\fcharset204\\fprq2 Times New Roman;}"
        "{\\f1\\fswiss\\fcharset204\\fprq2 Arial;}{\\f2\\fmodern\\fcharset204\\fprq1 Courier New;}}\n",
        "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green51\\blue153;}\n",
        "{\\stylesheet{\\s0\\sa120\\f0\\fs24 Normal;}"
        "{\\s1\\keepn\\sa360\\outlinelevel0\\b\\f1\\fs34\\sbasedon0\\snext0 heading 1;}"
        "{\\s2\\keepn\\sb360\\sa160\\outlinelevel1\\b\\f1\\fs28\\sbasedon0\\snext0 heading 2;}"
        "{\\s3\\keepn\\sb240\\sa120\\outlinelevel2\\b\\f1\\fs24\\sbasedon0\\snext0 heading 3;}}\n",
        "{\\info{\\title %s}{\\subject %s}}\n" % (rtf_text(TITLE), rtf_text(PROGRAM)),
        "\\paperw%d\\paperh16838\\margl%d\\margr%d\\margt1134\\margb1134\\facingp0\n" % (PAGE_WIDTH, LEFT, RIGHT),
        "\\sectd\\titlepg{\\footerf\\pard\\plain\\par}"
        "{\\footer\\pard\\plain\\qc\\f0\\fs20 {\\field{\\*\\fldinst PAGE}{\\fldrslt 2}}\\par}\n",
        # Title page.
        "\\pard\\plain\\qc\\sb4000\\sa240\\f1\\fs40\\b %s\\par\n" % rtf_text(TITLE),
        "\\pard\\plain\\qc\\sa240\\f1\\fs28 %s\\par\n" % rtf_text(PROGRAM),
        # Contents: the word processor puts in the page numbers.
        HEADING_STYLE[1].replace("\\outlinelevel0", "") + "\\pagebb " + rtf_text("Содержание") + "\\par\n",
    ]
    for h in manual.headings(2):
        indent = 0 if h.level == 1 else 400
        style = "\\b" if h.level == 1 else ""
        parts.append("\\pard\\plain\\s0\\li%d\\sa60\\tqr\\tldot\\tx%d\\f0\\fs24%s %s %s\\tab "
                     "{\\field{\\*\\fldinst PAGEREF %s \\\\h}{\\fldrslt 1}}\\par\n"
                     % (indent, TEXT_WIDTH, style, rtf_text(h.number + "."), rtf_text(h.text), bookmark(h.id)))
    for chapter in manual.chapters:
        for b in chapter.blocks:
            if b.kind == "heading":
                mark = bookmark(b.id)
                text = rtf_spans(b.spans[0])
                # A chapter begins on a page of its own.
                style = HEADING_STYLE[b.level] + ("\\pagebb " if b.level == 1 else "")
                parts.append("%s{\\*\\bkmkstart %s}%s %s{\\*\\bkmkend %s}\\par\n"
                             % (style, mark, rtf_text(b.number + "."), text, mark))
            elif b.kind == "para":
                parts.append(NORMAL + rtf_spans(b.spans[0]) + "\\par\n")
            elif b.kind in ("bullets", "numbers"):
                for k, spans in enumerate(b.spans, 1):
                    marker = "\\'95" if b.kind == "bullets" else "%d." % k
                    parts.append(ITEM + marker + "\\tab " + rtf_spans(spans) + "\\par\n")
            elif b.kind == "image":
                parts.append(rtf_picture(b.path, b.caption))
    parts.append("}\n")
    text = "".join(parts)
    text.encode("ascii")  # everything outside ASCII is escaped
    tmp = out_path + ".tmp"
    with open(tmp, "w", encoding="ascii", newline="\r\n") as f:
        f.write(text)
    os.replace(tmp, out_path)


# ---------------------------------------------------------------- HTML

STYLE = """
body { font-family: "DejaVu Sans", "Liberation Sans", Arial, sans-serif; line-height: 1.5;
       margin: 0; color: #1d1d1d; background: #fafafa; }
nav { position: fixed; top: 0; bottom: 0; left: 0; width: 19em; overflow-y: auto;
      padding: 1em; background: #eef1f5; border-right: 1px solid #cfd6df; font-size: 0.9em; }
nav ol { list-style: none; padding-left: 0; margin: 0; }
nav ol ol { padding-left: 1.2em; }
nav li { margin: 0.2em 0; }
nav a { color: #1b3f7a; text-decoration: none; }
nav a:hover { text-decoration: underline; }
main { margin-left: 21em; max-width: 50em; padding: 1em 2em 4em; }
h1 { border-bottom: 2px solid #1b3f7a; padding-bottom: 0.2em; margin-top: 2em; }
h1, h2, h3 { color: #1b3f7a; }
code { font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; background: #e9ecef;
       padding: 0 0.25em; border-radius: 3px; }
figure { margin: 1em 0; text-align: center; }
figure img { max-width: 100%; border: 1px solid #c8c8c8; }
figcaption { font-style: italic; font-size: 0.9em; color: #555; }
:target { background: #fff4c2; }
@media (max-width: 60em) { nav { position: static; width: auto; border: 0; } main { margin-left: 0; } }
@media print { nav { display: none; } main { margin: 0; } }
"""


def html_spans(spans):
    out = []
    for kind, text, bold, target in spans:
        body = html.escape(text, quote=False)
        if kind == "code":
            body = "<code>%s</code>" % body
        if bold:
            body = "<strong>%s</strong>" % body
        if kind == "link":
            body = '<a href="#%s">%s</a>' % (target, body)
        out.append(body)
    return "".join(out)


def write_html(manual, out_dir):
    if os.path.isdir(out_dir):
        shutil.rmtree(out_dir)
    os.makedirs(os.path.join(out_dir, "images"))
    os.makedirs(os.path.join(out_dir, "go"))
    nav = ['<nav><p><strong>%s</strong></p><ol>' % html.escape(TITLE)]
    for chapter in manual.chapters:
        heads = [b for b in chapter.blocks if b.kind == "heading" and b.level <= 2]
        link = lambda h: '<a href="#%s">%s %s</a>' % (h.id, h.number + ".", html_spans(h.spans[0]))
        subs = "".join("<li>%s</li>" % link(h) for h in heads[1:])
        nav.append("<li>%s%s</li>" % (link(heads[0]), "<ol>%s</ol>" % subs if subs else ""))
    nav.append("</ol></nav>")

    body = []
    copied = set()
    for chapter in manual.chapters:
        body.append("<section>")
        for b in chapter.blocks:
            if b.kind == "heading":
                body.append('<h%d id="%s">%s %s</h%d>' % (b.level, b.id, b.number + ".",
                                                           html_spans(b.spans[0]), b.level))
            elif b.kind == "para":
                body.append("<p>%s</p>" % html_spans(b.spans[0]))
            elif b.kind in ("bullets", "numbers"):
                tag = "ul" if b.kind == "bullets" else "ol"
                items = "".join("<li>%s</li>" % html_spans(s) for s in b.spans)
                body.append("<%s>%s</%s>" % (tag, items, tag))
            elif b.kind == "image":
                name = os.path.basename(b.path)
                if name not in copied:
                    shutil.copyfile(b.path, os.path.join(out_dir, "images", name))
                    copied.add(name)
                width, height = png_size(b.path)
                caption = html.escape(b.caption)
                body.append('<figure><img src="images/%s" width="%d" height="%d" alt="%s">'
                            '%s</figure>' % (name, width, height, caption,
                                             "<figcaption>%s</figcaption>" % caption if caption else ""))
        body.append("</section>")

    page = ('<!DOCTYPE html>\n<html lang="ru">\n<head>\n<meta charset="utf-8">\n'
            '<meta name="viewport" content="width=device-width, initial-scale=1">\n'
            "<title>%s</title>\n<style>%s</style>\n</head>\n<body>\n%s\n<main>\n%s\n</main>\n</body>\n</html>\n"
            % (html.escape(TITLE), STYLE, "\n".join(nav), "\n".join(body)))
    with open(os.path.join(out_dir, "index.html"), "w", encoding="utf-8") as f:
        f.write(page)
    for anchor, h in manual.anchors.items():
        target = "../index.html#" + anchor
        with open(os.path.join(out_dir, "go", anchor + ".html"), "w", encoding="utf-8") as f:
            f.write('<!DOCTYPE html>\n<html lang="ru">\n<head>\n<meta charset="utf-8">\n'
                    '<meta http-equiv="refresh" content="0; url=%s">\n<title>%s</title>\n'
                    '<script>location.replace("%s");</script>\n</head>\n'
                    '<body><p><a href="%s">%s</a></p></body>\n</html>\n'
                    % (target, html.escape(h.text), target, target, html.escape(h.number + ". " + h.text)))


def main(argv=None):
    parser = argparse.ArgumentParser(description="Builds the user's manual as RTF and HTML help.")
    parser.add_argument("source")
    parser.add_argument("--rtf")
    parser.add_argument("--html")
    args = parser.parse_args(argv)
    try:
        manual = Manual(args.source)
        if args.rtf:
            os.makedirs(os.path.dirname(os.path.abspath(args.rtf)), exist_ok=True)
            write_rtf(manual, args.rtf)
        if args.html:
            write_html(manual, args.html)
    except ManualError as e:
        print("manual: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
