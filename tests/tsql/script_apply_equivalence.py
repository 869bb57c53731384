#!/usr/bin/env python3
"""A written script and `orvex-cli apply --yes` of the same run must leave the same tables,
and `orvex-cli undo --last --yes` must give back the start.

For one case, on fresh sample databases (`orvex-cli db init`) with the two 2024 lists:
  1. the tool's run writes its scripts and output/changes.json;
  2. copy A of the databases runs the written scripts with tsql_sqlite.py;
  3. the tool's own databases (copy B) get `orvex-cli apply --yes`;
  4. every table of A and B is compared, every row and column;
  5. `orvex-cli undo --last --yes` on B must give back the databases as they were before
     the apply, every row in place (rowid included) and the same schema; so must the
     apply's undo file, run with tsql_sqlite.py on copy A.

Not compared: tbActivityLog, which only the tool writes (scripts log nothing). No column is
left out: the new PackageIDs are written by both (the script as MAX+1, the apply as the
largest plus one), and the ID column the backup adds (numbered by a trigger here, an
identity on SQL Server) agrees because the apply inserts in the script's order; should that
order change on purpose, ID is the one column to leave out. Rows of A and B are compared as
sets with their counts, since SQL Server tables have no row order; the undo check compares
in storage order.

Cases the apply refuses today are written but skipped (exit 77) with their reason;
--with-pending (or ORVEX_EQUIVALENCE_PENDING=1) runs them. A case marked with a known
failure runs in full and prints every difference, then is skipped when the differences
are only of the stages and tables named (--strict or ORVEX_EQUIVALENCE_STRICT=1 fails
instead), and fails once it passes, so that the mark goes with the fix.

Usage: script_apply_equivalence.py --cli ORVEX_CLI --lists DIR --work DIR CASE
"""

import argparse
import collections
import os
import re
import resource
import shutil
import sqlite3
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import script_shapes  # noqa: E402
import tsql_sqlite  # noqa: E402

LISTS = ("ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt")
SKIP = 77
NOT_COMPARED = {"tbactivitylog", "sqlite_sequence"}

# Each case: the tool's steps before the run, the run, the scripts it writes (in the order an
# administrator runs them, each with the database of its unqualified tables, None where the
# script says it with USE), the apply's --run, the reason when the apply does not support it
# yet, and a known failure.
CASES = {
    "update": {
        # Step 1 first, as the yearly update goes: the live tables get their ID column.
        "before": [["backup"]],
        "run": ["update"],
        "scripts": [("script.txt", None), ("scriptPH.txt", None)],
        "kind": "update",
    },
    "update-descriptions": {
        "run": ["update", "--update-descriptions"],
        "scripts": [("script.txt", None), ("scriptPH.txt", None)],
        "kind": "update",
    },
    "ph-scan": {
        "run": ["scan", "--ph", "--update-resource"],
        # Its new ICD-10 codes go to script.txt, as the ICD scan's do.
        "scripts": [("script.txt", None), ("SameCodeDiffDesc Script.txt", None), ("scriptPH.txt", None)],
        "kind": "ph-scan",
    },
    "icd-scan": {
        "before": [["duplicates", "--delete", "--yes"]],
        "run": ["scan", "--source", "ICD PH 2024.txt"],
        "scripts": [("script.txt", None), ("SameCodeDiffDesc Script.txt", None)],
        "kind": "scan",
    },
    "package-rates": {
        "run": ["package-rates", "--year", ""],
        "scripts": [("UpdatePackageRates.txt", None)],
        "kind": "package-rates",
    },
    "update-ver-b": {
        "before": [["backup", "--ver-b"]],
        "run": ["update", "--ver-b", "--update-descriptions"],
        "scripts": [("script.txt", None), ("scriptPH.txt", None)],
        "kind": "update",
    },
    "update-test-tables": {
        "before": [["backup", "--test-tables"]],
        "run": ["update", "--test-tables", "--update-descriptions"],
        "scripts": [("script.txt", None), ("scriptPH.txt", None)],
        "kind": "update",
    },
}


class Failure(Exception):
    pass


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def tool(cli, work, *args, expect=0, keep_stderr=False):
    started, cpu = time.monotonic(), children_cpu()
    done = subprocess.run([cli, "--workdir", work, *args], capture_output=True, text=True,
                          env={**os.environ, "QT_QPA_PLATFORM": "offscreen"})
    print(f"$ orvex-cli {' '.join(args)}  ({time.monotonic() - started:.1f} s, "
          f"{children_cpu() - cpu:.1f} s CPU, exit {done.returncode})")
    if done.returncode != expect:
        raise Failure(f"orvex-cli {' '.join(args)} exited with {done.returncode}, not {expect}:\n"
                      f"{done.stdout}{done.stderr}")
    return (done.stdout, done.stderr) if keep_stderr else done.stdout


