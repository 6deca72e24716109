// SPDX-License-Identifier: MIT
// What the spectrum plot shows, without a window: the x axis (wavelength or pixel number), the
// curves as the export layer computes them, the runs that break at undefined values, the
// ranges the axes take, the pixel under the pointer, the readout and the scan's texts; the
// axes' ticks and labels, the zoom of a plot, and the plot's state through quantities,
// curves shown and zoom.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

#include "dialog/spectrum_plot.h"
#include "fake_log.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A file of n pixels with a linear calibration from 400 nm in steps of 0.5 nm, the given dark
// and reference spectra and one scan per list of counts.
ScanFile MakeFile(std::int32_t n, std::vector<float> dark, std::vector<float> reference,
                  const std::vector<std::vector<std::int32_t>>& scans) {
    ScanFile file;
    file.m_strPath = "/data/run1.sdf";
    file.m_nPixelCount = n;
    file.m_Ccd.fCal[0] = 400.0f;
    file.m_Ccd.fCal[1] = 0.5f;
    file.m_pDarkData = std::move(dark);
    file.m_pRefData = std::move(reference);
    for (const auto& counts : scans) {
        auto record = std::make_unique<CSaveData>(static_cast<std::uint16_t>(n));
        std::copy(counts.begin(), counts.end(), record->Values().begin());
        file.AddScan(std::move(record));
    }
    return file;
}

std::vector<PixelRun> RunsOf(std::vector<double> values) {
    std::vector<PixelRun> runs;
    DefinedRuns(values, runs);
    return runs;
}

