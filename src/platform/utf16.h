// SPDX-License-Identifier: MIT
// UTF-8 <-> UTF-16 conversion for the system boundary on Windows, where file names, command
// lines and window texts are UTF-16 while everything inside QUILLON is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// UTF-16 of a UTF-8 text. A byte that does not belong to a well-formed UTF-8 sequence becomes
// U+FFFD. The 3-byte forms of U+D800..U+DFFF, which Utf16ToUtf8 makes of unpaired surrogates,
// turn back into those code units, so that every Windows file name survives the round trip.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-8 of a UTF-16 text. An unpaired surrogate (Windows allows them in file names) is written
// as the 3-byte form of its code unit instead of being lost.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace quillon