# The apply and the undo send their changes as set statements: a whole run in a few dozen.
STATEMENT_LIMIT = 60


def statements_sent(stderr, step):
    found = re.search(r"^statements: (\d+)$", stderr, re.M)
    if not found:
        raise Failure(f"orvex-cli {step} --stats printed no statement count:\n{stderr}")
    count = int(found.group(1))
    print(f"{step}: {count} statements")
    if count > STATEMENT_LIMIT:
        raise Failure(f"orvex-cli {step} sent {count} statements, more than {STATEMENT_LIMIT}")


def copy_databases(source_dir, target_dir):
    os.makedirs(target_dir, exist_ok=True)
    for name in tsql_sqlite.DATABASES:
        shutil.copyfile(os.path.join(source_dir, name + ".db"), os.path.join(target_dir, name + ".db"))


# ---------------------------------------------------------------------------------------
# Reading and comparing the databases


def open_pair(left_dir, right_dir):
    """One connection with both copies attached: l_Build_FILE, l_Medicare, r_Build_FILE, ..."""
    con = sqlite3.connect(":memory:", isolation_level=None)
    con.create_collation("CI_AS", tsql_sqlite.ci_as_compare)
    for side, folder in (("l", left_dir), ("r", right_dir)):
        for db in tsql_sqlite.DATABASES:
            con.execute(f"ATTACH DATABASE ? AS {side}_{db}", (os.path.join(folder, db + ".db"),))
    return con


def schema(con, side, db):
    """Tables, indexes and triggers with their SQL, the activity log left out."""
    return [e for e in con.execute(f"SELECT type, name, sql FROM {side}_{db}.sqlite_master "
                                   "WHERE name NOT LIKE 'sqlite_%' ORDER BY type, name")
            if e[1].lower() not in NOT_COMPARED and "tbactivitylog" not in (e[2] or "").lower()]


def cells(columns):
    # Every value byte for byte with its storage class: 1, 1.0 and '1' are three cells, and
    # 'a' and 'A' two, whatever the column's collation.
    return ", ".join(f'"{c}" COLLATE BINARY, typeof("{c}")' if c != "rowid" else "rowid" for c in columns)


def rows_differ(con, columns, left_table, right_table):
    """Whether the two tables hold other rows, each row counted with its repeats: one
    grouping of both tables' rows, each side counting +1 and -1."""
    listed = cells(columns)
    return con.execute(
        f"SELECT 1 FROM (SELECT {listed}, 1 AS side FROM {left_table} UNION ALL "
        f"SELECT {listed}, -1 FROM {right_table}) GROUP BY {listed} HAVING sum(side) != 0 LIMIT 1"
    ).fetchone() is not None


def table_rows(con, table, columns):
    listed = ", ".join(f'"{c}"' if c != "rowid" else "rowid" for c in columns)
    return con.execute(f"SELECT {listed} FROM {table} ORDER BY rowid").fetchall()


def shown(value):
    return "NULL" if value is None else f"{value!r} ({type(value).__name__})"


def differs(a, b):
    return type(a) is not type(b) or a != b


def describe_table_difference(db, name, columns, left_rows, right_rows, left, right, limit=25):
    """The rows only one side has, paired by their first column where both have that key,
    with the columns the pairs differ in counted."""
    typed = lambda rows: collections.Counter(tuple((type(v).__name__, v) for v in row) for row in rows)
    only_left = [tuple(v for _, v in row) for row in (typed(left_rows) - typed(right_rows)).elements()]
    only_right = [tuple(v for _, v in row) for row in (typed(right_rows) - typed(left_rows)).elements()]
    lines = [f"{db}.dbo.{name}: {len(left_rows)} rows in {left}, {len(right_rows)} in {right}; "
             f"{len(only_left)} rows only in {left}, {len(only_right)} only in {right}"]
    by_key_right = collections.defaultdict(list)
    for row in sorted(only_right, key=repr):
        by_key_right[row[0]].append(row)
    pairs, lone_left = [], []
    for row in sorted(only_left, key=repr):
        partners = by_key_right.get(row[0])
        if partners:
            pairs.append((row, partners.pop(0)))
        else:
            lone_left.append(row)
    lone_right = [row for rows in by_key_right.values() for row in rows]
    differing = collections.Counter(columns[i] for a, b in pairs for i in range(len(columns))
                                    if differs(a[i], b[i]))
    if pairs:
        lines.append(f"  {len(pairs)} rows of the same {columns[0]} differ in: "
                     + ", ".join(f"{c} ({n} rows)" for c, n in differing.most_common()))
    entries = [f"  {columns[0]} = {shown(a[0])}: "
               + "; ".join(f"{columns[i]}: {left} {shown(a[i])}, {right} {shown(b[i])}"
                           for i in range(len(columns)) if differs(a[i], b[i])) for a, b in pairs]
    entries += [f"  only in {left}: " + ", ".join(f"{c}={shown(v)}" for c, v in zip(columns, row))
                for row in lone_left]
    entries += [f"  only in {right}: " + ", ".join(f"{c}={shown(v)}" for c, v in zip(columns, row))
                for row in lone_right]
    lines += entries[:limit]
    if len(entries) > limit:
        lines.append(f"  ... and {len(entries) - limit} more")
    return lines