TEST(PlotRuns, UndefinedValuesBreakTheLineAndNothingElseDoes) {
    struct Case {
        const char* name;
        std::vector<double> values;
        std::vector<PixelRun> runs;
    };
    const Case cases[] = {
        {"no values", {}, {}},
        {"all defined", {1, 2, 3}, {{0, 3}}},
        {"all undefined", {kNaN, kNaN}, {}},
        {"one gap in the middle", {1, kNaN, 3, 4}, {{0, 1}, {2, 4}}},
        {"gaps at both ends", {kNaN, 2, 3, kNaN}, {{1, 3}}},
        {"a lone value between gaps", {kNaN, 2, kNaN}, {{1, 2}}},
        {"infinities break the line too", {1, kInf, 3, -kInf}, {{0, 1}, {2, 3}}},
        {"zero and negative values are defined", {0.0, -1.5, -0.0}, {{0, 3}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunsOf(c.values), c.runs) << c.name;
    }
}

TEST(PlotAxisOfAFile, ARisingCalibrationGivesTheWavelengthsTheTextOutputsPrint) {
    ScanFile file = MakeFile(4, {1, 2, 3, 4}, {5, 6, 7, 8}, {});
    file.m_Ccd.fCal[2] = 1e-3f;  // still rising
    SpectrumCurves curves;
    SetFileCurves(file, curves);
    EXPECT_EQ(curves.axis, PlotAxis::kWavelength);
    const std::vector<float> axis = WavelengthAxis(file);
    ASSERT_EQ(curves.x.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(curves.x[i], static_cast<double>(axis[i])) << i;
    }
    EXPECT_EQ(curves.dark, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(curves.reference, (std::vector<double>{5, 6, 7, 8}));
    EXPECT_TRUE(curves.scan.empty());
}

TEST(PlotAxisOfAFile, ACalibrationThatDoesNotRiseGivesPixelNumbersFromOne) {
    struct Case {
        const char* name;
        float c0, c1, c2;
    };
    const Case cases[] = {
        {"falling", 900.0f, -0.5f, 0.0f},
        {"flat (no calibration at all)", 0.0f, 0.0f, 0.0f},
        {"rising, then falling", 400.0f, 1.0f, -0.4f},
        {"not a number", std::numeric_limits<float>::quiet_NaN(), 1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        ScanFile file = MakeFile(4, {0, 0, 0, 0}, {0, 0, 0, 0}, {});
        file.m_Ccd.fCal[0] = c.c0;
        file.m_Ccd.fCal[1] = c.c1;
        file.m_Ccd.fCal[2] = c.c2;
        SpectrumCurves curves;
        SetFileCurves(file, curves);
        EXPECT_EQ(curves.axis, PlotAxis::kPixel) << c.name;
        EXPECT_EQ(curves.x, (std::vector<double>{1, 2, 3, 4})) << c.name;
    }
}

TEST(PlotAxisOfAFile, AFileWithoutPixelsHasEmptyCurves) {
    ScanFile file = MakeFile(0, {}, {}, {{}, {}});
    SpectrumCurves curves;
    SetFileCurves(file, curves);
    SetScanCurve(file, 2, Quantity::kAbsorbance, curves);
    EXPECT_TRUE(curves.x.empty());
    EXPECT_TRUE(curves.dark.empty());
    EXPECT_TRUE(curves.scan.empty());
    EXPECT_EQ(curves.scanNumber, 2u);
    EXPECT_FALSE(NearestPixel(curves, 500.0).has_value());
}

TEST(PlotScanCurve, HoldsTheQuantityOfTheChosenScanAndCountsItsUndefinedValues) {
    // Pixel by pixel: S - D > 0 and R - D > 0; S < D; R = D; S = D.
    ScanFile file = MakeFile(4, {100, 100, 100, 100}, {1100, 1100, 100, 1100},
                             {{1, 1, 1, 1}, {600, 50, 300, 100}});
    SpectrumCurves curves;
    SetFileCurves(file, curves);

    SetScanCurve(file, 2, Quantity::kCounts, curves);
    EXPECT_EQ(curves.scan, (std::vector<double>{600, 50, 300, 100}));
    EXPECT_EQ(curves.undefined, 0u);
    EXPECT_EQ(curves.scanNumber, 2u);

    SetScanCurve(file, 2, Quantity::kDarkSubtracted, curves);
    EXPECT_EQ(curves.scan, (std::vector<double>{500, -50, 200, 0}));

    SetScanCurve(file, 2, Quantity::kTransmittance, curves);
    EXPECT_EQ(curves.scan[0], 0.5);
    EXPECT_EQ(curves.scan[1], -0.05);
    EXPECT_TRUE(std::isnan(curves.scan[2]));  // R = D
    EXPECT_EQ(curves.scan[3], 0.0);
    EXPECT_EQ(curves.undefined, 1u);

    SetScanCurve(file, 2, Quantity::kAbsorbance, curves);
    EXPECT_EQ(curves.scan[0], -std::log10(0.5));
    EXPECT_TRUE(std::isnan(curves.scan[1]));  // S < D
    EXPECT_TRUE(std::isnan(curves.scan[2]));  // R = D
    EXPECT_TRUE(std::isnan(curves.scan[3]));  // S = D
    EXPECT_EQ(curves.undefined, 3u);
    EXPECT_EQ(curves.quantity, Quantity::kAbsorbance);
}

TEST(PlotScanCurve, AScanNumberOutsideTheFileLeavesNoScanCurve) {
    ScanFile file = MakeFile(2, {0, 0}, {0, 0}, {{5, 6}});
    SpectrumCurves curves;
    SetFileCurves(file, curves);
    for (std::size_t number : {std::size_t{0}, std::size_t{2}, std::size_t{1000}}) {
        SetScanCurve(file, 1, Quantity::kCounts, curves);
        ASSERT_EQ(curves.scan.size(), 2u);
        SetScanCurve(file, number, Quantity::kCounts, curves);
        EXPECT_TRUE(curves.scan.empty()) << number;
        EXPECT_EQ(curves.scanNumber, 0u) << number;
    }
}

TEST(PlotScanCurve, AScanOfAFileCutShorterSinceItWasLoadedIsAProblemNamingTheFileNotACrash) {
    testing::TempDir dir;
    testing::SdfBuilder builder(4);
    builder.AddScans(3);
    const std::string path = builder.WriteTo(dir / "run1.sdf");
    testing::FakeLog log;
    const ScanFile file = LoadScanFile(path, log);
    SpectrumCurves curves;
    SetFileCurves(file, curves);
    SetScanCurve(file, 3, Quantity::kCounts, curves);
    ASSERT_EQ(curves.scan, (std::vector<double>{3, 3, 3, 3}));
    EXPECT_EQ(curves.description, "Scan title 3 \u2014 Subtitle 3 \u2014 2026-12-07 08:00:03");
    EXPECT_EQ(curves.problem, "");

    // The acquisition software writes the file again, shorter: the third record is gone.
    std::filesystem::resize_file(path, builder.BytesCutAt(300).size());
    SetScanCurve(file, 3, Quantity::kCounts, curves);
#ifdef _WIN32
    // Windows: a file of this size was read whole at load, and its scans stay as loaded.
    EXPECT_EQ(curves.scan, (std::vector<double>{3, 3, 3, 3}));
    EXPECT_EQ(curves.problem, "");
#else
    EXPECT_TRUE(curves.scan.empty());
    EXPECT_EQ(curves.scanNumber, 3u);
    EXPECT_TRUE(curves.problem.starts_with(path + ": ")) << curves.problem;
    EXPECT_GT(curves.problem.size(), path.size() + 2);
#endif
}

TEST(PlotRanges, TheRangeOfAFilesValuesLeavesOutUndefinedOnesAndThoseOutsideTheXRange) {
    const std::vector<double> x = {1, 2, 3, 4, 5};
    const std::vector<double> values = {-7, kNaN, 3, 10, 2};
    EXPECT_EQ(FiniteRange(x, values, 1, 5), (ValueRange{-7, 10}));
    EXPECT_EQ(FiniteRange(x, values, 2, 3), (ValueRange{3, 3}));
    EXPECT_EQ(FiniteRange(x, values, 4.5, 5), (ValueRange{2, 2}));
    EXPECT_FALSE(FiniteRange(x, values, 1.5, 2.5).has_value());
    EXPECT_FALSE(FiniteRange(x, std::vector<double>{kNaN, kInf}, 0, 10).has_value());
}

TEST(PlotRanges, AnAxisShowsItsValuesWithAMarginAndAFlatLineInsideIt) {
    EXPECT_EQ(PaddedRange(ValueRange{0, 100}), (ValueRange{-5, 105}));
    EXPECT_EQ(PaddedRange(ValueRange{7, 7}), (ValueRange{6.5, 7.5}));
    EXPECT_EQ(PaddedRange(std::nullopt), (ValueRange{0, 1}));
}

std::vector<std::string> LabelsOf(const Axis& axis) {
    std::vector<std::string> labels;
    for (const AxisTick& tick : axis.ticks) {
        labels.push_back(tick.label);
    }
    return labels;
}

TEST(PlotTicks, StepsOf125TimesAPowerOfTenGiveAboutFiveTicksWithTheDecimalsTheyNeed) {
    struct Case {
        ValueRange range;
        double step;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {{0, 1}, 0.2, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        {{200, 1100}, 200, {"200", "400", "600", "800", "1000"}},
        {{-5, 105}, 50, {"0", "50", "100"}},
        {{350.25, 354.1}, 1, {"351", "352", "353", "354"}},
        {{-0.3, 0.3}, 0.2, {"-0.2", "0.0", "0.2"}},
        {{0.00101, 0.00119}, 5e-5, {"0.00105", "0.00110", "0.00115"}},
        {{-2.3e9, 2.3e9}, 1e9, {"-2000000000", "-1000000000", "0", "1000000000", "2000000000"}},
        // A range of no width (never shown, but not a fault): a step of 1.
        {{5, 5}, 1, {"5"}},
    };
    for (const Case& c : cases) {
        Axis axis;
        SetAxisRange(axis, c.range);
        EXPECT_EQ(axis.range, c.range);
        EXPECT_DOUBLE_EQ(axis.step, c.step) << c.range.low;
        EXPECT_EQ(LabelsOf(axis), c.labels) << c.range.low;
    }
}

TEST(PlotFrameZoom, EveryGestureShowsItsPartOfTheRangesOnEveryAxis) {
    // A plot area of 100 x 50 pixels; x 0..100, two value axes 0..10 and 100..200.
    const PlotArea area{0, 0, 100, 50};
    struct Case {
        const char* name;
        std::function<void(PlotFrame&)> gesture;
        ValueRange x, first, second;
        bool zoomed;
    };
    const Case cases[] = {
        {"dragged rectangle",
         [&](PlotFrame& f) {
             f.ZoomToRect(area, {50, 10, 25, 30});
         },
         {50, 75},
         {2, 8},
         {120, 180},
         true},
        {"dragged from the other corner",
         [&](PlotFrame& f) {
             f.ZoomToRect(area, {75, 40, -25, -30});
         },
         {50, 75},
         {2, 8},
         {120, 180},
         true},
        {"dragged beyond the plot: cut to it",
         [&](PlotFrame& f) {
             f.ZoomToRect(area, {80, -10, 50, 70});
         },
         {80, 100},
         {0, 10},
         {100, 200},
         true},
        {"a click without a drag",
         [&](PlotFrame& f) {
             f.ZoomToRect(area, {30, 10, 0, 20});
         },
         {0, 100},
         {0, 10},
         {100, 200},
         false},
        {"wheel about a point",
         [&](PlotFrame& f) { f.ZoomAbout(area, 25, 25, 0.8); },
         {5, 85},
         {1, 9},
         {110, 190},
         true},
        {"wheel outside the plot: about the middle",
         [&](PlotFrame& f) { f.ZoomAbout(area, 150, 25, 0.8); },
         {10, 90},
         {1, 9},
         {110, 190},
         true},
        {"+", [](PlotFrame& f) { f.Key(PlotKey::kZoomIn); }, {10, 90}, {1, 9}, {110, 190}, true},
        {"-",
         [](PlotFrame& f) { f.Key(PlotKey::kZoomOut); },
         {-12.5, 112.5},
         {-1.25, 11.25},
         {87.5, 212.5},
         true},
        {"left", [](PlotFrame& f) { f.Key(PlotKey::kLeft); }, {-10, 90}, {0, 10}, {100, 200}, true},
        {"right",
         [](PlotFrame& f) { f.Key(PlotKey::kRight); },
         {10, 110},
         {0, 10},
         {100, 200},
         true},
        {"up", [](PlotFrame& f) { f.Key(PlotKey::kUp); }, {0, 100}, {1, 11}, {110, 210}, true},
        {"down", [](PlotFrame& f) { f.Key(PlotKey::kDown); }, {0, 100}, {-1, 9}, {90, 190}, true},
    };
    for (const Case& c : cases) {
        PlotFrame frame(2);
        frame.SetXRange({0, 100});
        frame.SetValueRange(0, {0, 10});
        frame.SetValueRange(1, {100, 200});
        c.gesture(frame);
        for (auto [shown, expected] :
             {std::pair{frame.X().range, c.x}, std::pair{frame.Value(0).range, c.first},
              std::pair{frame.Value(1).range, c.second}}) {
            EXPECT_NEAR(shown.low, expected.low, 1e-9) << c.name;
            EXPECT_NEAR(shown.high, expected.high, 1e-9) << c.name;
        }
        EXPECT_EQ(frame.IsZoomed(), c.zoomed) << c.name;
        // The ticks follow the range.
        EXPECT_EQ(frame.X().step, NiceStep(frame.X().range.Span())) << c.name;
    }
}

TEST(PlotFrameZoom, MagnifyingWithoutEndStopsWhileTheTicksCanStillBeToldApart) {
    PlotFrame frame(1);
    frame.SetXRange({546.0, 547.0});
    frame.SetValueRange(0, {-2147483648.0, 2147483647.0});
    for (int i = 0; i < 500; ++i) {
        frame.Key(PlotKey::kZoomIn);
    }
    for (const Axis* axis : {&frame.X(), &frame.Value(0)}) {
        const double magnitude = std::max(std::abs(axis->range.low), std::abs(axis->range.high));
        EXPECT_GT(axis->range.Span(), magnitude * 1e-12);
        ASSERT_FALSE(axis->ticks.empty());
        EXPECT_LE(axis->ticks.size(), 11u);
        for (std::size_t i = 1; i < axis->ticks.size(); ++i) {
            EXPECT_NE(axis->ticks[i].label, axis->ticks[i - 1].label);
        }
    }
    EXPECT_GT(frame.X().range.low, 546.0);
}

TEST(PlotPointer, TheNearestPixelIsFoundOnEitherSideAndBeyondTheEnds) {
    SpectrumCurves curves;
    curves.x = {400.0, 400.5, 401.0};
    EXPECT_EQ(NearestPixel(curves, 300.0), 0u);
    EXPECT_EQ(NearestPixel(curves, 400.2), 0u);
    EXPECT_EQ(NearestPixel(curves, 400.25), 0u);  // halfway goes to the lower pixel
    EXPECT_EQ(NearestPixel(curves, 400.3), 1u);
    EXPECT_EQ(NearestPixel(curves, 400.9), 2u);
    EXPECT_EQ(NearestPixel(curves, 5000.0), 2u);
    EXPECT_FALSE(NearestPixel(curves, kNaN).has_value());
}

TEST(PlotReadout, NamesThePixelAndTheValuesOfTheVisibleCurves) {
    SpectrumCurves curves;
    curves.axis = PlotAxis::kWavelength;
    curves.x = {546.0749969482422, 547.0};
    curves.dark = {980.5, 981};
    curves.reference = {kNaN, 40000};
    curves.scan = {0.30102999566398120, 1};
    curves.scanNumber = 3;
    EXPECT_EQ(ReadoutText(curves, 0, {}),
              "546.07 nm, pixel 1; scan 3 0.30103; dark 980.5; reference not defined");
    EXPECT_EQ(ReadoutText(curves, 1, {.dark = false, .reference = true, .scan = false}),
              "547.00 nm, pixel 2; reference 40000");
    curves.axis = PlotAxis::kPixel;
    curves.x = {1, 2};
    EXPECT_EQ(ReadoutText(curves, 1, {}), "pixel 2; scan 3 1; dark 981; reference 40000");
    EXPECT_EQ(ReadoutText(curves, 2, {}), "");
}

TEST(PlotReadout, NumbersKeepSixSignificantDigitsAndIgnoreTheLocale) {
    EXPECT_EQ(ReadoutNumber(65535), "65535");
    EXPECT_EQ(ReadoutNumber(-2147483648.0), "-2.14748e+09");
    EXPECT_EQ(ReadoutNumber(0.000123456789), "0.000123457");
    EXPECT_EQ(ReadoutNumber(kNaN), "not defined");
    EXPECT_EQ(ReadoutNumber(-kInf), "not defined");
}

TEST(PlotTexts, TheScanDescriptionJoinsTheNonEmptyTextsUpToTheirFirstZeroByteInUtf8) {
    ScanFile file = MakeFile(1, {0}, {0}, {{1}, {2}, {3}});
    auto set = [&](std::size_t index, const char* title, const char* subtitle, const char* date) {
        ScanView view = file.Scan(index);
        char* fields[] = {const_cast<char*>(view.title), const_cast<char*>(view.subtitle),
                          const_cast<char*>(view.dateTime)};
        const char* texts[] = {title, subtitle, date};
        for (int f = 0; f < 3; ++f) {
            std::memset(fields[f], 0, kScanTextSize);
            std::memcpy(fields[f], texts[f], std::strlen(texts[f]));
        }
    };
    set(0, "Hg lamp", "fibre 2", "2024-03-01 10:15:02");
    set(1, "", "", "2024-03-01");
    set(2, "", "", "");
    // A title that fills all 64 bytes has no terminator: all 64 are the title.
    std::memset(const_cast<char*>(file.Scan(2).title), 'T', kScanTextSize);

    EXPECT_EQ(ScanDescription(file.Scan(0)), "Hg lamp \u2014 fibre 2 \u2014 2024-03-01 10:15:02");
    EXPECT_EQ(ScanDescription(file.Scan(1)), "2024-03-01");
    EXPECT_EQ(ScanDescription(file.Scan(2)), std::string(64, 'T'));
    // The instrument PCs write Windows-1252: 0x80 is the euro sign, 0xE9 an e with an acute.
    set(1, "\x80 5 \xE9t\xE9", "", "");
    EXPECT_EQ(ScanDescription(file.Scan(1)), "\u20AC 5 \u00E9t\u00E9");
}

TEST(PlotTexts, OnlyCountsAndDarkSubtractedCountsShareTheAxisOfTheSpectra) {
    EXPECT_TRUE(InCounts(Quantity::kCounts));
    EXPECT_TRUE(InCounts(Quantity::kDarkSubtracted));
    EXPECT_FALSE(InCounts(Quantity::kTransmittance));
    EXPECT_FALSE(InCounts(Quantity::kAbsorbance));
}

TEST(SpectrumPlotZoom, AnotherQuantityFitsTheValuesOverTheWavelengthsShownAndKeepsTheZoom) {
    // x = 400, 400.5, 401, 401.5 nm; transmittances of scan 1: 1, 0.5, 1, 2.
    const ScanFile file =
        MakeFile(4, {100, 100, 100, 100}, {1100, 2100, 1100, 600}, {{1100, 1100, 1100, 1100}});
    SpectrumPlot plot;
    plot.ShowFile(file);
    // Not zoomed, hiding a curve fits the values to the others: counts share one scale.
    plot.SetCurveVisible(Curve::kReference, false);
    EXPECT_EQ(plot.QuantityAxis().range, PaddedRange(ValueRange{100, 1100}));
    EXPECT_EQ(plot.CountsAxis().range, plot.QuantityAxis().range);
    EXPECT_EQ(plot.Legend()[2], (LegendEntry{Curve::kReference, "Reference", true}));
    plot.SetCurveVisible(Curve::kReference, true);

    // Zoomed to the first two pixels (the left third of the plot, all values).
    plot.ZoomToRect({0, 0, 300, 100}, {0, 0, 100, 100});
    const ValueRange x = plot.XAxis().range;
    EXPECT_NEAR(x.high, 400.5, 1e-9);
    plot.ShowQuantity(Quantity::kTransmittance);
    EXPECT_TRUE(plot.IsZoomed());
    EXPECT_EQ(plot.XAxis().range, x);
    EXPECT_EQ(plot.QuantityAxis().range, PaddedRange(ValueRange{0.5, 1}));
    EXPECT_EQ(plot.CountsAxis().range, PaddedRange(ValueRange{100, 2100}));
    EXPECT_TRUE(plot.CountsAxis().visible);

    plot.ResetZoom();
    EXPECT_FALSE(plot.IsZoomed());
    EXPECT_EQ(plot.QuantityAxis().range, PaddedRange(ValueRange{0.5, 2}));
}

}  // namespace
}  // namespace quillon
