// SPDX-License-Identifier: MIT
// Number formatting against C's printf: edge values written out, then millions of random
// values compared with snprintf, and the same bytes under a decimal-comma locale.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "render/number_format.h"

namespace quillon {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The five conversions the text blocks use.
enum class Conv { D, Left5D, Left8D, F, Left14Point4F };

std::string Ours(Conv conv, double value) {
    std::string out;
    switch (conv) {
        case Conv::F:
            AppendFixed(out, value, 6);
            break;
        case Conv::Left14Point4F:
            AppendFixedLeft(out, value, 4, 14);
            break;
        default:
            break;
    }
    return out;
}

std::string Ours(Conv conv, std::int32_t value) {
    std::string out;
    char buffer[32];
    switch (conv) {
        case Conv::D:
            AppendInt(out, value);
            break;
        case Conv::Left5D:
            out.assign(buffer, WriteIntLeft(buffer, value, 5));
            break;
        case Conv::Left8D:
            out.assign(buffer, WriteIntLeft8(buffer, value));
            break;
        default:
            break;
    }
    return out;
}

std::string Printf(Conv conv, double value) {
#ifdef _WIN32
    // The Windows C runtime prints a NaN without its sign; QUILLON prints glibc's "-nan" on
    // every system, so here glibc's spellings stand in for the runtime's.
    if (std::isnan(value)) {
        const std::string text = std::signbit(value) ? "-nan" : "nan";
        return conv == Conv::F ? text : text + std::string(14 - text.size(), ' ');
    }
#endif
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, conv == Conv::F ? "%f" : "%-14.4f", value);
    return buffer;
}

