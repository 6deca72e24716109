#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Opens the workbook export with openpyxl, as a user's script or a spreadsheet would, and
checks every cell against the CSV and JSON exports of the same file: numbers are numbers of the
very same value, texts are text, values that are not defined are empty cells, every sheet's
header row is frozen, the scans continue on "Spectra 2" beyond 16,384 columns, the same file
gives the same bytes, and a workbook too large or a full disk leaves no file.

    openpyxl_read_back.py QUILLON_CONVERT QUILLON_MAKE_SAMPLE FILE.sdf WORK_FOLDER
"""
import csv
import json
import os
import resource
import shutil
import signal
import subprocess
import sys

import openpyxl


def convert(quillon, sdf, folder, *options):
    shutil.rmtree(folder, ignore_errors=True)
    subprocess.run([quillon, "-q", "--format", "xlsx,csv,json", "-o", folder, *options, sdf],
                   check=True)
    base = os.path.join(folder, os.path.splitext(os.path.basename(sdf))[0])
    return base + ".xlsx", base + ".csv", base + ".json"


def csv_cell(text):
    """The value a CSV cell stands for: None when empty, an int, a float, or a header text."""
    for kind in (int, float):
        try:
            return kind(text) if text else None
        except ValueError:
            pass
    return text


def sheet_rows(sheet):
    return [list(row) for row in sheet.iter_rows(values_only=True)]


def check_spectra(book, csv_path):
    """The Spectra sheets side by side are the CSV table, the leading columns repeated."""
    table = [[csv_cell(c) for c in row] for row in csv.reader(open(csv_path, newline=""))]
    leading = 3 if table[0][0] == "wavelength_nm" else 4
    names = [name for name in book.sheetnames if name.startswith("Spectra")]
    assert names == ["Spectra"] + [f"Spectra {i}" for i in range(2, len(names) + 1)], names
    joined = None
    for name in names:
        rows = sheet_rows(book[name])
        assert len(rows) == len(table), (name, len(rows), len(table))
        assert len(rows[0]) <= 16384, (name, len(rows[0]))
        assert all(row[:leading] == t[:leading] for row, t in zip(rows, table)), name
        joined = rows if joined is None else [j + r[leading:] for j, r in zip(joined, rows)]
    for r, (got, expected) in enumerate(zip(joined, table)):
        assert len(got) == len(expected), (r, len(got), len(expected))
        for c, (value, want) in enumerate(zip(got, expected)):
            # The same type (a number cell never reads as a text or TRUE/FALSE), the same value.
            assert type(value) is type(want) and value == want, (r, c, value, want)
    return len(names)


def check_scans_and_parameters(book, json_path):
    document = json.load(open(json_path, encoding="utf-8"))
    rows = sheet_rows(book["Scans"])
    assert rows[0] == ["number", "title", "subtitle", "date_time", "optical_blank"]
    expected = [[s["number"], s["title"] or None, s["subtitle"] or None, s["date_time"] or None,
                 s["optical_blank"]] for s in document["scans"]]
    assert rows[1:] == expected, (rows[1:3], expected[:2])

    rows = sheet_rows(book["Parameters"])
    assert rows[0] == ["record", "field", "value"]
    expected = []
    for record, fields in document["records"].items():
        for field, value in fields.items():
            if isinstance(value, list):
                expected += [[record, f"{field}[{i}]", v] for i, v in enumerate(value)]
            else:
                expected.append([record, field, value if value != "" else None])
    assert rows[1:] == expected, [(a, b) for a, b in zip(rows[1:], expected) if a != b][:3]


def with_title(sdf, folder, title):
    """A copy of the scan data file whose first scan has the Windows-1252 title given."""
    raw = bytearray(open(sdf, "rb").read())
    n = int.from_bytes(raw[76 + 10:76 + 12], "little")
    first = 268 + 8 * n
    raw[first:first + 64] = title.ljust(64, b"\0")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "titled.sdf")
    open(path, "wb").write(raw)
    return path


def main():
    quillon, make_sample, sdf, work = sys.argv[1:5]

    # The quantities and grids the CSV export writes, cell for cell.
    cases = [
        ("counts", []),
        ("absorbance", ["--quantity", "absorbance"]),
        ("transmittance on a grid", ["--quantity", "transmittance", "--grid", "400:0.5:800"]),
        ("counts on a grid", ["--grid", "190:0.25:1200"]),
    ]
    for name, options in cases:
        xlsx, csv_path, json_path = convert(quillon, sdf, os.path.join(work, "case"), *options)
        book = openpyxl.load_workbook(xlsx)
        assert book.sheetnames == ["Spectra", "Scans", "Parameters"], (name, book.sheetnames)
        assert all(book[s].freeze_panes == "A2" for s in book.sheetnames), name
        check_spectra(book, csv_path)
        check_scans_and_parameters(book, json_path)

    # The trace workbook: one sheet, the trace CSV of the same run cell for cell (an
    # averaged, band-mean absorbance, so that the cells are fractions, and a scans column).
    for options in ([], ["--average", "2", "--band", "1", "--quantity", "absorbance"]):
        folder = os.path.join(work, "trace")
        shutil.rmtree(folder, ignore_errors=True)
        subprocess.run([quillon, "-q", "--trace", "450.5,546", "--format", "xlsx,csv", "-o",
                        folder, *options, sdf], check=True)
        base = os.path.join(folder, os.path.splitext(os.path.basename(sdf))[0] + "_trace")
        book = openpyxl.load_workbook(base + ".xlsx")
        assert book.sheetnames == ["Trace"], book.sheetnames
        table = [[csv_cell(c) for c in row] for row in csv.reader(open(base + ".csv", newline=""))]
        rows = sheet_rows(book["Trace"])
        assert len(rows) == len(table) > 1, (len(rows), len(table))
        for got, expected in zip(rows, table):
            # The date-time column is text in both; every other cell the same number.
            assert [type(v) for v in got] == [type(v) for v in expected], (got, expected)
            assert got == expected, (got, expected)

    # Texts are decoded from Windows-1252.
    titled = with_title(sdf, os.path.join(work, "titled"), b"Probe \xb5 \x80 \xe9t\xe9")
    xlsx, _, json_path = convert(quillon, titled, os.path.join(work, "titled-out"))
    book = openpyxl.load_workbook(xlsx)
    assert book["Scans"]["B2"].value == "Probe \u00b5 \u20ac \u00e9t\u00e9", book["Scans"]["B2"].value
    check_scans_and_parameters(book, json_path)

    # The same file, the same bytes.
    again = os.path.join(work, "again")
    shutil.rmtree(again, ignore_errors=True)
    subprocess.run([quillon, "-q", "--format", "xlsx", "-o", again, titled], check=True)
    assert open(xlsx, "rb").read() == open(os.path.join(again, "titled.xlsx"), "rb").read()

    # A disk that takes no more than 40 KiB per file: reported with the reason; the earlier
    # workbook stays as it was and nothing half-written beside it.
    def full_disk():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (40 << 10, 40 << 10))
    run = subprocess.run([quillon, "-q", "--format", "xlsx", "-o", again, titled],
                         preexec_fn=full_disk, capture_output=True, text=True)
    assert run.returncode == 1 and "titled.xlsx: File too large" in run.stderr, run
    assert os.listdir(again) == ["titled.xlsx"], os.listdir(again)
    assert open(xlsx, "rb").read() == open(os.path.join(again, "titled.xlsx"), "rb").read()

    # 16,390 scans: 16,380 beside the four leading columns, then ten on "Spectra 2".
    wide = os.path.join(work, "wide.sdf")
    subprocess.run([make_sample, wide, "4", "16390"], check=True)
    xlsx, csv_path, json_path = convert(quillon, wide, os.path.join(work, "wide"))
    book = openpyxl.load_workbook(xlsx, read_only=True)
    assert book.sheetnames == ["Spectra", "Spectra 2", "Scans", "Parameters"], book.sheetnames
    assert check_spectra(book, csv_path) == 2
    assert book["Spectra 2"].max_column == 14 and book["Spectra"].max_column == 16384
    check_scans_and_parameters(book, json_path)

    # Too large: refused before anything is written, naming what to do instead.
    large = os.path.join(work, "large.sdf")
    subprocess.run([make_sample, large, "2048", "50"], check=True)
    for options, words in ((["--grid", "400:0.0004:800"], "cells"),
                           (["--grid", "400:0.00038147:800"], "rows")):
        out = os.path.join(work, "large")
        shutil.rmtree(out, ignore_errors=True)
        run = subprocess.run([quillon, "-q", "--format", "xlsx", "-o", out, *options, large],
                             capture_output=True, text=True)
        assert run.returncode != 0, run
        for word in (words, "-s", "--format hdf5", "large.xlsx"):
            assert word in run.stderr, (word, run.stderr)
        assert os.listdir(out) == [], os.listdir(out)
    print(f"{len(cases)} workbooks of {sdf} and one of 16,390 scans read back through "
          f"openpyxl {openpyxl.__version__}")


if __name__ == "__main__":
    main()
