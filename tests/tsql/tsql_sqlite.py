#!/usr/bin/env python3
"""Runs the T-SQL scripts orvex writes on the embedded SQLite databases.

An executor of its own, sharing no code with the tool, so that a script and the tool's
apply can be checked against each other. It knows exactly the statement shapes the tool
writes and refuses every other one, naming the file and line: a statement it does not
understand is an error, never skipped.

Understood:
  * batches split at GO lines; statements end at ';' or where the next one begins;
  * comments '--' to the end of the line and '/* */' (nested, as SQL Server reads them);
  * BEGIN TRAN[SACTION], COMMIT [TRAN[SACTION]], USE [database], SET XACT_ABORT ON,
    SET NOCOUNT ON;
  * INSERT INTO table (columns) VALUES (values);
  * UPDATE table SET column = value, ... [WHERE condition];
  * DELETE [FROM] table [WHERE condition];
  * a condition is column = value joined by AND;
  * a value is NULL, a number, '..' or N'..' (quotes doubled), NCHAR(n) or CHAR(n), a
    '+' concatenation of these, or a scalar subquery
    (SELECT [MAX(]column | CONVERT(BIGINT, column)[)] [+ n] FROM table [WHERE condition]);
  * tables as [Medicare].[dbo].[tbX], Medicare.dbo.tbX, [Medicare]..tbX, dbo.tbX or tbX
    (the last two in the database of USE or --database).

As on SQL Server: a text column compares with its collation (CI_AS: case-insensitive,
trailing blanks ignored, registered here as the tool's databases declare it),
CONVERT(BIGINT, ..) fails on text that is no whole number, and a subquery that returns
more than one row is an error. A quoted value stored into a numeric column is converted
by SQLite's column affinity, as a bound value of the tool is; one that is no number is
reported as a warning, since SQL Server would refuse it. The whole file runs in one
transaction: the first error rolls everything back and exits with 1. Scripts are read as
Windows-1252, or as UTF-8 when they start with its byte order mark (the undo files).

Usage: tsql_sqlite.py DBDIR SCRIPT... [--database Build_FILE|Medicare] [--quiet]
"""

import argparse
import functools
import os
import re
import sqlite3
import sys

DATABASES = ("Build_FILE", "Medicare")


class ScriptError(Exception):
    """A statement the executor refuses or SQLite failed on, with its file and line."""


# ---------------------------------------------------------------------------------------
# Text rules shared with the databases


def _fold(text):
    # Simple case folding, one character at a time, as a case-insensitive collation does.
    if text.isascii():
        return text.lower()
    return "".join(c.casefold() if len(c.casefold()) == 1 else c.lower() for c in text)


@functools.lru_cache(maxsize=65536)
def ci_as_key(text):
    return _fold(text.rstrip(" "))


def ci_as_compare(a, b):
    ka, kb = ci_as_key(a), ci_as_key(b)
    return (ka > kb) - (ka < kb)


def whole_number_sql(expr):
    """SQL that is true where CONVERT(BIGINT, expr) succeeds on SQL Server: a whole number,
    or text of one (blanks around it and a sign allowed)."""
    t = f"trim({expr}, ' ')"
    digits = f"(CASE WHEN substr({t}, 1, 1) IN ('+', '-') THEN substr({t}, 2) ELSE {t} END)"
    return (f"(typeof({expr}) = 'integer' OR (typeof({expr}) = 'text' AND {digits} GLOB '[0-9]*' "
            f"AND {digits} NOT GLOB '*[^0-9]*'))")


_CP1252_UNDEFINED = (0x81, 0x8D, 0x8F, 0x90, 0x9D)
_CP1252 = "".join(chr(b) if b in _CP1252_UNDEFINED else bytes([b]).decode("cp1252") for b in range(256))


def decode_cp1252(data):
    # Windows-1252 as the tool reads and writes it: the five undefined bytes keep their value.
    return "".join(_CP1252[b] for b in data)


