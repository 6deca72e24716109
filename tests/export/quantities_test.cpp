// SPDX-License-Identifier: MIT
// The quantities at their edges, and the per-scan function the exports and the plot share.
#include "export/quantities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "in_memory_file.h"

namespace quillon {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Equal values, or both not defined; an exact comparison where the formula is exact.
void ExpectValue(double actual, double expected, const char* quantity) {
    SCOPED_TRACE(quantity);
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << actual;
    } else {
        EXPECT_DOUBLE_EQ(actual, expected);
    }
}

TEST(Quantities, FormulasAtTheirEdges) {
    const struct {
        const char* what;
        std::int32_t s;
        float d;
        float r;
        double darkSubtracted;
        double transmittance;
        double absorbance;
    } cases[] = {
        {"half the light", 300, 100.0f, 500.0f, 200.0, 0.5, 0.30102999566398120},
        {"a tenth of the light", 110, 10.0f, 1010.0f, 100.0, 0.1, 1.0},
        {"full light", 500, 100.0f, 500.0f, 400.0, 1.0, 0.0},
        {"more than the reference", 900, 100.0f, 500.0f, 800.0, 2.0, -0.30102999566398120},
        {"R = D", 500, 100.0f, 100.0f, 400.0, kNaN, kNaN},
        {"R below D", 500, 100.0f, 50.0f, 400.0, kNaN, kNaN},
        {"S below D", 50, 100.0f, 300.0f, -50.0, -0.25, kNaN},
        {"S = D", 100, 100.0f, 300.0f, 0.0, 0.0, kNaN},
        {"zero counts, zero dark", 0, 0.0f, 200.0f, 0.0, 0.0, kNaN},
        {"zero counts above a negative dark", 0, -10.0f, 190.0f, 10.0, 0.05, 1.3010299956639813},
        {"NaN dark", 500, kNaNf, 300.0f, kNaN, kNaN, kNaN},
        {"NaN reference", 500, 100.0f, kNaNf, 400.0, kNaN, kNaN},
        {"infinite dark", 500, kInf, 300.0f, kNaN, kNaN, kNaN},
        {"infinite dark and reference", 500, kInf, kInf, kNaN, kNaN, kNaN},
        {"infinite reference", 500, 100.0f, kInf, 400.0, kNaN, kNaN},
        // S - D in double: a float would lose the half.
        {"counts beyond a float's precision", 16777217, 0.5f, 33554432.0f, 16777216.5,
         16777216.5 / 33554431.5, -std::log10(16777216.5 / 33554431.5)},
        {"the largest count", INT32_MAX, 0.0f, 0.0f, 2147483647.0, kNaN, kNaN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectValue(DarkSubtracted(c.s, c.d), c.darkSubtracted, "dark-subtracted");
        ExpectValue(Transmittance(c.s, c.d, c.r), c.transmittance, "transmittance");
        ExpectValue(Absorbance(c.s, c.d, c.r), c.absorbance, "absorbance");
    }
}

// Expected values: the exact decimal logarithm rounded to the nearest double, worked out with
// 80-digit decimal arithmetic (Python's decimal module), not with this code. They also pin the
// bits every platform must write: the logarithm uses no C library function whose last bit
// differs between Linux and Windows.
TEST(Log10, CorrectlyRoundedAtPointsWorkedOutWithEightyDigits) {
    const struct {
        double x;
        double log10;
    } cases[] = {
        {0.05, -1.3010299956639813},       {0.3, -0.5228787452803376},
        {0.7, -0.1549019599857432},        {1.5, 0.17609125905568124},
        {3.0, 0.47712125471966244},        {7.0, 0.8450980400142568},
        {123.456, 2.0915122016277716},     {0.999, -0.0004345117740176917},
        {1.001, 0.0004340774793185929},    {3e-05, -4.522878745280337},
        {2.0 / 3.0, -0.17609125905568127},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Log10(c.x), c.log10) << c.x;
    }
}

TEST(Log10, PowersOfTenGiveWholeNumbers) {
    for (int p = -12; p <= 12; ++p) {
        const double x = std::stod("1e" + std::to_string(p));
        EXPECT_EQ(Log10(x), static_cast<double>(p)) << x;
    }
    EXPECT_EQ(Absorbance(110, 10.0f, 1010.0f),
              1.0);  // a tenth of the light, not 0.9999999999999999
}