std::string Printf(Conv conv, std::int32_t value) {
    const char* format = conv == Conv::D ? "%d" : conv == Conv::Left5D ? "%-5d" : "%-8d";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Describe(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%a", value);
    return buffer;
}

// Compares many values, keeping the first few differences for the failure message.
class Comparison {
  public:
    template <typename T>
    void Check(Conv conv, T value) {
        ++m_nCases;
        const std::string ours = Ours(conv, value);
        const std::string expected = Printf(conv, value);
        if (ours != expected) {
            if (++m_nMismatches <= 5) {
                m_strFirst += "\n  value " + Describe(static_cast<double>(value)) + ": ours \"" +
                              ours + "\", printf \"" + expected + "\"";
            }
        }
    }
    void ExpectNoMismatch() const {
        EXPECT_EQ(m_nMismatches, 0u) << "in " << m_nCases << " cases:" << m_strFirst;
    }
    std::size_t Cases() const { return m_nCases; }

  private:
    std::size_t m_nCases = 0;
    std::size_t m_nMismatches = 0;
    std::string m_strFirst;
};

float FloatFromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double DoubleFromBits(std::uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

TEST(NumberFormat, EdgeValuesPrintAsPrintfPrintsThem) {
    struct Case {
        double value;
        const char* f;       // "%f"
        const char* left14;  // "%-14.4f"
    };
    const Case cases[] = {
        {0.0, "0.000000", "0.0000        "},
        {-0.0, "-0.000000", "-0.0000       "},
        {1.5, "1.500000", "1.5000        "},
        {350.5, "350.500000", "350.5000      "},
        // Exact binary halves round to the even digit.
        {0.0078125, "0.007812", "0.0078        "},  // 2^-7: ...12|5 stays 2
        {0.0234375, "0.023438", "0.0234        "},  // 3 * 2^-7: ...37|5 goes to 8
        {0.03125, "0.031250", "0.0312        "},    // 2^-5: ...31|25 to 4 places stays 2
        {0.09375, "0.093750", "0.0938        "},    // 3 * 2^-5: ...93|75 goes to 8
        {-0.03125, "-0.031250", "-0.0312       "},
        {2.5, "2.500000", "2.5000        "},
        {1e-7, "0.000000", "0.0000        "},
        {-1e-7, "-0.000000", "-0.0000       "},
        {0.99999995, "1.000000", "1.0000        "},
        {9999.99996, "9999.999960", "10000.0000    "},  // carries into a new digit
        {1e30, "1000000000000000019884624838656.000000", "1000000000000000019884624838656.0000"},
        {FLT_MAX, "340282346638528859811704183484516925440.000000",
         "340282346638528859811704183484516925440.0000"},
        {-FLT_MAX, "-340282346638528859811704183484516925440.000000",
         "-340282346638528859811704183484516925440.0000"},
        {FLT_MIN, "0.000000", "0.0000        "},
        {std::numeric_limits<float>::denorm_min(), "0.000000", "0.0000        "},
        {-std::numeric_limits<double>::denorm_min(), "-0.000000", "-0.0000       "},
        {kInf, "inf", "inf           "},
        {-kInf, "-inf", "-inf          "},
        {std::numeric_limits<double>::quiet_NaN(), "nan", "nan           "},
        {-std::numeric_limits<double>::quiet_NaN(), "-nan", "-nan          "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.value));
        EXPECT_EQ(Ours(Conv::F, c.value), c.f);
        EXPECT_EQ(Ours(Conv::Left14Point4F, c.value), c.left14);
        // The written expectations are printf's own.
        EXPECT_EQ(Printf(Conv::F, c.value), c.f);
        EXPECT_EQ(Printf(Conv::Left14Point4F, c.value), c.left14);
    }
    // The largest double: all 309 digits before the point.
    Comparison cmp;
    for (double v : {DBL_MAX, -DBL_MAX, DBL_MIN, std::numeric_limits<double>::denorm_min()}) {
        cmp.Check(Conv::F, v);
        cmp.Check(Conv::Left14Point4F, v);
    }
    cmp.ExpectNoMismatch();
    EXPECT_EQ(Ours(Conv::F, DBL_MAX).size(), 309u + 7u);
}

TEST(NumberFormat, EdgeIntegersPrintAsPrintfPrintsThem) {
    EXPECT_EQ(Ours(Conv::D, INT32_MIN), "-2147483648");
    EXPECT_EQ(Ours(Conv::D, INT32_MAX), "2147483647");
    EXPECT_EQ(Ours(Conv::Left5D, 1), "1    ");
    EXPECT_EQ(Ours(Conv::Left5D, 123456), "123456");
    EXPECT_EQ(Ours(Conv::Left8D, 1234), "1234    ");
    EXPECT_EQ(Ours(Conv::Left8D, -1234567), "-1234567");
    EXPECT_EQ(Ours(Conv::Left8D, INT32_MIN), "-2147483648");
    Comparison cmp;
    const std::int32_t edges[] = {
        0,      -1,        1,          9,        10,        -10,       99'999,    100'000,
        -9'999, 9'999'999, 10'000'000, -9999999, -10000000, INT32_MIN, INT32_MAX, INT32_MIN + 1};
    for (std::int32_t v : edges) {
        for (Conv conv : {Conv::D, Conv::Left5D, Conv::Left8D}) {
            cmp.Check(conv, v);
        }
    }
    cmp.ExpectNoMismatch();
}

// Every float (as the blocks widen them), doubles of every size, exact decimal ties and raw
// double bit patterns, in both floating conversions: about 3.3 million comparisons.
TEST(NumberFormat, MillionsOfRandomValuesPrintAsSnprintfPrintsThem) {
    std::mt19937_64 rng(20240601);
    Comparison cmp;

    // Random float bit patterns: every exponent, denormals, infinities and NaN of both signs.
    for (int i = 0; i < 1'000'000; ++i) {
        const double v = FloatFromBits(static_cast<std::uint32_t>(rng()));
        cmp.Check(Conv::F, v);
        cmp.Check(Conv::Left14Point4F, v);
    }
    // Doubles from 1e-12 to 1e20 of both signs, the range of real readings.
    std::uniform_real_distribution<double> exponent(-12.0, 20.0);
    for (int i = 0; i < 300'000; ++i) {
        const double sign = (rng() & 1) != 0 ? -1.0 : 1.0;
        const double v = sign * std::pow(10.0, exponent(rng));
        cmp.Check(Conv::F, v);
        cmp.Check(Conv::Left14Point4F, v);
    }
    // Exact ties: odd multiples of 2^-7 end in 5 at the seventh decimal (and 2^-5 at the
    // fifth), so printf must round them half to even.
    for (int i = 0; i < 200'000; ++i) {
        const auto k = static_cast<double>((rng() >> 24) | 1);  // odd, up to 2^40
        const double sign = (rng() & 1) != 0 ? -1.0 : 1.0;
        cmp.Check(Conv::F, sign * std::ldexp(k, -7));
        cmp.Check(Conv::Left14Point4F, sign * std::ldexp(k, -5));
    }
    // Raw double bit patterns (values up to 1e308 with hundreds of digits).
    for (int i = 0; i < 50'000; ++i) {
        const double v = DoubleFromBits(rng());
        cmp.Check(Conv::F, v);
        cmp.Check(Conv::Left14Point4F, v);
    }
    EXPECT_GE(cmp.Cases(), 3'000'000u);
    cmp.ExpectNoMismatch();
}

TEST(NumberFormat, MillionsOfRandomIntegersPrintAsSnprintfPrintsThem) {
    std::mt19937_64 rng(7);
    Comparison cmp;
    for (int i = 0; i < 400'000; ++i) {
        const auto raw = static_cast<std::uint32_t>(rng());
        // Every length of number: shift the bits down by a random amount.
        const auto v = static_cast<std::int32_t>(raw >> (rng() % 32));
        const auto w = static_cast<std::int32_t>(raw);
        for (Conv conv : {Conv::D, Conv::Left5D, Conv::Left8D}) {
            cmp.Check(conv, v);
            cmp.Check(conv, w);
            cmp.Check(conv, -v);
        }
    }
    EXPECT_GE(cmp.Cases(), 3'000'000u);
    cmp.ExpectNoMismatch();
}

// A decimal comma in the C locale or the C++ global locale must not change a byte.
TEST(NumberFormat, DecimalCommaLocalesChangeNoByte) {
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    std::string cLocaleBefore = std::setlocale(LC_NUMERIC, nullptr);
    // A system decimal-comma locale, where one is installed.
    bool commaC = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE",
                             "nl_NL.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            commaC = true;
            break;
        }
    }
    if (commaC) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%f", 1.5);
        EXPECT_STREQ(buffer, "1,500000");  // printf follows it ...
    }
    // ... the formatter does not.
    EXPECT_EQ(Ours(Conv::F, 1234567.5), "1234567.500000");
    EXPECT_EQ(Ours(Conv::Left14Point4F, -350.25), "-350.2500     ");
    EXPECT_EQ(Ours(Conv::D, 1234567), "1234567");
    EXPECT_EQ(Ours(Conv::Left8D, -12345), "-12345  ");

    std::setlocale(LC_NUMERIC, cLocaleBefore.c_str());
    std::locale::global(previous);
}