def compare(left_dir, right_dir, left, right, ordered, describe=True):
    """[(table, lines)] naming every difference between two copies (table None for the
    schema); empty when they hold the same. ordered: rows in the same storage places too;
    describe False: the first differing table only, without lines."""
    found = []
    con = open_pair(left_dir, right_dir)
    try:
        for db in tsql_sqlite.DATABASES:
            left_schema, right_schema = schema(con, "l", db), schema(con, "r", db)
            if left_schema != right_schema:
                extra_left = [e[1] for e in left_schema if e not in right_schema]
                extra_right = [e[1] for e in right_schema if e not in left_schema]
                found.append((None, [f"{db}: schema differs: only in {left} {extra_left}, "
                                     f"only in {right} {extra_right}"]))
                continue
            for kind, name, _ in left_schema:
                if kind != "table":
                    continue
                columns = (["rowid"] if ordered else []) + [
                    row[1] for row in con.execute(f'PRAGMA l_{db}.table_info("{name}")')]
                left_table, right_table = f'l_{db}."{name}"', f'r_{db}."{name}"'
                if not rows_differ(con, columns, left_table, right_table):
                    continue
                if not describe:
                    return [(f"{db}.dbo.{name}", [])]
                found.append((f"{db}.dbo.{name}", describe_table_difference(
                    db, name, columns, table_rows(con, left_table, columns),
                    table_rows(con, right_table, columns), left, right)))
    finally:
        con.close()
    return found


def row_count(db_dir):
    con = tsql_sqlite.connect(db_dir)
    try:
        return sum(con.execute(f'SELECT count(*) FROM {db}."{name}"').fetchone()[0]
                   for db in tsql_sqlite.DATABASES
                   for (name,) in con.execute(f"SELECT name FROM {db}.sqlite_master WHERE type = 'table'")
                   if name.lower() not in NOT_COMPARED)
    finally:
        con.close()


# ---------------------------------------------------------------------------------------
# One case


def check_grammar(node, work, files):
    """Every statement shape of the scripts and the undo file must parse as T-SQL with the
    independent grammar of tests/tsql/grammar."""
    here = os.path.dirname(os.path.abspath(__file__))
    shapes = os.path.join(work, "statement shapes.txt")
    seen = set()
    with open(shapes, "w", encoding="utf-8") as out:
        for path in files:
            for where, sql in script_shapes.shapes(path):
                if sql not in seen:
                    seen.add(sql)
                    out.write(f"{where}\t{sql}\n")
    done = subprocess.run([node, os.path.join(here, "grammar", "check_statements.mjs"), "--lines", shapes],
                          capture_output=True, text=True)
    print("grammar of the scripts and the undo file: " + done.stdout.strip().split("\n")[-1])
    if done.returncode != 0:
        raise Failure("the T-SQL grammar does not read what the tool wrote:\n" + done.stdout + done.stderr)


