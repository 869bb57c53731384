#!/usr/bin/env python3
"""Prints each statement shape of the T-SQL files the tool writes (scripts, undo files) once,
as "file:line<TAB>statement", for the grammar check: literals become N'x' and 1, so that
thousands of UPDATEs of one form are one line.

Usage: script_shapes.py FILE...
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tsql_sqlite  # noqa: E402


def rendered(tokens):
    out = ""
    for t in tokens:
        if t.kind in ("string", "nstring"):
            text = "N'x'"
        elif t.kind == "number":
            text = "1"
        else:
            text = t.text
        glued = text in (".", ",", ")") or out.endswith((".", "(")) or not out
        out += text if glued else " " + text
    return out


def shapes(path):
    with open(path, "rb") as f:
        data = f.read()
    text = data[3:].decode("utf-8") if data.startswith(b"\xef\xbb\xbf") else tsql_sqlite.decode_cp1252(data)
    where = os.path.basename(path)
    for first_line, batch in tsql_sqlite.batches(text):
        for statement in tsql_sqlite.statements(tsql_sqlite.tokenize(batch, first_line, where), where):
            yield f"{where}:{statement[0].line}", rendered(statement)


def main(argv):
    seen = set()
    for path in argv:
        for where, sql in shapes(path):
            if sql not in seen:
                seen.add(sql)
                print(f"{where}\t{sql}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
