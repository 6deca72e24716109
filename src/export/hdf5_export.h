// SPDX-License-Identifier: MIT
// The HDF5 export: the file's spectra and parameters as datasets and attributes that h5py,
// MATLAB or Igor open directly.
//
//   /pixel (int32, N)           /wavelength_nm (float32, N)    /dark, /reference (float32, N)
//   /scans (int32, K x N; one scan per chunk)                   /scan_number (int32, K)
//   /scan_title, /scan_subtitle, /scan_date_time (UTF-8 strings, K)
//   /scan_optical_blank (float32, K)
//   /parameters/<record>: one attribute per field, named as in the parameter report
//   /<quantity> (float64, K x N) when a quantity other than counts is asked for (NaN where not
//   defined); with a grid also /grid_nm, /grid_dark, /grid_reference and /grid_<quantity>
//   (float64; the scans as counts when no quantity is asked for).
//
// K counts the selected scans (with --average, the groups of them: /scans then holds the mean
// counts as float64, /scans_averaged how many scans each row averages). The root's attributes name
// the source file and the converter. Built only where the HDF5 library is found
// (QUILLON_WITH_HDF5).
#pragma once

#include <stdexcept>
#include <string>

#include "export/export_options.h"
#include "scanfile/scan_file.h"

namespace quillon {

// False in a build without the HDF5 library: the functions below then raise Hdf5Unavailable.
bool Hdf5Available() noexcept;

class Hdf5Unavailable : public std::runtime_error {
  public:
    Hdf5Unavailable();
};

// Writes the HDF5 file of `file` to `path`, under a temporary name first and renamed into
// place once complete. Raises FileError naming `path` (nothing is left under it then) and
// CalibrationError for a grid over a calibration that does not rise.
ExportReport WriteHdf5(const ScanFile& file, const ExportRequest& request, const std::string& path);

class TraceTable;
// Writes a trace as HDF5 to `path` in the same way: /trace_nm (float64, W), /trace_<quantity>
// (float64, rows x W, NaN where not defined), /scan_number, /scan_date_time, /scan_seconds
// (float64, NaN without a time) and with --average /scans_averaged, one per row.
ExportReport WriteTraceHdf5(const ScanFile& file, const TraceTable& table, const std::string& path);

}  // namespace quillon
