// SPDX-License-Identifier: MIT
// Wavelength grids: the START:STEP:END text, the points, the calibration check and the linear
// interpolation onto the points.
#include "export/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace quillon {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(GridText, ThreeNumbersSeparatedByColons) {
    const struct {
        const char* text;
        double start, step, end;
    } cases[] = {
        {"400:0.5:800", 400.0, 0.5, 800.0},
        {"198.42:1:1097", 198.42, 1.0, 1097.0},
        {"-5:2.5e-1:1e1", -5.0, 0.25, 10.0},
        {"+300:+1:+301", 300.0, 1.0, 301.0},
    };
    for (const auto& c : cases) {
        const GridSpec grid = ParseGrid(c.text);
        EXPECT_EQ(grid.start, c.start) << c.text;
        EXPECT_EQ(grid.step, c.step) << c.text;
        EXPECT_EQ(grid.end, c.end) << c.text;
    }
}

TEST(GridText, AnythingElseIsRefusedWithTheReason) {
    const struct {
        const char* text;
        const char* reason;  // a part of the message
    } cases[] = {
        {"", "START:STEP:END"},
        {"400", "START:STEP:END"},
        {"400:800", "START:STEP:END"},
        {"400:1:800:2", "START:STEP:END"},
        {"400:1:", "START:STEP:END"},
        {"a:1:800", "START:STEP:END"},
        {"400 :1:800", "START:STEP:END"},
        {"400,5:1:800", "START:STEP:END"},
        {"nan:1:800", "START:STEP:END"},
        {"400:inf:800", "START:STEP:END"},
        {"400:0:800", "STEP must be above 0"},
        {"400:-1:800", "STEP must be above 0"},
        {"800:1:400", "START must lie below its END"},
        {"400:1:400", "START must lie below its END"},
        {"0:1e-9:1000", "more than 1048576 points"},
    };
    for (const auto& c : cases) {
        try {
            ParseGrid(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const GridSyntaxError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos)
                << c.text << ": " << error.what();
        }
    }
}

TEST(GridPoints, EndCountsWhenRoundingPutsItJustBeyondTheLastStep) {
    const struct {
        const char* text;
        std::size_t count;
    } cases[] = {
        {"400:0.1:800", 4001},                              // 400 / 0.1 is 3999.99999999999954...
        {"0:0.3:0.9", 4},                                   // 0.9 / 0.3 is 3.0000000000000004
        {"0:0.7:2", 3},                                     // 0, 0.7, 1.4
        {"0:1:2.99", 3},       {"1:2:3", 2}, {"0:3:2", 1},  // STEP beyond END: START alone
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GridPointCount(ParseGrid(c.text)), c.count) << c.text;
    }
}

TEST(GridPoints, EachPointIsComputedAfreshNotSummedStepByStep) {
    const GridSpec grid = ParseGrid("0:0.1:100");
    EXPECT_EQ(GridPoint(grid, 1000), 100.0);  // a sum of 1000 steps gives 99.9999999999986
    EXPECT_EQ(GridPoint(grid, 0), 0.0);
    EXPECT_EQ(GridPoint(grid, 5), 0.5);
}

TEST(Calibration, ARisingAxisIsAccepted) {
    EXPECT_NO_THROW(CheckRisingCalibration(std::vector<float>{}));
    EXPECT_NO_THROW(CheckRisingCalibration(std::vector<float>{500.0f}));
    EXPECT_NO_THROW(CheckRisingCalibration(std::vector<float>{200.0f, 200.00002f, 1100.0f}));
}

