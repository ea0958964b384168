#!/usr/bin/env python3
"""Fails when a file of the core includes a header of a layer above its own
(or of a sibling layer), when the core includes Qt or the front ends, and when
the front ends reach around each other, and when the desktop program's
foundation includes its windows. The libraries' links already stop
most such includes from linking; this names the offending line."""
import pathlib
import re
import sys

# Layer ranks from the bottom; the layers of one rank may not include each other.
RANKS = {
    "foundation": 0, "archive": 1, "tables": 2, "lists": 3, "calc": 4,
    "report": 5, "subreports": 6, "import": 6, "output": 6, "app": 7,
}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def problems(src: pathlib.Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        parts = path.relative_to(src).parts
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1).split("/")
            where = f"{path.relative_to(src.parent)}:{number}: includes {match.group(1)}"
            if parts[0] == "core":
                layer = parts[1]
                if target[0] in ("gui", "cli") or target[0].startswith("Q"):
                    yield f"{where} (the core stays free of Qt and the front ends)"
                elif target[0] == "core" and len(target) > 2:
                    other = target[1]
                    if other not in RANKS:
                        yield f"{where} (no such layer)"
                    elif other != layer and RANKS[other] >= RANKS[layer]:
                        yield f"{where} ({layer} may include only layers below it)"
            elif parts[0] == "cli" and target[0] == "gui":
                yield f"{where} (the command line does not use the desktop program)"
            elif parts[0] == "painting" and target[0] in ("gui", "cli"):
                yield f"{where} (painting serves both front ends and uses neither)"
            elif parts[:2] == ("gui", "foundation") and target[0] == "gui" and len(target) > 2 \
                    and target[1] != "foundation":
                yield f"{where} (the desktop program's foundation serves its windows and uses none)"
            elif parts[0] == "gui" and len(parts) > 2 and parts[1] != "app" and target[:2] == ["gui", "app"]:
                yield f"{where} (only the start-up and the tests use the program's start-up)"


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parents[2] / "src")
    found = list(problems(src))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
