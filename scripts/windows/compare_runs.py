#!/usr/bin/env python3
"""Compares the program folders two builds left after the same commands (Linux, Windows under
Wine): every file's name and bytes, and every table of the databases row by row, once what
must differ is masked: the folder's own path (and the separators of the paths under it),
run ids, dates and times, SHA-256 digests (of files that name the paths) and the user.
Prints what differs, at most a few lines per file, and fails when anything does."""
import re
import sqlite3
import sys
from pathlib import Path

RUN_ID = re.compile(rb"\d{8}-\d{6}-[0-9a-f]{8}")
STAMP = re.compile(rb"\d{4}-\d{2}-\d{2}[ T]\d{2}:?\d{2}:?\d{2}(\.\d+)?")
# The log's date and time in the system's own format ("10 Dec 2026 11:30:06" in Debian's C
# locale, "12/10/2026 11:30:07 AM" in Wine's English one).
LOCAL_TIME = re.compile(rb"\b(\d{1,2} [A-Z][a-z]{2} \d{4}|\d{1,2}/\d{1,2}/\d{4}) \d{1,2}:\d{2}:\d{2}( [AP]M)?")
DIGEST = re.compile(rb"\b[0-9a-f]{64}\b")


def folder_forms(folder):
    """The ways a file can spell the folder: Linux, Windows (Z: drive), JSON-escaped."""
    posix = str(folder)
    windows = "Z:" + posix.replace("/", "\\")
    forms = [windows.replace("\\", "\\\\"), windows, "Z:" + posix, posix.replace("/", "\\/"), posix]
    return [f.encode() for f in forms]


def mask(data, folder, user):
    for quoted in (b"'%s'", b">%s<", b'"user":"%s"', b'"user": "%s"', b"by %s ", b"by %s:"):
        data = data.replace(quoted % user, quoted % b"<USER>")
    for form in folder_forms(folder):
        data = data.replace(form, b"<FOLDER>")
    # The rest of a path under the folder, with one separator.
    data = re.sub(rb"<FOLDER>[^\"\r\n,<>|]*",
                  lambda m: m.group(0).replace(b"\\/", b"/").replace(b"\\\\", b"/").replace(b"\\", b"/"), data)
    data = RUN_ID.sub(b"<RUN>", data)
    data = STAMP.sub(b"<TIME>", data)
    data = LOCAL_TIME.sub(b"<TIME>", data)
    data = DIGEST.sub(b"<SHA256>", data)
    return data


def database_text(path):
    connection = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    try:
        return "\n".join(connection.iterdump()).encode()
    finally:
        connection.close()


def run_user(folder):
    """Who ran the last run, as its record names them."""
    record = folder / "output" / "changes.json"
    found = re.search(rb'"user": "([^"]*)"', record.read_bytes()) if record.exists() else None
    return found.group(1) if found else b"<nobody>"


def contents(folder):
    files = {}
    user = run_user(folder)
    for path in sorted(p for p in folder.rglob("*") if p.is_file()):
        name = mask(str(path.relative_to(folder)).encode(), folder, user).decode()
        data = database_text(path) if path.suffix == ".db" else path.read_bytes()
        files[name] = mask(data, folder, user)
    return files


def main(linux, windows):
    a, b = contents(Path(linux).resolve()), contents(Path(windows).resolve())
    differences = 0
    for name in sorted(set(a) | set(b)):
        if name not in a or name not in b:
            print(f"only on {'Windows' if name in b else 'Linux'}: {name}")
            differences += 1
            continue
        if a[name] == b[name]:
            continue
        differences += 1
        la, lb = a[name].split(b"\n"), b[name].split(b"\n")
        shown = 0
        for i in range(max(len(la), len(lb))):
            x = la[i] if i < len(la) else b"<end>"
            y = lb[i] if i < len(lb) else b"<end>"
            if x != y:
                print(f"{name}:{i + 1}:\n  linux:   {x[:160]!r}\n  windows: {y[:160]!r}")
                shown += 1
                if shown == 3:
                    break
    print(f"loop: {len(a)} files compared (databases row by row), {differences} differ")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