TEST(TruncateToInt32, CutsTheFractionTowardZero) {
    EXPECT_EQ(TruncateToInt32(2.9f), 2);
    EXPECT_EQ(TruncateToInt32(-3.7f), -3);
    EXPECT_EQ(TruncateToInt32(-0.9f), 0);
    EXPECT_EQ(TruncateToInt32(0.0f), 0);
    EXPECT_EQ(TruncateToInt32(-0.0f), 0);
    EXPECT_EQ(TruncateToInt32(65535.99f), 65535);
    EXPECT_EQ(TruncateToInt32(2147483520.0f), 2147483520);  // largest float below 2^31
    EXPECT_EQ(TruncateToInt32(-2147483648.0f), INT32_MIN);  // -2^31 itself is in range
}

TEST(TruncateToInt32, NanAndValuesOutsideThe32BitRangeGiveTheSmallestInteger) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float v :
         {2147483648.0f, -2147483904.0f, 1e30f, -1e30f, FLT_MAX, -FLT_MAX, inf, -inf, nan, -nan}) {
        SCOPED_TRACE(Describe(v));
        EXPECT_EQ(TruncateToInt32(v), INT32_MIN);
    }
}

TEST(TruncateToInt32, AgreesWithTruncationInDoubleForRandomFloatsInRange) {
    std::mt19937 rng(11);
    std::size_t mismatches = 0;
    for (int i = 0; i < 200'000; ++i) {
        const float f = FloatFromBits(static_cast<std::uint32_t>(rng()));
        const double t = std::trunc(static_cast<double>(f));
        const std::int32_t expected =
            (t >= -2147483648.0 && t <= 2147483647.0) ? static_cast<std::int32_t>(t) : INT32_MIN;
        mismatches += TruncateToInt32(f) != expected ? 1u : 0u;
    }
    EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace quillon
