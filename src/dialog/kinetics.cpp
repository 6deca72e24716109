// SPDX-License-Identifier: MIT
// Kinetics: the passes over the loaded file and what the window takes from them.
#include "dialog/kinetics.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace quillon {

namespace {

std::string Percent(std::size_t done, std::size_t total) {
    return std::to_string(total == 0 ? 100 : done * 100 / total) + " %";
}

}  // namespace

Kinetics::Kinetics(std::size_t mapRows) : m_nMapRows(std::max<std::size_t>(mapRows, 1)) {}

Kinetics::~Kinetics() {
    ReleaseFile();
}

void Kinetics::ShowFile(const ScanFile& file) {
    ReleaseFile();
    m_pFile = &file;
    m_Trace.ShowFile(file);
    m_Map.ShowFile(file);
    m_bTimesKnown = false;
    m_strTraceProblem.clear();
    KineticsJob job;
    job.mapRows = m_nMapRows;
    job.times = true;
    m_pMapPass = std::make_unique<KineticsBuilder>(file, std::move(job));
    m_Map.SetBins(m_pMapPass->Bins(), 0);
    m_nMapScansTaken = 0;
    m_bMapEnded = false;
    StartTrace();
}

void Kinetics::ReleaseFile() {
    // Each destructor stops its pass and waits for it.
    m_pMapPass.reset();
    m_pTracePass.reset();
    m_bMapEnded = true;
    m_bTraceEnded = true;
}

bool Kinetics::Poll() {
    bool changed = false;
    if (m_pMapPass && !m_bMapEnded) {
        // The state first: once it says the pass ended, every scan it read is counted.
        const bool ended = !m_pMapPass->IsRunning();
        const std::size_t done = m_pMapPass->ScansDone();
        if (done != m_nMapScansTaken || ended) {
            const std::shared_ptr<const MapBins> bins = m_pMapPass->Bins();
            m_Map.SetBins(bins, bins ? bins->CompleteRows(done) : 0);
            m_nMapScansTaken = done;
            changed = true;
        }
        if (ended) {
            m_bMapEnded = true;
            TakeTimes(*m_pMapPass);
        }
    }
    if (m_pTracePass && !m_bTraceEnded) {
        const bool ended = !m_pTracePass->IsRunning();
        const std::size_t done = m_pTracePass->ScansDone();
        if (done != m_nTraceScansTaken || ended) {
            m_Trace.SetValues(m_pTracePass->Trace(), done);
            m_nTraceScansTaken = done;
            changed = true;
        }
        if (ended) {
            m_bTraceEnded = true;
            if (m_pTracePass->GetState() == KineticsBuilder::State::kFailed) {
                m_strTraceProblem = m_pTracePass->Problem();
            }
        }
    }
    return changed;
}

bool Kinetics::IsWorking() const {
    return !m_bMapEnded || !m_bTraceEnded;
}

void Kinetics::TakeTimes(const KineticsBuilder& builder) {
    if (m_bTimesKnown) {
        return;
    }
    if (std::optional<ScanTimes> times = builder.Times()) {
        m_Trace.SetTimes(*times);
        m_bTimesKnown = true;
    }
}

std::string Kinetics::AddWavelength(double wavelength) {
    std::string problem = m_Trace.AddWavelength(wavelength);
    if (problem.empty()) {
        StartTrace();
    }
    return problem;
}

void Kinetics::RemoveWavelength(std::size_t index) {
    m_Trace.RemoveWavelength(index);
    StartTrace();
}

void Kinetics::SetTraceQuantity(Quantity quantity) {
    m_Trace.SetQuantity(quantity);
    StartTrace();
}

void Kinetics::StartTrace() {
    m_pTracePass.reset();
    m_bTraceEnded = true;
    m_nTraceScansTaken = 0;
    m_strTraceProblem.clear();
    if (m_pFile == nullptr || m_Trace.Wavelengths().empty()) {
        m_Trace.SetValues(nullptr, 0);
        return;
    }
    KineticsJob job;
    job.trace = m_Trace.Spec();
    job.axis = m_Trace.PixelAxis();
    try {
        m_pTracePass = std::make_unique<KineticsBuilder>(*m_pFile, std::move(job));
    } catch (const std::exception& error) {
        // A wavelength the plan cannot place (a calibration that does not rise everywhere).
        m_strTraceProblem = error.what();
        m_Trace.SetValues(nullptr, 0);
        return;
    }
    m_Trace.SetValues(m_pTracePass->Trace(), 0);
    m_bTraceEnded = false;
}

std::string Kinetics::TraceStatus() const {
    if (!m_strTraceProblem.empty()) {
        return "The trace could not be read: " + m_strTraceProblem;
    }
    if (m_pTracePass && m_pTracePass->IsRunning()) {
        const std::size_t total = m_pTracePass->ScanCount();
        const std::size_t done = m_pTracePass->ScansDone();
        return "Tracing: " + std::to_string(done) + " of " + std::to_string(total) + " scans (" +
               Percent(done, total) + ")";
    }
    if (m_pFile != nullptr && !m_bTimesKnown) {
        return m_pMapPass && m_pMapPass->IsRunning()
                   ? "The scans' times are read with the map; until then the trace runs against "
                     "the scan number."
                   : "Against the scan number: the map's pass that reads the scans' times was "
                     "stopped.";
    }
    if (m_pMapPass) {
        if (const std::optional<ScanTimes> times = m_pMapPass->Times()) {
            return times->notice;
        }
    }
    return {};
}

void Kinetics::CancelMap() {
    if (m_pMapPass) {
        m_pMapPass->Cancel();
    }
}

bool Kinetics::IsMapRunning() const {
    // As Poll last saw it, so that the map shown and what is said of it agree.
    return m_pMapPass && !m_bMapEnded;
}

std::string Kinetics::MapStatus() const {
    if (!m_pMapPass) {
        return {};
    }
    const std::size_t total = m_pMapPass->ScanCount();
    const std::size_t done = m_nMapScansTaken;
    // Until Poll has taken the pass's end, the map shown is still filling.
    const KineticsBuilder::State state =
        m_bMapEnded ? m_pMapPass->GetState() : KineticsBuilder::State::kRunning;
    switch (state) {
        case KineticsBuilder::State::kRunning:
            return "Reading scans: " + std::to_string(done) + " of " + std::to_string(total) +
                   " (" + Percent(done, total) + ")";
        case KineticsBuilder::State::kDone:
            return "Map complete: " + std::to_string(total) + " scans.";
        case KineticsBuilder::State::kCancelled:
            return "Stopped after " + std::to_string(done) + " of " + std::to_string(total) +
                   " scans.";
        case KineticsBuilder::State::kFailed:
            return "The map could not be completed: " + m_pMapPass->Problem();
    }
    return {};
}

}  // namespace quillon
