// SPDX-License-Identifier: MIT
// quillon_make_sample: writes a realistic scan data file of a mercury-argon lamp seen by a
// CCD spectrometer: emission lines on a baseline, a dark spectrum, a reference spectrum and a
// series of scans, with a calibration from about 200 nm to 1100 nm. With --time-series, the
// scans are a reaction followed in time instead: a sample whose absorption band near 450 nm
// fades while another near 620 nm grows, measured against the same dark and reference, each
// scan stamped STEP seconds after the one before.
//
//   quillon_make_sample OUTPUT [PIXELS [SCANS]]      (defaults: 2048 pixels, 5 scans)
//   quillon_make_sample -- -odd-name.sdf              (a name that starts with '-')
//   quillon_make_sample --time-series "2026-12-07 09:00:00" --step 2 kinetics.sdf 1024 3000
//
// The output is the same on every run and every machine: the noise comes from a fixed
// linear congruential generator. Scans are written one at a time, so files of any size can
// be made without holding them in memory.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/scan_times.h"
#include "scanfile/sdf_writer.h"

namespace {

// Deterministic noise in [-1, 1).
struct Noise {
    std::uint32_t state = 20261207u;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 23) - 1.0;
    }
};

constexpr float kCal[4] = {198.42f, 0.4651f, -1.03e-5f, -1.2e-9f};

double Wavelength(double p) {
    return kCal[0] + kCal[1] * p + kCal[2] * p * p + kCal[3] * p * p * p;
}

// Relative line strengths of a Hg-Ar lamp (nm, peak counts at full intensity).
constexpr struct {
    double nm;
    double peak;
} kLines[] = {{253.65, 9000},  {296.73, 1800},  {365.02, 5200}, {404.66, 7400}, {435.83, 21000},
              {546.07, 30000}, {576.96, 6100},  {579.07, 6600}, {696.54, 4200}, {706.72, 3100},
              {763.51, 16000}, {811.53, 12500}, {842.46, 5400}, {912.30, 8800}, {965.78, 4100}};

double Lamp(double nm, double scale) {
    double counts = 0;
    for (const auto& line : kLines) {
        const double d = (nm - line.nm) / 0.9;  // about 2 nm wide at half height
        counts += scale * line.peak * std::exp(-0.5 * d * d);
    }
    return counts;
}

// "YYYY-MM-DD hh:mm:ss" (and ".fff" when the time has a fraction) of seconds since 1970.
std::string DateTimeText(double seconds) {
    const auto millis = static_cast<std::int64_t>(std::llround(seconds * 1000.0));
    const std::int64_t whole = millis / 1000;
    const std::int64_t days = whole / 86400;
    const std::int64_t ofDay = whole % 86400;
    // The civil date of a day count (days since 1970-01-01, not negative here).
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[128];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(ofDay / 3600),
                  static_cast<long long>(ofDay / 60 % 60), static_cast<long long>(ofDay % 60));
    std::string result = text;
    if (millis % 1000 != 0) {
        std::snprintf(text, sizeof text, ".%03lld", static_cast<long long>(millis % 1000));
        result += text;
    }
    return result;
}

double Band(double nm, double centre, double width) {
    const double d = (nm - centre) / width;
    return std::exp(-0.5 * d * d);
}

