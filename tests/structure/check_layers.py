#!/usr/bin/env python3
"""Fails when a source includes a header of a folder above its own.

The folders of src/core are layered, lowest first; a folder may include its own headers,
the core's top-level headers (Error.h, ...) and those of the layers below it. Folders in
one layer do not include each other. Above the core: the window (src/gui), the command
line (src/cli), the programs (src/app) and the sample-database builder (src/sampledb),
which never include each other's headers except where ABOVE allows it.
"""
import pathlib
import re
import sys

CORE_LAYERS = [
    ["platform", "text"],
    ["change", "db"],
    ["jobs"],
    ["ratelist", "report"],
    ["review"],
    ["annex", "bridges", "reconcile"],
    ["caserates", "tools"],
    ["apply"],
]
# What each folder above the core may include besides the whole core.
ABOVE = {"sampledb": set(), "gui": {"sampledb"}, "cli": {"sampledb"}, "app": {"gui", "sampledb"}}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z_]+)/', re.MULTILINE)


def allowed_for(folder, layer_of):
    if folder in ABOVE:
        return set(layer_of) | ABOVE[folder] | {folder}
    own = layer_of[folder]
    return {f for f, layer in layer_of.items() if layer < own} | {folder}


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    layer_of = {f: i for i, layer in enumerate(CORE_LAYERS) for f in layer}
    folders = {p.parent.relative_to(src / "core").parts[0]: "core"
               for p in (src / "core").rglob("*") if p.is_file() and p.parent != src / "core"}
    unknown = sorted(f for f in folders if f not in layer_of)
    problems = [f"src/core/{f}: a folder with no layer (add it to CORE_LAYERS)" for f in unknown]
    tops = sorted(p.name for p in src.iterdir() if p.is_dir() and p.name != "core" and p.name not in ABOVE)
    problems += [f"src/{f}: a folder with no place (add it to ABOVE)" for f in tops]
    unknown += tops
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".cpp", ".h") or not path.is_file():
            continue
        parts = path.relative_to(src).parts
        folder = parts[1] if parts[0] == "core" and len(parts) > 2 else parts[0]
        if folder == "core" or folder in unknown:
            continue
        for used in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if used in layer_of or used in ABOVE:
                if used not in allowed_for(folder, layer_of):
                    problems.append(f"{path}: includes a header of {used}/, which lies above {folder}/")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
