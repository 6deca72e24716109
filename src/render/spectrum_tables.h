// SPDX-License-Identifier: MIT
// The spectrum tables: the dark and reference blocks and the block of each scan, in one of four
// column layouts (with or without pixel numbers, with or without wavelengths), and the
// wavelength axis computed from the detector's calibration polynomial.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

// N wavelengths: for pixel index p, the double-precision sum of fCal[j] * p^j for j = 0..3 in
// that order, stored as the nearest float. These are the values the tables print.
std::vector<float> WavelengthAxis(const ScanFile& file);

// The columns before the counts.
struct TableLayout {
    bool withPixel = false;
    bool withWavelength = false;
};

// Formats the tables of one conversion. It takes the layout, N and the wavelength axis when it
// is made and formats the pixel and wavelength columns once, so that every table row
// afterwards costs little more than formatting its count.
class SpectrumTableFormatter {
  public:
    // axis: the wavelengths of WavelengthAxis; may be empty when the layout has none (rows
    // beyond the axis show 0).
    SpectrumTableFormatter(const ScanFile& file, TableLayout layout, std::span<const float> axis);
    ~SpectrumTableFormatter();
    SpectrumTableFormatter(const SpectrumTableFormatter&) = delete;
    SpectrumTableFormatter& operator=(const SpectrumTableFormatter&) = delete;

    // The block of the scan at 0-based position index ("Scan #index+1:") as an output file
    // stores it, CR LF line ends, appended to out: ready to be written as it is.
    void AppendStoredScanBlock(std::string& out, std::int32_t index, const ScanView& record) const;

  private:
    // The dark and reference renderers log between a block's last line and its closing
    // empty lines, so they build the block's lines themselves.
    friend std::string FormatDarkTable(const ScanFile& file, LogSink& log,
                                       const SpectrumTableFormatter& formatter);
    friend std::string FormatRefTable(const ScanFile& file, LogSink& log,
                                      const SpectrumTableFormatter& formatter);

    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

// The dark block (line feeds); logs "Dark Scan Data were converted.\r\n" before the block's
// closing empty lines are added.
std::string FormatDarkTable(const ScanFile& file, LogSink& log,
                            const SpectrumTableFormatter& formatter);

// The reference block; logs "Reference Scan Data were converted.\r\n".
std::string FormatRefTable(const ScanFile& file, LogSink& log,
                           const SpectrumTableFormatter& formatter);

}  // namespace quillon
