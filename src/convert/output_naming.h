// Output file names: every output is named after the loaded file and lies beside it.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

class DialogServices;

// The path up to its last '.', or empty when the path has none.
std::string OutputBaseName(std::string_view path);

// The one-file output: base + ".txt" when no such entry exists; otherwise asks whether to
// overwrite it: Yes gives base + ".txt", No the first free base + "(k).txt" from k = 0.
std::string ChooseOneFileName(const std::string& base, DialogServices& services);

}  // namespace quillon
