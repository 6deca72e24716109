// SPDX-License-Identifier: MIT
// UTF-8 <-> UTF-16 at the system boundary: what Windows file names and command lines become
// inside QUILLON, and back.
#include <gtest/gtest.h>

#include <string>

#include "platform/utf16.h"

namespace quillon {
namespace {

TEST(Utf16, ConvertsEachRangeOfCodePointsBothWays) {
    const struct {
        const char* utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"run1.sdf", u"run1.sdf"},
        {"\xC3\xA4\xC3\xB6\xC3\xBC", u"\u00E4\u00F6\u00FC"},   // 2 bytes each: äöü
        {"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},         // 3 bytes each
        {"\xF0\x9F\x98\x80", std::u16string{0xD83D, 0xDE00}},  // U+1F600: a surrogate pair
        {"\xF4\x8F\xBF\xBF", std::u16string{0xDBFF, 0xDFFF}},  // U+10FFFF, the last one
        {"\xEF\xBF\xBF", u"\uFFFF"},                           // the last of 3 bytes
        {"\xC2\x80", u"\u0080"},                               // the first of 2 bytes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

TEST(Utf16, ANameWithUmlautsAndKanjiSurvivesTheRoundTrip) {
    const std::string name = "Messung_\xC3\xA4\xC3\xB6\xC3\xBC_\xE6\x97\xA5\xE6\x9C\xAC.sdf";
    const std::u16string wide = Utf8ToUtf16(name);
    EXPECT_EQ(wide, u"Messung_\u00E4\u00F6\u00FC_\u65E5\u672C.sdf");
    EXPECT_EQ(Utf16ToUtf8(wide), name);
}

TEST(Utf16, UnpairedSurrogatesOfWindowsNamesSurviveTheRoundTrip) {
    // Windows allows any 16-bit units in names; a lone surrogate keeps a 3-byte form of its own.
    const std::u16string names[] = {
        std::u16string{u'a', 0xD800, u'b'}, std::u16string{0xDC00},
        std::u16string{0xDBFF, 0xDBFF, 0xDC00},  // a high one alone, then a pair
        std::u16string{0xDFFF, 0xD800},          // in the wrong order: two lone ones
    };
    for (const std::u16string& name : names) {
        const std::string utf8 = Utf16ToUtf8(name);
        EXPECT_EQ(Utf8ToUtf16(utf8), name);
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800}), "\xED\xA0\x80");
}

TEST(Utf16, EachByteOfAMalformedSequenceBecomesOneReplacementCharacter) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},                                      // never a lead byte
        {"\x80", u"\uFFFD"},                                // a continuation alone
        {"\xC3", u"\uFFFD"},                                // cut at the end
        {"\xC3(", u"\uFFFD("},                              // a lead byte without its continuation
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/': no way round a check
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong in 3 bytes
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\xE6\x97", u"\uFFFD\uFFFD"},                      // 3-byte sequence cut after 2
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << ::testing::PrintToString(c.utf8);
    }
}

}  // namespace
}  // namespace quillon