def connect(db_dir):
    """Both embedded databases attached under their names, with CI_AS and CONVERT."""
    for name in DATABASES:
        path = os.path.join(db_dir, name + ".db")
        if not os.path.isfile(path):
            raise ScriptError(f"{path} does not exist")
    con = sqlite3.connect(":memory:", isolation_level=None)
    con.create_collation("CI_AS", ci_as_compare)
    for name in DATABASES:
        con.execute("ATTACH DATABASE ? AS " + name, (os.path.join(db_dir, name + ".db"),))
    return con


# ---------------------------------------------------------------------------------------
# Tokens

TOKEN = re.compile(
    r"""
    (?P<space>[ \t\r\n]+)
  | (?P<line_comment>--[^\n]*)
  | (?P<block_open>/\*)
  | (?P<nstring>[Nn]'(?:[^']|'')*')
  | (?P<string>'(?:[^']|'')*')
  | (?P<bracket>\[(?:[^\]]|\]\])*\])
  | (?P<number>[0-9]+(?:\.[0-9]*)?|\.[0-9]+)
  | (?P<word>[A-Za-z_@#][A-Za-z0-9_@#$]*)
  | (?P<punct>[(),.;=+*-])
    """,
    re.VERBOSE,
)


class Token:
    __slots__ = ("kind", "text", "line")

    def __init__(self, kind, text, line):
        self.kind, self.text, self.line = kind, text, line

    def is_word(self, *words):
        return self.kind == "word" and self.text.upper() in words

    def is_punct(self, p):
        return self.kind == "punct" and self.text == p

    def __repr__(self):
        return self.text


def _skip_block_comment(text, pos, line, where):
    # SQL Server nests block comments.
    depth = 1
    pos += 2
    while depth:
        m = re.compile(r"/\*|\*/").search(text, pos)
        if not m:
            raise ScriptError(f"{where}:{line}: a /* comment is never closed")
        line += text.count("\n", pos, m.end())
        depth += 1 if m.group() == "/*" else -1
        pos = m.end()
    return pos, line


def tokenize(text, first_line, where):
    tokens = []
    append, match = tokens.append, TOKEN.match
    pos, line, end = 0, first_line, len(text)
    while pos < end:
        m = match(text, pos)
        if not m:
            snippet = text[pos : pos + 30].split("\n")[0]
            raise ScriptError(f"{where}:{line}: text the executor does not know: {snippet!r}")
        kind = m.lastgroup
        if kind == "block_open":
            pos, line = _skip_block_comment(text, pos, line, where)
            continue
        value = m.group()
        if kind != "space" and kind != "line_comment":
            append(Token(kind, value, line))
        if kind in ("space", "string", "nstring", "bracket"):
            line += value.count("\n")
        pos = m.end()
    return tokens


def batches(text):
    """(first line, text) of each batch; GO alone on a line ends one (outside comments too,
    as in sqlcmd)."""
    result, start, current = [], 1, []
    for number, line in enumerate(text.split("\n"), start=1):
        if re.fullmatch(r"[ \t]*GO[ \t]*\r?", line, re.IGNORECASE):
            result.append((start, "\n".join(current)))
            start, current = number + 1, []
        else:
            current.append(line)
    result.append((start, "\n".join(current)))
    return result


# ---------------------------------------------------------------------------------------
# Statements

STATEMENT_START = ("INSERT", "UPDATE", "DELETE", "BEGIN", "COMMIT", "ROLLBACK", "USE", "SELECT", "SET",
                   "DECLARE", "PRINT", "IF", "EXEC", "EXECUTE", "CREATE", "DROP", "ALTER", "TRUNCATE",
                   "MERGE", "WITH")


