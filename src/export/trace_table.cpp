// SPDX-License-Identifier: MIT
// The trace of a file: one pass over its scans, then the CSV of the rows.
#include "export/trace_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "export/chunked_output.h"
#include "export/number_text.h"
#include "export/scan_columns.h"
#include "export/scan_times.h"
#include "export/text_decoding.h"
#include "platform/ordered_work.h"
#include "render/spectrum_tables.h"
#include "scanfile/records.h"
#include "scanfile/scan_reader.h"

namespace quillon {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

TracePlan MakePlan(const ScanFile& file, const TraceSpec& spec) {
    const std::vector<float> axis = WavelengthAxis(file);
    return TracePlan(axis, file.m_pDarkData, file.m_pRefData, spec);
}

// The mean of the seconds that are defined; NaN when none is.
double MeanSeconds(std::span<const double> seconds) {
    double sum = 0.0;
    std::size_t count = 0;
    for (const double s : seconds) {
        if (!std::isnan(s)) {
            sum += s;
            ++count;
        }
    }
    return count == 0 ? kUndefined : sum / static_cast<double>(count);
}

// A CSV cell for a text: quoted (quotes doubled) when it holds the delimiter, a quote or a
// line end.
std::string CsvText(std::string_view text, char delimiter) {
    if (text.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

// The records a run of groups of a trace spans, read and computed on one thread.
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

// The rows of a run of groups, made on one thread.
struct TraceBlock {
    std::optional<ScanReader> reader;  // made on first use, kept for the block's next runs
    std::vector<double> sums;
    std::vector<double> values;        // row by row
    std::string texts;                 // every scan's date-time text, back to back
    std::vector<std::size_t> lengths;  // of each
    std::size_t undefined = 0;
};

// The rows of `groups` of the scans `numbers` into `block`: the values of a single scan from
// its counts, of several from their mean counts, and every scan's text.
void ReadGroups(const ScanFile& file, const TracePlan& plan, std::span<const std::int32_t> numbers,
                std::span<const ScanGroup> groups, TraceBlock& block) {
    if (!block.reader) {
        block.reader.emplace(file);
    }
    const std::size_t n = static_cast<std::size_t>(std::max(file.m_nPixelCount, 0));
    const std::size_t begin = plan.PixelBegin();
    const std::size_t end = plan.PixelEnd();
    block.sums.resize(n);
    block.values.resize(groups.size() * plan.Count());
    block.texts.clear();
    block.lengths.clear();
    block.undefined = 0;
    std::vector<double>& sums = block.sums;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const ScanGroup& group = groups[g];
        const std::span<double> row(block.values.data() + g * plan.Count(), plan.Count());
        std::fill(sums.begin() + static_cast<std::ptrdiff_t>(begin),
                  sums.begin() + static_cast<std::ptrdiff_t>(end), 0.0);
        for (std::size_t j = group.begin; j < group.begin + group.size; ++j) {
            const ScanView scan = block.reader->Scan(static_cast<std::size_t>(numbers[j]) - 1);
            if (scan.values.size() != n) {
                throw std::length_error("scan " + std::to_string(numbers[j]) + " holds " +
                                        std::to_string(scan.values.size()) + " counts instead of " +
                                        std::to_string(n));
            }
            const std::string_view text =
                FieldText(*reinterpret_cast<const char(*)[kScanTextSize]>(scan.dateTime));
            block.texts.append(text);
            block.lengths.push_back(text.size());
            if (group.size == 1) {
                block.undefined += plan.Values(scan.values, row);
            }
            for (std::size_t i = begin; i < end && group.size > 1; ++i) {
                sums[i] += static_cast<double>(scan.values[i]);
            }
        }
        if (group.size > 1) {
            for (std::size_t i = begin; i < end; ++i) {
                sums[i] /= static_cast<double>(group.size);
            }
            block.undefined += plan.Values(std::span<const double>(sums), row);
        }
    }
}

}  // namespace

std::string_view TraceTable::DateTime(std::size_t r) const noexcept {
    const std::size_t begin = r == 0 ? 0 : m_TextEnds[r - 1];
    return std::string_view(m_Texts).substr(begin, m_TextEnds[r] - begin);
}

std::string TraceTable::ColumnName(std::size_t w) const {
    return std::string(QuantityKey(m_Quantity)) + "_" + ShortestText(m_Wavelengths[w]) + "nm";
}

void CheckTrace(const ScanFile& file, const ExportRequest& request) {
    if (request.trace) {
        MakePlan(file, *request.trace);
    }
}

TraceTable BuildTraceTable(const ScanFile& file, const ExportRequest& request,
                           const std::atomic<bool>* stop) {
    if (!request.trace) {
        throw std::invalid_argument("BuildTraceTable: no trace was asked for");
    }
    const TracePlan plan = MakePlan(file, *request.trace);
    const std::span<const std::int32_t> numbers = request.scanNumbers;
    for (const std::int32_t number : numbers) {
        if (number < 1 || static_cast<std::size_t>(number) > file.ScanCount()) {
            throw std::out_of_range("the file has no scan " + std::to_string(number));
        }
    }
    TraceTable table;
    table.m_Wavelengths = request.trace->wavelengths;
    table.m_Quantity = request.trace->quantity;
    table.m_bAveraged = request.average > 1;
    const std::vector<ScanGroup> groups = ScanGroups(numbers.size(), request.average);
    table.m_Numbers.reserve(groups.size());
    table.m_Sizes.reserve(groups.size());
    table.m_Values.reserve(groups.size() * plan.Count());
    // Every selected scan's text, for its seconds; the rows keep their first scan's.
    std::string texts;
    std::vector<std::size_t> ends;
    ends.reserve(numbers.size());
    // Room for texts as long as "2026-12-07 09:00:02.5": a longer text grows it, but on a
    // time series of the usual texts the pass never copies them over.
    texts.reserve(numbers.size() * 21);

    // Runs of groups read and computed on several threads, each through a reader of its own,
    // and appended in their order: reading one run overlaps computing another.
    const std::size_t recordBytes = static_cast<std::size_t>(ScanRecordSize(file.m_nPixelCount));
    const std::size_t perBlock = std::max<std::size_t>(
        1, kBlockBytes / recordBytes / std::max<std::size_t>(request.average, 1));
    const std::span<const ScanGroup> all(groups);
    std::size_t done = 0;
    struct Stopped {};
    try {
        RunInOrder<TraceBlock>(
            WorkerCount(request.jobs), (groups.size() + perBlock - 1) / perBlock,
            [&](std::size_t b, TraceBlock& block) {
                const std::size_t first = b * perBlock;
                ReadGroups(file, plan, numbers,
                           all.subspan(first, std::min(perBlock, groups.size() - first)), block);
            },
            [&](std::size_t b, TraceBlock& block) {
                if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                    throw Stopped{};
                }
                const std::size_t first = b * perBlock;
                const std::size_t count = std::min(perBlock, groups.size() - first);
                for (const ScanGroup& group : all.subspan(first, count)) {
                    table.m_Numbers.push_back(numbers[group.begin]);
                    table.m_Sizes.push_back(static_cast<std::int32_t>(group.size));
                    done += group.size;
                }
                table.m_Values.insert(table.m_Values.end(), block.values.begin(),
                                      block.values.end());
                table.m_nUndefined += block.undefined;
                texts.append(block.texts);
                std::size_t at = texts.size() - block.texts.size();
                for (const std::size_t length : block.lengths) {
                    at += length;
                    ends.push_back(at);
                }
            });
    } catch (const Stopped&) {
        // The rows made so far are the table.
    }
    file.CheckUnchanged();

