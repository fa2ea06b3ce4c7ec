// The double-byte code pages' tables agree with the system's converter pair by pair: every lead and
// trail byte that iconv decodes to one character decodes to that character here, so a table filled a
// row at a time cannot have shifted or dropped a pair.
#include <windows.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <iconv.h>

#include <string.h>

namespace {

struct CodePage {
    UINT cp;
    const char *iconvName;
};

// The character iconv gives the pair, or 0 when it gives no single BMP character.
WCHAR IconvPair(iconv_t cd, BYTE lead, BYTE trail)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[8];
    char *pin = in, *pout = reinterpret_cast<char *>(out);
    size_t inleft = 2, outleft = sizeof out;
    if (iconv(cd, &pin, &inleft, &pout, &outleft) == (size_t)-1 || inleft != 0 || sizeof out - outleft != 2)
        return 0;
    return static_cast<WCHAR>(out[0] | out[1] << 8);
}

TEST(CodePageTables, EveryPairTheConverterDefinesDecodesToItsCharacter)
{
    const CodePage pages[] = {{932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"}};
    for (const CodePage &page : pages) {
        iconv_t cd = iconv_open("UTF-16LE", page.iconvName);
        if (cd == (iconv_t)-1)
            continue;   // a machine without this converter has no table for it either
        int compared = 0, mismatches = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                WCHAR expected = IconvPair(cd, BYTE(lead), BYTE(trail));
                if (!expected)
                    continue;
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                WCHAR got[2] = {0, 0};
                int n = MultiByteToWideChar(page.cp, MB_ERR_INVALID_CHARS, pair, 2, got, 2);
                ++compared;
                if (n != 1 || got[0] != expected) {
                    if (++mismatches <= 5)
                        ADD_FAILURE() << page.cp << ": " << std::hex << lead << ' ' << trail << " gave " << n
                                      << " unit(s), " << got[0] << ", not " << expected;
                }
            }
        }
        iconv_close(cd);
        EXPECT_EQ(0, mismatches) << page.cp;
        EXPECT_GT(compared, 5000) << page.cp;
    }
}

}  // namespace