def statements(tokens, where):
    """Splits at ';' and at a word that starts a statement outside parentheses."""
    result, current, depth = [], [], 0
    for i, t in enumerate(tokens):
        if t.is_punct(";") and depth == 0:
            if current:
                result.append(current)
            current = []
            continue
        starts = t.kind == "word" and depth == 0 and t.text.upper() in STATEMENT_START and current
        # "SET" inside an UPDATE and the keywords after BEGIN/COMMIT belong to the statement.
        if starts and t.is_word("SET") and current[0].is_word("UPDATE"):
            starts = False
        if starts and current[0].is_word("INSERT") and t.is_word("SELECT"):
            starts = False
        if starts:
            result.append(current)
            current = []
        if t.is_punct("("):
            depth += 1
        elif t.is_punct(")"):
            depth -= 1
            if depth < 0:
                raise ScriptError(f"{where}:{t.line}: ')' without '('")
        current.append(t)
    if depth:
        raise ScriptError(f"{where}:{tokens[-1].line}: '(' never closed")
    if current:
        result.append(current)
    return result


def unbracket(t):
    if t.kind == "bracket":
        return t.text[1:-1].replace("]]", "]")
    if t.kind == "word":
        return t.text
    raise ValueError(t)


def string_value(t):
    body = t.text[2:-1] if t.kind == "nstring" else t.text[1:-1]
    return body.replace("''", "'")


