// SPDX-License-Identifier: MIT
// Folder expansion with std::filesystem.
#include "export/input_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/file_error.h"
#include "platform/utf8_path.h"

namespace quillon {

namespace fs = std::filesystem;

namespace {

bool Hidden(const fs::path& path) {
    const std::string name = Utf8FromPath(path.filename());
    return !name.empty() && name.front() == '.';
}

// The scan data files of one folder, or the reason there are none.
void ExpandFolder(const std::string& folder, bool recursive, std::vector<InputFile>& out) {
    std::vector<std::string> found;
    std::error_code ec;
    const auto consider = [&found](const fs::directory_entry& entry) {
        std::error_code statusError;
        if (!Hidden(entry.path()) && HasSdfExtension(Utf8FromPath(entry.path().filename())) &&
            entry.is_regular_file(statusError)) {
            found.push_back(Utf8FromPath(entry.path()));
        }
    };
    if (recursive) {
        fs::recursive_directory_iterator it(PathFromUtf8(folder), ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (Hidden(it->path())) {
                it.disable_recursion_pending();
                continue;
            }
            consider(*it);
        }
    } else {
        fs::directory_iterator it(PathFromUtf8(folder), ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            consider(*it);
        }
    }
    if (ec) {
        out.push_back({folder, "the folder cannot be read: " + ErrorCodeReason(ec)});
        return;
    }
    if (found.empty()) {
        out.push_back({folder, recursive ? "the folder and its subfolders hold no .sdf file"
                                         : "the folder holds no .sdf file"});
        return;
    }
    std::sort(found.begin(), found.end());
    for (std::string& path : found) {
        out.push_back({std::move(path), ""});
    }
}

}  // namespace

bool HasSdfExtension(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return extension == ".sdf";
}

std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments, bool recursive) {
    std::vector<InputFile> inputs;
    for (const std::string& argument : arguments) {
        std::error_code ec;
        if (fs::is_directory(PathFromUtf8(argument), ec)) {
            ExpandFolder(argument, recursive, inputs);
        } else {
            inputs.push_back({argument, ""});
        }
    }
    return inputs;
}

}  // namespace quillon