TEST(Log10, WithinTwoUnitsInTheLastPlaceOfTheCLibrarysOverSixteenDecades) {
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> exponent(-8.0, 8.0);
    for (int i = 0; i < 100000; ++i) {
        const double x = std::pow(10.0, exponent(random));
        const double reference = std::log10(x);
        ASSERT_LE(std::fabs(Log10(x) - reference),
                  2.0 * (std::nextafter(std::fabs(reference), INFINITY) - std::fabs(reference)))
            << x;
    }
}

TEST(Log10, ZeroInfinityAndValuesBelowZero) {
    EXPECT_EQ(Log10(0.0), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Log10(std::numeric_limits<double>::infinity()),
              std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(Log10(-1.0)));
    EXPECT_TRUE(std::isnan(Log10(kNaN)));
    EXPECT_EQ(Log10(1.0), 0.0);
    EXPECT_EQ(Log10(5e-324), -323.3062153431158);  // the smallest subnormal
}

TEST(Quantities, FullLightIsAnAbsorbanceOfPositiveZero) {
    EXPECT_FALSE(std::signbit(Absorbance(500, 100.0f, 500.0f)));
}

TEST(Quantities, NamesOnTheCommandLineAndAsIdentifiers) {
    const struct {
        const char* name;
        const char* key;
        Quantity quantity;
    } cases[] = {
        {"counts", "counts", Quantity::kCounts},
        {"dark-subtracted", "dark_subtracted", Quantity::kDarkSubtracted},
        {"transmittance", "transmittance", Quantity::kTransmittance},
        {"absorbance", "absorbance", Quantity::kAbsorbance},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ParseQuantity(c.name), c.quantity) << c.name;
        EXPECT_EQ(QuantityName(c.quantity), c.name);
        EXPECT_EQ(QuantityKey(c.quantity), c.key);
    }
    for (const char* other : {"", "Absorbance", "dark_subtracted", "absorbance ", "count"}) {
        EXPECT_FALSE(ParseQuantity(other).has_value()) << other;
    }
}

TEST(Quantities, AScanIsComputedPixelByPixelAndItsUndefinedValuesCounted) {
    const std::vector<std::int32_t> counts = {300, 50, 500, 7};
    const std::vector<float> dark = {100.0f, 100.0f, kNaNf, 0.0f};
    const std::vector<float> reference = {500.0f, 300.0f, 600.0f, 0.0f};
    std::vector<double> out(4, -1.0);
    EXPECT_EQ(ComputeQuantity(Quantity::kAbsorbance, counts, dark, reference, out), 3u);
    EXPECT_DOUBLE_EQ(out[0], Absorbance(300, 100.0f, 500.0f));
    EXPECT_TRUE(std::isnan(out[1]));  // S below D
    EXPECT_TRUE(std::isnan(out[2]));  // NaN dark
    EXPECT_TRUE(std::isnan(out[3]));  // R = D

    EXPECT_EQ(ComputeQuantity(Quantity::kDarkSubtracted, counts, dark, reference, out), 1u);
    EXPECT_EQ(out[0], 200.0);
    EXPECT_EQ(out[1], -50.0);
    EXPECT_EQ(out[3], 7.0);

    EXPECT_EQ(ComputeQuantity(Quantity::kCounts, counts, dark, reference, out), 0u);
    EXPECT_EQ(out, (std::vector<double>{300.0, 50.0, 500.0, 7.0}));
}

TEST(Quantities, PixelsBeyondAShortDarkSpectrumAreNotDefined) {
    const std::vector<std::int32_t> counts = {300, 300, 300};
    const std::vector<float> dark = {100.0f};
    const std::vector<float> reference = {500.0f, 500.0f, 500.0f};
    std::vector<double> out(3);
    EXPECT_EQ(ComputeQuantity(Quantity::kTransmittance, counts, dark, reference, out), 2u);
    EXPECT_EQ(out[0], 0.5);
}

TEST(Quantities, AScanOfAFileUsesTheFilesDarkAndReference) {
    testing::SdfBuilder b(3);
    b.dark = {10.0f, 20.0f, 30.0f};
    b.ref = {110.0f, 220.0f, 30.0f};
    b.AddScan({"", "", "", {60, 120, 90}, 0.0f});
    b.AddScan({"", "", "", {35, 70, 90}, 0.0f});
    const ScanFile file = testing::InMemoryFile(b);
    std::vector<double> out(3);
    EXPECT_EQ(ComputeQuantity(Quantity::kTransmittance, file, 1, out), 1u);
    EXPECT_EQ(out[0], 0.25);
    EXPECT_EQ(out[1], 0.25);
    EXPECT_TRUE(std::isnan(out[2]));
}

}  // namespace
}  // namespace quillon