class Parser:
    """Recursive descent over one statement's tokens; emits SQLite text with parameters."""

    def __init__(self, tokens, context, where, runner):
        self.tokens, self.pos = tokens, 0
        self.context, self.where, self.runner = context, where, runner

    # -- token helpers
    def peek(self, offset=0):
        i = self.pos + offset
        return self.tokens[i] if i < len(self.tokens) else None

    def fail(self, what):
        t = self.peek()
        line = t.line if t else self.tokens[-1].line
        near = " ".join(x.text for x in self.tokens[self.pos : self.pos + 6]) if t else "the end"
        raise ScriptError(f"{self.where}:{line}: {what} (at {near!r}); statement: {self.text()[:200]}")

    def text(self):
        return " ".join(t.text for t in self.tokens)

    def next(self):
        t = self.peek()
        if t is None:
            self.fail("the statement ends too early")
        self.pos += 1
        return t

    def expect_word(self, *words):
        t = self.peek()
        if not (t and t.is_word(*words)):
            self.fail(f"expected {' or '.join(words)}")
        self.pos += 1
        return t

    def expect_punct(self, p):
        t = self.peek()
        if not (t and t.is_punct(p)):
            self.fail(f"expected {p!r}")
        self.pos += 1

    def accept_word(self, *words):
        t = self.peek()
        if t and t.is_word(*words):
            self.pos += 1
            return True
        return False

    def accept_punct(self, p):
        t = self.peek()
        if t and t.is_punct(p):
            self.pos += 1
            return True
        return False

    def at_end(self):
        return self.pos >= len(self.tokens)

    def end(self):
        if not self.at_end():
            self.fail("unexpected text after the statement")

    # -- names
    def identifier(self):
        t = self.peek()
        if t is None or t.kind not in ("word", "bracket"):
            self.fail("expected a name")
        self.pos += 1
        return unbracket(t)

    def table(self):
        parts = [self.identifier()]
        while self.accept_punct("."):
            if self.peek() and self.peek().is_punct("."):
                parts.append("")  # [Medicare]..tbX
                continue
            parts.append(self.identifier())
        if len(parts) > 3:
            self.fail("a table name of more than three parts")
        name = parts[-1]
        schema = parts[-2] if len(parts) >= 2 else ""
        if schema and schema.lower() != "dbo":
            self.fail(f"schema {schema!r} is not dbo")
        database = parts[0] if len(parts) == 3 else self.context.database
        if not database:
            self.fail(f"table {name!r} without a database, and none is in use (USE or --database)")
        known = {d.lower(): d for d in DATABASES}
        if database.lower() not in known:
            self.fail(f"unknown database {database!r}")
        db = known[database.lower()]
        columns = self.runner.columns(db, name)
        if columns is None:
            self.fail(f"table {db}.dbo.{name} does not exist")
        return db, name, columns

    def column(self, columns):
        name = self.identifier()
        if name.lower() not in columns:
            self.fail(f"no column {name!r} in the table")
        return columns[name.lower()]

    # -- values
    def value(self):
        """A constant (Python value) or a subquery's result; '+' joins text."""
        parts = [self.term()]
        while self.accept_punct("+"):
            parts.append(self.term())
        if len(parts) == 1:
            return parts[0]
        if not all(isinstance(p, str) for p in parts):
            self.fail("'+' of something other than text")
        return "".join(parts)

    def term(self):
        t = self.peek()
        if t is None:
            self.fail("expected a value")
        if t.kind in ("string", "nstring"):
            self.pos += 1
            return string_value(t)
        if t.kind == "number":
            self.pos += 1
            return float(t.text) if "." in t.text else int(t.text)
        if t.is_punct("-") and self.peek(1) and self.peek(1).kind == "number":
            self.pos += 1
            return -self.term()
        if t.is_word("NULL"):
            self.pos += 1
            return None
        if t.is_word("NCHAR", "CHAR"):
            self.pos += 1
            self.expect_punct("(")
            n = self.next()
            if n.kind != "number" or "." in n.text:
                self.fail("NCHAR takes a whole number")
            self.expect_punct(")")
            code = int(n.text)
            if t.is_word("CHAR") and code > 255:
                self.fail("CHAR of more than 255")
            return chr(code)
        if t.is_punct("(") and self.peek(1) and self.peek(1).is_word("SELECT"):
            self.pos += 1
            result = self.subquery()
            self.expect_punct(")")
            return result
        if t.is_punct("("):
            self.pos += 1
            result = self.value()
            self.expect_punct(")")
            return result
        self.fail("a value the executor does not know")

    def subquery(self):
        self.expect_word("SELECT")
        aggregate = self.accept_word("MAX")
        if aggregate:
            self.expect_punct("(")
        converted = False
        if self.accept_word("CONVERT"):
            self.expect_punct("(")
            self.expect_word("BIGINT")
            self.expect_punct(",")
            converted = True
        # The column is checked once the table is known.
        column_token = self.next()
        if column_token.kind not in ("word", "bracket"):
            self.fail("expected a column")
        if converted:
            self.expect_punct(")")
        if aggregate:
            self.expect_punct(")")
        add = None
        if self.accept_punct("+"):
            n = self.next()
            if n.kind != "number" or "." in n.text:
                self.fail("only a whole number may be added in a subquery")
            add = int(n.text)
        self.expect_word("FROM")
        db, name, columns = self.table()
        column = unbracket(column_token)
        if column.lower() not in columns:
            self.fail(f"no column {column!r} in {db}.dbo.{name}")
        expr = f'"{columns[column.lower()]}"'
        where, params = self.where_clause(columns)
        if converted:
            self.runner.check_whole_numbers(db, name, columns[column.lower()], self)
            expr = f"CAST({expr} AS INTEGER)"
        if aggregate:
            expr = f"MAX({expr})"
        if add is not None:
            expr = f"({expr}) + {add}"
        rows = self.runner.query(f'SELECT {expr} FROM {db}."{name}"{where}', params, self)
        if len(rows) > 1:
            self.fail("Subquery returned more than 1 value")
        return rows[0][0] if rows else None

    def where_clause(self, columns):
        if not self.accept_word("WHERE"):
            return "", []
        parts, params = [], []
        while True:
            column = self.column(columns)
            self.expect_punct("=")
            value = self.value()
            # The column's own collation decides, as on SQL Server: CI_AS for the text keys.
            parts.append(f'"{column}" = ?')
            params.append(value)
            if not self.accept_word("AND"):
                break
        return " WHERE " + " AND ".join(parts), params


class Context:
    def __init__(self, database):
        self.database = database
        self.transactions = 0


