// SPDX-License-Identifier: MIT
// The workbook export through libxlsxwriter. The workbook is made in the library's constant
// memory mode: each sheet's rows go to a temporary file beside the output as they are written
// (so the spectra are written row by row, a block of rows of every scan at a time, as the CSV
// columns layout is), and the zip is assembled when the workbook is closed. The library's
// workbook is owned by one guard that releases it on every path, inside WriteLibraryOutput: the
// output appears under its name only once the workbook is closed and the input is checked
// unchanged, and nothing is left of it after a failure.
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "export/csv_export.h"
#include "export/library_output.h"
#include "export/number_text.h"
#include "export/parameters.h"
#include "export/scan_columns.h"
#include "export/text_decoding.h"
#include "export/trace_table.h"
#include "export/xlsx_export.h"
#include "platform/file_error.h"
#include "platform/utf8_path.h"
#include "platform/write_fault.h"
#include "scanfile/records.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16.h"
#endif

namespace quillon {

XlsxUnavailable::XlsxUnavailable()
    : std::runtime_error("this build of QUILLON has no workbook support") {}

bool XlsxAvailable() noexcept {
    return true;
}

namespace {

// The block of scan values gathered for a run of rows of the spectra.
constexpr std::size_t kBlockBytes = 1u << 20;
// The document's creation date, 2000-01-01 00:00:00 UTC: a fixed date keeps the bytes of the
// same file's workbook the same.
constexpr std::time_t kDocumentDate = 946'684'800;

// A failure of the library; WriteLibraryOutput turns it into a FileError naming the output.
class XlsxFailure : public LibraryFailure {
  public:
    using LibraryFailure::LibraryFailure;
};

void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) {
        throw XlsxFailure(lxw_strerror(error));
    }
}

