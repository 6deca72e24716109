// SPDX-License-Identifier: MIT
// The 8-bit texts of a scan data file in UTF-8. The instrument PCs write them in Windows-1252,
// the Western European code page of Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

// The text of a fixed-width field up to its first zero byte (all of it without one), decoded
// from Windows-1252 to UTF-8. The five bytes that code page leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 control characters of the same number, as Windows maps them,
// so that no byte is lost.
std::string Windows1252ToUtf8(std::string_view bytes);
std::string FieldToUtf8(const char* field, std::size_t size);

}  // namespace quillon
