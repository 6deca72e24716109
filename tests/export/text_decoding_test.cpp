// SPDX-License-Identifier: MIT
// Windows-1252 texts of a scan data file decoded to UTF-8.
#include "export/text_decoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace quillon {
namespace {

// The same byte through the C library's own Windows-1252 converter, or empty when it has no
// character for the byte.
std::string ThroughIconv(unsigned char byte) {
    iconv_t cd = ::iconv_open("UTF-8", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return "(no converter)";
    }
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const std::size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) {
        return "";
    }
    return std::string(out, outPtr);
}

TEST(Windows1252, EveryAssignedByteDecodesAsTheSystemConverterSays) {
    int compared = 0;
    for (int b = 1; b < 256; ++b) {
        const std::string expected = ThroughIconv(static_cast<unsigned char>(b));
        ASSERT_NE(expected, "(no converter)");
        if (expected.empty()) {
            continue;  // one of the five unassigned bytes, below
        }
        EXPECT_EQ(Windows1252ToUtf8(std::string(1, static_cast<char>(b))), expected)
            << "byte " << b;
        ++compared;
    }
    EXPECT_EQ(compared, 250);
}

TEST(Windows1252, KnownCharactersAndTheUnassignedBytes) {
    const struct {
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"Caf\xE9", "Caf\xC3\xA9"},    // é
        {"\x80 5", "\xE2\x82\xAC 5"},  // €
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"\x9F\xFF", "\xC5\xB8\xC3\xBF"},  // Ÿ ÿ
        {"\xB5m", "\xC2\xB5m"},            // µ
        // Unassigned: the C1 control of the same number, as Windows maps them.
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Windows1252ToUtf8(c.bytes), c.utf8) << c.bytes;
    }
}

TEST(Windows1252, AFieldEndsAtItsFirstZeroByteOrFillsItsWidth) {
    const char cut[8] = {'a', 'b', '\0', 'c', 'd', 'e', 'f', 'g'};
    EXPECT_EQ(FieldToUtf8(cut, sizeof cut), "ab");
    const char full[4] = {'\xE9', 'x', 'y', 'z'};
    EXPECT_EQ(FieldToUtf8(full, sizeof full), "\xC3\xA9xyz");
    const char empty[4] = {'\0', 'x', 'y', 'z'};
    EXPECT_EQ(FieldToUtf8(empty, sizeof empty), "");
}

}  // namespace
}  // namespace quillon
