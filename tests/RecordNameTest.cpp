// The record-name scan and the Windows-1250 decoding of names.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "Cp1250.h"
#include "RecordName.h"

#ifdef __linux__
#include <iconv.h>
#endif

namespace {

// 64 block bytes with the header's zero byte at nZeroAt: 0xFF before it,
// 0x55 at +16 and +31, "ABCDEFGH" from +38.
std::array<int32_t, kScannedBytes> MakeHeader(int32_t nZeroAt) {
    std::array<int32_t, kScannedBytes> header;
    header.fill(0x11);
    header[0] = 0xFF;
    auto put = [&](int32_t nAt, int32_t nValue) {
        if (nAt < static_cast<int32_t>(kScannedBytes)) {
            header[static_cast<size_t>(nAt)] = nValue;
        }
    };
    put(nZeroAt, 0x00);
    put(nZeroAt + 16, 0x55);
    put(nZeroAt + 31, 0x55);
    for (int32_t k = 0; k < 8; ++k) {
        put(nZeroAt + 38 + k, 'A' + k);
    }
    return header;
}

TEST(RecordNameTest, NameFollowsTheHeaderLayout) {
    EXPECT_EQ(ScanRecordName(MakeHeader(1)), "ABCDEFGH");
    EXPECT_EQ(ScanRecordName(MakeHeader(18)), "ABCDEFGH");  // last whole position
    EXPECT_EQ(ScanRecordName(MakeHeader(19)), "ABCDEFG");   // cut at byte 63
    EXPECT_EQ(ScanRecordName(MakeHeader(25)), "A");
}

TEST(RecordNameTest, LayoutMismatchesLeaveTheNameEmpty) {
    auto noFF = MakeHeader(5);
    noFF[0] = 0x12;
    EXPECT_EQ(ScanRecordName(noFF), "");

    auto firstMoved = MakeHeader(5);
    firstMoved[5 + 16] = 0x11;
    firstMoved[5 + 17] = 0x55;
    EXPECT_EQ(ScanRecordName(firstMoved), "");

    auto secondMoved = MakeHeader(5);
    secondMoved[5 + 31] = 0x11;
    secondMoved[5 + 30] = 0x55;
    EXPECT_EQ(ScanRecordName(secondMoved), "");
}

TEST(RecordNameTest, ZeroBeforeTheFirstFFIsIgnoredAndBytesBetweenAreSkipped) {
    std::array<int32_t, kScannedBytes> header;
    header.fill(0x11);
    header[0] = 0x00;  // zero bytes before the 0xFF do not count
    header[1] = 0x00;
    header[3] = 0xFF;
    header[4] = 0x42;  // not zero: still waiting for the zero byte
    header[6] = 0x00;  // the zero byte: offsets count from here
    header[6 + 16] = 0x55;
    header[6 + 31] = 0x55;
    for (int32_t k = 0; k < 8; ++k) {
        header[static_cast<size_t>(6 + 38 + k)] = k == 2 ? 0 : 0xC8;
    }
    // Raw bytes, zero included; shown only up to the zero.
    const std::string strRaw = ScanRecordName(header);
    EXPECT_EQ(strRaw, std::string("\xC8\xC8\0\xC8\xC8\xC8\xC8\xC8", 8));
    EXPECT_EQ(Cp1250ToUtf8(strRaw), "ČČ");
}

TEST(Cp1250Test, CzechLettersAndUndefinedBytes) {
    EXPECT_EQ(Cp1250ToUtf8("\x8A\x9A\xC8\xE8\xD8\xF8\xCC\xEC\xD9\xF9\x80"), "ŠšČčŘřĚěŮů€");
    for (const char ch : {'\x81', '\x83', '\x88', '\x90', '\x98'}) {
        EXPECT_EQ(Cp1250ToUtf8(std::string(1, ch)), "\xEF\xBF\xBD");
    }
    EXPECT_EQ(Cp1250ToUtf8(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(Cp1250ToUtf8("\x01\x1F\x7F"), "\x01\x1F\x7F");
}

#ifdef __linux__
TEST(Cp1250Test, AgreesWithTheSystemConverterForEveryDefinedByte) {
    iconv_t converter = iconv_open("UTF-8", "CP1250");
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    int nUndefined = 0;
    for (int n = 1; n < 256; ++n) {
        char in[1] = {static_cast<char>(n)};
        char out[8] = {};
        char* pIn = in;
        char* pOut = out;
        size_t nIn = 1;
        size_t nOut = sizeof out;
        if (iconv(converter, &pIn, &nIn, &pOut, &nOut) == static_cast<size_t>(-1)) {
            ++nUndefined;
            EXPECT_EQ(Cp1250ToUtf8(std::string(1, in[0])), "\xEF\xBF\xBD") << n;
        } else {
            EXPECT_EQ(Cp1250ToUtf8(std::string(1, in[0])), std::string(out, pOut)) << n;
        }
    }
    iconv_close(converter);
    EXPECT_EQ(nUndefined, 5);
}
#endif

}  // namespace
