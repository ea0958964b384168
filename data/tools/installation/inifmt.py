"""Writing settings files and the text conventions of the table files.

Every settings file of the installation is produced here, so that all of them
follow the same strict layout: a header line, key=value lines with nothing
trimmed, and exactly one empty line after every section.
"""

import os


def encode_cap(text):
    """Caption text as stored under "Cap": line breaks become "||", and a
    leading blank is kept by writing "$" in its place."""
    text = text.replace("\r\n", "\n").replace("\n", "||")
    if text.startswith(" "):
        text = "$" + text[1:]
    elif text.startswith("$"):
        text = " " + text[1:]
    return text


def render_settings(sections):
    """sections: list of (name, [(key, value), ...])."""
    out = []
    names = set()
    for name, items in sections:
        folded = name.lower()
        if folded in names:
            raise ValueError("section [%s] written twice" % name)
        names.add(folded)
        if not items:
            raise ValueError("section [%s] is empty" % name)
        out.append("[%s]" % name)
        keys = set()
        for key, value in items:
            key = str(key)
            value = str(value)
            if "=" in key or "\n" in key or "\n" in value:
                raise ValueError("bad key line %r=%r in [%s]" % (key, value, name))
            if key.lower() in keys:
                raise ValueError("key %r twice in [%s]" % (key, name))
            keys.add(key.lower())
            out.append("%s=%s" % (key, value))
        out.append("")
    return "\n".join(out) + "\n"


def write_text(path, text):
    """Sources are kept as UTF-8 with LF line ends; the build converts them.
    Refuse anything the target code page cannot hold."""
    text.encode("cp1251")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def write_settings(path, sections):
    write_text(path, render_settings(sections))
