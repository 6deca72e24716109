// SPDX-License-Identifier: MIT
// The decimal logarithm, correctly rounded, from the basic operations of IEEE arithmetic alone.
//
// x = 2^k z with z in [0.6875, 1.375); the top 7 bits of z's fraction choose an interval and its
// reciprocal c (8 significant bits, a table), and r = z c - 1 is exact with |r| < 2^-7, so
//
//   log10(x) = k log10(2) + (-log10(c)) + log10(1 + r).
//
// The fast path sums the first three terms of the series of log10(1 + r) and the constants as
// pairs of doubles, and the terms from r^3 on in plain doubles. Its error is below 2^-63.7 of
// the result (see Fast below); when the result plus or minus 2^-62 of itself rounds to one
// double, that double is the correctly rounded logarithm. Otherwise (about 1 in 250 values) the
// accurate path sums the whole series as pairs of doubles (error below 2^-92) with the same
// test at 2^-88, and in the unlikely case that too fails, the portable routine below, within
// about one unit in the last place, gives the answer.
//
// Compiled without contraction of a * b + c into one rounding (-ffp-contract=off): every
// operation here rounds once, as the error bounds assume, on every processor and compiler.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "export/quantities.h"

namespace quillon {

namespace {

struct DecimalLogEntry {
    double reciprocal;
    double high;
    double low;
};

#include "export/decimal_log_tables.inc"

// A double-double: the unevaluated sum high + low with |low| <= ulp(high) / 2.
struct Pair {
    double high;
    double low;
};

// a + b exactly (Knuth's two-sum).
Pair TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a = high + low with high holding the top 26 bits (Veltkamp's split; |a| < 2^996).
Pair Split(double a) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double c = kSplitter * a;
    const double high = c - (c - a);
    return {high, a - high};
}

// a * b exactly (Dekker's product).
Pair TwoProduct(double a, double b) {
    const double p = a * b;
    const Pair sa = Split(a);
    const Pair sb = Split(b);
    return {p, ((sa.high * sb.high - p) + sa.high * sb.low + sa.low * sb.high) + sa.low * sb.low};
}

// The reduced argument of a positive finite x.
struct Reduced {
    int k;
    const DecimalLogEntry* entry;
    double r;
};

Reduced Reduce(double x) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    int k = 0;
    if (bits < 0x0010000000000000u) {  // subnormal: scaled by 2^52, exactly
        bits = std::bit_cast<std::uint64_t>(x * 0x1p52);
        k = -52;
    }
    constexpr std::uint64_t kOffset = 0x3FE6000000000000u;  // 0.6875
    const std::uint64_t t = bits - kOffset;
    const auto index = static_cast<std::size_t>((t >> 45) & 127u);
    k += static_cast<int>(static_cast<std::int64_t>(t) >> 52);
    const double z = std::bit_cast<double>(bits - (t & (std::uint64_t{0xFFF} << 52)));
    const DecimalLogEntry& entry = kDecimalLogTable[index];
    // z c - 1 exactly: z = zh + zl with zh of 45 significant bits, so zh c and zl c are exact;
    // zh c lies within 2^-7 of 1, so zh c - 1 is exact; and z c - 1 itself, a multiple of
    // 2^-60 below 2^-7, is a double, so the last sum is exact too.
    const double zh = std::bit_cast<double>(std::bit_cast<std::uint64_t>(z) & ~std::uint64_t{0xFF});
    const double zl = z - zh;
    const double r = (zh * entry.reciprocal - 1.0) + zl * entry.reciprocal;
    return {k, &entry, r};
}

// When every value within `error` of high + low rounds to one double: that double.
bool RoundsTo(double high, double low, double error, double& result) {
    const double left = high + (low - error);
    const double right = high + (low + error);
    result = left;
    return left == right;
}

// The fast path. With S the sum of the magnitudes of the terms (at most 3.4 times the result:
// the table was chosen so, and z c lies near 1), the errors are: the terms from r^3 on, in
// doubles, at most 6 roundings of a value below 2^-15.5 of v: 2^-65.9 S; the sum of the low
// parts and that term, 2^-68.5 S; r^2 split into pairs, the table, the constants and the
// dropped terms from r^12 on, below 2^-77 S. Together below 2^-65.5 S, 2^-63.7 of the result.
bool Fast(const Reduced& a, double& result) {
    const double r = a.r;
    // r^2 = s1 + s2 (s1 = rh^2 exact, 2 rh rl exact, rl^2 rounded), r - r^2/2 = u.high + u.low.
    const Pair rs = Split(r);
    const double s1 = rs.high * rs.high;
    const double s2 = 2.0 * rs.high * rs.low + rs.low * rs.low;
    Pair u = TwoSum(r, -0.5 * s1);
    u.low -= 0.5 * s2;
    // v = (r - r^2/2) / ln 10.
    Pair v = TwoProduct(u.high, kInvLn10High);
    v.low += u.high * kInvLn10Low + u.low * kInvLn10High;
    // w = r^3 (1/3 - r/4 + ...) / ln 10 up to r^11.
    double p = kSeries[8];
    for (int n = 7; n >= 0; --n) {
        p = p * r + kSeries[n];
    }
    const double w = ((s1 + s2) * r) * p;
    const double n = static_cast<double>(a.k);
    const Pair h1 = TwoSum(n * kLog10Of2High, a.entry->high);
    const Pair h2 = TwoSum(h1.high, v.high);
    const double low = (h1.low + h2.low + n * kLog10Of2Low + a.entry->low + v.low) + w;
    return RoundsTo(h2.high, low, 0x1p-62 * std::fabs(h2.high), result);
}

// The accurate path: every term of the series up to r^18 (the rest is below 2^-119 of r) by
// Horner's rule on pairs of doubles, each step within about 2^-104; below 2^-92 of the result.
bool Accurate(const Reduced& a, double& result) {
    const double r = a.r;
    Pair p = {kSeriesAccurate[17][0], kSeriesAccurate[17][1]};
    for (int n = 16; n >= 0; --n) {
        // p = p r + c_n
        Pair m = TwoProduct(p.high, r);
        m.low += p.low * r;
        const Pair s = TwoSum(m.high, kSeriesAccurate[n][0]);
        const double low = s.low + m.low + kSeriesAccurate[n][1];
        p = TwoSum(s.high, low);
    }
    Pair v = TwoProduct(p.high, r);
    v.low += p.low * r;
    const double n = static_cast<double>(a.k);
    const Pair h1 = TwoSum(n * kLog10Of2High, a.entry->high);
    const Pair h2 = TwoSum(h1.high, v.high);
    const Pair h3 = TwoSum(h2.high, h1.low + h2.low + n * kLog10Of2Low + a.entry->low + v.low);
    return RoundsTo(h3.high, h3.low, 0x1p-88 * std::fabs(h3.high), result);
}

// Within about one unit in the last place: the series of 2 atanh(f / (2 + f)).
double Portable(double x) {
    // x = (1 + f) * 2^k with 1 + f in [sqrt(1/2), sqrt(2)); frexp, the scaling and f are exact.
    int k = 0;
    double m = std::frexp(x, &k);
    constexpr double kSqrtHalf = 0x1.6a09e667f3bcdp-1;
    if (m < kSqrtHalf) {
        m *= 2.0;
        --k;
    }
    const double f = m - 1.0;
    // ln(1 + f) = 2 atanh(s) = f - hfsq + s (hfsq + R), s = f / (2 + f), hfsq = f^2 / 2,
    // R = 2 (z/3 + z^2/5 + ...) with z = s^2 < 0.0295: the terms beyond z^13 are below 2^-64.
    const double s = f / (2.0 + f);
    const double z = s * s;
    double series = 2.0 / 29.0;
    for (int j = 13; j >= 1; --j) {
        series = series * z + 2.0 / (2.0 * j + 1.0);
    }
    const double hfsq = 0.5 * f * f;
    const double r = s * (hfsq + z * series);
    // f - hfsq split into a part with its low 32 bits zero and the rest, so that the products
    // with the high parts of the constants below are exact.
    const double hi =
        std::bit_cast<double>(std::bit_cast<std::uint64_t>(f - hfsq) & 0xFFFFFFFF00000000u);
    const double lo = (f - hi) - hfsq + r;
    // 1 / ln 10 and log10(2), each as a high part with its low bits zero and the rest.
    constexpr double kInvLn10H = 0x1.bcb7b15200000p-2;
    constexpr double kInvLn10L = 0x1.b9438ca9aadd5p-36;
    constexpr double kLog10Of2H = 0x1.34413509f6000p-2;
    constexpr double kLog10Of2L = 0x1.9fef311f12b36p-42;
    const double n = static_cast<double>(k);
    double high = hi * kInvLn10H;
    const double scaled = n * kLog10Of2H;
    double low = n * kLog10Of2L + (lo + hi) * kInvLn10L + lo * kInvLn10H;
    const double sum = scaled + high;
    low += (scaled - sum) + high;
    high = sum;
    return low + high;
}

}  // namespace

double Log10(double x) {
    if (!(x > 0.0) || !(x < std::numeric_limits<double>::infinity())) {
        if (x == 0.0) {
            return -std::numeric_limits<double>::infinity();
        }
        return x > 0.0 ? x : std::numeric_limits<double>::quiet_NaN();
    }
    const Reduced reduced = Reduce(x);
    double result = 0.0;
    if (Fast(reduced, result) || Accurate(reduced, result)) {
        return result;
    }
    return Portable(x);
}

}  // namespace quillon
