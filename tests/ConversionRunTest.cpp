// Whole conversion runs: messages, "test.dat", and every way a run can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ConversionRun.h"
#include "Messages.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"
#include "support/TickSignal.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::string>;

std::string Status(const char* szText) {
    return std::string("status: ") + szText;
}

std::string Progress(int nCount, const std::string& strName) {
    return "status: Nacteno: " + std::to_string(nCount) + "  (" + strName + ")";
}

// A block of nSize bytes that starts with a record header naming strName
// (cut short when the block is shorter than the header).
std::vector<uint8_t> MakeBlock(const std::string& strName, size_t nSize, uint8_t nSeed) {
    std::vector<uint8_t> block(std::max<size_t>(nSize, 47));
    for (size_t k = 0; k < block.size(); ++k) {
        block[k] = static_cast<uint8_t>(nSeed + k * 7);
    }
    block[0] = 0xFF;
    block[1] = 0x00;
    block[17] = 0x55;
    block[32] = 0x55;
    for (size_t k = 0; k < 8; ++k) {
        block[39 + k] = k < strName.size() ? static_cast<uint8_t>(strName[k]) : 0;
    }
    block.resize(nSize);
    return block;
}

class ConversionRunTest : public ::testing::Test {
protected:
    ConversionRunTest() : m_here(m_dir.Path()) {}

    std::string WriteRecording(const CTickSignal& signal, const std::string& strName = "in.wav") {
        const std::string strPath = m_dir.File(strName);
        WriteBytes(strPath, MakeWav(44100, 1, signal.Samples()));
        return strPath;
    }

    ERunResult Run(const std::string& strPath) {
        m_owner.m_strPath = strPath;
        m_owner.m_texts.clear();
        return RunConversion(m_owner);
    }

    std::string FileLine(const std::string& strPath, int nRate, int nBits) {
        return "file: " + strPath + " (" + std::to_string(nRate) + " kHz / " +
               std::to_string(nBits) + " bit)";
    }

    std::vector<uint8_t> Output() { return ReadBytes(m_dir.File(Messages::kOutputName)); }

    CTempDir m_dir;
    CCurrentDir m_here;
    CRecordingOwner m_owner;
};

TEST_F(ConversionRunTest, ARecordingIsDecodedWithItsMessagesInOrder) {
    const std::vector<uint8_t> block = MakeBlock("TAVRO-01", 600, 3);
    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 300).Bytes(block).Halves(CTickSignal::kShort, 4);
    const std::string strPath = WriteRecording(signal);

    EXPECT_EQ(Run(strPath), ERunResult::kDone);
    EXPECT_EQ(m_owner.m_texts,
              (Texts{FileLine(strPath, 44100, 8), Status(Messages::kSearching),
                     Status(Messages::kProcessing), Progress(0, ""), Progress(256, "TAVRO-01"),
                     Progress(512, "TAVRO-01"), Status(Messages::kDone)}));
    EXPECT_EQ(Output(), block);
    for (size_t k = 0; k < 66; ++k) {
        EXPECT_EQ(m_owner.m_nHeader[k], block[k]);
    }
}

TEST_F(ConversionRunTest, AFailedByteStartsANewBlockAndKeepsTheName) {
    const std::vector<uint8_t> first = MakeBlock("FIRST", 300, 1);
    const std::vector<uint8_t> second = MakeBlock("SECOND", 30, 2);
    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 300).Bytes(first);
    signal.Hold(CTickSignal::kLow, 2000);  // a gap: the next byte fails
    signal.Halves(CTickSignal::kShort, 300).Bytes(second).Halves(CTickSignal::kShort, 4);
    const std::string strPath = WriteRecording(signal);

    EXPECT_EQ(Run(strPath), ERunResult::kDone);
    EXPECT_EQ(m_owner.m_texts,
              (Texts{FileLine(strPath, 44100, 8), Status(Messages::kSearching),
                     Status(Messages::kProcessing), Progress(0, ""), Progress(256, "FIRST"),
                     Progress(0, "FIRST"), Status(Messages::kDone)}));
    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(Output(), expected);
}