class Runner:
    def __init__(self, con):
        self.con = con
        self.counts = {"INSERT": 0, "UPDATE": 0, "DELETE": 0}
        self.rows = {"INSERT": 0, "UPDATE": 0, "DELETE": 0}
        self.unchanged = []
        self.warnings = []
        self._columns = {}
        # Columns checked to hold only whole numbers, kept while no statement writes another.
        self._whole_columns = set()

    def columns(self, db, table):
        key = (db, table.lower())
        if key not in self._columns:
            info = self.con.execute(f'PRAGMA {db}.table_info("{table}")').fetchall()
            self._columns[key] = (
                {row[1].lower(): row[1] for row in info} if info else None,
                {row[1].lower(): (row[2] or "").upper() for row in info},
            )
        return self._columns[key][0]

    def declared_type(self, db, table, column):
        return self._columns[(db, table.lower())][1][column.lower()]

    def check_whole_numbers(self, db, table, column, parser):
        """CONVERT(BIGINT, column) over the table fails on SQL Server when a value is no whole
        number; checked once, then kept by change() as statements write the table."""
        key = (db, table.lower(), column.lower())
        if key in self._whole_columns:
            return
        e = f'"{column}"'
        refused = self.query(f'SELECT {e} FROM {db}."{table}" WHERE {e} IS NOT NULL AND NOT '
                             f"{whole_number_sql(e)} LIMIT 1", [], parser)
        if refused:
            parser.fail(f"Conversion failed when converting the value {refused[0][0]!r} of "
                        f"{db}.dbo.{table}.{column} to data type bigint")
        self._whole_columns.add(key)

    def _keep_whole_columns(self, db, table, written):
        for key in [k for k in self._whole_columns if k[:2] == (db, table.lower())]:
            value = written.get(key[2], 0)
            whole = value is None or isinstance(value, int) or (
                isinstance(value, str) and re.fullmatch(r" *[+-]?[0-9]+ *", value))
            if not whole:
                self._whole_columns.discard(key)

    def query(self, sql, params, parser):
        try:
            return self.con.execute(sql, params).fetchall()
        except sqlite3.Error as e:
            parser.fail(f"SQLite: {e}")

    def change(self, kind, db, table, written, sql, params, parser):
        """Runs an INSERT, UPDATE or DELETE; written: {column in lower case: value}."""
        self._keep_whole_columns(db, table, written)
        try:
            count = self.con.execute(sql, params).rowcount
        except sqlite3.Error as e:
            parser.fail(f"SQLite: {e}")
        self.counts[kind] += 1
        self.rows[kind] += count
        if count == 0:
            self.unchanged.append(f"{parser.where}:{parser.tokens[0].line}: {parser.text()[:160]}")

    def check_numeric(self, db, table, column, value, parser):
        declared = self.declared_type(db, table, column)
        numeric = any(k in declared for k in ("INT", "REAL", "FLOA", "DOUB", "NUM", "DEC"))
        if numeric and isinstance(value, str):
            if not re.fullmatch(r"[ ]*[+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+)([eE][+-]?[0-9]+)?[ ]*", value):
                self.warnings.append(
                    f"{parser.where}:{parser.tokens[0].line}: {value!r} into {declared} column "
                    f"{table}.{column} is stored as text; SQL Server would refuse the conversion"
                )

    # -- the statements
    def run(self, tokens, context, where):
        p = Parser(tokens, context, where, self)
        first = tokens[0]
        if first.is_word("BEGIN"):
            p.next()
            p.expect_word("TRAN", "TRANSACTION")
            p.end()
            context.transactions += 1
        elif first.is_word("COMMIT"):
            p.next()
            p.accept_word("TRAN", "TRANSACTION")
            p.end()
            if context.transactions == 0:
                p.fail("COMMIT without BEGIN TRAN")
            context.transactions -= 1
        elif first.is_word("SET"):
            # The executor stops at the first error and rolls back, as XACT_ABORT ON does.
            p.next()
            p.expect_word("XACT_ABORT", "NOCOUNT")
            p.expect_word("ON")
            p.end()
        elif first.is_word("USE"):
            p.next()
            name = p.identifier()
            p.end()
            known = {d.lower(): d for d in DATABASES}
            if name.lower() not in known:
                p.fail(f"unknown database {name!r}")
            context.database = known[name.lower()]
        elif first.is_word("INSERT"):
            self.insert(p)
        elif first.is_word("UPDATE"):
            self.update(p)
        elif first.is_word("DELETE"):
            self.delete(p)
        else:
            p.fail("a statement the executor does not know")

    def insert(self, p):
        p.expect_word("INSERT")
        p.expect_word("INTO")
        db, table, columns = p.table()
        p.expect_punct("(")
        names = [p.column(columns)]
        while p.accept_punct(","):
            names.append(p.column(columns))
        p.expect_punct(")")
        p.expect_word("VALUES")
        p.expect_punct("(")
        values = [p.value()]
        while p.accept_punct(","):
            values.append(p.value())
        p.expect_punct(")")
        p.end()
        if len(values) != len(names):
            p.fail(f"{len(names)} columns but {len(values)} values")
        if len(set(n.lower() for n in names)) != len(names):
            p.fail("a column named twice")
        for name, value in zip(names, values):
            self.check_numeric(db, table, name, value, p)
        cols = ",".join(f'"{n}"' for n in names)
        marks = ",".join("?" for _ in values)
        self.change("INSERT", db, table, {n.lower(): v for n, v in zip(names, values)},
                    f'INSERT INTO {db}."{table}" ({cols}) VALUES ({marks})', values, p)

    def update(self, p):
        p.expect_word("UPDATE")
        db, table, columns = p.table()
        p.expect_word("SET")
        sets, params, written = [], [], {}
        while True:
            column = p.column(columns)
            p.expect_punct("=")
            value = p.value()
            written[column.lower()] = value
            self.check_numeric(db, table, column, value, p)
            sets.append(f'"{column}" = ?')
            params.append(value)
            if not p.accept_punct(","):
                break
        where, where_params = p.where_clause(columns)
        p.end()
        self.change("UPDATE", db, table, written, f'UPDATE {db}."{table}" SET {", ".join(sets)}{where}',
                    params + where_params, p)

    def delete(self, p):
        p.expect_word("DELETE")
        p.accept_word("FROM")
        db, table, columns = p.table()
        where, params = p.where_clause(columns)
        p.end()
        self.change("DELETE", db, table, {}, f'DELETE FROM {db}."{table}"{where}', params, p)

    def run_file(self, path, database):
        with open(path, "rb") as f:
            data = f.read()
        # The reports and scripts are Windows-1252; the undo files UTF-8 with a byte order mark.
        text = data[3:].decode("utf-8") if data.startswith(b"\xef\xbb\xbf") else decode_cp1252(data)
        where = os.path.basename(path)
        context = Context(database)
        for first_line, batch in batches(text):
            for statement in statements(tokenize(batch, first_line, where), where):
                self.run(statement, context, where)
        if context.transactions:
            raise ScriptError(f"{where}: BEGIN TRAN without COMMIT at the end")


