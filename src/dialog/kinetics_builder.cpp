// SPDX-License-Identifier: MIT
// The kinetics pass: map rows, trace values and scan times from one read of every scan.
#include "dialog/kinetics_builder.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <string_view>

#include "platform/failure.h"
#include "platform/ordered_work.h"

namespace quillon {

// ---- MapBins ----

MapBins::MapBins(std::size_t scans, std::size_t pixels, std::size_t maxRows)
    : m_nScans(scans),
      m_nPixels(pixels),
      m_nRows(std::min(scans, std::max<std::size_t>(maxRows, 1))),
      m_Sum(m_nRows * pixels, 0),
      m_Min(m_nRows * pixels, 0),
      m_Max(m_nRows * pixels, 0) {}

std::size_t MapBins::FirstScan(std::size_t row) const noexcept {
    // Row r holds the scans [r K / R, (r + 1) K / R): runs that differ by one scan at most.
    return m_nRows == 0 ? 0 : static_cast<std::size_t>(std::uint64_t{row} * m_nScans / m_nRows);
}

std::size_t MapBins::ScanCount(std::size_t row) const noexcept {
    return FirstScan(row + 1) - FirstScan(row);
}

std::size_t MapBins::RowOf(std::size_t scan) const noexcept {
    if (m_nScans == 0) {
        return 0;
    }
    // The greatest row whose first scan is at most `scan`.
    std::size_t row = static_cast<std::size_t>(std::uint64_t{scan} * m_nRows / m_nScans);
    row = std::min(row, m_nRows - 1);
    while (row > 0 && FirstScan(row) > scan) {
        --row;
    }
    while (row + 1 < m_nRows && FirstScan(row + 1) <= scan) {
        ++row;
    }
    return row;
}

std::size_t MapBins::CompleteRows(std::size_t scans) const noexcept {
    if (scans >= m_nScans) {
        return m_nRows;
    }
    // Row r is complete once FirstScan(r + 1) <= scans.
    // Every row before the one holding the first scan not read yet.
    return RowOf(scans);
}

std::span<const std::int64_t> MapBins::Sum(std::size_t row) const {
    return std::span<const std::int64_t>(m_Sum).subspan(row * m_nPixels, m_nPixels);
}

std::span<const std::int32_t> MapBins::Min(std::size_t row) const {
    return std::span<const std::int32_t>(m_Min).subspan(row * m_nPixels, m_nPixels);
}

std::span<const std::int32_t> MapBins::Max(std::size_t row) const {
    return std::span<const std::int32_t>(m_Max).subspan(row * m_nPixels, m_nPixels);
}

namespace {

// One scan's counts into a row's sums, least and greatest counts: the inner loop of the whole
// map, over every count of the file. Integer arithmetic is exact, so the versions for wider
// vector instructions, where the processor has them, give the same rows bit for bit.
#if defined(__GNUC__) && !defined(__clang__) && defined(__linux__) && defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void Accumulate(std::int64_t* __restrict sum, std::int32_t* __restrict low,
                std::int32_t* __restrict high, const std::int32_t* __restrict in, std::size_t n) {
    // One plain loop over the pixels: with the pointers kept apart (__restrict) the compiler
    // turns it into vector instructions (GCC at -O2 too: see the file's options in CMakeLists.txt);
    // fixed-length blocks unrolled instead would not be.
    for (std::size_t p = 0; p < n; ++p) {
        sum[p] += in[p];
        low[p] = std::min(low[p], in[p]);
        high[p] = std::max(high[p], in[p]);
    }
}

}  // namespace

void MapBins::Add(std::size_t row, bool first, std::span<const std::int32_t> counts) {
    std::int64_t* const sum = m_Sum.data() + row * m_nPixels;
    std::int32_t* const low = m_Min.data() + row * m_nPixels;
    std::int32_t* const high = m_Max.data() + row * m_nPixels;
    const std::int32_t* const in = counts.data();
    const std::size_t n = std::min(m_nPixels, counts.size());
    if (first) {
        for (std::size_t p = 0; p < n; ++p) {
            sum[p] = in[p];
        }
        std::copy_n(in, n, low);
        std::copy_n(in, n, high);
        return;
    }
    Accumulate(sum, low, high, in, n);
}

// ---- KineticsBuilder ----

KineticsBuilder::KineticsBuilder(const ScanFile& file, KineticsJob job)
    : m_File(file), m_Job(std::move(job)), m_nScans(file.ScanCount()) {
    const auto pixels = static_cast<std::size_t>(std::max(file.m_nPixelCount, 0));
    if (m_Job.mapRows > 0) {
        m_pBins = std::make_shared<MapBins>(m_nScans, pixels, m_Job.mapRows);
    }
    if (m_Job.trace && !m_Job.trace->wavelengths.empty()) {
        m_pPlan = std::make_unique<TracePlan>(m_Job.axis, file.m_pDarkData, file.m_pRefData,
                                              *m_Job.trace);
        auto trace = std::make_shared<TraceValues>();
        trace->spec = *m_Job.trace;
        trace->values.assign(
            m_pPlan->Count(),
            std::vector<double>(m_nScans, std::numeric_limits<double>::quiet_NaN()));
        m_pTrace = std::move(trace);
    }
    m_Thread = std::thread([this] { Run(); });
}

