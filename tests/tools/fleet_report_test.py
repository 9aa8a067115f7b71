#!/usr/bin/env python3
"""tools/fleet_report.py against a folder of records kept from end-to-end runs under Wine, one of them
damaged: a run cut short in the middle of a line, with a line of rubbish before the cut."""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
REPORT = os.path.join(SOURCE, "tools", "fleet_report.py")
FLEET = os.path.join(SOURCE, "tests", "fixtures", "fleet")
DAMAGED = os.path.join("pc-cut", "Pellworth Removal Log damaged.jsonl")


def run(*args):
    done = subprocess.run([sys.executable, REPORT, *args], capture_output=True, text=True, timeout=60)
    return done.returncode, done.stdout, done.stderr


HEADER = {"record": "header", "format": 1, "machine": "PC1", "start": "2026-12-08T10:00:00Z"}
SUMMARY = {"record": "summary", "outcome": "removed", "counts": {"file": 1}, "failures": 0, "restart": True,
           "end": "2026-12-08T10:01:00Z"}


def records(path):
    with open(path, encoding="utf-8") as f:
        return [line for line in f.read().split("\n")]


class FleetReport(unittest.TestCase):
    def test_every_whole_record_is_a_row_and_the_damaged_lines_are_named(self):
        code, out, err = run(FLEET, "--csv")
        self.assertEqual(code, 1, err)
        rows = list(csv.DictReader(io.StringIO(out)))
        by_record = {r["record"]: r for r in rows}

        record_files = sorted(
            os.path.relpath(os.path.join(root, name), FLEET)
            for root, _, names in os.walk(FLEET) for name in names if name.endswith(".jsonl"))
        self.assertEqual(sorted(by_record), record_files)

        for record_file in record_files:
            lines = [l for l in records(os.path.join(FLEET, record_file)) if l.strip()]
            header = json.loads(lines[0])
            row = by_record[record_file]
            self.assertEqual(row["machine"], header["machine"])
            self.assertEqual(row["start"], header["start"])
            if record_file == DAMAGED:
                continue
            summary = json.loads(lines[-1])
            self.assertEqual(row["outcome"], summary["outcome"], record_file)
            self.assertEqual(row["restart"], "yes" if summary["restart"] else "no")
            self.assertEqual(int(row["failures"]), summary["failures"])
            changes = [json.loads(l) for l in lines[1:-1]]
            for kind in ("process", "file", "autorun", "policy", "service", "hosts"):
                self.assertEqual(int(row[kind]), summary["counts"].get(kind, 0), (record_file, kind))
                self.assertEqual(int(row[kind]), sum(1 for c in changes if c["kind"] == kind), (record_file, kind))

        # The run that never finished: what its complete change lines say, and both bad lines named.
        damaged = by_record[DAMAGED]
        self.assertEqual(damaged["outcome"], "incomplete")
        whole = records(os.path.join(FLEET, DAMAGED))
        self.assertFalse(whole[-1] == "", "the damaged record must end inside a line")
        rubbish = next(i for i, l in enumerate(whole, 1) if l.startswith("{") is False)
        self.assertIn("%s:%d: not JSON" % (os.path.join(FLEET, DAMAGED), rubbish), err)
        self.assertIn("%s:%d: cut short" % (os.path.join(FLEET, DAMAGED), len(whole)), err)
        self.assertEqual(err.count("line left out"), 2, err)
        good_changes = [json.loads(l) for l in whole[1:-1] if l.startswith("{")]
        self.assertEqual(int(damaged["file"]), sum(1 for c in good_changes if c["kind"] == "file"))
        self.assertEqual(sorted({r["outcome"] for r in rows}), ["incomplete", "nothing-found", "removed"])

    def test_the_table_has_a_row_per_record_and_a_total(self):
        code, out, err = run(FLEET)
        self.assertEqual(code, 1, err)
        lines = out.strip().split("\n")
        self.assertTrue(lines[0].split()[:3] == ["machine", "start", "outcome"], lines[0])
        csv_code, csv_out, _ = run(FLEET, "--csv")
        rows = list(csv.DictReader(io.StringIO(csv_out)))
        self.assertEqual(len(lines), len(rows) + 2)
        removed = sum(1 for r in rows if r["outcome"] == "removed")
        self.assertEqual(lines[-1], "%d run(s), %d with removals, 2 line(s) left out" % (len(rows), removed))

    def test_scans_are_shown_apart_and_counted(self):
        planted = os.path.join(FLEET, "vm-planted")
        cleaning = next(os.path.join(planted, n) for n in sorted(os.listdir(planted)) if n.endswith(".jsonl"))
        lines = [json.loads(l) for l in records(cleaning) if l.strip()]
        with tempfile.TemporaryDirectory() as folder:
            shutil.copy(cleaning, os.path.join(folder, "a cleaning.jsonl"))
            for name, outcome, changes in (("b scan.jsonl", "would-remove", lines[1:-1]), ("c scan.jsonl", "nothing-found", [])):
                header = dict(lines[0], scan=True, start="2000-01-01T00:00:00Z")
                summary = dict(lines[-1], outcome=outcome, restart=False,
                               counts={k: sum(1 for c in changes if c["kind"] == k) for k in {c["kind"] for c in changes}})
                with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                    for record in [header] + changes + [summary]:
                        f.write(json.dumps(record) + "\n")
            code, out, err = run(folder)
            self.assertEqual(code, 0, err)
            table = out.strip().split("\n")
            self.assertEqual([l.split()[3] for l in table[1:4]], ["cleaning", "scan", "scan"], out)
            self.assertEqual(table[-2], "1 run(s), 1 with removals, 0 line(s) left out")
            self.assertEqual(table[-1], "2 scan(s), 1 finding something a cleaning would change, %d change(s) in all"
                             % (len(lines) - 2))

    def test_hostile_records_are_passed_over_and_cells_stay_text(self):
        """Records written by a machine that may be compromised: nothing in them may hang the report, exhaust
        its memory, end it with a traceback, or run as a formula in the spreadsheet that opens its CSV."""
        folder = tempfile.mkdtemp(prefix="fleet-hostile-")
        self.addCleanup(shutil.rmtree, folder)

        def write(name, lines):
            with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                f.write("".join(json.dumps(l) + "\n" if isinstance(l, dict) else l + "\n" for l in lines))

        formula = dict(HEADER, machine="=HYPERLINK(\"http://x\")\r\nPC9,evil")
        write("formula.jsonl", [formula, SUMMARY])
        write("plus.jsonl", [dict(HEADER, machine="+1+cmd|' /C calc'!A0", start="@SUM(1)"),
                             dict(SUMMARY, outcome="-2+3")])
        write("nested.jsonl", [HEADER, "[" * 100000, SUMMARY])
        write("long.jsonl", [HEADER, '{"record":"change","kind":"file","pad":"' + "x" * (1 << 20) + '"}', SUMMARY])
        os.mkfifo(os.path.join(folder, "fifo.jsonl"))
        os.symlink("/dev/zero", os.path.join(folder, "zero.jsonl"))

        code, out, err = run(folder, "--csv")
        self.assertEqual(code, 1, err)
        self.assertNotIn("Traceback", err)
        self.assertIn("fifo.jsonl: not a regular file; left out", err)
        self.assertIn("zero.jsonl: not a regular file; left out", err)
        self.assertIn("nested.jsonl:2: nested too deeply; line left out", err)
        self.assertIn("long.jsonl:2: longer than %d bytes; line left out" % (1 << 20), err)

        self.assertEqual(len(out.splitlines()), 5, out)  # the column names and one line per readable record
        rows = {r["record"]: r for r in csv.DictReader(io.StringIO(out))}
        self.assertEqual(sorted(rows), ["formula.jsonl", "long.jsonl", "nested.jsonl", "plus.jsonl"])
        self.assertEqual(rows["formula.jsonl"]["machine"], "'=HYPERLINK(\"http://x\")\\r\\nPC9,evil")
        self.assertEqual(rows["plus.jsonl"]["machine"], "'+1+cmd|' /C calc'!A0")
        self.assertEqual(rows["plus.jsonl"]["start"], "'@SUM(1)")
        self.assertEqual(rows["plus.jsonl"]["outcome"], "'-2+3")
        for row in rows.values():
            for value in row.values():
                self.assertNotIn(value[:1], ("=", "+", "-", "@"), row)

        table_code, table, _ = run(folder)
        self.assertEqual(table_code, 1)
        self.assertEqual(len(table.splitlines()), 6, table)  # no cell breaks its row

    def test_the_report_reads_the_names_the_program_writes(self):
        # The program's table of the record's names, namespace by namespace, against the report's copy.
        with open(os.path.join(SOURCE, "record", "record_fields.h"), encoding="utf-8") as f:
            header = f.read()
        written = {}
        for namespace, body in re.findall(r"namespace (?!pell\b)(\w+) \{(.*?)\}  // namespace \1", header, re.S):
            written[namespace] = dict(re.findall(r'inline constexpr wchar_t k(\w+)\[\] = L"([^"]*)";', body))
        sys.path.insert(0, os.path.dirname(REPORT))
        sys.dont_write_bytecode = True
        try:
            import fleet_report
        finally:
            sys.path.pop(0)
        copies = {"recordline": fleet_report.RECORD_LINE, "recordfield": fleet_report.RECORD_FIELD,
                  "changekind": fleet_report.CHANGE_KIND, "recordoutcome": fleet_report.RECORD_OUTCOME}
        self.assertEqual(sorted(written), sorted(copies))
        for namespace, names in copies.items():
            self.assertTrue(names, namespace)
            self.assertEqual(names, written[namespace], namespace)

    def test_usage_errors(self):
        self.assertEqual(run()[0], 2)
        self.assertEqual(run(os.path.join(FLEET, "no-such-folder"))[0], 2)


if __name__ == "__main__":
    unittest.main()
