// SPDX-License-Identifier: MIT
// The HDF5 export of a build without the HDF5 library: it says so.
#include "export/hdf5_export.h"

namespace quillon {

Hdf5Unavailable::Hdf5Unavailable()
    : std::runtime_error(
          "this build of QUILLON has no HDF5 support (it was built without the "
          "HDF5 library); choose --format csv or json") {}

bool Hdf5Available() noexcept {
    return false;
}

ExportReport WriteHdf5(const ScanFile&, const ExportRequest&, const std::string&) {
    throw Hdf5Unavailable();
}

ExportReport WriteTraceHdf5(const ScanFile&, const TraceTable&, const std::string&) {
    throw Hdf5Unavailable();
}

}  // namespace quillon
