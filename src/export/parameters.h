// SPDX-License-Identifier: MIT
// The six parameter records of a scan data file as named values, in the order and with the
// field names of the parameter report: what the JSON export writes under "records" and the
// HDF5 export as the attributes of /parameters/<record>.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanfile/scan_file.h"

namespace quillon {

struct ParameterField {
    enum class Type {
        kUInt16,
        kInt16,
        kInt32,
        kFlag,  // a status flag: 1 to 3 bits
        kFloat,
        kDouble,
        kText,        // decoded to UTF-8
        kFloatArray,  // fCal, fRCal
    };
    std::string_view name;
    Type type = Type::kInt32;
    std::int64_t integer = 0;   // the integer types and flags
    double number = 0.0;        // kFloat (the float widened exactly) and kDouble
    std::string text;           // kText
    std::vector<float> floats;  // kFloatArray
};

struct ParameterGroup {
    std::string_view key;  // "header", "ccd", "acquire", "display_scale", "integration_time",
                           // "status"
    std::vector<ParameterField> fields;
};

std::vector<ParameterGroup> ParameterGroups(const ScanFile& file);

}  // namespace quillon