    const auto textAt = [&texts, &ends](std::size_t i) {
        const std::size_t from = i == 0 ? 0 : ends[i - 1];
        return std::string_view(texts).substr(from, ends[i] - from);
    };
    ScanTimes times = ScanTimesOfTexts(done, textAt, numbers);
    table.m_strTimeNotice = times.notice;
    const std::size_t rows = table.m_Numbers.size();
    if (!table.m_bAveraged) {
        // A row per scan: the scans' texts and seconds are the rows'.
        table.m_Texts = std::move(texts);
        table.m_TextEnds = std::move(ends);
        table.m_Seconds =
            times.HasTimes() ? std::move(times.seconds) : std::vector<double>(rows, kUndefined);
        return table;
    }
    table.m_Seconds.assign(rows, kUndefined);
    for (std::size_t r = 0; r < rows; ++r) {
        const ScanGroup& group = groups[r];
        if (times.HasTimes()) {
            table.m_Seconds[r] =
                MeanSeconds(std::span(times.seconds).subspan(group.begin, group.size));
        }
        table.m_Texts.append(textAt(group.begin));
        table.m_TextEnds.push_back(table.m_Texts.size());
    }
    return table;
}

ExportReport WriteTraceCsv(const ScanFile& file, const TraceTable& table, const CsvStyle& style,
                           const std::string& path, OutputFiles& files) {
    ExportReport report;
    report.path = path;
    report.values = table.AllValues().size();
    report.undefined = table.Undefined();
    const char delimiter = style.delimiter;
    const auto number = [&style](char* p, double value) {
        return std::isnan(value) ? p : WriteShortest(p, value, style.decimalComma);
    };
    WriteWholeExport(file, path, files, [&](ChunkedOutput& out) {
        if (style.byteOrderMark) {
            out.Append("\xEF\xBB\xBF");
        }
        std::string header =
            table.Averaged() ? "scan,scans,date_time,seconds" : "scan,date_time,seconds";
        for (std::size_t w = 0; w < table.Columns(); ++w) {
            header += ',' + table.ColumnName(w);
        }
        for (char& c : header) {
            c = c == ',' ? delimiter : c;
        }
        out.Append(header + "\r\n");
        for (std::size_t r = 0; r < table.Rows(); ++r) {
            const std::string text = CsvText(Windows1252ToUtf8(table.DateTime(r)), delimiter);
            char* p = out.Room(2 * kMaxInt32Chars + text.size() +
                               (table.Columns() + 1) * (1 + kMaxNumberChars) + 8);
            p = WriteInteger(p, table.Number(r));
            if (table.Averaged()) {
                *p++ = delimiter;
                p = WriteInteger(p, table.GroupSize(r));
            }
            *p++ = delimiter;
            p = std::copy(text.begin(), text.end(), p);
            *p++ = delimiter;
            p = number(p, table.Seconds(r));
            for (const double value : table.Values(r)) {
                *p++ = delimiter;
                p = number(p, value);
            }
            *p++ = '\r';
            *p++ = '\n';
            out.Commit(p);
        }
    });
    return report;
}

}  // namespace quillon
