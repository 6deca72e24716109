// SPDX-License-Identifier: MIT
// The JSON export, built with nlohmann::json. The document's head is one JSON value; the scans
// follow one object per line, each dumped on its own, so that a file of 100,000 scans never
// needs all of them as JSON values at once.
#include "export/json_export.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "export/chunked_output.h"
#include "export/number_text.h"
#include "export/parameters.h"
#include "export/scan_columns.h"
#include "export/text_decoding.h"
#include "platform/output_files.h"
#include "platform/utf8_path.h"
#include "scanfile/records.h"

namespace quillon {

namespace {

using Json = nlohmann::ordered_json;

// A float as the shortest decimal that reads back to it (0.1f as 0.1, not as the double
// 0.10000000149011612), so that a reader that narrows the number to a float gets the stored
// bits. NaN and infinities are null.
Json FloatValue(float value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    const std::string text = ShortestText(value);
    double number = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

Json DoubleValue(double value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    return value;
}

Json FieldValue(const ParameterField& field) {
    using Type = ParameterField::Type;
    switch (field.type) {
        case Type::kUInt16:
        case Type::kInt16:
        case Type::kInt32:
        case Type::kFlag:
            return field.integer;
        case Type::kFloat:
            return FloatValue(static_cast<float>(field.number));
        case Type::kDouble:
            return DoubleValue(field.number);
        case Type::kText:
            return field.text;
        case Type::kFloatArray: {
            Json values = Json::array();
            for (const float value : field.floats) {
                values.push_back(FloatValue(value));
            }
            return values;
        }
    }
    return nullptr;
}

Json Head(const ScanFile& file, std::size_t selected) {
    Json head;
    head["source"] = {
        {"name", Utf8FromPath(PathFromUtf8(file.m_strPath).filename())},
        {"size", file.m_nFileSize},
        {"missing_bytes", file.m_nMissingBytes},
    };
    head["converter"] = {{"name", "QUILLON"}, {"version", QUILLON_VERSION}};
    Json records = Json::object();
    for (const ParameterGroup& record : ParameterGroups(file)) {
        Json fields = Json::object();
        for (const ParameterField& field : record.fields) {
            fields[std::string(field.name)] = FieldValue(field);
        }
        records[std::string(record.key)] = std::move(fields);
    }
    head["records"] = std::move(records);
    head["pixel_count"] = file.m_nPixelCount;
    head["dark_optical_blank"] = FloatValue(file.m_fDarkOpticalBlank);
    head["reference_optical_blank"] = FloatValue(file.m_fRefOpticalBlank);
    head["scan_count"] = file.ScanCount();
    head["selected_scan_count"] = selected;
    return head;
}

Json ScanEntry(const ScanFile& file, std::int32_t number) {
    const ScanView scan = file.Scan(static_cast<std::size_t>(number) - 1);
    return {
        {"number", number},
        {"title", FieldToUtf8(scan.title, kScanTextSize)},
        {"subtitle", FieldToUtf8(scan.subtitle, kScanTextSize)},
        {"date_time", FieldToUtf8(scan.dateTime, kScanTextSize)},
        {"optical_blank", FloatValue(scan.opticalBlank)},
    };
}

// Invalid UTF-8 can come only from the file's path; it is replaced rather than refused.
std::string Dump(const Json& value, int indent) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

ExportReport WriteJson(const ScanFile& file, const ExportRequest& request, const std::string& path,
                       OutputFiles& files) {
    for (const std::int32_t number : request.scanNumbers) {
        if (number < 1 || static_cast<std::size_t>(number) > file.ScanCount()) {
            throw std::out_of_range("the file has no scan " + std::to_string(number));
        }
    }
    ExportReport report;
    report.path = path;
    WriteWholeExport(file, path, files, [&](ChunkedOutput& out) {
        std::string head = Dump(Head(file, request.scanNumbers.size()), 2);
        head.resize(head.size() - 2);  // the closing "\n}": the scans follow
        out.Append(head);
        out.Append(",\n  \"scans\": [");
        bool first = true;
        // With --average, an entry per group of scans: its first scan's, with how many scans
        // it averages and the last one's number.
        const std::span<const std::int32_t> numbers = request.scanNumbers;
        for (const ScanGroup& group : ScanGroups(numbers.size(), request.average)) {
            out.Append(first ? "\n    " : ",\n    ");
            Json entry = ScanEntry(file, numbers[group.begin]);
            if (request.average > 1) {
                entry["scans_averaged"] = group.size;
                entry["last_number"] = numbers[group.begin + group.size - 1];
            }
            out.Append(Dump(entry, -1));
            first = false;
        }
        out.Append(first ? "]\n}\n" : "\n  ]\n}\n");
    });
    return report;
}

}  // namespace quillon