def run_scripts(db_dir, scripts, database=None):
    """Runs the scripts in order, all in one transaction; returns the Runner."""
    con = connect(db_dir)
    runner = Runner(con)
    con.execute("BEGIN")
    try:
        for path in scripts:
            runner.run_file(path, database)
        con.execute("COMMIT")
    except BaseException:
        con.execute("ROLLBACK")
        raise
    finally:
        con.close()
    return runner


def main(argv):
    parser = argparse.ArgumentParser(description="Runs orvex's T-SQL scripts on the embedded SQLite databases.")
    parser.add_argument("db_dir", help="folder holding Build_FILE.db and Medicare.db")
    parser.add_argument("scripts", nargs="+", help="script files, run in this order")
    parser.add_argument("--database", choices=DATABASES, help="database of tables named without one")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args(argv)
    try:
        runner = run_scripts(args.db_dir, args.scripts, args.database)
    except ScriptError as e:
        print(f"error: {e}", file=sys.stderr)
        print("nothing was changed", file=sys.stderr)
        return 1
    for w in runner.warnings:
        print("warning: " + w, file=sys.stderr)
    if not args.quiet:
        for kind in ("INSERT", "UPDATE", "DELETE"):
            print(f"{kind}: {runner.counts[kind]} statements, {runner.rows[kind]} rows")
        print(f"statements that changed no row: {len(runner.unchanged)}")
        for line in runner.unchanged[:20]:
            print("  " + line)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
