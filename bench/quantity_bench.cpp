// SPDX-License-Identifier: MIT
// quillon_bench_quantities: the quantities of a run of scans as an export computes them, scan
// by scan against one dark and reference, per value: for every pixel of a scan at once (as the
// HDF5 export and the CSV rows layout do, /2048) or for a block of 32 pixels of every scan
// before the next block (as the CSV columns layout does, /32):
//
//   Absorbance/repeating   counts that take a few values at each pixel from scan to scan, as
//                          a steady lamp's do (noise of +-12 counts): most logarithms are
//                          found among those already computed
//   Absorbance/distinct    counts that never come twice at a pixel: every logarithm computed
//   Transmittance          the same counts (distinct), for the cost of the division alone
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "export/quantities.h"

namespace {

constexpr std::size_t kPixels = 2048;
constexpr std::size_t kScans = 256;

struct Run {
    std::vector<float> dark = std::vector<float>(kPixels);
    std::vector<float> reference = std::vector<float>(kPixels);
    std::vector<std::vector<std::int32_t>> scans;
};

Run MakeRun(bool repeating) {
    Run run;
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (std::size_t i = 0; i < kPixels; ++i) {
        run.dark[i] = 900.0f + static_cast<float>(next() % 12);
        run.reference[i] = 30000.0f + static_cast<float>(next() % 20000);
    }
    for (std::size_t k = 0; k < kScans; ++k) {
        std::vector<std::int32_t> counts(kPixels);
        for (std::size_t i = 0; i < kPixels; ++i) {
            const auto middle = static_cast<std::int32_t>(1000 + 13 * i);
            counts[i] = repeating ? middle - 12 + static_cast<std::int32_t>(next() % 25)
                                  : middle + static_cast<std::int32_t>(k * 7);
        }
        run.scans.push_back(std::move(counts));
    }
    return run;
}

void Compute(benchmark::State& state, quillon::Quantity quantity, bool repeating,
             std::size_t block) {
    const Run run = MakeRun(repeating);
    std::vector<double> out(block);
    for (auto _ : state) {
        for (std::size_t first = 0; first < kPixels; first += block) {
            const std::span<const float> dark = std::span(run.dark).subspan(first, block);
            const std::span<const float> reference = std::span(run.reference).subspan(first, block);
            for (const std::vector<std::int32_t>& counts : run.scans) {
                quillon::ComputeQuantity(quantity, std::span(counts).subspan(first, block), dark,
                                         reference, out);
                benchmark::DoNotOptimize(out.data());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPixels * kScans));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    using quillon::Quantity;
    for (const std::size_t block : {kPixels, std::size_t{32}}) {
        // Appended, not "/" + ...: g++ 12 warns falsely (-Wrestrict) on that at -O3.
        std::string size = "/";
        size += std::to_string(block);
        benchmark::RegisterBenchmark(("Absorbance/repeating" + size).c_str(), Compute,
                                     Quantity::kAbsorbance, true, block);
        benchmark::RegisterBenchmark(("Absorbance/distinct" + size).c_str(), Compute,
                                     Quantity::kAbsorbance, false, block);
        benchmark::RegisterBenchmark(("Transmittance" + size).c_str(), Compute,
                                     Quantity::kTransmittance, false, block);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
