#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Opens the HDF5 export of a scan data file as the netCDF readers do, without options:
xarray through h5netcdf must see wavelength and scan number as coordinates of every dataset,
`ncdump -h` must print named dimensions and the units, and two exports of the same file must
be the same bytes.

    netcdf_read_back.py QUILLON_CONVERT FILE.sdf WORK_FOLDER
"""
import os
import subprocess
import sys

import h5py
import numpy as np
import xarray as xr


def export(convert, sdf, folder):
    subprocess.run(
        [convert, "-q", "--format", "hdf5", "--quantity", "absorbance",
         "--grid", "400:0.5:800", "-o", folder, sdf],
        check=True,
    )
    name = os.path.splitext(os.path.basename(sdf))[0] + ".h5"
    return os.path.join(folder, name)


def main():
    convert, sdf, work = sys.argv[1:4]
    h5 = export(convert, sdf, os.path.join(work, "first"))
    again = export(convert, sdf, os.path.join(work, "second"))
    assert open(h5, "rb").read() == open(again, "rb").read(), "two exports differ"

    with h5py.File(h5, "r") as f:
        stored = {name: f[name][...] for name in f if isinstance(f[name], h5py.Dataset)}
    k, n = stored["scans"].shape
    g = stored["grid_nm"].size

    ds = xr.open_dataset(h5, engine="h5netcdf")
    per_scan = ("scan_number",)
    dims = {"scans": per_scan + ("wavelength_nm",), "absorbance": per_scan + ("wavelength_nm",),
            "grid_absorbance": per_scan + ("grid_nm",), "dark": ("wavelength_nm",),
            "reference": ("wavelength_nm",), "grid_dark": ("grid_nm",),
            "grid_reference": ("grid_nm",), "scan_optical_blank": per_scan,
            "scan_title": per_scan, "scan_subtitle": per_scan, "scan_date_time": per_scan}
    assert {name: ds[name].dims for name in dims} == dims, ds
    assert dict(ds.sizes) == {"scan_number": k, "wavelength_nm": n, "pixel": n, "grid_nm": g}
    # The coordinates and the values are the stored ones, bit for bit.
    for name in ("wavelength_nm", "scan_number", "grid_nm", "pixel"):
        assert name in ds.coords and np.array_equal(ds[name].values, stored[name]), name
    for name in ("scans", "absorbance", "dark", "grid_absorbance"):
        assert np.array_equal(ds[name].values, stored[name], equal_nan=True), name
    assert np.array_equal(ds["absorbance"].sel(scan_number=1).values, stored["absorbance"][0],
                          equal_nan=True)
    units = {"wavelength_nm": "nm", "grid_nm": "nm", "scans": "counts", "dark": "counts",
             "reference": "counts", "grid_dark": "counts", "absorbance": "1",
             "grid_absorbance": "1"}
    assert {name: ds[name].attrs["units"] for name in units} == units
    assert all(ds[name].attrs["long_name"] for name in dims)
    ds.close()

    header = subprocess.run(["ncdump", "-h", h5], check=True, capture_output=True,
                            text=True).stdout
    for line in (f"grid_nm = {g} ;", f"scan_number = {k} ;", f"wavelength_nm = {n} ;",
                 "double absorbance(scan_number, wavelength_nm) ;",
                 "int scans(scan_number, wavelength_nm) ;",
                 "double grid_absorbance(scan_number, grid_nm) ;",
                 'wavelength_nm:units = "nm" ;', 'absorbance:units = "1" ;'):
        assert line in header, (line, header)
    assert "phony_dim" not in header, header
    print(f"{h5}: {k} scans of {n} pixels open in xarray {xr.__version__} and ncdump")


if __name__ == "__main__":
    main()
