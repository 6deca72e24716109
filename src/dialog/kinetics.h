// SPDX-License-Identifier: MIT
// Kinetics: the Trace and Map views' state for a window, without a toolkit. It owns the trace
// plot and the scan map of the loaded file and the passes that fill them off the window's
// thread (KineticsBuilder): loading a file starts the map's pass (which also reads the scans'
// times), adding or removing a wavelength or choosing another quantity starts a trace pass.
// The window calls Poll from a timer (about ten times a second) and redraws what changed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "dialog/kinetics_builder.h"
#include "dialog/scan_map.h"
#include "dialog/trace_plot.h"

namespace quillon {

// The rows of a map unless the window asks for others: about the height of a screen.
inline constexpr std::size_t kDefaultMapRows = 1200;

class Kinetics {
  public:
    explicit Kinetics(std::size_t mapRows = kDefaultMapRows);
    // Stops the passes and waits for them.
    ~Kinetics();
    Kinetics(const Kinetics&) = delete;
    Kinetics& operator=(const Kinetics&) = delete;

    // Shows a newly loaded file: the map starts filling, the wavelengths traced before are
    // traced again where the file's axis holds them. The file must stay loaded until
    // ReleaseFile or the next ShowFile.
    void ShowFile(const ScanFile& file);
    // Stops every pass over the file and waits for them (before the file is unloaded).
    void ReleaseFile();

    // Takes what the passes have done since the last call into the trace and the map; true
    // when either changed and should be drawn again.
    bool Poll();
    // True while a pass runs (the window keeps polling).
    bool IsWorking() const;

    TracePlot& Trace() { return m_Trace; }
    const TracePlot& Trace() const { return m_Trace; }
    ScanMap& Map() { return m_Map; }
    const ScanMap& Map() const { return m_Map; }

    // Adds a wavelength to the trace and starts its pass; empty when added, else why not.
    std::string AddWavelength(double wavelength);
    void RemoveWavelength(std::size_t index);
    void SetTraceQuantity(Quantity quantity);
    // The trace's state for its status line: the pass's progress or the times' notice.
    std::string TraceStatus() const;

    // Stops the map's pass (the Cancel button); the rows filled stay.
    void CancelMap();
    bool IsMapRunning() const;
    // The map's progress: "Reading scans: 1200 of 490000 (0 %)", "Map complete: 490000
    // scans.", "Stopped after 1200 of 490000 scans." or why the pass failed.
    std::string MapStatus() const;

  private:
    void StartTrace();
    void TakeTimes(const KineticsBuilder& builder);

    std::size_t m_nMapRows;
    const ScanFile* m_pFile = nullptr;
    TracePlot m_Trace;
    ScanMap m_Map;
    std::unique_ptr<KineticsBuilder> m_pMapPass;
    std::unique_ptr<KineticsBuilder> m_pTracePass;
    bool m_bTimesKnown = false;
    std::string m_strTraceProblem;
    // What Poll last took, to tell whether anything changed.
    std::size_t m_nMapScansTaken = 0;
    std::size_t m_nTraceScansTaken = 0;
    bool m_bMapEnded = true;
    bool m_bTraceEnded = true;
};

}  // namespace quillon
