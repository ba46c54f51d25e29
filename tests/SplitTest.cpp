// Each block as a file of its own: names safe on every file system, the
// numbers in front, the files written; and tavro-tape-cli --split, whose
// files hold together exactly the bytes of its output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "BlockFiles.h"
#include "SafeFileName.h"
#include "support/TestFiles.h"
#ifndef _WIN32
#include "support/ChildProcess.h"
#endif

namespace {

TEST(SafeFileNameTest, NamesBecomeSafeOnEveryFileSystem) {
    struct SCase {
        std::string m_strName;
        std::string m_strSafe;
    } const kCases[] = {
        {"PROGRAM1", "PROGRAM1"},
        {"01-ŽLUŤOUČKÝ.bin", "01-ŽLUŤOUČKÝ.bin"},  // UTF-8 stays
        {"a<b>c:d\"e/f\\g|h?i*j", "a_b_c_d_e_f_g_h_i_j"},
        {std::string("A\0B", 3), "A_B"},
        {"tab\there\x1B[2J", "tab_here_[2J"},
        {"del\x7F", "del_"},
        {"c1\xC2\x9B", "c1_"},          // U+009B, a control character
        {"bad\xFF\xFE", "bad__"},       // not UTF-8: one '_' a byte
        {"cut\xC5", "cut_"},            // a sequence cut short
        {"over\xC0\xAF", "over__"},     // an overlong '/'
        {"sur\xED\xA0\x80", "sur___"},  // a surrogate
        {"rep\xEF\xBF\xBD", "rep_"},    // the replacement character
        {"  spaced  ", "spaced"},
        {"dots...", "dots"},
        {"name. . ", "name"},
        {"...", "_"},
        {"", "_"},
        {"CON", "_CON"},
        {"con.bin", "_con.bin"},
        {"Nul .txt", "_Nul .txt"},
        {"COM1", "_COM1"},
        {"lpt9.dat", "_lpt9.dat"},
        {"COM\xC2\xB9", "_COM\xC2\xB9"},
        {"CONSOLE", "CONSOLE"},
        {"COM10", "COM10"},
        {"01-CON.bin", "01-CON.bin"},
        {std::string(300, 'x'), std::string(kMaxFileNameBytes - 1, 'x')},
    };
    for (const SCase& c : kCases) {
        EXPECT_EQ(SafeFileName(c.m_strName), c.m_strSafe) << c.m_strName;
    }
    // A long name is cut between characters, never inside one.
    std::string strLong;
    for (int k = 0; k < 150; ++k) {
        strLong += "\xC5\xBD";  // Ž
    }
    const std::string strCut = SafeFileName(strLong);
    EXPECT_LE(strCut.size(), kMaxFileNameBytes);
    EXPECT_EQ(strCut.size() % 2, 0u);
    EXPECT_EQ(strCut, strLong.substr(0, strCut.size()));
}

std::vector<SNamedBlock> Blocks(const std::vector<std::string>& names, size_t nBytes = 3) {
    std::vector<SNamedBlock> blocks;
    for (const std::string& strName : names) {
        blocks.push_back(
            {strName, std::vector<uint8_t>(nBytes, static_cast<uint8_t>(blocks.size()))});
    }
    return blocks;
}

TEST(BlockFilesTest, NamesAreNumberedInTapeOrder) {
    struct SCase {
        const char* m_szCase;
        std::vector<SNamedBlock> m_blocks;
        std::vector<std::string> m_names;
    };
    std::vector<SNamedBlock> withEmpty = Blocks({"A", "EMPTY", "B"});
    withEmpty[1].m_bytes.clear();
    std::vector<std::string> hundred;
    for (int k = 1; k <= 100; ++k) {
        hundred.push_back("X");
    }
    const std::vector<std::string> names = {"01-PROGRAM1.bin", "02.bin",     "03-PROGRAM1.bin",
                                            "04-program1.bin", "05-CON.bin", "06-a_b.bin",
                                            "07-x.bin",        "08.bin",     "09-PAD.bin"};
    const std::vector<SCase> kCases = {
        {"names, none, the same twice, case, a device, unsafe, trailing dots, blank, padded",
         Blocks({"PROGRAM1", "", "PROGRAM1", "program1", "CON", "a/b", "x.. ", "  ", " PAD    "}),
         names},
        {"a block without bytes gets no file", withEmpty, {"01-A.bin", "02-B.bin"}},
        {"nothing", {}, {}},
    };
    for (const SCase& c : kCases) {
        EXPECT_EQ(BlockFileNames(c.m_blocks), c.m_names) << c.m_szCase;
    }
    const std::vector<std::string> many = BlockFileNames(Blocks(hundred));
    ASSERT_EQ(many.size(), 100u);
    EXPECT_EQ(many.front(), "001-X.bin");
    EXPECT_EQ(many[98], "099-X.bin");
    EXPECT_EQ(many.back(), "100-X.bin");
}

TEST(BlockFilesTest, FilesHoldTheirBlocksAndTheFolderIsMade) {
    CTempDir dir;
    const std::string strFolder = dir.File("out/sub");
    WriteBytes(dir.File("placeholder"), std::vector<uint8_t>{1});
    std::vector<SNamedBlock> blocks = Blocks({"ONE", "", "TWO"}, 5);
    blocks[2].m_bytes = {9, 8, 7};
    std::string strError;
    ASSERT_TRUE(WriteBlockFiles(strFolder, blocks, strError)) << strError;
    EXPECT_EQ(ReadBytes(strFolder + "/01-ONE.bin"), blocks[0].m_bytes);
    EXPECT_EQ(ReadBytes(strFolder + "/02.bin"), blocks[1].m_bytes);
    EXPECT_EQ(ReadBytes(strFolder + "/03-TWO.bin"), blocks[2].m_bytes);

    // Again with shorter blocks: the files are replaced, not appended to.
    blocks[0].m_bytes = {42};
    ASSERT_TRUE(WriteBlockFiles(strFolder, blocks, strError)) << strError;
    EXPECT_EQ(ReadBytes(strFolder + "/01-ONE.bin"), std::vector<uint8_t>{42});

    // A folder that is a file cannot be made; the reason names it.
    EXPECT_FALSE(WriteBlockFiles(dir.File("placeholder"), blocks, strError));
    EXPECT_NE(strError.find("placeholder"), std::string::npos) << strError;
}

#ifndef _WIN32
TEST(SplitCliTest, TheFilesHoldTheBytesOfTheOutputInTapeOrder) {
    CTempDir dir;
    std::vector<CAnalogBlock> blocks(3);
    const char* const kNames[] = {"PROGRAM1", "CON", "A/B:C"};
    for (size_t b = 0; b < blocks.size(); ++b) {
        blocks[b].m_strName = kNames[b];
        blocks[b].m_data.assign(200 + 50 * b, static_cast<uint8_t>(b + 1));
    }
    ASSERT_TRUE(WriteAnalogRecording(dir.File("tape.wav"), CAnalogFormat{}, CImpairments{}, blocks,
                                     200, 0.3, nullptr));
    for (const bool bRobust : {false, true}) {
        SCOPED_TRACE(bRobust ? "robust" : "classic");
        std::vector<std::string> args = {"--split", "blocks", "tape.wav"};
        if (bRobust) {
            args.insert(args.begin(), "--robust");
        }
        const SChildResult result = RunChild(TAVRO_CLI_PATH, dir.Path(), args);
        EXPECT_EQ(result.nExit, 0) << result.strErr;
        std::vector<uint8_t> joined;
        const char* const kFiles[] = {"01-PROGRAM1.bin", "02-CON.bin", "03-A_B_C.bin"};
        for (size_t b = 0; b < blocks.size(); ++b) {
            const std::vector<uint8_t> bytes =
                ReadBytes(dir.File(std::string("blocks/") + kFiles[b]));
            EXPECT_EQ(bytes, TapeBytes(std::span(&blocks[b], 1))) << kFiles[b];
            joined.insert(joined.end(), bytes.begin(), bytes.end());
        }
        EXPECT_EQ(joined, ReadBytes(dir.File("test.dat")));
        size_t nFiles = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(dir.Path() / "blocks")) {
            ++nFiles;
        }
        EXPECT_EQ(nFiles, 3u);
    }
    // A folder that cannot be made: status 1 and a message, the bytes written.
    WriteBytes(dir.File("file"), std::vector<uint8_t>{1});
    const SChildResult result =
        RunChild(TAVRO_CLI_PATH, dir.Path(), {"--split", "file", "tape.wav"});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find("the blocks could not be written"), std::string::npos);
    EXPECT_FALSE(ReadBytes(dir.File("test.dat")).empty());
    EXPECT_EQ(RunChild(TAVRO_CLI_PATH, dir.Path(), {"--split", "tape.wav"}).nExit, 2);
}
#endif

}  // namespace
