#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Opens the HDF5 export of a scan data file with h5py, as a user's script would, and checks
every dataset against the scan data file itself, read here independently with struct and
numpy.

    h5py_read_back.py QUILLON_CONVERT FILE.sdf WORK_FOLDER
"""
import csv
import os
import struct
import subprocess
import sys

import h5py
import numpy as np


def read_sdf(path):
    """The spectra, counts and texts of a scan data file, by its byte layout."""
    raw = open(path, "rb").read()
    n = struct.unpack_from("<H", raw, 76 + 10)[0]  # usTotalEffectivePixels
    cal = struct.unpack_from("<4f", raw, 76 + 32)  # fCal[0..3]
    dark = np.frombuffer(raw, "<f4", n, 260)
    ref = np.frombuffer(raw, "<f4", n, 264 + 4 * n)
    record = 196 + 4 * n
    first = 268 + 8 * n
    k = (len(raw) - first) // record
    counts = np.array(
        [np.frombuffer(raw, "<i4", n, first + i * record + 192) for i in range(k)]
    ).reshape(k, n)
    titles = [
        raw[first + i * record : first + i * record + 64].split(b"\0")[0].decode("cp1252")
        for i in range(k)
    ]
    p = np.arange(n, dtype=np.float64)
    c = [np.float64(v) for v in cal]
    wavelength = (c[0] + c[1] * p + c[2] * p**2 + c[3] * p**3).astype(np.float32)
    return n, k, cal, dark, ref, counts, titles, wavelength


def main():
    convert, sdf, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    subprocess.run(
        [convert, "-q", "--format", "hdf5", "--quantity", "absorbance",
         "--grid", "400:0.5:800", "-o", work, sdf],
        check=True,
    )
    h5 = os.path.join(work, os.path.splitext(os.path.basename(sdf))[0] + ".h5")
    n, k, cal, dark, ref, counts, titles, wavelength = read_sdf(sdf)

    with h5py.File(h5, "r") as f:
        assert f["scans"].dtype == np.int32 and f["scans"].shape == (k, n)
        assert f["scans"].chunks == (1, n), f["scans"].chunks
        assert np.array_equal(f["scans"][...], counts)
        assert np.array_equal(f["pixel"][...], np.arange(1, n + 1))
        assert np.array_equal(f["scan_number"][...], np.arange(1, k + 1))
        # The wavelengths the text outputs print, and the spectra, bit for bit.
        assert f["wavelength_nm"].dtype == np.float32
        assert np.array_equal(f["wavelength_nm"][...].view("<u4"), wavelength.view("<u4"))
        assert np.array_equal(f["dark"][...].view("<u4"), dark.view("<u4"))
        assert np.array_equal(f["reference"][...].view("<u4"), ref.view("<u4"))
        assert list(f["scan_title"].asstr()[...]) == titles
        assert np.array_equal(f["parameters/ccd"].attrs["fCal"][:4], np.array(cal, np.float32))
        assert f["parameters/ccd"].attrs["usTotalEffectivePixels"] == n

        signal = counts.astype(np.float64) - dark.astype(np.float64)
        full = ref.astype(np.float64) - dark.astype(np.float64)
        with np.errstate(divide="ignore", invalid="ignore"):
            expected = np.where((full > 0) & (signal > 0), -np.log10(signal / full), np.nan)
        absorbance = f["absorbance"][...]
        assert absorbance.dtype == np.float64 and absorbance.shape == (k, n)
        assert np.array_equal(np.isnan(absorbance), np.isnan(expected))
        np.testing.assert_allclose(absorbance, expected, rtol=1e-13, equal_nan=True)

        grid = f["grid_nm"][...]
        assert np.array_equal(grid, 400.0 + 0.5 * np.arange(801))
        axis = wavelength.astype(np.float64)
        for scan in range(k):
            resampled = np.interp(grid, axis, expected[scan])
            np.testing.assert_allclose(f["grid_absorbance"][scan], resampled, rtol=1e-12)
        np.testing.assert_allclose(f["grid_dark"][...], np.interp(grid, axis, dark), rtol=1e-12)
    print(f"{h5}: {k} scans of {n} pixels read back through h5py {h5py.__version__}")
    check_trace(convert, sdf, work)


def check_trace(convert, sdf, work):
    """The trace of every two scans averaged, as absorbance over 546 +- 1 nm and 450.5 +- 1 nm,
    against the same computed here from the file's bytes, and the CSV of the same run."""
    subprocess.run(
        [convert, "-q", "--trace", "546,450.5", "--band", "1", "--average", "2",
         "--quantity", "absorbance", "--format", "hdf5,csv", "-o", work, sdf],
        check=True,
    )
    base = os.path.join(work, os.path.splitext(os.path.basename(sdf))[0] + "_trace")
    n, k, cal, dark, ref, counts, titles, wavelength = read_sdf(sdf)
    raw = open(sdf, "rb").read()
    record, first = 196 + 4 * n, 268 + 8 * n
    stamps = [raw[first + i * record + 128 : first + i * record + 192].split(b"\0")[0].decode()
              for i in range(k)]
    # The sample's scans are a second apart from 09:00:00 on.
    seconds = np.array([int(t[-2:]) + 60 * int(t[-5:-3]) for t in stamps], np.float64)
    groups = [list(range(g, min(g + 2, k))) for g in range(0, k, 2)]
    axis = wavelength.astype(np.float64)
    full = ref.astype(np.float64) - dark.astype(np.float64)
    expected = []
    for group in groups:
        mean = counts[group].astype(np.float64).mean(axis=0)
        with np.errstate(divide="ignore", invalid="ignore"):
            a = np.where((full > 0) & (mean - dark > 0), -np.log10((mean - dark) / full), np.nan)
        expected.append([a[np.abs(axis - nm) <= 1.0].mean() for nm in (546.0, 450.5)])
    with h5py.File(base + ".h5", "r") as f:
        assert np.array_equal(f["trace_nm"][...], [546.0, 450.5])
        assert np.array_equal(f["scan_number"][...], [g[0] + 1 for g in groups])
        assert np.array_equal(f["scans_averaged"][...], [len(g) for g in groups])
        assert np.array_equal(f["scan_seconds"][...], [seconds[g].mean() for g in groups])
        assert list(f["scan_date_time"].asstr()[...]) == [stamps[g[0]] for g in groups]
        trace = f["trace_absorbance"][...]
        assert trace.shape == (len(groups), 2)
        np.testing.assert_allclose(trace, expected, rtol=1e-12)
        # scan_number and trace_nm are the dimension scales of the trace.
        dims = f["trace_absorbance"].dims
        assert dims[0][0].name == "/scan_number" and dims[1][0].name == "/trace_nm"
        with open(base + ".csv", newline="", encoding="utf-8") as table:
            rows = list(csv.reader(table))
        assert rows[0] == ["scan", "scans", "date_time", "seconds",
                           "absorbance_546nm", "absorbance_450.5nm"]
        for row, h5row, number, second in zip(rows[1:], trace, f["scan_number"], f["scan_seconds"]):
            assert [int(row[0]), float(row[3])] == [number, second]
            assert [float(v) for v in row[4:]] == list(h5row)
    print(f"{base}.h5: a trace of {len(groups)} rows read back through h5py")


if __name__ == "__main__":
    main()