TEST_F(ConversionRunTest, RecordingsWithoutData) {
    // A leader and nothing else: one progress message, empty output.
    CTickSignal leader;
    leader.Halves(CTickSignal::kShort, 500);
    const std::string strLeader = WriteRecording(leader, "leader.wav");
    EXPECT_EQ(Run(strLeader), ERunResult::kDone);
    EXPECT_EQ(m_owner.m_texts,
              (Texts{FileLine(strLeader, 44100, 8), Status(Messages::kSearching),
                     Status(Messages::kProcessing), Progress(0, ""), Status(Messages::kDone)}));
    EXPECT_TRUE(Output().empty());

    // Too short a tone for a leader: no progress message at all.
    CTickSignal tone;
    tone.Halves(CTickSignal::kShort, 60);
    const std::string strTone = WriteRecording(tone, "tone.wav");
    EXPECT_EQ(Run(strTone), ERunResult::kDone);
    EXPECT_EQ(m_owner.m_texts, (Texts{FileLine(strTone, 44100, 8), Status(Messages::kSearching),
                                      Status(Messages::kProcessing), Status(Messages::kDone)}));
    EXPECT_TRUE(Output().empty());
}

TEST_F(ConversionRunTest, TheFileLineShowsRateAndBitsAsStored) {
    struct SCase {
        int32_t nRate;
        uint8_t nFrameSize;
        int nBits;
    };
    for (const SCase& c :
         {SCase{44100, 2, 16}, SCase{44100, 4, 32}, SCase{22050, 3, 24}, SCase{48000, 1, 8}}) {
        const std::string strPath = m_dir.File("header.wav");
        WriteBytes(strPath, MakeWav(c.nRate, c.nFrameSize, std::vector<uint8_t>(64, 0)));
        EXPECT_EQ(Run(strPath), ERunResult::kDone);
        ASSERT_FALSE(m_owner.m_texts.empty());
        EXPECT_EQ(m_owner.m_texts.front(), FileLine(strPath, c.nRate, c.nBits));
    }
}

TEST_F(ConversionRunTest, ASecondRunReplacesTheOutput) {
    const std::vector<uint8_t> big = MakeBlock("BIG", 100, 5);
    const std::vector<uint8_t> small = {1, 2, 3};
    CTickSignal first;
    first.Halves(CTickSignal::kShort, 200).Bytes(big).Halves(CTickSignal::kShort, 4);
    CTickSignal second;
    second.Halves(CTickSignal::kShort, 200).Bytes(small).Halves(CTickSignal::kShort, 4);
    EXPECT_EQ(Run(WriteRecording(first, "a.wav")), ERunResult::kDone);
    EXPECT_EQ(Output(), big);
    EXPECT_EQ(Run(WriteRecording(second, "b.wav")), ERunResult::kDone);
    EXPECT_EQ(Output(), small);
}

TEST_F(ConversionRunTest, RecordingsThatCannotBeOpenedLeaveTheOutputAlone) {
    const std::string strRateZero = m_dir.File("zero.wav");
    WriteBytes(strRateZero, MakeWav(0, 1, std::vector<uint8_t>(64, 0)));
    const std::string strNegative = m_dir.File("negative.wav");
    WriteBytes(strNegative, MakeWav(-8000, 1, std::vector<uint8_t>(64, 0)));
    const std::string strEmpty = m_dir.File("empty.wav");
    WriteBytes(strEmpty, {});
    for (const std::string& strPath :
         {m_dir.File("missing.wav"), PathUtf8(m_dir.Path()), strRateZero, strNegative, strEmpty}) {
        SCOPED_TRACE(strPath);
        EXPECT_EQ(Run(strPath), ERunResult::kWavNotOpened);
        EXPECT_EQ(m_owner.m_texts, (Texts{Status(Messages::kWavNotOpened)}));
        EXPECT_FALSE(fs::exists(m_dir.Path() / Messages::kOutputName));
    }
}

