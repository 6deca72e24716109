// SPDX-License-Identifier: MIT
// The decimal logarithm against a correctly rounded reference (LLVM's C library): every
// absorbance argument (S - D) / (R - D) that counts 0 to 65535 give against a spread of dark
// and reference values, and millions of random doubles over the whole range.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>

#include "export/quantities.h"

// The reference's own name, which CMake reads from the library (its version is part of it).
namespace QUILLON_LLVM_LIBC_NAMESPACE {
double log10(double);
}  // namespace QUILLON_LLVM_LIBC_NAMESPACE

namespace quillon {
namespace {

double Reference(double x) {
    return QUILLON_LLVM_LIBC_NAMESPACE::log10(x);
}

class Mismatches {
  public:
    void Check(double x, double actual, double expected) {
        ++m_nChecked;
        if (std::bit_cast<std::uint64_t>(actual) != std::bit_cast<std::uint64_t>(expected)) {
            if (++m_nFound <= 10) {
                m_First << std::hexfloat << x << ": " << actual << " instead of " << expected
                        << "\n";
            }
        }
    }
    std::size_t Checked() const { return m_nChecked; }
    std::size_t Found() const { return m_nFound; }
    std::string First() const { return m_First.str(); }

  private:
    std::size_t m_nChecked = 0;
    std::size_t m_nFound = 0;
    std::ostringstream m_First;
};

TEST(Log10, MillionsOfRandomArgumentsAndEveryAbsorbanceOfSixteenBitCountsMatchTheReference) {
    Mismatches absorbance;
    // Darks from 0 to 2000 and references up to full scale, whole and fractional: every count
    // from 0 to 65535 against each pair (those at or below the dark have no absorbance).
    std::mt19937_64 random(22);
    std::uniform_real_distribution<float> darkValue(0.0f, 2000.0f);
    std::uniform_real_distribution<float> span(1.0f, 64000.0f);
    for (int pair = 0; pair < 170; ++pair) {
        float d = darkValue(random);
        float r = d + span(random);
        if (pair % 4 == 0) {
            d = std::floor(d);
            r = std::floor(r);
        }
        if (pair == 1) {
            d = 0.0f;
        }
        const double full = static_cast<double>(r) - static_cast<double>(d);
        for (std::int32_t s = 0; s <= 65535; ++s) {
            const double signal = static_cast<double>(s) - static_cast<double>(d);
            if (signal > 0.0) {
                absorbance.Check(signal / full, Absorbance(s, d, r),
                                 0.0 - Reference(signal / full));
            }
        }
    }
    EXPECT_GE(absorbance.Checked(), 10'000'000u);
    EXPECT_EQ(absorbance.Found(), 0u) << absorbance.First();

    Mismatches any;
    // Any positive double, subnormals included, by its bits; then log-uniform over 10^+-8;
    // then the powers of ten and the neighbours of 1.
    std::uniform_int_distribution<std::uint64_t> bits(1, 0x7FEFFFFFFFFFFFFFu);
    std::uniform_real_distribution<double> exponent(-8.0, 8.0);
    for (int i = 0; i < 2'000'000; ++i) {
        const double x = std::bit_cast<double>(bits(random));
        any.Check(x, Log10(x), Reference(x));
        const double y = std::pow(10.0, exponent(random));
        any.Check(y, Log10(y), Reference(y));
    }
    for (int p = -300; p <= 300; ++p) {
        const double x = std::stod("1e" + std::to_string(p));
        any.Check(x, Log10(x), Reference(x));
    }
    double below = 1.0;
    double above = 1.0;
    for (int i = 0; i < 100000; ++i) {
        below = std::nextafter(below, 0.0);
        above = std::nextafter(above, 2.0);
        any.Check(below, Log10(below), Reference(below));
        any.Check(above, Log10(above), Reference(above));
    }
    EXPECT_EQ(any.Found(), 0u) << any.First();
}

}  // namespace
}  // namespace quillon
