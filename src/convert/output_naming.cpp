// SPDX-License-Identifier: MIT
// Output file names and the overwrite question of the one-file output.
#include "convert/output_naming.h"

#include "platform/output_files.h"
#include "platform/strings.h"

namespace quillon {

std::string OutputBaseName(std::string_view path) {
    // The last '.' of the whole path counts, even when it lies in a folder name.
    return Left(path, ReverseFind(path, '.'));
}

std::string ChooseOneFileName(const std::string& base,
                              const std::function<bool(const std::string&)>& askOverwrite,
                              OutputFiles& files) {
    std::string name = base + ".txt";
    if (!files.Exists(name)) {
        return name;
    }
    if (askOverwrite && askOverwrite(std::string(kOverwriteQuestion))) {
        return name;
    }
    // Keep the existing output and take the first free numbered name, counting from 0.
    for (std::int64_t k = 0;; ++k) {
        name = base + "(" + std::to_string(k) + ").txt";
        if (!files.Exists(name)) {
            return name;
        }
    }
}

std::string ParametersFileName(const std::string& base) {
    return base + "_Var.txt";
}

std::string DarkFileName(const std::string& base) {
    return base + "_Dark.txt";
}

std::string RefFileName(const std::string& base) {
    return base + "_Ref.txt";
}

std::string ScanFileName(const std::string& base, std::int32_t scan, std::int32_t scanCount) {
    return base + "_" + std::to_string(scan) + "of" + std::to_string(scanCount) + ".txt";
}

}  // namespace quillon
