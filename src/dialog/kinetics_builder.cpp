// SPDX-License-Identifier: MIT
// The kinetics pass: map rows, trace values and scan times from one read of every scan.
#include "dialog/kinetics_builder.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <string_view>

#include "platform/failure.h"

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
    // Blocks of a fixed length, which compilers turn into vector instructions even where
    // they vectorise only loops of a known length; then the rest one by one.
    constexpr std::size_t kBlock = 16;
    std::size_t p = 0;
    for (; p + kBlock <= n; p += kBlock) {
        for (std::size_t i = p; i < p + kBlock; ++i) {
            sum[i] += in[i];
        }
        for (std::size_t i = p; i < p + kBlock; ++i) {
            low[i] = std::min(low[i], in[i]);
        }
        for (std::size_t i = p; i < p + kBlock; ++i) {
            high[i] = std::max(high[i], in[i]);
        }
    }
    for (; p < n; ++p) {
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

void KineticsBuilder::Pass() {
    const auto pixels = static_cast<std::size_t>(std::max(m_File.m_nPixelCount, 0));
    std::vector<std::string_view> texts;
    if (m_Job.times) {
        texts.reserve(m_nScans);
    }
    std::vector<double> values(m_pPlan ? m_pPlan->Count() : 0);
    MapBins* const bins = m_pBins.get();
    TraceValues* const trace = m_pTrace.get();
    std::size_t row = 0;
    std::size_t rowEnd = bins != nullptr && bins->Rows() > 0 ? bins->FirstScan(1) : 0;
    for (std::size_t k = 0; k < m_nScans; ++k) {
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
            bool first = k == 0;
            if (k == rowEnd) {
                ++row;
                rowEnd = bins->FirstScan(row + 1);
                first = true;
            }
            bins->Add(row, first, scan.values);
        }
        if (trace != nullptr) {
            m_pPlan->Values(scan.values, values);
            for (std::size_t w = 0; w < values.size(); ++w) {
                trace->values[w][k] = values[w];
            }
        }
        if (m_Job.times) {
            // The whole field: the reader of the times stops at its first zero byte.
            texts.emplace_back(scan.dateTime, kScanTextSize);
        }
        m_nDone.store(k + 1, std::memory_order_release);
    }
    // A file cut shorter while it was read gave zeros for what it lost: say so rather than
    // show them as counts.
    m_File.CheckUnchanged();
    if (m_Job.times) {
        ScanTimes times = ScanTimesOfTexts(texts);
        const std::lock_guard<std::mutex> lock(m_Mutex);
        m_Times = std::move(times);
    }
}

}  // namespace quillon
