// SPDX-License-Identifier: MIT
// The CSV export. Rows are formatted straight into a chunk buffer that goes to the output a
// megabyte at a time. In the columns layout every row needs one value of every scan, so the
// scans are copied a run of rows at a time into a block (at most kBlockBytes; counts turned
// row by row as they are copied, other values scan by scan), and each scan is visited once per
// block rather than once per row. The blocks (of rows, or of scan lines in the rows layout)
// are computed and formatted on several threads at once and written in their order: the same
// bytes as on one thread.
#include "export/csv_export.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

#include "export/chunked_output.h"
#include "export/number_text.h"
#include "export/scan_columns.h"
#include "platform/ordered_work.h"
#include "platform/output_files.h"

namespace quillon {

namespace {

// The block of scan values the columns layout gathers for a run of rows: small enough to stay
// in the processor's cache while its rows are formatted.
constexpr std::size_t kBlockBytes = 1u << 20;
// The text of a block: about this many bytes (a cell of a quantity takes about 20, one of
// counts about 7), so that the blocks in flight on all threads take little memory. Counts,
// quick to format, go in blocks of a quarter of that: the threads share the work more evenly,
// and the blocks in flight take fresh memory less often.
constexpr std::size_t kTextBlockBytes = 1u << 20;
constexpr std::size_t kCountTextBlockBytes = 256u << 10;
constexpr std::size_t kTypicalCellBytes = 20;
constexpr std::size_t kTypicalCountCellBytes = 7;
// A cell: its delimiter and the longest number; its delimiter and the longest count.
constexpr std::size_t kCellRoom = 1 + kMaxNumberChars;
constexpr std::size_t kCountCellRoom = 1 + kMaxInt32Chars;

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class CsvWriter {
  public:
    CsvWriter(const ScanColumns& columns, const CsvStyle& style, unsigned threads,
              ChunkedOutput& out)
        : m_Columns(columns), m_Style(style), m_nThreads(threads), m_Out(out) {}

    // Writes the whole table; returns how many scan values were not defined.
    std::size_t Write() {
        if (m_Style.byteOrderMark) {
            m_Out.Append(kByteOrderMark);
        }
        return m_Style.layout == CsvLayout::kColumns ? WriteColumns() : WriteRows();
    }

  private:
    // Column names: those before the scans, then scan_<number>.
    std::vector<std::string> LeadingNames() const {
        std::vector<std::string> names;
        if (!m_Columns.HasGrid()) {
            names.emplace_back("pixel");
        }
        names.emplace_back("wavelength_nm");
        names.emplace_back("dark");
        names.emplace_back("reference");
        return names;
    }
    std::string ScanName(std::size_t k) const { return m_Columns.ScanName(k); }

    // A cell's delimiter: none before the first cell of a line.
    char* Delimit(char* p, bool first) const {
        if (!first) {
            *p++ = m_Style.delimiter;
        }
        return p;
    }
    template <typename Float>
    char* Number(char* p, Float value) const {
        // A value that is not defined is an empty cell.
        return std::isnan(value) ? p : WriteShortest(p, value, m_Style.decimalComma);
    }

    template <typename Out>
    void AppendName(Out& out, std::string_view name, bool first) const {
        char* p = out.Room(1 + name.size());
        p = Delimit(p, first);
        out.Commit(std::copy(name.begin(), name.end(), p));
    }
    void AppendName(std::string_view name, bool first) { AppendName(m_Out, name, first); }
    template <typename Out>
    static void EndLine(Out& out) {
        out.Append(kLineEnd);
    }
    void EndLine() { EndLine(m_Out); }

    // A block of rows (columns layout) or of scan lines (rows layout) and its text.
    struct Block {
        std::vector<std::int32_t> counts;
        std::vector<double> values;
        std::vector<double> lead;
        ByteBlock text;
        std::size_t undefined = 0;
    };

    std::size_t WriteColumns() {
        const std::vector<std::string> leading = LeadingNames();
        for (std::size_t c = 0; c < leading.size(); ++c) {
            AppendName(leading[c], c == 0);
        }
        const std::size_t scans = m_Columns.ScanCount();
        for (std::size_t k = 0; k < scans; ++k) {
            AppendName(ScanName(k), false);
        }
        EndLine();

        const std::size_t rows = m_Columns.RowCount();
        const bool integers = m_Columns.IntegerScans();
        const std::size_t valueSize = integers ? sizeof(std::int32_t) : sizeof(double);
        const std::size_t perRow = std::max<std::size_t>(scans, 1);
        // The cells of a block's text.
        const std::size_t cells = integers ? kCountTextBlockBytes / kTypicalCountCellBytes
                                           : kTextBlockBytes / kTypicalCellBytes;
        const std::size_t block =
            std::clamp<std::size_t>(std::min(kBlockBytes / (perRow * valueSize), cells / perRow), 1,
                                    std::max<std::size_t>(rows, 1));
        const std::size_t blocks = (rows + block - 1) / block;
        // Where each scan's counts lie, found once for all blocks.
        const std::vector<const std::int32_t*> countsAt =
            integers ? m_Columns.AllCountsInPlace() : std::vector<const std::int32_t*>();
        std::size_t undefined = 0;
        RunInOrder<Block>(
            m_nThreads, blocks,
            [&](std::size_t b, Block& into) {
                FormatRows(b * block, std::min(block, rows - b * block), block, countsAt, into);
            },
            [&](std::size_t, Block& done) {
                undefined += done.undefined;
                m_Out.Write(done.text.Bytes());
            });
        return undefined;
    }

    // Rows [first, first + count) of the columns layout into a block, the scans' values
    // gathered `block` rows apart; counts from where `countsAt` says each scan's lie.
    void FormatRows(std::size_t first, std::size_t count, std::size_t block,
                    std::span<const std::int32_t* const> countsAt, Block& into) const {
        const std::size_t scans = m_Columns.ScanCount();
        const bool integers = m_Columns.IntegerScans();
        into.counts.resize(integers ? block * scans : 0);
        into.values.resize(integers ? 0 : block * scans);
        into.lead.resize(m_Columns.HasGrid() ? 3 * block : 0);
        into.text.Clear();
        into.text.Reserve(count * (4 * kCellRoom + scans * (integers ? kCountCellRoom : kCellRoom) +
                                   kLineEnd.size()));
        into.undefined = 0;
        std::int32_t* const counts = into.counts.data();
        double* const values = into.values.data();
        double* const lead = into.lead.data();
        ByteBlock& out = into.text;
        // The block: counts row by row (row r of scan k at [r * scans + k]); other values
        // scan by scan (row r of scan k at [k * block + r]).
        if (integers) {
            m_Columns.CountRows(countsAt, first, count, std::span(counts, count * scans));
        } else {
            for (std::size_t k = 0; k < scans; ++k) {
                into.undefined +=
                    m_Columns.ScanValues(k, first, std::span(values + k * block, count));
            }
        }
        if (m_Columns.HasGrid()) {
            m_Columns.GridPoints(first, std::span(lead, count));
            m_Columns.GridDark(first, std::span(lead + block, count));
            m_Columns.GridReference(first, std::span(lead + 2 * block, count));
        }
        for (std::size_t r = 0; r < count; ++r) {
            char* p = out.Room(4 * kCellRoom);
            const std::size_t row = first + r;
            if (m_Columns.HasGrid()) {
                p = Number(p, lead[r]);
                p = Number(Delimit(p, false), lead[block + r]);
                p = Number(Delimit(p, false), lead[2 * block + r]);
            } else {
                p = WriteInteger(p, static_cast<std::int64_t>(row) + 1);
                p = Number(Delimit(p, false), m_Columns.Wavelengths()[row]);
                p = Number(Delimit(p, false), ValueAt(m_Columns.Dark(), row));
                p = Number(Delimit(p, false), ValueAt(m_Columns.Reference(), row));
            }
            out.Commit(p);
            if (scans == 0) {
                // A file without scans still lists its dark and reference.
            } else if (integers) {
                WriteCells(out, counts + r * scans, scans, 1);
            } else {
                WriteCells(out, values + r, scans, block);
            }
            EndLine(out);
        }
    }

    std::size_t WriteRows() {
        const std::size_t rows = m_Columns.RowCount();
        const std::vector<std::string> leading = LeadingNames();
        std::size_t c = 0;
        if (!m_Columns.HasGrid()) {
            AppendName(leading[c++], true);
            for (std::size_t r = 0; r < rows; ++r) {
                char* p = Delimit(m_Out.Room(kCellRoom), false);
                m_Out.Commit(WriteInteger(p, static_cast<std::int64_t>(r) + 1));
            }
            EndLine();
        }
        std::vector<double> line(m_Columns.HasGrid() ? rows : 0);
        const auto floatLine = [&](std::string_view name, std::span<const float> values,
                                   void (ScanColumns::*onGrid)(std::size_t, std::span<double>)
                                       const) {
            AppendName(name, true);
            if (m_Columns.HasGrid()) {
                (m_Columns.*onGrid)(0, line);
                WriteCells(std::span<const double>(line));
            } else {
                for (std::size_t r = 0; r < rows; ++r) {
                    char* p = Delimit(m_Out.Room(kCellRoom), false);
                    m_Out.Commit(Number(p, ValueAt(values, r)));
                }
            }
            EndLine();
        };
        floatLine(leading[c++], m_Columns.Wavelengths(), &ScanColumns::GridPoints);
        floatLine(leading[c++], m_Columns.Dark(), &ScanColumns::GridDark);
        floatLine(leading[c++], m_Columns.Reference(), &ScanColumns::GridReference);

        // The scan lines, a block of them at a time.
        const std::size_t perLine = std::max<std::size_t>(
            kTextBlockBytes / (std::max<std::size_t>(rows, 1) * kTypicalCellBytes), 1);
        const std::size_t scans = m_Columns.ScanCount();
        std::size_t undefined = 0;
        RunInOrder<Block>(
            m_nThreads, (scans + perLine - 1) / perLine,
            [&](std::size_t b, Block& into) {
                FormatScanLines(b * perLine, std::min(perLine, scans - b * perLine), into);
            },
            [&](std::size_t, Block& done) {
                undefined += done.undefined;
                m_Out.Write(done.text.Bytes());
            });
        return undefined;
    }

    // The lines of scans [first, first + count) of the rows layout into a block.
    void FormatScanLines(std::size_t first, std::size_t count, Block& into) const {
        const std::size_t rows = m_Columns.RowCount();
        const bool integers = m_Columns.IntegerScans();
        into.counts.resize(integers ? rows : 0);
        into.values.resize(integers ? 0 : rows);
        into.text.Clear();
        into.undefined = 0;
        for (std::size_t k = first; k < first + count; ++k) {
            AppendName(into.text, ScanName(k), true);
            if (integers) {
                m_Columns.ScanCounts(k, 0, into.counts);
                WriteCells(into.text, std::span<const std::int32_t>(into.counts));
            } else {
                into.undefined += m_Columns.ScanValues(k, 0, into.values);
                WriteCells(into.text, std::span<const double>(into.values));
            }
            EndLine(into.text);
        }
    }

    // A spectrum shorter than N has no value for the pixels beyond its end.
    static float ValueAt(std::span<const float> values, std::size_t i) {
        return i < values.size() ? values[i] : std::numeric_limits<float>::quiet_NaN();
    }

    // `count` cells after the first of a line, each with its delimiter, the values `stride`
    // apart; room for all at once.
    template <typename Out>
    void WriteCells(Out& out, const std::int32_t* cells, std::size_t count,
                    std::size_t stride) const {
        char* p = out.Room(count * kCountCellRoom);
        const char delimiter = m_Style.delimiter;
        for (std::size_t c = 0; c < count; ++c) {
            *p++ = delimiter;
            p = WriteCount(p, cells[c * stride]);
        }
        out.Commit(p);
    }
    template <typename Out>
    void WriteCells(Out& out, const double* cells, std::size_t count, std::size_t stride) const {
        char* p = out.Room(count * kCellRoom);
        const char delimiter = m_Style.delimiter;
        for (std::size_t c = 0; c < count; ++c) {
            *p++ = delimiter;
            p = Number(p, cells[c * stride]);
        }
        out.Commit(p);
    }
    template <typename Out, typename Value>
    void WriteCells(Out& out, std::span<const Value> cells) const {
        WriteCells(out, cells.data(), cells.size(), 1);
    }
    template <typename Value>
    void WriteCells(std::span<const Value> cells) {
        WriteCells(m_Out, cells);
    }

    const ScanColumns& m_Columns;
    const CsvStyle& m_Style;
    unsigned m_nThreads;
    ChunkedOutput& m_Out;
};

}  // namespace

std::optional<std::string> SpreadsheetNotice(const ScanColumns& columns, CsvLayout layout) {
    // The lines of the rows layout: the pixel line (without a grid), wavelength, dark,
    // reference and one per scan; each with its name before the values.
    const std::size_t lines = (columns.HasGrid() ? 3u : 4u) + columns.ScanCount();
    const std::size_t values = columns.RowCount();
    const auto fits = [](std::size_t rows, std::size_t cols) {
        return rows <= kSpreadsheetRows && cols <= kSpreadsheetColumns;
    };
    // Columns layout: a header line and one line per value; one column per line above.
    const std::size_t colRows = 1 + values;
    const std::size_t colCols = lines;
    const std::size_t rowRows = lines;
    const std::size_t rowCols = 1 + values;
    const bool columnsFit = fits(colRows, colCols);
    const bool rowsFit = fits(rowRows, rowCols);
    const bool chosenFits = layout == CsvLayout::kColumns ? columnsFit : rowsFit;
    if (chosenFits) {
        return std::nullopt;
    }
    const std::size_t rows = layout == CsvLayout::kColumns ? colRows : rowRows;
    const std::size_t cols = layout == CsvLayout::kColumns ? colCols : rowCols;
    std::string notice = "the table has " + GroupedCount(rows) + " rows and " + GroupedCount(cols) +
                         " columns, more than a spreadsheet shows (" +
                         GroupedCount(kSpreadsheetRows) + " rows, " +
                         GroupedCount(kSpreadsheetColumns) + " columns); ";
    if (layout == CsvLayout::kColumns && rowsFit) {
        notice += "--layout rows fits";
    } else if (layout == CsvLayout::kRows && columnsFit) {
        notice += "--layout columns fits";
    } else {
        notice += "neither layout fits; select fewer scans (--select) or a coarser --grid";
    }
    return notice;
}

ExportReport WriteCsv(const ScanFile& file, const ExportRequest& request, const std::string& path,
                      OutputFiles& files) {
    const ScanColumns columns(file, request);
    ExportReport report;
    report.path = path;
    report.values = columns.ScanCount() * columns.RowCount();
    if (auto notice = SpreadsheetNotice(columns, request.csv.layout)) {
        report.notices.push_back(std::move(*notice));
    }
    WriteWholeExport(file, path, files, [&](ChunkedOutput& out) {
        report.undefined = CsvWriter(columns, request.csv, WorkerCount(request.jobs), out).Write();
    });
    return report;
}

}  // namespace quillon