// The counts of scan k of a reaction of `scans` scans: the reference light through a sample
// whose band near 450 nm fades as the one near 620 nm grows (first order, a quarter of the run
// for each e-fold), plus a little noise.
void ReactionScan(long k, long scans, std::span<const float> dark, std::span<const float> ref,
                  Noise& noise, std::vector<std::int32_t>& values) {
    const double progress = 4.0 * static_cast<double>(k) / static_cast<double>(std::max(scans, 1L));
    const double fading = std::exp(-progress);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double nm = Wavelength(static_cast<double>(i));
        const double absorbance = 0.05 + 0.9 * fading * Band(nm, 450.0, 28.0) +
                                  0.7 * (1.0 - fading) * Band(nm, 620.0, 40.0);
        const double light = (ref[i] - dark[i]) * std::pow(10.0, -absorbance);
        values[i] = static_cast<std::int32_t>(std::lround(dark[i] + light + 15.0 * noise.Next()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Writes a sample scan data file of a mercury-argon lamp: the same bytes on every run.",
        "quillon_make_sample"};
    std::string out;
    long pixels = 2048;
    long scans = 5;
    app.add_option("OUTPUT", out, "The scan data file to write")->required();
    app.add_option("PIXELS", pixels, "Pixels per spectrum")
        ->capture_default_str()
        ->check(CLI::Range(0L, 65535L));
    app.add_option("SCANS", scans, "Scans in the file")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    std::string start;
    double step = 2.0;
    app.add_option("--time-series", start,
                   "Write a reaction followed in time, the first scan at this date and time "
                   "(\"YYYY-MM-DD hh:mm:ss\")");
    app.add_option("--step", step, "Seconds between the scans of a time series")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    // An argument that starts with '-' and is not an option is refused, never taken for the
    // output's name.
    app.allow_windows_style_options(false);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints the help and succeeds; any other mistake is a usage error.
        return app.exit(error) == 0 ? 0 : 2;
    }
    std::optional<double> startSeconds;
    if (!start.empty()) {
        startSeconds = quillon::ParseScanDateTime(start, quillon::DateOrder::kDayFirst);
        if (!startSeconds || *startSeconds < 0.0) {
            std::cerr << "quillon_make_sample: --time-series: \"" << start
                      << "\" is not a date and time after 1970 such as 2026-12-07 09:00:00\n";
            return 2;
        }
    }
    const auto n = static_cast<std::uint16_t>(pixels);
    Noise noise;

    quillon::ParameterRecords b;
    quillon::StoreFieldText(b.header.filename,
                            startSeconds ? "kinetics_run.sdf" : "HgAr_lamp_run.sdf");
    b.header.no = 1;
    b.header.time = 100;
    b.header.fOticalBlank = 912.5f;
    b.ccd.usTotalColPixels = static_cast<std::uint16_t>(n + 40);
    b.ccd.usTotalRowPixels = 1;
    b.ccd.usStartBlankPixel = 4;
    b.ccd.usTotalBlankPixels = 12;
    b.ccd.usStartEffectivePixel = 32;
    b.ccd.usTotalEffectivePixels = n;
    b.ccd.usConversionBit = 16;
    b.ccd.usUnitType = 1;
    b.ccd.usChannelNo = 1;
    b.ccd.usBoardType = 2;
    b.ccd.usGain = 1;
    b.ccd.usAddress = 0x300;
    b.ccd.nFFT = 0;
    for (int j = 0; j < 4; ++j) {
        b.ccd.fCal[j] = kCal[j];
    }
    b.ccd.fTemp = -10.0f;
    b.acquire = {200, 1100, 1, 1, 0, {0, 0}, 25};
    b.scale.usMinXP = 0;
    b.scale.usMaxXP = n;
    b.scale.usMinYP = 0;
    b.scale.usMaxYP = 65535;
    b.scale.fMinWL = static_cast<float>(Wavelength(0));
    b.scale.fMaxWL = static_cast<float>(Wavelength(n > 0 ? n - 1 : 0));
    b.scale.fWavelengthInterval = 0.5f;
    b.scale.fMaxT = 100.0f;
    b.scale.fMaxA = 3.0f;
    b.scale.fMaxI = 65535.0f;
    b.scale.fRes = 1.0f;
    b.intTime = {100.0, 3.0, 65000.0};
    b.status.word0 = 0x0021 | 0x0080 | 0x0100;  // data started, dark scanned and applied
    b.status.word1 = 0x0004;                    // scan mode
    if (startSeconds) {
        b.status.word1 |= 0x0080;  // time line
    }
    std::vector<float> dark(n);
    std::vector<float> ref(n);
    for (std::size_t i = 0; i < n; ++i) {
        dark[i] = static_cast<float>(905.0 + 6.0 * noise.Next());
        const double nm = Wavelength(static_cast<double>(i));
        // A tungsten-halogen reference: a broad hump peaking in the near infrared.
        const double hump = std::exp(-0.5 * std::pow((nm - 780.0) / 260.0, 2));
        ref[i] = static_cast<float>(905.0 + 42000.0 * hump + 40.0 * noise.Next());
    }

    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    std::vector<unsigned char> bytes;
    quillon::AppendRecords(bytes, b);
    quillon::AppendSpectrum(bytes, dark, 903.4375f);
    quillon::AppendSpectrum(bytes, ref, 904.125f);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::vector<std::int32_t> values(n);
    for (long k = 0; k < scans && file && startSeconds; ++k) {
        ReactionScan(k, scans, dark, ref, noise, values);
        const std::string stamp = DateTimeText(*startSeconds + static_cast<double>(k) * step);
        bytes.clear();
        quillon::AppendScanRecord(
            bytes, {"Kinetics run", "Integration 100 ms, average 1", stamp, values, 903.5f});
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    for (long k = 0; k < scans && file && !startSeconds; ++k) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2026-12-07 09:%02ld:%02ld", (k / 60) % 60, k % 60);
        const double scale = 0.9 + 0.2 * static_cast<double>(k % 7) / 6.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double nm = Wavelength(static_cast<double>(i));
            const double baseline =
                905.0 + 120.0 * std::exp(-0.5 * std::pow((nm - 600.0) / 300.0, 2));
            values[i] = static_cast<std::int32_t>(
                std::lround(baseline + Lamp(nm, scale) + 12.0 * noise.Next()));
        }
        const auto blank = static_cast<float>(903.0 + std::round(8.0 * noise.Next()) / 8.0);
        bytes.clear();
        quillon::AppendScanRecord(bytes, {"HgAr lamp calibration", "Integration 100 ms, average 1",
                                          stamp, values, blank});
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    file.close();
    if (!file) {
        std::cerr << "quillon_make_sample: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}
