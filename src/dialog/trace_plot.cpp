// SPDX-License-Identifier: MIT
// TracePlot: the wavelengths traced, their values against time, the axes, readout and table.
#include "dialog/trace_plot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "export/export_options.h"
#include "export/hdf5_export.h"
#include "export/text_decoding.h"
#include "export/trace_table.h"
#include "export/xlsx_export.h"
#include "platform/atomic_file.h"

namespace quillon {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Blue, orange, green, vermilion, purple, sky blue, yellow-brown, grey: told apart also
// without the red-green distinction.
constexpr std::array<Rgb, kMaxTraceWavelengths> kTraceColors = {{
    {0x1F, 0x5F, 0xBF},
    {0xE0, 0x7B, 0x00},
    {0x00, 0x9E, 0x73},
    {0xD5, 0x3E, 0x00},
    {0x8E, 0x44, 0xAD},
    {0x56, 0xB4, 0xE9},
    {0xA0, 0x7A, 0x00},
    {0x59, 0x59, 0x59},
}};

// A value of the table: the shortest text that reads back as the same double; empty for a
// value that is not defined.
std::string TableNumber(double value) {
    if (!std::isfinite(value)) {
        return {};
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// A CSV field, quoted where it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

}  // namespace

Rgb TraceColor(std::size_t index) {
    return kTraceColors[index % kTraceColors.size()];
}

std::string QuantitySlug(Quantity quantity) {
    std::string slug = QuantityLabel(quantity);
    for (char& c : slug) {
        c = c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return slug;
}

std::string NameBeside(const ScanFile* input, const std::string& suffix,
                       const std::string& fallback) {
    if (input == nullptr || input->m_strPath.empty()) {
        return fallback;
    }
    const std::string& path = input->m_strPath;
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    return folder + base + suffix;
}

TracePlot::TracePlot() {
    UpdateTitles();
    FitRanges();
}

void TracePlot::ShowFile(const ScanFile& file) {
    m_pFile = &file;
    SpectrumCurves curves;
    SetFileCurves(file, curves);
    const PlotAxis before = m_Axis;
    m_Axis = curves.axis;
    m_PixelAxis.assign(curves.x.begin(), curves.x.end());
    // The wavelengths traced stay where the new file's axis of the same kind holds them.
    const auto outside = [this, before](double wavelength) {
        return m_Axis != before || m_PixelAxis.empty() ||
               !(wavelength >= m_PixelAxis.front() && wavelength <= m_PixelAxis.back());
    };
    std::erase_if(m_Wavelengths, outside);
    m_pValues.reset();
    m_nScans = 0;
    m_Seconds.clear();
    m_strTimesNotice.clear();
    UpdateTitles();
    ResetZoom();
}

std::string TracePlot::WavelengthLabel(std::size_t index) const {
    if (index >= m_Wavelengths.size()) {
        return {};
    }
    const double value = m_Wavelengths[index];
    return m_Axis == PlotAxis::kWavelength ? TickLabel(value, 2) + " nm"
                                           : "pixel " + TickLabel(value, 0);
}

std::string TracePlot::AddWavelength(double wavelength) {
    if (m_pFile == nullptr || m_PixelAxis.empty()) {
        return "Load a scan data file first.";
    }
    const bool pixels = m_Axis == PlotAxis::kPixel;
    const std::string what =
        pixels ? "Pixel " + TickLabel(wavelength, 0) : TickLabel(wavelength, 2) + " nm";
    if (!std::isfinite(wavelength) || wavelength < m_PixelAxis.front() ||
        wavelength > m_PixelAxis.back()) {
        const int decimals = pixels ? 0 : 2;
        return (std::isfinite(wavelength) ? what : std::string("That value")) +
               " lies outside this file's " + (pixels ? "pixels" : "wavelengths") + " (" +
               TickLabel(m_PixelAxis.front(), decimals) + " to " +
               TickLabel(m_PixelAxis.back(), decimals) + (pixels ? ")." : " nm).");
    }
    for (double traced : m_Wavelengths) {
        if (std::abs(traced - wavelength) < 0.005) {
            return what + " is traced already.";
        }
    }
    if (m_Wavelengths.size() >= kMaxTraceWavelengths) {
        return "At most " + std::to_string(kMaxTraceWavelengths) +
               " wavelengths are traced at once: remove one first.";
    }
    m_Wavelengths.push_back(wavelength);
    m_pValues.reset();
    m_nScans = 0;
    if (!IsZoomed()) {
        FitRanges();
    }
    return {};
}

void TracePlot::RemoveWavelength(std::size_t index) {
    if (index >= m_Wavelengths.size()) {
        return;
    }
    m_Wavelengths.erase(m_Wavelengths.begin() + static_cast<std::ptrdiff_t>(index));
    m_pValues.reset();
    m_nScans = 0;
    if (!IsZoomed()) {
        FitRanges();
    }
}

void TracePlot::SetQuantity(Quantity quantity) {
    m_Quantity = quantity;
    m_pValues.reset();
    m_nScans = 0;
    UpdateTitles();
    FitRanges();
}

TraceSpec TracePlot::Spec() const {
    TraceSpec spec;
    spec.wavelengths = m_Wavelengths;
    spec.quantity = m_Quantity;
    return spec;
}

void TracePlot::SetValues(std::shared_ptr<const TraceValues> values, std::size_t scans) {
    if (values &&
        (values->spec.wavelengths != m_Wavelengths || values->spec.quantity != m_Quantity ||
         values->values.size() != m_Wavelengths.size())) {
        values.reset();
    }
    m_pValues = std::move(values);
    m_nScans = m_pValues ? scans : 0;
    if (!IsZoomed()) {
        FitRanges();
    }
}

void TracePlot::SetTimes(const ScanTimes& times) {
    m_Seconds = times.seconds;
    m_strTimesNotice = times.notice;
    UpdateTitles();
    if (!IsZoomed()) {
        FitRanges();
    }
}

double TracePlot::XOf(std::size_t scan) const {
    if (HasTimes()) {
        return scan < m_Seconds.size() ? m_Seconds[scan] : kNaN;
    }
    return static_cast<double>(scan + 1);
}

double TracePlot::ValueOf(std::size_t index, std::size_t scan) const {
    if (!m_pValues || index >= m_pValues->values.size() || scan >= m_nScans) {
        return kNaN;
    }
    return m_pValues->values[index][scan];
}

void TracePlot::UpdateTitles() {
    m_Frame.SetXTitle(
        HasTimes() ? "Time since the first scan (s)"
                   : (m_pFile == nullptr ? "Scan number" : "Scan number (no scan times read)"));
    m_Frame.SetValueTitle(0, QuantityTitle(m_Quantity));
}

void TracePlot::FitRanges() {
    // x over every scan of the file, so that the axis stands still while the values fill in.
    const std::size_t scans = m_pFile == nullptr ? 0 : m_pFile->ScanCount();
    std::optional<ValueRange> x;
    if (HasTimes()) {
        for (double seconds : m_Seconds) {
            if (std::isfinite(seconds)) {
                x = United(x, ValueRange{seconds, seconds});
            }
        }
    } else if (scans > 0) {
        x = ValueRange{1.0, static_cast<double>(scans)};
    }
    m_Frame.SetXRange(x && x->Span() > 0.0 ? *x : PaddedRange(x));
    std::optional<ValueRange> values;
    for (std::size_t w = 0; w < m_Wavelengths.size(); ++w) {
        for (std::size_t k = 0; k < m_nScans; ++k) {
            const double value = ValueOf(w, k);
            if (std::isfinite(value) && std::isfinite(XOf(k))) {
                if (!values) {
                    values = ValueRange{value, value};
                } else {
                    values->low = std::min(values->low, value);
                    values->high = std::max(values->high, value);
                }
            }
        }
    }
    m_Frame.SetValueRange(0, PaddedRange(values));
}

void TracePlot::ResetZoom() {
    FitRanges();
    m_Frame.Unzoom();
}

void TracePlot::ZoomToRect(const PlotArea& area, const PlotArea& dragged) {
    m_Frame.ZoomToRect(area, dragged);
}

void TracePlot::Wheel(const PlotArea& area, double px, double py, double steps) {
    m_Frame.Wheel(area, px, py, steps);
}

void TracePlot::ZoomOut() {
    m_Frame.ZoomOut();
}

void TracePlot::Key(PlotKey key) {
    m_Frame.Key(key);
}

std::optional<std::size_t> TracePlot::ScanAt(const PlotArea& area, double px, double py) const {
    if (area.IsEmpty() || !area.Contains(px, py)) {
        return std::nullopt;
    }
    std::optional<std::size_t> nearest;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < m_nScans; ++k) {
        const double x = XOf(k);
        if (!std::isfinite(x)) {
            continue;
        }
        const double dx = m_Frame.XToPixel(area, x) - px;
        for (std::size_t w = 0; w < m_Wavelengths.size(); ++w) {
            const double value = ValueOf(w, k);
            if (!std::isfinite(value)) {
                continue;
            }
            const double dy = m_Frame.ValueToPixel(0, area, value) - py;
            const double distance = (dx * dx) + (dy * dy);
            if (distance < best) {
                best = distance;
                nearest = k;
            }
        }
    }
    return nearest;
}

std::string TracePlot::ReadoutAt(const PlotArea& area, double px, double py) const {
    const std::optional<std::size_t> scan = ScanAt(area, px, py);
    if (!scan) {
        return kTraceHint;
    }
    std::string text = "scan " + std::to_string(*scan + 1);
    if (HasTimes()) {
        text += " at " + ReadoutNumber(XOf(*scan)) + " s";
    }
    for (std::size_t w = 0; w < m_Wavelengths.size(); ++w) {
        text +=
            (w == 0 ? ": " : "; ") + WavelengthLabel(w) + " " + ReadoutNumber(ValueOf(w, *scan));
    }
    return text;
}

std::string TracePlot::Description() const {
    if (m_pFile == nullptr) {
        return "No file is loaded.";
    }
    if (m_Wavelengths.empty()) {
        return "No wavelength is traced.";
    }
    std::string text = QuantityLabel(m_Quantity) + " at";
    for (std::size_t w = 0; w < m_Wavelengths.size(); ++w) {
        text += (w == 0 ? " " : ", ") + WavelengthLabel(w);
    }
    text += " against " + std::string(HasTimes() ? "time in seconds" : "the scan number") + ", " +
            std::to_string(m_nScans) + " of " + std::to_string(m_pFile->ScanCount()) + " scans";
    return text;
}

std::string TracePlot::PictureName() const {
    return NameBeside(m_pFile, "_trace_" + QuantitySlug(m_Quantity) + ".png", "trace.png");
}

std::string TracePlot::TableName() const {
    return NameBeside(m_pFile, "_trace.csv", "trace.csv");
}

void TracePlot::WriteTable(const std::string& path) const {
    if (m_pFile == nullptr) {
        return;
    }
    auto endsWith = [&path](std::string_view suffix) {
        return path.size() >= suffix.size() &&
               std::equal(suffix.rbegin(), suffix.rend(), path.rbegin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    if (m_Axis == PlotAxis::kPixel) {
        AtomicDiskOutputFiles files;
        files.Open(path, TextFileWriter::OpenMode::kReplace);
        files.WriteBytes(TableCsv());
        files.Close();
        return;
    }
    ExportRequest request;
    request.scanNumbers = AllScanNumbers(m_pFile->ScanCount());
    request.trace = Spec();
    const TraceTable table = BuildTraceTable(*m_pFile, request);
    if (endsWith(".h5")) {
        WriteTraceHdf5(*m_pFile, table, path);
    } else if (endsWith(".xlsx")) {
        WriteTraceXlsx(*m_pFile, table, path);
    } else {
        AtomicDiskOutputFiles files;
        WriteTraceCsv(*m_pFile, table, request.csv, path, files);
    }
}

std::string TracePlot::TableCsv() const {
    std::string table = "scan,date_time,seconds";
    for (std::size_t w = 0; w < m_Wavelengths.size(); ++w) {
        // As quillon-convert --trace names its columns, with the pixel for the wavelength.
        table += ',';
        table += QuantitySlug(m_Quantity);
        if (m_Axis == PlotAxis::kPixel) {
            table += "_pixel";
            table += TickLabel(m_Wavelengths[w], 0);
        } else {
            table += '_';
            table += TickLabel(m_Wavelengths[w], 2);
            table += "nm";
        }
    }
    table += "\r\n";
    for (std::size_t k = 0; k < m_nScans && m_pFile != nullptr; ++k) {
        table += std::to_string(k + 1);
        table += ',';
        table += CsvField(FieldToUtf8(m_pFile->Scan(k).dateTime, kScanTextSize));
        table += ',';
        table += HasTimes() ? TableNumber(XOf(k)) : std::string();
        for (std::size_t w = 0; w < m_Wavelengths.size(); ++w) {
            table += ',';
            table += TableNumber(ValueOf(w, k));
        }
        table += "\r\n";
    }
    return table;
}

}  // namespace quillon
