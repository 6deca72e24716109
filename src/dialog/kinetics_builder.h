// SPDX-License-Identifier: MIT
// The one pass over a loaded file that the kinetics views need, run off the window's thread so
// that the window keeps answering: it fills the rows of the scan map (per pixel the sum, the
// least and the greatest counts of the scans of each row), the trace of chosen wavelengths
// (one value per scan) and the date-time texts that give each scan its time. The pass's own
// thread shares runs of whole map rows with one more thread per further core. The window polls
// the progress with a timer and shows what is complete; no toolkit is called from the threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "export/scan_times.h"
#include "export/trace.h"
#include "scanfile/scan_file.h"

namespace quillon {

// The rows of a scan map: the scans [0, K) cut into `Rows()` runs of consecutive scans, as
// even as they divide (one scan per row while K is at most the rows asked for), and for each
// row and pixel the sum, the least and the greatest count of its scans. Every quantity the map
// shows rises or falls with the count, so these three give a row's mean, least and greatest
// value without keeping a value per scan.
class MapBins {
  public:
    // A map of `scans` scans of `pixels` pixels, in at most `maxRows` rows (at least 1).
    MapBins(std::size_t scans, std::size_t pixels, std::size_t maxRows);

    std::size_t Rows() const noexcept { return m_nRows; }
    std::size_t Pixels() const noexcept { return m_nPixels; }
    std::size_t Scans() const noexcept { return m_nScans; }
    // The first scan (0-based) of a row and how many scans it holds.
    std::size_t FirstScan(std::size_t row) const noexcept;
    std::size_t ScanCount(std::size_t row) const noexcept;
    // The row holding a scan (0-based).
    std::size_t RowOf(std::size_t scan) const noexcept;
    // The rows all of whose scans are among the first `scans`.
    std::size_t CompleteRows(std::size_t scans) const noexcept;

    // A row's per-pixel sums, least and greatest counts (Pixels() values each).
    std::span<const std::int64_t> Sum(std::size_t row) const;
    std::span<const std::int32_t> Min(std::size_t row) const;
    std::span<const std::int32_t> Max(std::size_t row) const;

    // Adds one scan's counts (at least Pixels() values) to a row; its first scan starts it.
    void Add(std::size_t row, bool first, std::span<const std::int32_t> counts);

  private:
    std::size_t m_nScans = 0;
    std::size_t m_nPixels = 0;
    std::size_t m_nRows = 0;
    std::vector<std::int64_t> m_Sum;
    std::vector<std::int32_t> m_Min;
    std::vector<std::int32_t> m_Max;
};

// The values of a trace: for each wavelength of its TraceSpec, one value per scan (NaN where
// the quantity is not defined or the scan has not been read yet).
struct TraceValues {
    TraceSpec spec;
    std::vector<std::vector<double>> values;  // [wavelength][scan]
};

// What one pass computes.
struct KineticsJob {
    // The scan map, in at most this many rows; 0 for no map.
    std::size_t mapRows = 0;
    // A trace of these wavelengths (none: no trace). The wavelengths are values of `axis`.
    std::optional<TraceSpec> trace;
    // The x value of each pixel the trace's wavelengths are given in: the wavelengths of a
    // rising calibration, or the pixel numbers from 1.
    std::vector<float> axis;
    // The scans' times from their date-time texts.
    bool times = false;
};

class KineticsBuilder {
  public:
    enum class State { kRunning, kDone, kCancelled, kFailed };

    // Prepares the job (raises TraceError for a wavelength outside the axis) and starts the
    // pass over `file` on a thread of its own. The file must outlive the builder.
    KineticsBuilder(const ScanFile& file, KineticsJob job);
    // Stops the pass and waits for the thread to end.
    ~KineticsBuilder();
    KineticsBuilder(const KineticsBuilder&) = delete;
    KineticsBuilder& operator=(const KineticsBuilder&) = delete;

    // Asks the pass to stop; it stops before its next scan.
    void Cancel() noexcept;
    // Waits until the pass has ended (done, cancelled or failed).
    void Wait();

    // The scans read so far (their rows, trace values and texts are complete), of ScanCount().
    std::size_t ScansDone() const noexcept { return m_nDone.load(std::memory_order_acquire); }
    std::size_t ScanCount() const noexcept { return m_nScans; }
    State GetState() const noexcept { return m_State.load(std::memory_order_acquire); }
    bool IsRunning() const noexcept { return GetState() == State::kRunning; }
    // Why the pass failed (the file named, and the reason); empty otherwise.
    std::string Problem() const;

    // The map's rows (null without a map): the rows complete after ScansDone() scans are
    // final and may be read while the pass goes on; the others are being filled.
    std::shared_ptr<const MapBins> Bins() const { return m_pBins; }
    // The trace (null without one): values of the first ScansDone() scans are final.
    std::shared_ptr<const TraceValues> Trace() const { return m_pTrace; }
    // The scans' times, once the pass is done; nothing before, or when they were not asked
    // for or the pass stopped early.
    std::optional<ScanTimes> Times() const;

  private:
    void Run() noexcept;
    void Pass();

    const ScanFile& m_File;
    KineticsJob m_Job;
    std::size_t m_nScans = 0;
    std::shared_ptr<MapBins> m_pBins;
    std::shared_ptr<TraceValues> m_pTrace;
    std::unique_ptr<TracePlan> m_pPlan;

    std::atomic<bool> m_bStop{false};
    std::atomic<std::size_t> m_nDone{0};
    std::atomic<State> m_State{State::kRunning};
    mutable std::mutex m_Mutex;  // guards the two below
    std::string m_strProblem;
    std::optional<ScanTimes> m_Times;
    std::thread m_Thread;  // last: started once everything above is set
};

}  // namespace quillon
