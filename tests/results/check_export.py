#!/usr/bin/env python3
"""Reads back the lesson's spreadsheet and CSV file that results_tests wrote, with readers of
their own (openpyxl, the zip's XML, Python's csv), against what the program meant to write
(expected.json beside them) and against the pupils' texts as typed.

Usage: check_export.py FOLDER   (FOLDER holds "Урок 9А.xlsx", "Урок 9А.csv", expected.json)
"""
import csv
import datetime
import io
import json
import re
import sys
import zipfile
from pathlib import Path

import openpyxl
from openpyxl.utils import get_column_letter

folder = Path(sys.argv[1])
expected = json.loads((folder / "expected.json").read_text(encoding="utf-8"))
xlsx = folder / "Урок 9А.xlsx"
problems = []


def fail(message):
    problems.append(message)


# The XML as written: no formula anywhere, every text a shared or inline string, every other
# value a number (dates are numbers with a date format).
with zipfile.ZipFile(xlsx) as z:
    for name in z.namelist():
        if not name.startswith("xl/worksheets/") or not name.endswith(".xml"):
            continue
        xml = z.read(name).decode("utf-8")
        if re.search(r"<f[ >/]", xml):
            fail(f"{name}: a formula")
        for kind in re.findall(r'<c [^>]*\bt="([^"]+)"', xml):
            if kind not in ("s", "inlineStr"):
                fail(f"{name}: a cell of type {kind}")

book = openpyxl.load_workbook(xlsx)  # formulas, were there any, would come back as "=..." of type f
if book.sheetnames != [s["name"] for s in expected["sheets"]]:
    fail(f"sheets {book.sheetnames}")
for sheet in expected["sheets"]:
    ws = book[sheet["name"]]
    want = {(r, c): (kind, value) for r, c, kind, value in sheet["cells"]}
    got = {}
    for row in ws.iter_rows():
        for cell in row:
            if cell.value is not None:
                got[(cell.row - 1, cell.column - 1)] = cell
    for at in sorted(set(got) | set(want)):
        where = f"{sheet['name']}!{get_column_letter(at[1] + 1)}{at[0] + 1}"
        if at not in got:
            fail(f"{where}: missing, expected {want[at]!r}")
            continue
        if at not in want:
            fail(f"{where}: {got[at].value!r} not expected")
            continue
        kind, value = want[at]
        cell = got[at]
        if kind == "s":
            if cell.data_type != "s" or cell.value != value:
                fail(f"{where}: {cell.data_type} {cell.value!r}, expected text {value!r}")
        elif kind == "n":
            if cell.data_type != "n" or isinstance(cell.value, bool) or float(cell.value) != float(value):
                fail(f"{where}: {cell.data_type} {cell.value!r}, expected number {value!r}")
        elif kind == "d":
            if cell.value != datetime.datetime.fromisoformat(value):
                fail(f"{where}: {cell.value!r}, expected the moment {value}")
    frozen = f"{get_column_letter(sheet['frozenColumns'] + 1)}{sheet['captionsRow'] + 2}"
    if ws.freeze_panes != frozen:
        fail(f"{sheet['name']}: frozen at {ws.freeze_panes}, expected {frozen}")

# The pupils as typed, in the results' sheet: text, whatever a spreadsheet would make of them.
results = book["Результаты"]
names = {results.cell(row=r, column=1).value: results.cell(row=r, column=1) for r in range(2, results.max_row + 1)}
for typed in ["=1+1", "+7", "-5", "@x", "_x0041_", '=HYPERLINK("http://x";"y")',
              'Ёжиков "Ёж" 😀 <script>alert(1)</script>', "w" * 32766 + "…"]:
    if typed not in names or names[typed].data_type != "s":
        fail(f"pupil {typed[:40]!r} is not a text cell of the results")
classes = {results.cell(row=r, column=2).value for r in range(2, results.max_row + 1)}
if not {"1,3", "9-1", "0012", "10 Б", "9А"} <= classes:
    fail(f"classes {classes}")
if results.column_dimensions["A"].width < 20:
    fail(f"the pupils' column is {results.column_dimensions['A'].width} wide")

# The CSV file: a byte-order mark, ';' between fields, CR LF after each row, what was meant.
raw = (folder / "Урок 9А.csv").read_bytes()
if raw != expected["csv"][0].encode("utf-8"):
    fail("the CSV file's bytes differ from what the program meant")
if not raw.startswith(b"\xef\xbb\xbf"):
    fail("the CSV file has no byte-order mark")
rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline=""), delimiter=";"))
if rows[0][:8] != ["Ученик", "Класс", "Получен", "Время", "Правильных", "Процент", "Сдал", "Отметки"]:
    fail(f"CSV captions {rows[0][:8]}")
students = [r[0] for r in rows[1:]]
# What a spreadsheet would run or turn into a number begins with an apostrophe there.
for typed in ["'=1+1", "'+7", "'-5", "'@x", "_x0041_", "'=HYPERLINK(\"http://x\";\"y\")",
              "Ёжиков \"Ёж\" 😀 <script>alert(1)</script>"]:
    if typed not in students:
        fail(f"CSV pupil {typed!r} missing: {students}")
if any(len(r) != len(rows[0]) for r in rows):
    fail("CSV rows of another length than the captions")
if raw.count(b"\r\n") != len(rows) or b"\n" in raw.replace(b"\r\n", b""):
    fail("CSV rows not ended by CR LF")

if problems:
    print("\n".join(problems))
    sys.exit(1)
print(f"read back {xlsx.name} ({', '.join(book.sheetnames)}) and the CSV file: every cell as written")
