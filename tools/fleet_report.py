#!/usr/bin/env python3
"""One table of many cleaning runs and scans: reads every Pellworth Remover record (*.jsonl) under a folder tree.

usage: fleet_report.py FOLDER [--csv]

Prints one row per record: the machine, when the run started, its outcome, what it removed per kind, its
failures and whether a restart was scheduled; the rows of scans (runs that changed nothing and recorded
what a cleaning would change) follow those of cleanings, marked "scan" in the column "run", and a last line
counts them and what they found. With --csv the same rows are written as CSV. A line that is
not a record (broken JSON, a line cut short by an interrupted run) is named on standard error with its file
and line number and left out; the report goes on. Exit code 0, or 1 when a line was left out, 2 on a usage
error or an unreadable folder. Python 3 standard library only.

The records come from many machines, any of which may be compromised: only regular files are read (a FIFO,
a device or a link to one is named and passed over), at most MAX_FILE_BYTES a file and MAX_LINE_BYTES a
line, a line nested too deeply is left out, and every cell is printed with its line breaks and control
characters escaped; in CSV a cell that a spreadsheet would take for a formula is written as text.
"""
import csv
import json
import os
import stat
import sys

MAX_FILE_BYTES = 64 << 20
MAX_LINE_BYTES = 1 << 20

# The names a record is written with: a copy of record/record_fields.h, which a test compares with it.
RECORD_LINE = {"Header": "header", "Change": "change", "Summary": "summary"}
RECORD_FIELD = {
    "Record": "record", "Format": "format", "Program": "program", "Version": "version", "Database": "database",
    "Machine": "machine", "User": "user", "Start": "start", "LogFolder": "log_folder", "Scan": "scan",
    "Kind": "kind", "Path": "path", "Pid": "pid", "Attributes": "attributes", "Size": "size", "Md5": "md5",
    "Backup": "backup", "AtRestart": "at_restart", "Root": "root", "View": "view", "Key": "key", "Name": "name", "Type": "type",
    "Data": "data", "Text": "text", "Written": "written", "ImagePath": "image_path", "Export": "export",
    "Dropped": "dropped", "WrittenMd5": "written_md5", "Outcome": "outcome", "Counts": "counts",
    "Failures": "failures", "Restart": "restart", "End": "end",
}
CHANGE_KIND = {"Process": "process", "File": "file", "Autorun": "autorun", "Policy": "policy",
               "Winlogon": "winlogon", "Service": "service", "Hosts": "hosts"}
RECORD_OUTCOME = {"NothingFound": "nothing-found", "Removed": "removed", "LeftBehind": "left-behind",
                  "Aborted": "aborted", "Ended": "ended", "RecordFailed": "record-failed",
                  "WouldRemove": "would-remove"}
F = RECORD_FIELD

KINDS = tuple(CHANGE_KIND.values())
COLUMNS = ("machine", "start", "outcome", "run") + KINDS + ("failures", "restart", "record")


class NotARegularFile(OSError):
    pass


def read_regular_file(path):
    """The file's bytes. Opened without blocking (a FIFO would wait for a writer) and checked on the open
    descriptor, so a link swapped in between a check and the open cannot lead elsewhere."""
    fd = os.open(path, os.O_RDONLY | getattr(os, "O_NONBLOCK", 0) | getattr(os, "O_NOCTTY", 0))
    try:
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode):
            raise NotARegularFile("not a regular file")
        if info.st_size > MAX_FILE_BYTES:
            raise NotARegularFile("larger than %d bytes" % MAX_FILE_BYTES)
        chunks, size = [], 0
        while True:
            chunk = os.read(fd, 1 << 20)
            if not chunk:
                break
            size += len(chunk)
            if size > MAX_FILE_BYTES:  # it grew while it was read
                raise NotARegularFile("larger than %d bytes" % MAX_FILE_BYTES)
            chunks.append(chunk)
        return b"".join(chunks)
    finally:
        os.close(fd)