KineticsBuilder::~KineticsBuilder() {
    Cancel();
    Wait();
}

void KineticsBuilder::Cancel() noexcept {
    m_bStop.store(true, std::memory_order_relaxed);
}

void KineticsBuilder::Wait() {
    if (m_Thread.joinable()) {
        m_Thread.join();
    }
}

std::string KineticsBuilder::Problem() const {
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_strProblem;
}

std::optional<ScanTimes> KineticsBuilder::Times() const {
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Times;
}

void KineticsBuilder::Run() noexcept {
    State end = State::kDone;
    try {
        Pass();
        if (m_bStop.load(std::memory_order_relaxed) && ScansDone() < m_nScans) {
            end = State::kCancelled;
        }
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), m_File.m_strPath);
        try {
            const std::lock_guard<std::mutex> lock(m_Mutex);
            m_strProblem = failure.path + ": " + failure.reason;
        } catch (...) {
            // Without memory for the text the state still says that the pass failed.
        }
        end = State::kFailed;
    }
    m_State.store(end, std::memory_order_release);
}

namespace {

// What a thread of the pass keeps between its runs of scans: room for one scan's trace values,
// and whether the run it last took ended before its last scan (the pass was asked to stop).
struct PassBlock {
    std::vector<double> values;
    bool complete = false;
};

// The pass was asked to stop: no run after the last complete one counts.
struct PassStopped {};

// The least scans a run of the pass holds: enough that handing runs to the threads costs
// nothing beside reading them.
constexpr std::size_t kRunScans = 64;

}  // namespace

void KineticsBuilder::Pass() {
    const auto pixels = static_cast<std::size_t>(std::max(m_File.m_nPixelCount, 0));
    std::vector<std::string_view> texts(m_Job.times ? m_nScans : 0);
    MapBins* const bins = m_pBins.get();
    TraceValues* const trace = m_pTrace.get();

    // The scans cut into runs that each thread fills alone: whole rows of the map (a row is
    // summed by one thread, in scan order, so the sums do not depend on the threads), of at
    // least kRunScans scans where the rows are shorter. The runs' ends are the points where
    // the scans read so far advance, in order, so the rows the window shows are complete.
    std::vector<std::size_t> ends;
    if (bins != nullptr) {
        for (std::size_t row = 1; row <= bins->Rows(); ++row) {
            const std::size_t end = bins->FirstScan(row);
            if (end - (ends.empty() ? 0 : ends.back()) >= kRunScans || row == bins->Rows()) {
                ends.push_back(end);
            }
        }
    } else {
        for (std::size_t end = kRunScans; end < m_nScans + kRunScans; end += kRunScans) {
            ends.push_back(std::min(end, m_nScans));
        }
    }

    const auto produce = [&](std::size_t i, PassBlock& block) {
        block.complete = false;
        block.values.resize(m_pPlan ? m_pPlan->Count() : 0);
        const std::size_t first = i == 0 ? 0 : ends[i - 1];
        std::size_t row = bins != nullptr ? bins->RowOf(first) : 0;
        for (std::size_t k = first; k < ends[i]; ++k) {
            if (m_bStop.load(std::memory_order_relaxed)) {
                return;
            }
            // The record where it lies in the mapped file: no copy of 490,000 scans' counts.
            const ScanView scan = m_File.Scan(k);
            if (scan.values.size() < pixels) {
                throw std::runtime_error("scan " + std::to_string(k + 1) +
                                         " holds fewer counts than the file's pixels");
            }
            if (bins != nullptr) {
                if (row + 1 < bins->Rows() && k == bins->FirstScan(row + 1)) {
                    ++row;
                }
                bins->Add(row, k == bins->FirstScan(row), scan.values);
            }
            if (trace != nullptr) {
                m_pPlan->Values(scan.values, block.values);
                for (std::size_t w = 0; w < block.values.size(); ++w) {
                    trace->values[w][k] = block.values[w];
                }
            }
            if (m_Job.times) {
                // The whole field: the reader of the times stops at its first zero byte.
                texts[k] = std::string_view(scan.dateTime, kScanTextSize);
            }
        }
        // A file cut shorter while it was read gave zeros for what it lost: say so rather than
        // show them as counts, and keep the rows read before it.
        m_File.CheckUnchanged();
        block.complete = true;
    };
    const auto consume = [&](std::size_t i, const PassBlock& block) {
        if (!block.complete) {
            throw PassStopped{};
        }
        m_nDone.store(ends[i], std::memory_order_release);
    };
    try {
        // Several threads read the mapped file at once: the page faults of a file larger than
        // memory and the sums of its counts share the cores, as the exports do.
        RunInOrder<PassBlock>(WorkerCount(0), ends.size(), produce, consume);
    } catch (const PassStopped&) {
        return;
    }
    if (m_Job.times) {
        ScanTimes times = ScanTimesOfTexts(texts);
        const std::lock_guard<std::mutex> lock(m_Mutex);
        m_Times = std::move(times);
    }
}

}  // namespace quillon
