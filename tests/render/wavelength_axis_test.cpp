// SPDX-License-Identifier: MIT
// The wavelength axis: values worked out by hand, the double-precision sum rounded once to
// float, and a realistic calibration checked against an independent long double evaluation.
#include <gtest/gtest.h>

#include <cmath>

#include "render/spectrum_tables.h"

namespace quillon {
namespace {

ScanFile WithCalibration(std::int32_t n, float c0, float c1, float c2, float c3) {
    ScanFile s;
    s.m_nPixelCount = n;
    s.m_Ccd.fCal[0] = c0;
    s.m_Ccd.fCal[1] = c1;
    s.m_Ccd.fCal[2] = c2;
    s.m_Ccd.fCal[3] = c3;
    s.m_Ccd.fCal[4] = 1e30f;  // not a coefficient of the polynomial
    return s;
}

TEST(WavelengthAxis, ExactCoefficientsGiveThePolynomialOfTheZeroBasedIndex) {
    ScanFile s = WithCalibration(11, 200.0f, 0.5f, 0.25f, 0.125f);
    std::vector<float> axis = WavelengthAxis(s);
    ASSERT_EQ(axis.size(), 11u);
    EXPECT_EQ(axis[0], 200.0f);    // fCal[0] alone
    EXPECT_EQ(axis[1], 200.875f);  // 200 + 0.5 + 0.25 + 0.125
    EXPECT_EQ(axis[3], 207.125f);  // 200 + 1.5 + 2.25 + 3.375
    EXPECT_EQ(axis[10], 355.0f);   // 200 + 5 + 25 + 125
}

// 2^24 + 1 + 1 is 16777218 when summed in double; summed in float, each 2^24 + 1 would
// round back to 2^24.
TEST(WavelengthAxis, SumIsKeptInDoubleAndRoundedToFloatOnlyAtTheEnd) {
    ScanFile s = WithCalibration(2, 16777216.0f, 1.0f, 1.0f, 0.0f);
    std::vector<float> axis = WavelengthAxis(s);
    EXPECT_EQ(axis[1], 16777218.0f);
}

// 1 + p * 2^-24: p = 1 and p = 3 fall exactly halfway between two floats and go to the one
// with an even last bit.
TEST(WavelengthAxis, SumRoundsToTheNearestFloatWithTiesToEven) {
    ScanFile s = WithCalibration(4, 1.0f, std::ldexp(1.0f, -24), 0.0f, 0.0f);
    std::vector<float> axis = WavelengthAxis(s);
    EXPECT_EQ(axis[1], 1.0f);
    EXPECT_EQ(axis[2], 1.0f + std::ldexp(1.0f, -23));
    EXPECT_EQ(axis[3], 1.0f + std::ldexp(1.0f, -22));
}

// A calibration of the kind a 2048-pixel spectrometer carries. Every value equals the
// polynomial evaluated independently in long double and rounded to float (for these
// coefficients the two agree at every pixel), and three are pinned bit for bit.
TEST(WavelengthAxis, RealisticCalibrationAgreesWithALongDoubleEvaluation) {
    const float c[4] = {339.2846f, 0.3870654f, -1.63e-5f, -1.2e-9f};
    ScanFile s = WithCalibration(2048, c[0], c[1], c[2], c[3]);
    std::vector<float> axis = WavelengthAxis(s);
    ASSERT_EQ(axis.size(), 2048u);
    int mismatches = 0;
    int differFromFloatSum = 0;
    for (int p = 0; p < 2048; ++p) {
        const long double x = p;
        const long double exact = c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x;
        mismatches += axis[static_cast<std::size_t>(p)] != static_cast<float>(exact);
        // The same polynomial summed in float arithmetic differs at many pixels.
        const auto xf = static_cast<float>(p);
        const float floatSum = c[0] + c[1] * xf + c[2] * xf * xf + c[3] * xf * xf * xf;
        differFromFloatSum += axis[static_cast<std::size_t>(p)] != floatSum;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(differFromFloatSum, 100);
    EXPECT_EQ(axis[1], 0x1.53abf2p+8f);      // 339.671661
    EXPECT_EQ(axis[1023], 0x1.667466p+9f);   // 716.909363
    EXPECT_EQ(axis[2047], 0x1.0740eap+10f);  // 1053.01428
}

TEST(WavelengthAxis, IsBuiltAnewForTheCurrentPixelCount) {
    ScanFile s = WithCalibration(2048, 500.0f, 1.0f, 0.0f, 0.0f);
    std::vector<float> axis = WavelengthAxis(s);
    EXPECT_EQ(axis.size(), 2048u);
    s.m_nPixelCount = 3;  // another file was loaded
    s.m_Ccd.fCal[0] = 400.0f;
    axis = WavelengthAxis(s);
    ASSERT_EQ(axis.size(), 3u);
    EXPECT_EQ(axis[2], 402.0f);
    s.m_nPixelCount = 0;
    axis = WavelengthAxis(s);
    EXPECT_TRUE(axis.empty());
}

}  // namespace
}  // namespace quillon
