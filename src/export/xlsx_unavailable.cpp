// SPDX-License-Identifier: MIT
// The workbook export of a build without libxlsxwriter: it says so.
#include "export/xlsx_export.h"

namespace quillon {

XlsxUnavailable::XlsxUnavailable()
    : std::runtime_error(
          "this build of QUILLON has no workbook support (it was built without "
          "libxlsxwriter); choose --format csv") {}

bool XlsxAvailable() noexcept {
    return false;
}

ExportReport WriteXlsx(const ScanFile&, const ExportRequest&, const std::string&) {
    throw XlsxUnavailable();
}

ExportReport WriteTraceXlsx(const ScanFile&, const TraceTable&, const std::string&) {
    throw XlsxUnavailable();
}

}  // namespace quillon