TEST(Calibration, AnAxisThatFailsToRiseIsRefusedNamingThePixel) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        std::vector<float> axis;
        const char* says;
    } cases[] = {
        {{200.0f, 201.0f, 201.0f}, "pixel 3 at 201 nm follows pixel 2 at 201 nm"},
        {{200.0f, 199.5f}, "pixel 2 at 199.5 nm follows pixel 1 at 200 nm"},
        {{200.0f, std::numeric_limits<float>::quiet_NaN()}, "pixel 2 no finite wavelength"},
        {{-inf, 200.0f}, "pixel 1 no finite wavelength (-inf)"},
    };
    for (const auto& c : cases) {
        try {
            CheckRisingCalibration(c.axis);
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const CalibrationError& error) {
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(Resampler(std::vector<float>{300.0f, 200.0f}, ParseGrid("200:1:300")),
                 CalibrationError);
}

// Points 95, 100, ..., 135 over pixels at 100, 110, 120 and 130 nm.
TEST(Resampling, PointsBetweenPixelsOnPixelsOutsideAndBesideUndefinedValues) {
    const std::vector<float> axis = {100.0f, 110.0f, 120.0f, 130.0f};
    const std::vector<double> values = {1.0, 2.0, kNaN, 4.0};
    const Resampler resampler(axis, ParseGrid("95:5:135"));
    ASSERT_EQ(resampler.PointCount(), 9u);
    std::vector<double> out(9);
    EXPECT_EQ(resampler.Resample(std::span<const double>(values), 0, 0, out), 5u);
    const double expected[9] = {
        kNaN,  // 95: below the first pixel
        1.0,   // 100: on pixel 1
        1.5,   // 105: halfway
        2.0,   // 110: on pixel 2, whose neighbour above is not defined
        kNaN,  // 115: beside the undefined pixel 3
        kNaN,  // 120: on it
        kNaN,  // 125: beside it
        4.0,   // 130: on the last pixel
        kNaN,  // 135: beyond it
    };
    for (std::size_t j = 0; j < 9; ++j) {
        SCOPED_TRACE(resampler.Point(j));
        if (std::isnan(expected[j])) {
            EXPECT_TRUE(std::isnan(out[j])) << out[j];
        } else {
            EXPECT_EQ(out[j], expected[j]);
        }
    }
}

TEST(Resampling, WeightsFollowTheDistanceToEachNeighbour) {
    const std::vector<float> axis = {0.0f, 1.0f, 4.0f};
    const std::vector<std::int32_t> counts = {0, 10, 40};
    const Resampler resampler(axis, ParseGrid("0.5:1.5:3.5"));  // 0.5, 2, 3.5
    std::vector<double> out(3);
    EXPECT_EQ(resampler.Resample(std::span<const std::int32_t>(counts), 0, 0, out), 0u);
    EXPECT_DOUBLE_EQ(out[0], 5.0);
    EXPECT_DOUBLE_EQ(out[1], 20.0);
    EXPECT_DOUBLE_EQ(out[2], 35.0);
}

// The exports resample a block of points at a time from the pixels under that block only.
TEST(Resampling, BlocksOfPointsFromTheirOwnPixelsMatchTheWholeRun) {
    std::vector<float> axis;
    std::vector<double> values;
    for (int i = 0; i < 50; ++i) {
        axis.push_back(300.0f + static_cast<float>(i) * 1.7f + static_cast<float>(i * i) * 0.01f);
        values.push_back(std::sin(i * 0.3) * 100.0);
    }
    values[17] = kNaN;
    const Resampler resampler(axis, ParseGrid("290:0.37:400"));
    std::vector<double> whole(resampler.PointCount());
    const std::size_t wholeUndefined =
        resampler.Resample(std::span<const double>(values), 0, 0, whole);
    for (std::size_t block : {1u, 2u, 7u, 64u, 1000u}) {
        std::size_t undefined = 0;
        for (std::size_t first = 0; first < whole.size(); first += block) {
            const std::size_t count = std::min(block, whole.size() - first);
            const std::size_t begin = resampler.PixelBegin(first, first + count);
            const std::size_t end = std::max(begin, resampler.PixelEnd(first, first + count));
            const std::vector<double> pixels(values.begin() + static_cast<long>(begin),
                                             values.begin() + static_cast<long>(end));
            std::vector<double> out(count);
            undefined += resampler.Resample(std::span<const double>(pixels), begin, first, out);
            for (std::size_t k = 0; k < count; ++k) {
                if (std::isnan(whole[first + k])) {
                    EXPECT_TRUE(std::isnan(out[k])) << "block " << block << " point " << first + k;
                } else {
                    EXPECT_EQ(out[k], whole[first + k]) << "block " << block;
                }
            }
        }
        EXPECT_EQ(undefined, wholeUndefined) << "block " << block;
    }
}

}  // namespace
}  // namespace quillon