def run_case(name, case, cli, lists, work, node=None):
    shutil.rmtree(work, ignore_errors=True)
    tool_dir = os.path.join(work, "tool")
    os.makedirs(tool_dir)
    for list_name in LISTS:
        shutil.copyfile(os.path.join(lists, list_name), os.path.join(tool_dir, list_name))
    db_dir = os.path.join(tool_dir, "db")
    output = os.path.join(tool_dir, "output")
    tool(cli, tool_dir, "db", "init")
    for step in case.get("before", []):
        tool(cli, tool_dir, *step)
    tool(cli, tool_dir, *case["run"])

    start_dir = os.path.join(work, "start")
    copy_databases(db_dir, start_dir)

    # Copy A: the scripts as an administrator runs them.
    script_dir = os.path.join(work, "script")
    copy_databases(db_dir, script_dir)
    scripts = case["scripts"]
    started = time.monotonic()
    for script, database in scripts:
        path = os.path.join(output, script)
        if not os.path.isfile(path):
            raise Failure(f"the run wrote no {script}")
        runner = tsql_sqlite.run_scripts(script_dir, [path], database)
        counts = ", ".join(f"{k} {runner.counts[k]} ({runner.rows[k]} rows)" for k in runner.counts)
        print(f"script {script}: {counts}; {len(runner.unchanged)} statements changed no row "
              f"({time.monotonic() - started:.1f} s)")
        for w in runner.warnings[:3]:
            print("  warning: " + w)
        if len(runner.warnings) > 3:
            print(f"  ... {len(runner.warnings) - 3} more warnings of this kind")

    # Copy B: the tool's apply.
    statements_sent(tool(cli, tool_dir, "apply", "--run", case["kind"], "--yes", "--stats", keep_stderr=True)[1],
                    "apply")

    failures = []  # (stage, table, lines)
    failures += [("apply", table, lines) for table, lines in compare(script_dir, db_dir, "script", "apply",
                                                                        ordered=False)]
    if not failures and not compare(script_dir, start_dir, "script", "start", ordered=False, describe=False):
        failures.append(("apply", None, ["Neither the scripts nor the apply changed anything: the case "
                                         "tests nothing"]))

    scripted_rows = row_count(script_dir)

    # The undo file is T-SQL too: run on copy A, it must give back the start as well.
    undo_files = sorted(n for n in os.listdir(output) if n.startswith("undo ") and n.endswith(".sql"))
    if len(undo_files) != 1:
        raise Failure(f"the apply wrote {len(undo_files)} undo files, not one: {undo_files}")
    runner = tsql_sqlite.run_scripts(script_dir, [os.path.join(output, undo_files[0])])
    print(f"undo file on the scripts' copy: UPDATE {runner.counts['UPDATE']}, DELETE {runner.counts['DELETE']}; "
          f"{len(runner.unchanged)} statements changed no row")
    failures += [("undo-file", table, lines)
                 for table, lines in compare(script_dir, start_dir, "undo file", "start", ordered=True)]

    if node:
        check_grammar(node, work, [os.path.join(output, script) for script, _ in scripts] +
                      [os.path.join(output, undo_files[0])])

    statements_sent(tool(cli, tool_dir, "undo", "--last", "--yes", "--stats", keep_stderr=True)[1], "undo")
    failures += [("undo", table, lines)
                 for table, lines in compare(db_dir, start_dir, "undone", "start", ordered=True)]
    print(f"compared {scripted_rows} rows of script and apply, {row_count(start_dir)} of the undos and start")
    return failures


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--lists", required=True, help="folder of the two 2024 rate lists")
    parser.add_argument("--work", required=True, help="scratch folder of the case, emptied first")
    parser.add_argument("--grammar", metavar="NODE",
                        help="also parse the scripts and the undo file with the T-SQL grammar, run by NODE")
    parser.add_argument("--with-pending", action="store_true",
                        default=os.environ.get("ORVEX_EQUIVALENCE_PENDING") == "1",
                        help="also run the cases the apply does not support yet")
    parser.add_argument("--strict", action="store_true",
                        default=os.environ.get("ORVEX_EQUIVALENCE_STRICT") == "1",
                        help="fail on a known failure instead of skipping the case")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args(argv)
    case = CASES[args.case]
    if case.get("pending") and not args.with_pending:
        print(f"SKIPPED {args.case}: {case['pending']} (run with --with-pending or "
              "ORVEX_EQUIVALENCE_PENDING=1 once it does)")
        return SKIP
    started = time.monotonic()
    try:
        failures = run_case(args.case, case, os.path.abspath(args.cli), os.path.abspath(args.lists),
                            os.path.abspath(args.work), args.grammar)
    except (Failure, tsql_sqlite.ScriptError) as e:
        print(f"FAILED {args.case}: {e}\nThe copies and the tool's output stay in {args.work}")
        return 1
    own = resource.getrusage(resource.RUSAGE_SELF)
    took = (f"({time.monotonic() - started:.1f} s; CPU {own.ru_utime + own.ru_stime:.1f} s here, "
            f"{children_cpu():.1f} s in orvex-cli)")
    for stage in ("apply", "undo-file", "undo"):
        lines = [line for s, _, found in failures if s == stage for line in found]
        if lines:
            print({"apply": "The scripts and the apply leave different tables:",
                   "undo-file": "The undo file, run on the scripts' copy, does not give back the start:",
                   "undo": "orvex-cli undo does not give back the start:"}[stage])
            print("\n".join(lines))
    known = case.get("known")
    if known and not args.strict:
        if not failures:
            print(f"FAILED {args.case}: passes now, though marked as a known failure ({known['reason']}): "
                  "remove the mark")
            return 1
        if all(s in known["stages"] and t in known["tables"] for s, t, _ in failures):
            print(f"SKIPPED {args.case} {took}: known failure: {known['reason']} "
                  "(--strict or ORVEX_EQUIVALENCE_STRICT=1 fails instead)")
            return SKIP
    print(f"{'FAILED' if failures else 'PASSED'} {args.case} {took}")
    if failures:
        print(f"The copies and the tool's output stay in {args.work}")
        return 1
    shutil.rmtree(args.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