// A float as the double of its shortest decimal (0.1f as 0.1), as the CSV export prints it.
double FloatCellValue(float value) {
    const std::string text = ShortestText(value);
    double number = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

#ifdef _WIN32
// libxlsxwriter opens its files with the C library's fopen, which takes a name in the ANSI
// code page: a path with other characters ("Wärme Ω") would not open. Such a path is given
// as its short (8.3) form, which is ASCII; a file is made first, since only an existing one
// has a short name.
std::string LibraryPath(const std::string& path, bool file) {
    if (std::all_of(path.begin(), path.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return path;
    }
    const std::u16string wide = Utf8ToUtf16(path);
    const auto* name = reinterpret_cast<const wchar_t*>(wide.c_str());
    if (file) {
        const HANDLE made = CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made != INVALID_HANDLE_VALUE) {
            CloseHandle(made);
        }
    }
    std::wstring shortName(MAX_PATH, L'\0');
    DWORD size = GetShortPathNameW(name, shortName.data(), MAX_PATH);
    if (size > MAX_PATH) {
        shortName.resize(size);
        size = GetShortPathNameW(name, shortName.data(), size);
    }
    shortName.resize(size <= shortName.size() ? size : 0);
    if (shortName.empty() ||
        std::any_of(shortName.begin(), shortName.end(), [](wchar_t c) { return c >= 0x80; })) {
        throw XlsxFailure(
            "the workbook library cannot open a path with characters beyond "
            "ASCII where the disk keeps no short names; choose another folder "
            "(-o) or name");
    }
    return std::string(shortName.begin(), shortName.end());
}
#else
// The C library takes the UTF-8 path as it is.
std::string LibraryPath(const std::string& path, bool) {
    return path;
}
#endif

// The library's workbook, released on every path: closed (written) by Close, freed unwritten
// when the export fails before.
class Workbook {
  public:
    Workbook(const std::string& path, const std::string& temporaryFolder)
        : m_strFolder(temporaryFolder) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_strFolder.data();
        m_pWorkbook = workbook_new_opt(path.c_str(), &options);
        if (m_pWorkbook == nullptr) {
            throw XlsxFailure("the workbook could not be made (out of memory)");
        }
        lxw_doc_properties properties{};
        properties.created = kDocumentDate;
        Check(workbook_set_properties(m_pWorkbook, &properties));
    }
    ~Workbook() {
        if (m_pWorkbook != nullptr) {
            lxw_workbook_free(m_pWorkbook);
        }
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_worksheet* AddSheet(const std::string& name) {
        errno = 0;
        lxw_worksheet* sheet = workbook_add_worksheet(m_pWorkbook, name.c_str());
        if (sheet == nullptr) {
            // The system's reason (the folder is gone) where there is one.
            const int system = errno;
            const std::string otherwise =
                "a temporary file for the sheet \"" + name + "\" could not be made";
            throw XlsxFailure(SystemReason(system, otherwise.c_str()));
        }
        worksheet_freeze_panes(sheet, 1, 0);
        m_Sheets.push_back(sheet);
        return sheet;
    }

    // The library does not check its writes to the sheets' temporary files, so a full disk
    // would give a workbook of cut sheets, reported as written: each file is checked here (and
    // flushed first with flush), and a failed write raised with the system's reason. A fault
    // set with QUILLON_WRITE_FAULT meets the sheets' bytes here.
    void CheckSheetFiles(bool flush) const {
        for (lxw_worksheet* sheet : m_Sheets) {
            std::FILE* file = sheet->optimize_tmpfile;
            if (file == nullptr) {
                continue;
            }
            // errno is still that of the failed write: nothing since has failed.
            if (std::ferror(file)) {
                throw XlsxFailure(SystemReason(errno, "a sheet could not be written"));
            }
            errno = 0;
            if (flush && std::fflush(file) != 0) {
                throw XlsxFailure(SystemReason(errno, "a sheet could not be written"));
            }
            const long written = std::ftell(file);
            if (written > 0 && WritableBeforeFault(0, static_cast<std::size_t>(written)) <
                                   static_cast<std::size_t>(written)) {
                throw XlsxFailure(kDiskFullReason);
            }
        }
    }

    // Writes the zip and releases the workbook. The system's reason for a failure (a full
    // disk) where there is one, else the library's.
    void Close() {
        CheckSheetFiles(true);
        lxw_workbook* workbook = m_pWorkbook;
        m_pWorkbook = nullptr;
        errno = 0;
        const lxw_error error = workbook_close(workbook);
        const int system = errno;
        if (error != LXW_NO_ERROR) {
            throw XlsxFailure(SystemReason(system, lxw_strerror(error)));
        }
    }

  private:
    static std::string SystemReason(int system, const char* otherwise) {
        return system != 0 ? ErrorCodeReason(std::error_code(system, std::generic_category()))
                           : std::string(otherwise);
    }

    std::string m_strFolder;
    lxw_workbook* m_pWorkbook = nullptr;
    std::vector<lxw_worksheet*> m_Sheets;
};

// Cells of one sheet; row 0 is the header.
class Sheet {
  public:
    explicit Sheet(lxw_worksheet* sheet) : m_pSheet(sheet) {}
    void Text(std::size_t row, std::size_t column, const std::string& text) {
        if (!text.empty()) {
            Check(
                worksheet_write_string(m_pSheet, Row(row), Column(column), text.c_str(), nullptr));
        }
    }
    // A value that is not defined (NaN), or not a number a spreadsheet holds (an infinity),
    // is an empty cell.
    void Number(std::size_t row, std::size_t column, double value) {
        if (std::isfinite(value)) {
            Check(worksheet_write_number(m_pSheet, Row(row), Column(column), value, nullptr));
        }
    }
    void Float(std::size_t row, std::size_t column, float value) {
        if (std::isfinite(value)) {
            Number(row, column, FloatCellValue(value));
        }
    }
    void Header(std::initializer_list<const char*> names, std::size_t first = 0) {
        for (const char* name : names) {
            Text(0, first++, name);
        }
    }

  private:
    static lxw_row_t Row(std::size_t row) { return static_cast<lxw_row_t>(row); }
    static lxw_col_t Column(std::size_t column) { return static_cast<lxw_col_t>(column); }
    lxw_worksheet* m_pSheet;
};

class XlsxWriter {
  public:
    XlsxWriter(const ScanFile& file, const ScanColumns& columns, Workbook& workbook)
        : m_File(file), m_Columns(columns), m_Workbook(workbook) {}

    // Writes every sheet; returns how many scan values were not defined.
    std::size_t Write() {
        const std::size_t undefined = WriteSpectra();
        WriteScans();
        WriteParameters();
        return undefined;
    }

  private:
    std::size_t Leading() const { return m_Columns.HasGrid() ? 3 : 4; }

    std::size_t WriteSpectra() {
        const std::size_t scans = m_Columns.ScanCount();
        const std::size_t perSheet = kSpreadsheetColumns - Leading();
        const std::size_t sheetCount = std::max<std::size_t>(1, (scans + perSheet - 1) / perSheet);
        std::vector<Sheet> sheets;
        for (std::size_t s = 0; s < sheetCount; ++s) {
            sheets.emplace_back(
                m_Workbook.AddSheet(s == 0 ? "Spectra" : "Spectra " + std::to_string(s + 1)));
            Sheet& sheet = sheets.back();
            if (m_Columns.HasGrid()) {
                sheet.Header({"wavelength_nm", "dark", "reference"});
            } else {
                sheet.Header({"pixel", "wavelength_nm", "dark", "reference"});
            }
            for (std::size_t k = s * perSheet; k < std::min(scans, (s + 1) * perSheet); ++k) {
                sheet.Text(0, Leading() + k - s * perSheet, m_Columns.ScanName(k));
            }
        }

        const std::size_t rows = m_Columns.RowCount();
        const bool integers = m_Columns.IntegerScans();
        const std::size_t block = std::clamp<std::size_t>(
            kBlockBytes / (std::max<std::size_t>(scans, 1) * 8), 1, std::max<std::size_t>(rows, 1));
        std::vector<std::int32_t> counts(integers ? block * scans : 0);
        std::vector<double> values(integers ? 0 : block * scans);
        std::vector<double> lead(m_Columns.HasGrid() ? 3 * block : 0);
        std::size_t undefined = 0;
        for (std::size_t first = 0; first < rows; first += block) {
            const std::size_t count = std::min(block, rows - first);
            // The block, scan by scan: row r of scan k at [k * block + r].
            for (std::size_t k = 0; k < scans; ++k) {
                if (integers) {
                    m_Columns.ScanCounts(k, first, std::span(counts.data() + k * block, count));
                } else {
                    undefined +=
                        m_Columns.ScanValues(k, first, std::span(values.data() + k * block, count));
                }
            }
            if (m_Columns.HasGrid()) {
                m_Columns.GridPoints(first, std::span(lead.data(), count));
                m_Columns.GridDark(first, std::span(lead.data() + block, count));
                m_Columns.GridReference(first, std::span(lead.data() + 2 * block, count));
            }
            // Row by row, and within a row sheet by sheet: each sheet's rows in order.
            for (std::size_t r = 0; r < count; ++r) {
                const std::size_t row = first + r;
                for (std::size_t s = 0; s < sheetCount; ++s) {
                    Sheet& sheet = sheets[s];
                    if (m_Columns.HasGrid()) {
                        for (std::size_t c = 0; c < 3; ++c) {
                            sheet.Number(row + 1, c, lead[c * block + r]);
                        }
                    } else {
                        sheet.Number(row + 1, 0, static_cast<double>(row + 1));
                        sheet.Float(row + 1, 1, m_Columns.Wavelengths()[row]);
                        sheet.Float(row + 1, 2, ValueAt(m_Columns.Dark(), row));
                        sheet.Float(row + 1, 3, ValueAt(m_Columns.Reference(), row));
                    }
                    for (std::size_t k = s * perSheet; k < std::min(scans, (s + 1) * perSheet);
                         ++k) {
                        const std::size_t column = Leading() + k - s * perSheet;
                        sheet.Number(row + 1, column,
                                     integers ? static_cast<double>(counts[k * block + r])
                                              : values[k * block + r]);
                    }
                }
            }
            m_Workbook.CheckSheetFiles(false);
        }
        return undefined;
    }

    // A spectrum shorter than N has no value for the pixels beyond its end.
    static float ValueAt(std::span<const float> values, std::size_t i) {
        return i < values.size() ? values[i] : std::numeric_limits<float>::quiet_NaN();
    }

    void WriteScans() {
        Sheet sheet(m_Workbook.AddSheet("Scans"));
        sheet.Header({"number", "title", "subtitle", "date_time", "optical_blank"});
        for (std::size_t k = 0; k < m_Columns.ScanCount(); ++k) {
            const std::int32_t number = m_Columns.ScanNumber(k);
            const ScanView scan = m_File.Scan(static_cast<std::size_t>(number) - 1);
            sheet.Number(k + 1, 0, number);
            sheet.Text(k + 1, 1, FieldToUtf8(scan.title, kScanTextSize));
            sheet.Text(k + 1, 2, FieldToUtf8(scan.subtitle, kScanTextSize));
            sheet.Text(k + 1, 3, FieldToUtf8(scan.dateTime, kScanTextSize));
            sheet.Float(k + 1, 4, scan.opticalBlank);
        }
    }

    void WriteParameters() {
        using Type = ParameterField::Type;
        Sheet sheet(m_Workbook.AddSheet("Parameters"));
        sheet.Header({"record", "field", "value"});
        std::size_t row = 1;
        for (const ParameterGroup& record : ParameterGroups(m_File)) {
            const std::string key(record.key);
            for (const ParameterField& field : record.fields) {
                const std::string name(field.name);
                if (field.type == Type::kFloatArray) {
                    for (std::size_t i = 0; i < field.floats.size(); ++i, ++row) {
                        sheet.Text(row, 0, key);
                        sheet.Text(row, 1, name + "[" + std::to_string(i) + "]");
                        sheet.Float(row, 2, field.floats[i]);
                    }
                    continue;
                }
                sheet.Text(row, 0, key);
                sheet.Text(row, 1, name);
                switch (field.type) {
                    case Type::kFloat:
                        sheet.Float(row, 2, static_cast<float>(field.number));
                        break;
                    case Type::kDouble:
                        sheet.Number(row, 2, field.number);
                        break;
                    case Type::kText:
                        sheet.Text(row, 2, field.text);
                        break;
                    default:
                        sheet.Number(row, 2, static_cast<double>(field.integer));
                        break;
                }
                ++row;
            }
        }
    }

    const ScanFile& m_File;
    const ScanColumns& m_Columns;
    Workbook& m_Workbook;
};

// Why a workbook of these columns is not written, or nothing when it fits.
std::string Refusal(const ScanColumns& columns) {
    const std::size_t leading = columns.HasGrid() ? 3 : 4;
    const std::size_t scans = columns.ScanCount();
    const std::size_t perSheet = kSpreadsheetColumns - leading;
    const std::size_t sheets = std::max<std::size_t>(1, (scans + perSheet - 1) / perSheet);
    const std::size_t rows = columns.RowCount();
    const std::string instead =
        "select fewer scans (-s), choose a coarser --grid or write HDF5 "
        "(--format hdf5) instead";
    if (rows + 1 > kSpreadsheetRows || scans + 1 > kSpreadsheetRows) {
        return "a sheet of the workbook would need " + GroupedCount(std::max(rows, scans) + 1) +
               " rows, more than the " + GroupedCount(kSpreadsheetRows) + " a sheet holds; " +
               instead;
    }
    const std::size_t cells = (rows + 1) * (scans + leading * sheets) + (scans + 1) * 5;
    if (cells > kWorkbookMaxCells) {
        return "the workbook would hold " + GroupedCount(cells) + " cells, more than the " +
               GroupedCount(kWorkbookMaxCells) + " QUILLON writes into one; " + instead;
    }
    return "";
}

// The "Trace" sheet: scan[, scans], date_time, seconds and a column per wavelength, a row per
// row of the trace.
void WriteTraceSheet(const TraceTable& table, Workbook& workbook) {
    Sheet sheet(workbook.AddSheet("Trace"));
    std::size_t column = 0;
    sheet.Text(0, column++, "scan");
    if (table.Averaged()) {
        sheet.Text(0, column++, "scans");
    }
    sheet.Text(0, column++, "date_time");
    sheet.Text(0, column++, "seconds");
    const std::size_t lead = column;
    for (std::size_t w = 0; w < table.Columns(); ++w) {
        sheet.Text(0, lead + w, table.ColumnName(w));
    }
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        column = 0;
        sheet.Number(r + 1, column++, table.Number(r));
        if (table.Averaged()) {
            sheet.Number(r + 1, column++, table.GroupSize(r));
        }
        sheet.Text(r + 1, column++, Windows1252ToUtf8(table.DateTime(r)));
        sheet.Number(r + 1, column++, table.Seconds(r));
        const std::span<const double> values = table.Values(r);
        for (std::size_t w = 0; w < values.size(); ++w) {
            sheet.Number(r + 1, lead + w, values[w]);
        }
    }
}