def cell(value):
    """A value as one line of plain text: line breaks and other control characters escaped."""
    text = str(value)
    out = []
    for ch in text:
        if ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif ord(ch) < 0x20 or 0x7F <= ord(ch) < 0xA0 or ch in "\u2028\u2029":
            out.append("\\x%02x" % ord(ch) if ord(ch) < 0x100 else "\\u%04x" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def csv_cell(value):
    """A cell a spreadsheet shows as text: one that would start a formula gets a leading apostrophe."""
    text = cell(value)
    if text[:1] in ("=", "+", "-", "@", "\t", "\r"):
        return "'" + text
    return text


def read_record(path, complain):
    """The record's row, or None when the file holds no header; complain(line_number, reason) for each
    line left out."""
    header = summary = None
    counted = dict.fromkeys(KINDS, 0)
    data = read_regular_file(path)
    lines = data.split(b"\n")
    complete_last = data.endswith(b"\n")
    for number, raw in enumerate(lines, start=1):
        if number == len(lines) and complete_last:
            break  # the empty text after the last line end
        text = raw.rstrip(b"\r")
        if not text.strip():
            continue
        if number == len(lines):
            complain(number, "cut short (the run was interrupted while writing it)")
            continue
        if len(text) > MAX_LINE_BYTES:
            complain(number, "longer than %d bytes" % MAX_LINE_BYTES)
            continue
        try:
            record = json.loads(text.decode("utf-8"))
        except RecursionError:
            complain(number, "nested too deeply")
            continue
        except (UnicodeDecodeError, ValueError) as error:
            complain(number, "not JSON: %s" % error)
            continue
        if not isinstance(record, dict) or not isinstance(record.get(F["Record"]), str):
            complain(number, "not a record")
            continue
        kind = record[F["Record"]]
        if kind == RECORD_LINE["Header"]:
            header = record
        elif kind == RECORD_LINE["Summary"]:
            summary = record
        elif kind == RECORD_LINE["Change"]:
            change = record.get(F["Kind"])
            if change in counted:
                counted[change] += 1
            else:
                complain(number, "unknown change kind %r" % (change,))
    if header is None:
        return None
    row = {
        "machine": str(header.get(F["Machine"], "")),
        "start": str(header.get(F["Start"], "")),
        "run": "scan" if header.get(F["Scan"]) is True else "cleaning",
        "record": path,
    }
    if summary is None:
        # The run never finished: what it did is still what its change lines say.
        row.update(outcome="incomplete", failures="?", restart="?")
        row.update({k: counted[k] for k in KINDS})
        return row
    counts = summary.get(F["Counts"]) if isinstance(summary.get(F["Counts"]), dict) else {}
    row["outcome"] = str(summary.get(F["Outcome"], "?"))
    row.update({k: counts.get(k, counted[k]) for k in KINDS})
    row["failures"] = summary.get(F["Failures"], "?")
    restart = summary.get(F["Restart"])
    row["restart"] = "yes" if restart is True else "no" if restart is False else "?"
    return row


def records(folder):
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            if name.lower().endswith(".jsonl"):
                yield os.path.join(root, name)


def main(argv):
    args = [a for a in argv if a != "--csv"]
    as_csv = len(args) != len(argv)
    if len(args) != 1 or args[0].startswith("-"):
        sys.stderr.write("usage: fleet_report.py FOLDER [--csv]\n")
        return 2
    folder = args[0]
    if not os.path.isdir(folder):
        sys.stderr.write("fleet_report: %s is not a folder\n" % folder)
        return 2

    rejected = 0
    rows = []
    for path in records(folder):
        def complain(number, reason, path=path):
            nonlocal rejected
            rejected += 1
            sys.stderr.write("%s:%d: %s; line left out\n" % (cell(path), number, reason))
        try:
            row = read_record(path, complain)
        except OSError as error:
            sys.stderr.write("%s: %s; left out\n" % (cell(path), error.strerror or error))
            rejected += 1
            continue
        if row is None:
            sys.stderr.write("%s: no header line; not a record, left out\n" % cell(path))
            rejected += 1
            continue
        row["record"] = os.path.relpath(path, folder)
        rows.append(row)
    rows.sort(key=lambda r: (r["run"] == "scan", r["machine"].lower(), r["start"], r["record"]))

    if as_csv:
        writer = csv.writer(sys.stdout, lineterminator="\n")
        writer.writerow(COLUMNS)
        for row in rows:
            writer.writerow([csv_cell(row[c]) for c in COLUMNS])
    else:
        table = [COLUMNS] + [tuple(cell(row[c]) for c in COLUMNS) for row in rows]
        widths = [max(len(r[i]) for r in table) for i in range(len(COLUMNS))]
        for r in table:
            sys.stdout.write("  ".join(cell.ljust(w) for cell, w in zip(r, widths)).rstrip() + "\n")
        cleanings = [r for r in rows if r["run"] == "cleaning"]
        scans = [r for r in rows if r["run"] == "scan"]
        total = sum(1 for r in cleanings
                    if r["outcome"] in (RECORD_OUTCOME["Removed"], RECORD_OUTCOME["LeftBehind"]))
        sys.stdout.write("%d run(s), %d with removals, %d line(s) left out\n" % (len(cleanings), total, rejected))
        if scans:
            found = [r for r in scans if r["outcome"] == RECORD_OUTCOME["WouldRemove"]]
            # Only whole counts add up; a record may hold anything in their place.
            changes = sum(r[k] for r in scans for k in KINDS
                          if isinstance(r[k], int) and not isinstance(r[k], bool) and r[k] >= 0)
            sys.stdout.write("%d scan(s), %d finding something a cleaning would change, %d change(s) in all\n"
                             % (len(scans), len(found), changes))
    return 1 if rejected else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
