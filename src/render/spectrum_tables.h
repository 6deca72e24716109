// The spectrum tables: the dark and reference blocks and the block of each scan, in one of four
// column layouts (with or without pixel numbers, with or without wavelengths), and the
// wavelength axis computed from the detector's calibration polynomial.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scanfile/converter_state.h"

namespace quillon {

class DialogServices;

// Replaces m_pWavelength with N wavelengths: for pixel index p, the double-precision sum of
// fCal[j] * p^j for j = 0..3 in that order, stored as the nearest float.
void BuildWavelengthAxis(ConverterState& state);

// Formats the tables of one conversion. It takes the options, N and the wavelength axis from
// the state when it is made and formats the pixel and wavelength columns once, so that every
// table row afterwards costs little more than formatting its count. Make it after
// BuildWavelengthAxis; it does not follow later changes of the state.
class SpectrumTableFormatter {
  public:
    explicit SpectrumTableFormatter(const ConverterState& state);
    ~SpectrumTableFormatter();
    SpectrumTableFormatter(SpectrumTableFormatter&&) noexcept;
    SpectrumTableFormatter& operator=(SpectrumTableFormatter&&) noexcept;

    // The dark block and the reference block, without their log lines.
    std::string DarkBlock(const ConverterState& state) const;
    std::string RefBlock(const ConverterState& state) const;

    // The block of the scan at 0-based position index ("Scan #index+1:").
    std::string ScanBlock(std::int32_t index, const CSaveData& record) const;
    // The same bytes, appended to out (lets a caller reuse one buffer for every scan).
    void AppendScanBlock(std::string& out, std::int32_t index, const CSaveData& record) const;
    // The block as an output file stores it, every "\n" as CR LF (AppendCrLf of ScanBlock),
    // appended to out: ready to be written as it is.
    void AppendStoredScanBlock(std::string& out, std::int32_t index, const CSaveData& record) const;

  private:
    // The dark and reference renderers log between a block's last line and its closing
    // empty lines, so they build the block's lines themselves.
    friend std::string FormatDarkTable(ConverterState& state, DialogServices& services,
                                       const SpectrumTableFormatter& formatter);
    friend std::string FormatRefTable(ConverterState& state, DialogServices& services,
                                      const SpectrumTableFormatter& formatter);

    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

// The dark block; appends "Dark Scan Data were converted.\r\n" to the log before the block's
// closing empty lines are added.
std::string FormatDarkTable(ConverterState& state, DialogServices& services);
std::string FormatDarkTable(ConverterState& state, DialogServices& services,
                            const SpectrumTableFormatter& formatter);

// The reference block; appends "Reference Scan Data were converted.\r\n" to the log.
std::string FormatRefTable(ConverterState& state, DialogServices& services);
std::string FormatRefTable(ConverterState& state, DialogServices& services,
                           const SpectrumTableFormatter& formatter);

// The block of one scan; logs nothing.
std::string FormatScan(const ConverterState& state, std::int32_t index, const CSaveData& record);

}  // namespace quillon
