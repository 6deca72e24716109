// SPDX-License-Identifier: MIT
// quillon_bench_tables: the rate at which scan tables are rendered (bytes of block text per
// second), for N = 2048 pixels in all four column layouts, beside a plain renderer that calls
// snprintf once per row for the same rows, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "render/spectrum_tables.h"

namespace {

using quillon::CSaveData;

constexpr std::uint16_t kPixels = 2048;

// Layouts by number: bit 0 is "with pixel", bit 1 "with wavelength".
const char* LayoutName(int layout) {
    static const char* const kNames[] = {"counts", "pixel", "wavelength", "pixel+wavelength"};
    return kNames[layout];
}

struct Fixture {
    explicit Fixture(int layoutNumber) : record(kPixels) {
        state.m_nPixelCount = kPixels;
        layout.withPixel = (layoutNumber & 1) != 0;
        layout.withWavelength = (layoutNumber & 2) != 0;
        // The calibration of a 200-1100 nm spectrometer.
        state.m_Ccd.fCal[0] = 339.2846f;
        state.m_Ccd.fCal[1] = 0.3870654f;
        state.m_Ccd.fCal[2] = -1.63e-5f;
        state.m_Ccd.fCal[3] = -1.2e-9f;
        axis = quillon::WavelengthAxis(state);
        std::mt19937 rng(1);
        for (std::int32_t& v : record.Values()) {
            v = static_cast<std::int32_t>(rng() % 65536);  // 16-bit detector counts
        }
        std::snprintf(record.m_szTitle, sizeof record.m_szTitle, "Mercury-argon lamp");
        std::snprintf(record.m_szDateTime, sizeof record.m_szDateTime, "2024-06-01 10:00:00");
        record.m_fOpticalBlank = 812.25f;
    }
    quillon::ScanFile state;
    quillon::TableLayout layout;
    std::vector<float> axis;
    CSaveData record;
};

// The block as a straightforward renderer writes it in its stored form: one snprintf per line.
void AppendBlockWithSnprintf(std::string& out, const Fixture& f, int index,
                             const CSaveData& record) {
    const bool withPixel = f.layout.withPixel;
    const bool withWavelength = f.layout.withWavelength;
    char line[512];
    std::snprintf(line, sizeof line, "Scan #%d:\r\n", index + 1);
    out += line;
    out += "Project Title: ";
    out += record.m_szTitle;
    out += "\r\nSubtitle: ";
    out += record.m_szSubtitle;
    out += "\r\nDate and Time: ";
    out += record.m_szDateTime;
    out += "\r\nScan Data per each pixel...\r\n";
    out += withPixel && withWavelength ? "Pixel\t Wavelength(nm)\t Intensity(Counts)\r\n"
           : withPixel                 ? "Pixel\t Intensity(Counts)\r\n"
           : withWavelength            ? "Wavelength(nm)\t Intensity(Counts)\r\n"
                                       : "Intensity(Counts)\r\n";
    const std::int32_t* values = record.m_pValues.get();
    for (int i = 0; i < f.state.m_nPixelCount; ++i) {
        const double wl = withWavelength ? f.axis[static_cast<std::size_t>(i)] : 0.0;
        if (withPixel && withWavelength) {
            std::snprintf(line, sizeof line, "%-5d\t %-14.4f\t %-8d\r\n", i + 1, wl, values[i]);
        } else if (withPixel) {
            std::snprintf(line, sizeof line, "%-5d\t %-8d\r\n", i + 1, values[i]);
        } else if (withWavelength) {
            std::snprintf(line, sizeof line, "%-14.4f\t %-8d\r\n", wl, values[i]);
        } else {
            std::snprintf(line, sizeof line, "%-8d\r\n", values[i]);
        }
        out += line;
    }
    std::snprintf(line, sizeof line, "Optical Blank data: %-14.4f\r\n",
                  static_cast<double>(record.m_fOpticalBlank));
    out += line;
    out += "\r\n\r\n";
}

// The blocks in the stored form that one-file and multiple-files conversions write, every scan
// into one reused buffer.
void BM_QuillonStoredScanTable(benchmark::State& bench) {
    const int layout = static_cast<int>(bench.range(0));
    const Fixture f(layout);
    const quillon::SpectrumTableFormatter formatter(f.state, f.layout, f.axis);
    std::string check;
    std::string ours;
    AppendBlockWithSnprintf(check, f, 0, f.record);
    formatter.AppendStoredScanBlock(ours, 0, f.record.View());
    if (ours != check) {
        bench.SkipWithError("the two renderers disagree");
        return;
    }
    std::string out;
    std::int64_t bytes = 0;
    for (auto _ : bench) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        out.clear();
        formatter.AppendStoredScanBlock(out, 0, f.record.View());
        benchmark::DoNotOptimize(out.data());
        bytes += static_cast<std::int64_t>(out.size());
    }
    bench.SetBytesProcessed(bytes);
    bench.SetLabel(LayoutName(layout));
}

void BM_SnprintfScanTable(benchmark::State& bench) {
    const int layout = static_cast<int>(bench.range(0));
    const Fixture f(layout);
    std::string out;
    std::int64_t bytes = 0;
    for (auto _ : bench) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        out.clear();
        AppendBlockWithSnprintf(out, f, 0, f.record);
        benchmark::DoNotOptimize(out.data());
        bytes += static_cast<std::int64_t>(out.size());
    }
    bench.SetBytesProcessed(bytes);
    bench.SetLabel(LayoutName(layout));
}

// What a conversion pays once: building the axis and the formatter's columns.
void BM_QuillonFormatterSetup(benchmark::State& bench) {
    const int layout = static_cast<int>(bench.range(0));
    Fixture f(layout);
    for (auto _ : bench) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        f.axis = quillon::WavelengthAxis(f.state);
        const quillon::SpectrumTableFormatter formatter(f.state, f.layout, f.axis);
        benchmark::DoNotOptimize(&formatter);
    }
    bench.SetLabel(LayoutName(layout));
}

BENCHMARK(BM_QuillonStoredScanTable)->DenseRange(0, 3);
BENCHMARK(BM_SnprintfScanTable)->DenseRange(0, 3);
BENCHMARK(BM_QuillonFormatterSetup)->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
