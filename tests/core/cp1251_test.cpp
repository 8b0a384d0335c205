// Windows-1251 table checked byte by byte against glibc's iconv, and the '?' rules.
#include "core/common/cp1251.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <string>

namespace {

// One conversion through iconv; nullopt when iconv rejects the input.
std::optional<std::string> Iconv(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string input = in;
    char out[64];
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    return std::string(out, static_cast<std::size_t>(outPtr - out));
}

TEST(Cp1251, EveryByteMatchesGlibcIconvBothWays) {
    ASSERT_TRUE(Iconv("UTF-8", "CP1251", "A")) << "glibc iconv has no CP1251";
    int assigned = 0;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const auto reference = Iconv("UTF-8", "CP1251", byte);
        if (!reference) {
            EXPECT_EQ(b, 0x98) << "only 0x98 is unassigned";
            continue;
        }
        ++assigned;
        EXPECT_EQ(core::Cp1251ToUtf8(byte), *reference) << std::hex << b;
        EXPECT_EQ(core::Utf8ToCp1251(*reference), byte) << std::hex << b;
        EXPECT_EQ(Iconv("CP1251", "UTF-8", *reference), byte) << std::hex << b;
    }
    EXPECT_EQ(assigned, 255);
}

TEST(Cp1251, UnassignedByteDecodesToReplacementCharacter) {
    EXPECT_EQ(core::Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");
    EXPECT_EQ(core::Utf8ToCp1251("\xEF\xBF\xBD"), "?");
}

TEST(Cp1251, WholeTextsRoundTrip) {
    const std::string utf8 = "Сохранить данные? Ёё №5 «ТП1» 4,985\xC2\xA0В\r\n";
    const std::string cp = core::Utf8ToCp1251(utf8);
    EXPECT_EQ(cp, "\xD1\xEE\xF5\xF0\xE0\xED\xE8\xF2\xFC \xE4\xE0\xED\xED\xFB\xE5? \xA8\xB8 \xB9"
                  "5 \xAB\xD2\xCF"
                  "1\xBB 4,985\xA0\xC2\r\n");
    EXPECT_EQ(core::Cp1251ToUtf8(cp), utf8);
}

TEST(Cp1251, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ(core::Utf8ToCp1251("a\xC3\xA4z"), "a?z");         // U+00E4
    EXPECT_EQ(core::Utf8ToCp1251("\xE4\xB8\xAD"), "?");         // U+4E2D
    EXPECT_EQ(core::Utf8ToCp1251("x\xF0\x9F\x98\x80y"), "x?y"); // U+1F600
}

TEST(Cp1251, MalformedUtf8BecomesOneQuestionMarkPerByte) {
    EXPECT_EQ(core::Utf8ToCp1251("\xFF"), "?");
    EXPECT_EQ(core::Utf8ToCp1251("\x80"
                                 "A"),
              "?A");                            // stray continuation
    EXPECT_EQ(core::Utf8ToCp1251("\xD0"), "?"); // cut at the end
    EXPECT_EQ(core::Utf8ToCp1251("\xD0"
                                 "A"),
              "?A");                                           // lead without continuation
    EXPECT_EQ(core::Utf8ToCp1251("\xC0\xAF"), "??");           // overlong '/'
    EXPECT_EQ(core::Utf8ToCp1251("\xED\xA0\x80"), "???");      // surrogate U+D800
    EXPECT_EQ(core::Utf8ToCp1251("\xF4\x90\x80\x80"), "????"); // beyond U+10FFFF
}

} // namespace
