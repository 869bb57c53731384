#!/usr/bin/env python3
"""The T-SQL executor on two small databases: the forms it translates, and the refusals
that keep a test built on it from passing by skipping a statement."""

import os
import sqlite3
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import script_apply_equivalence as equivalence  # noqa: E402
import tsql_sqlite  # noqa: E402
from tsql_sqlite import ScriptError  # noqa: E402


def ci_as(a, b):
    return tsql_sqlite.ci_as_compare(a, b)


class TwoDatabases(unittest.TestCase):
    """Build_FILE.db and Medicare.db of a few rows in a temporary folder."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        for name, ddl in (
            ("Build_FILE", ["CREATE TABLE tbICDdiagMain (CODE TEXT COLLATE CI_AS, Description TEXT COLLATE CI_AS)",
                            "INSERT INTO tbICDdiagMain VALUES ('A01.0', 'Typhoid fever')"]),
            ("Medicare", ["CREATE TABLE tbMedPackage (PackageID TEXT NOT NULL, Package TEXT COLLATE CI_AS, "
                          "Amount REAL, PF REAL, Status INTEGER, CaseType INTEGER)",
                          "INSERT INTO tbMedPackage VALUES ('9', 'Old', 10, 2, 1, 1)",
                          "INSERT INTO tbMedPackage VALUES ('10', 'Group A', 20, 4, 1, 1)"]),
        ):
            con = sqlite3.connect(os.path.join(self.dir.name, name + ".db"))
            con.create_collation("CI_AS", ci_as)
            for statement in ddl:
                con.execute(statement)
            con.commit()
            con.close()

    def run_script(self, text, database=None):
        path = os.path.join(self.dir.name, "script.txt")
        with open(path, "wb") as f:
            f.write(text.encode("cp1252"))
        return tsql_sqlite.run_scripts(self.dir.name, [path], database)

    def rows(self, sql):
        con = tsql_sqlite.connect(self.dir.name)
        try:
            return con.execute(sql).fetchall()
        finally:
            con.close()


class ExecutorTest(TwoDatabases):
    def test_forms_the_tool_writes(self):
        runner = self.run_script(
            "/* [DATABASE] old /* nested */ text\r\n   [SOURCE F] it's -- new */\r\n"
            "INSERT INTO [Medicare].[dbo].[tbMedPackage] ([PackageID],[Package],[Amount],[PF],[Status],[CaseType])"
            "  VALUES((select MAX(convert(BIGINT,packageID))+1 from  [Medicare].[dbo].[tbMedPackage]),"
            "'It''s -- a' + NCHAR(10) + 'b','11700.00','0','1','1');\r\n"
            "\r\nupdate  [Medicare].[dbo].[tbMedPackage] set [Amount]='5',[PF]='1' where packageid = '9'\r\n"
            "UPDATE [Medicare]..tbMedPackage SET PF='3' WHERE Package = 'group a  ' -- trailing blanks\r\n"
            "GO\r\n"
            "BEGIN TRAN\r\nUPDATE dbo.tbICDdiagMain SET Description=N'Typhoid' WHERE CODE='a01.0';\r\nCOMMIT\r\n",
            database="Build_FILE")
        self.assertEqual(runner.counts, {"INSERT": 1, "UPDATE": 3, "DELETE": 0})
        self.assertEqual(runner.unchanged, [])
        self.assertEqual(runner.warnings, [])
        self.assertEqual(self.rows("SELECT * FROM Medicare.tbMedPackage ORDER BY rowid"),
                         [("9", "Old", 5.0, 1.0, 1, 1), ("10", "Group A", 20.0, 3.0, 1, 1),
                          ("11", "It's -- a\nb", 11700.0, 0.0, 1, 1)])
        self.assertEqual(self.rows("SELECT * FROM Build_FILE.tbICDdiagMain"), [("A01.0", "Typhoid")])

    def test_subquery_of_a_group_and_a_statement_that_finds_nothing(self):
        runner = self.run_script(
            "INSERT INTO [Medicare].[dbo].[tbMedPackage] ([PackageID],[Package]) VALUES "
            "((select packageid from  [Medicare].[dbo].[tbMedPackage] where Package  = 'GROUP A'),'copy');\r\n"
            "UPDATE [Medicare].[dbo].[tbMedPackage] SET [Amount]='1' WHERE PackageID = '77' -- none\r\n")
        self.assertEqual(self.rows("SELECT PackageID FROM Medicare.tbMedPackage WHERE Package = 'copy'"),
                         [("10",)])
        self.assertEqual(len(runner.unchanged), 1)

    def test_text_in_a_numeric_column_is_a_warning(self):
        runner = self.run_script("INSERT INTO [Medicare].[dbo].[tbMedPackage] ([PackageID],[CaseType]) "
                                 "VALUES('12','MEDICAL');")
        self.assertEqual(len(runner.warnings), 1)
        self.assertIn("CaseType", runner.warnings[0])

    def test_refusals_change_nothing(self):
        refused = {
            "DROP TABLE [Medicare].[dbo].[tbMedPackage]": "does not know",
            "EXEC sp_who": "does not know",
            "UPDATE [Medicare].[dbo].[tbMedPackage] SET PF='1' WHERE Package LIKE 'x%'": "expected '='",
            "UPDATE [Medicare].[dbo].[tbMedPackage] SET PF='1' WHERE PackageID = '9' OR 1 = 1": "after the statement",
            "UPDATE [Medicare].[dbo].[tbMedPackage] SET Nope='1'": "no column",
            "UPDATE [Medicare].[other].[tbMedPackage] SET PF='1'": "not dbo",
            "UPDATE [Master].[dbo].[tbMedPackage] SET PF='1'": "unknown database",
            "UPDATE tbMedPackage SET PF='1'": "none is in use",
            "UPDATE [Medicare].[dbo].[tbNone] SET PF='1'": "does not exist",
            "INSERT INTO [Medicare].[dbo].[tbMedPackage] (PackageID) VALUES ((select packageid from "
            "[Medicare].[dbo].[tbMedPackage]))": "more than 1 value",
            "INSERT INTO [Medicare].[dbo].[tbMedPackage] (PackageID, Package) VALUES ('1')": "2 columns but 1",
            "INSERT INTO [Medicare].[dbo].[tbMedPackage] (PackageID) VALUES ('1' + 2)": "other than text",
            "UPDATE [Medicare].[dbo].[tbMedPackage] SET PF='1' /* never closed": "never closed",
            "UPDATE [Medicare].[dbo].[tbMedPackage] SET PF=\"1\"": "does not know",
            "COMMIT": "COMMIT without BEGIN",
            "BEGIN TRAN UPDATE [Medicare].[dbo].[tbMedPackage] SET PF='1'": "without COMMIT",
        }
        for script, message in refused.items():
            with self.subTest(script=script):
                with self.assertRaises(ScriptError) as raised:
                    self.run_script("UPDATE [Medicare].[dbo].[tbMedPackage] SET PF='99'\r\n" + script + "\r\n")
                self.assertIn(message, str(raised.exception))
                self.assertIn("script.txt:", str(raised.exception))
                self.assertEqual(self.rows("SELECT PF FROM Medicare.tbMedPackage ORDER BY rowid"),
                                 [(2.0,), (4.0,)])

    def test_convert_refuses_text_that_is_no_whole_number(self):
        self.run_script("UPDATE [Medicare].[dbo].[tbMedPackage] SET PackageID='9a' WHERE PackageID='9'")
        with self.assertRaises(ScriptError) as raised:
            self.run_script("INSERT INTO [Medicare].[dbo].[tbMedPackage] ([PackageID]) VALUES("
                            "(select MAX(convert(BIGINT,packageID))+1 from [Medicare].[dbo].[tbMedPackage]))")
        self.assertIn("'9a'", str(raised.exception))
        self.assertIn("bigint", str(raised.exception))

    def test_convert_checks_again_after_a_statement_writes_text(self):
        insert = ("INSERT INTO [Medicare].[dbo].[tbMedPackage] ([PackageID]) VALUES("
                  "(select MAX(convert(BIGINT,packageID))+1 from [Medicare].[dbo].[tbMedPackage]))\r\n")
        with self.assertRaises(ScriptError) as raised:
            self.run_script(insert + insert + "UPDATE [Medicare].[dbo].[tbMedPackage] SET PackageID='x1' "
                            "WHERE PackageID='9'\r\n" + insert)
        self.assertIn("script.txt:4:", str(raised.exception))
        self.assertIn("'x1'", str(raised.exception))
        self.run_script(insert + insert)
        self.assertEqual(self.rows("SELECT PackageID FROM Medicare.tbMedPackage ORDER BY rowid"),
                         [("9",), ("10",), ("11",), ("12",)])

    def test_windows_1252_and_its_undefined_bytes(self):
        self.assertEqual(tsql_sqlite.decode_cp1252(b"\x80\x81\xe9"), "\u20ac\x81\u00e9")


class ComparisonTest(TwoDatabases):
    """How the equivalence test names what differs between two copies."""

    def copy(self):
        target = os.path.join(self.dir.name, "copy")
        equivalence.copy_databases(self.dir.name, target)
        return target

    def test_names_table_key_column_and_both_values(self):
        other = self.copy()
        self.run_script("UPDATE [Medicare].[dbo].[tbMedPackage] SET PF='7' WHERE PackageID='10'\r\n"
                        "UPDATE [Build_FILE].[dbo].[tbICDdiagMain] SET Description='x' WHERE CODE='A01.0'")
        tsql_sqlite.run_scripts(other, [self.write("INSERT INTO [Medicare].[dbo].[tbMedPackage] "
                                                   "([PackageID],[CaseType]) VALUES('11','GROUP')")])
        found = equivalence.compare(self.dir.name, other, "script", "apply", ordered=False)
        self.assertEqual([table for table, _ in found], ["Build_FILE.dbo.tbICDdiagMain", "Medicare.dbo.tbMedPackage"])
        self.assertEqual(found[0][1][1:], ["  1 rows of the same CODE differ in: Description (1 rows)",
                                           "  CODE = 'A01.0' (str): Description: script 'x' (str), "
                                           "apply 'Typhoid fever' (str)"])
        self.assertEqual(found[1][1][1:], [
            "  1 rows of the same PackageID differ in: PF (1 rows)",
            "  PackageID = '10' (str): PF: script 7.0 (float), apply 4.0 (float)",
            "  only in apply: PackageID='11' (str), Package=NULL, Amount=NULL, PF=NULL, Status=NULL, "
            "CaseType='GROUP' (str)"])

    def test_case_storage_class_and_repeats_count(self):
        other = self.copy()
        for folder, rows in ((self.dir.name, ["1", "'Typhoid fever'", "'Typhoid fever'"]),
                             (other, ["1.0", "'TYPHOID FEVER'", "'Typhoid fever'"])):
            con = sqlite3.connect(os.path.join(folder, "Build_FILE.db"))
            con.create_collation("CI_AS", ci_as)
            con.execute("CREATE TABLE t (v, d TEXT COLLATE CI_AS)")
            con.execute(f"INSERT INTO t VALUES ({rows[0]}, 'x')")
            con.executemany("INSERT INTO t VALUES ('y', ?)", [(r.strip("'"),) for r in rows[1:]])
            con.commit()
            con.close()
        found = equivalence.compare(self.dir.name, other, "a", "b", ordered=False)
        self.assertEqual([table for table, _ in found], ["Build_FILE.dbo.t"])
        self.assertEqual(found[0][1], [
            "Build_FILE.dbo.t: 3 rows in a, 3 in b; 2 rows only in a, 2 only in b",
            "  2 rows of the same v differ in: d (1 rows), v (1 rows)",
            "  v = 'y' (str): d: a 'Typhoid fever' (str), b 'TYPHOID FEVER' (str)",
            "  v = 1 (int): v: a 1 (int), b 1.0 (float)"])

    def test_the_same_rows_in_another_order_differ_only_where_order_counts(self):
        other = self.copy()
        for folder in (self.dir.name, other):
            con = sqlite3.connect(os.path.join(folder, "Medicare.db"))
            con.create_collation("CI_AS", ci_as)
            order = "ASC" if folder == other else "DESC"
            con.execute(f"CREATE TABLE t AS SELECT * FROM tbMedPackage ORDER BY rowid {order}")
            con.commit()
            con.close()
        self.assertEqual(equivalence.compare(self.dir.name, other, "a", "b", ordered=False), [])
        found = equivalence.compare(self.dir.name, other, "a", "b", ordered=True)
        self.assertEqual([table for table, _ in found], ["Medicare.dbo.t"])

    def write(self, text):
        path = os.path.join(self.dir.name, "other.txt")
        with open(path, "wb") as f:
            f.write(text.encode("cp1252"))
        return path


if __name__ == "__main__":
    unittest.main()