// Makes the workbook at `path` through WriteLibraryOutput (nothing half-written is kept), has
// `write` fill it and closes it.
template <typename Write>
void WriteWorkbook(const ScanFile& file, const std::string& path, Write write) {
    WriteLibraryOutput(path, file, [&](const std::string& writePath, bool) {
        // The sheets' temporary files go beside the output, on the disk that receives it.
        const std::filesystem::path parent = PathFromUtf8(writePath).parent_path();
        const std::string folder = parent.empty() ? std::string(1, '.') : Utf8FromPath(parent);
        Workbook workbook(LibraryPath(writePath, true), LibraryPath(folder, false));
        write(workbook);
        workbook.Close();
    });
}

}  // namespace

ExportReport WriteXlsx(const ScanFile& file, const ExportRequest& request,
                       const std::string& path) {
    // The grid, the scan numbers and the size are checked before anything is created.
    const ScanColumns columns(file, request);
    if (const std::string refusal = Refusal(columns); !refusal.empty()) {
        throw FileError(path, refusal);
    }
    ExportReport report;
    report.path = path;
    report.values = columns.ScanCount() * columns.RowCount();
    WriteWorkbook(file, path, [&](Workbook& workbook) {
        report.undefined = XlsxWriter(file, columns, workbook).Write();
    });
    return report;
}

ExportReport WriteTraceXlsx(const ScanFile& file, const TraceTable& table,
                            const std::string& path) {
    if (table.Rows() + 1 > kSpreadsheetRows) {
        throw FileError(path, "the trace has " + GroupedCount(table.Rows()) +
                                  " rows, more than the " + GroupedCount(kSpreadsheetRows - 1) +
                                  " a sheet holds below its header; average scans (--average) "
                                  "or write CSV or HDF5 instead");
    }
    ExportReport report;
    report.path = path;
    report.values = table.AllValues().size();
    report.undefined = table.Undefined();
    WriteWorkbook(file, path, [&](Workbook& workbook) { WriteTraceSheet(table, workbook); });
    return report;
}

}  // namespace quillon