TEST_F(ConversionRunTest, OddInputsAreReadAsTheyComeAndEnd) {
    // Text, a header cut short, and frame sizes the reader takes one byte at
    // a time: each is read to its end without a hang.
    std::string strText;
    for (int k = 0; k < 400; ++k) {
        strText += "This is no recording at all, just words. ";
    }
    const std::string strTextPath = m_dir.File("text.wav");
    WriteBytes(strTextPath, std::vector<uint8_t>(strText.begin(), strText.end()));

    std::vector<uint8_t> cut = MakeWavHeader(44100, 1);
    cut.resize(40);
    const std::string strCutPath = m_dir.File("cut.wav");
    WriteBytes(strCutPath, cut);

    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 200).Byte(42).Halves(CTickSignal::kShort, 4);
    const std::string strSize0 = m_dir.File("size0.wav");
    WriteBytes(strSize0, MakeWav(44100, 0, signal.Samples()));
    const std::string strSize6 = m_dir.File("size6.wav");
    WriteBytes(strSize6, MakeWav(44100, 6, signal.Samples()));

    for (const std::string& strPath : {strTextPath, strCutPath, strSize0, strSize6}) {
        SCOPED_TRACE(strPath);
        EXPECT_EQ(Run(strPath), ERunResult::kDone);
        EXPECT_EQ(m_owner.m_texts.back(), Status(Messages::kDone));
        EXPECT_TRUE(m_owner.m_reader.m_bEnd);
    }
    // One byte per frame whatever the frame size says: the signal decodes.
    EXPECT_EQ(Output(), std::vector<uint8_t>{42});
}

TEST_F(ConversionRunTest, AnEmptyPathAsksTheOwnerFirst) {
    EXPECT_EQ(Run(""), ERunResult::kWavNotOpened);
    EXPECT_EQ(m_owner.m_nBrowses, 1);
    EXPECT_EQ(m_owner.m_texts, (Texts{Status(Messages::kWavNotOpened)}));

    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 200).Byte(42).Halves(CTickSignal::kShort, 4);
    const std::string strPath = WriteRecording(signal);
    m_owner.m_onBrowse = [&] { m_owner.m_strPath = strPath; };
    EXPECT_EQ(Run(""), ERunResult::kDone);
    EXPECT_EQ(m_owner.m_nBrowses, 2);
    EXPECT_EQ(m_owner.m_texts.front(), FileLine(strPath, 44100, 8));
    EXPECT_EQ(Output(), std::vector<uint8_t>{42});
}

TEST_F(ConversionRunTest, AnOutputThatCannotBeCreatedEndsTheRun) {
    fs::create_directory(m_dir.Path() / Messages::kOutputName);
    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 200).Byte(42);
    const std::string strPath = WriteRecording(signal);
    EXPECT_EQ(Run(strPath), ERunResult::kOutputNotOpened);
    EXPECT_EQ(m_owner.m_texts,
              (Texts{FileLine(strPath, 44100, 8), Status(Messages::kOutputNotOpened)}));
    EXPECT_NE(m_owner.m_reader.m_pFile, nullptr);  // the recording stays open
}

#ifndef _WIN32
TEST_F(ConversionRunTest, WriteErrorsAreReported) {
    fs::create_symlink("/dev/full", m_dir.Path() / Messages::kOutputName);
    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 200).Bytes(MakeBlock("FULL", 20, 9));
    signal.Halves(CTickSignal::kShort, 4);
    const std::string strPath = WriteRecording(signal);
    EXPECT_EQ(Run(strPath), ERunResult::kWriteError);
    EXPECT_EQ(m_owner.m_texts.back(), Status(Messages::kWriteError));
}

TEST_F(ConversionRunTest, ReadErrorsEndTheDataAndKeepWhatWasDecoded) {
    std::vector<uint8_t> data(1500);
    for (size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<uint8_t>(k * 13);
    }
    CTickSignal signal;
    signal.Halves(CTickSignal::kShort, 200).Bytes(data).Halves(CTickSignal::kShort, 4);
    // Well past what the stream has read ahead when the file line is set.
    ASSERT_GT(signal.Samples().size(), 3 * CTapeReader::kStreamBufferSize);
    const std::string strPath = WriteRecording(signal);

    // Once the run has opened the recording, its stream starts failing: the
    // next read from the file reads from a folder.
    m_owner.m_onFileText = [&] {
        const int nFolder = open(PathUtf8(m_dir.Path()).c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(nFolder, 0);
        ASSERT_GE(dup2(nFolder, fileno(m_owner.m_reader.m_pFile)), 0);
        close(nFolder);
    };
    EXPECT_EQ(Run(strPath), ERunResult::kReadError);
    EXPECT_EQ(m_owner.m_texts.back(), Status(Messages::kReadError));
    // The bytes decoded before the error are kept; the one in progress when
    // the data ended is finished by the end-of-data rule and may differ.
    const std::vector<uint8_t> output = Output();
    ASSERT_GT(output.size(), 100u);
    ASSERT_LT(output.size(), data.size() / 2);
    EXPECT_TRUE(std::equal(output.begin(), output.end() - 1, data.begin()));
}
#endif

}  // namespace
