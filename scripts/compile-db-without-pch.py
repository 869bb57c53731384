#!/usr/bin/env python3
"""Copies a compile database without its precompiled headers, for clang-tidy.

clang-tidy cannot read GCC's .gch files. Without the forced include each source has to
stand on its own includes, which this also checks.
Usage: compile-db-without-pch.py BUILD_DIR/compile_commands.json OUT_DIR/compile_commands.json
"""
import json
import re
import sys

PCH_FLAGS = re.compile(r' -Winvalid-pch| -include ("[^"]*cmake_pch\.hxx"|\S*cmake_pch\.hxx)')

source, target = sys.argv[1:3]
with open(source, encoding="utf-8") as f:
    entries = json.load(f)
# The compiles of the headers themselves go; the sources keep everything but the include.
entries = [e for e in entries if not e["file"].endswith("cmake_pch.hxx.cxx")]
for entry in entries:
    entry["command"] = PCH_FLAGS.sub("", entry["command"])
with open(target, "w", encoding="utf-8") as f:
    json.dump(entries, f, indent=2)
