// SPDX-License-Identifier: MIT
// The scan data files a list of arguments stands for: a file stands for itself, a folder for
// the *.sdf files in it (any case of the extension), sorted by name, and with `recursive` for
// those of its subfolders as well.
#pragma once

#include <string>
#include <vector>

namespace quillon {

struct InputFile {
    std::string path;
    // Empty for a file to convert; otherwise why the argument yields none (a folder that cannot
    // be read or holds no scan data file).
    std::string problem;
};

// Expands folders as above. As with the shell's *.sdf, names starting with '.' are left out,
// and so are links to folders while descending (no loop can form). Other arguments pass
// through unchanged, whether they exist or not: loading reports what is wrong with them.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments, bool recursive);

// True when the name ends in ".sdf" in any case.
bool HasSdfExtension(const std::string& name);

}  // namespace quillon
