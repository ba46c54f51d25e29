// Fuzz target: any file at all goes through a whole conversion run with the
// robust decoder, as "tavro-tape-cli --robust" does it. The run must end
// with one of its final messages and show only safe text; a second run on
// the same file must give the same "test.dat" (no state leaks from one run
// into the next); and the decoder's log must add up to what was written.
// The same bytes then go through once more as a stream, in small pieces,
// read once without seeking; that run must end and add up the same way (its
// bytes may differ: a stream does not tell libsndfile its length).
// The input is the file as it is, at most the fuzzer's largest input, so
// the audio in it stays bounded.
#include <cstdint>
#include <string>
#include <vector>

#include "CliOwner.h"
#include "ConversionRun.h"
#include "FuzzChecks.h"
#include "FuzzInput.h"
#include "Messages.h"
#include "RobustDecoder.h"
#include "support/PieceSource.h"
#include "support/TestFiles.h"

namespace {

// One run of decoder on the recording; returns what "test.dat" holds.
std::vector<uint8_t> Run(CRobustDecoder& decoder, const std::string& strPath, ERunResult& eResult) {
    CKeptTexts texts;
    CCliOwner owner(strPath, texts);
    eResult = RunConversion(owner, decoder);
    CheckTexts(texts, eResult);
    if (eResult == ERunResult::kWavNotOpened) {
        return {};
    }
    if (eResult != ERunResult::kDone) {
        Finding(std::string("a plain file ended with: ") + FinalMessage(eResult));
    }
    return ReadBytes(FuzzFolder() + "/" + Messages::kOutputName);
}

void CheckLog(const CTapeLog& log, size_t nWritten) {
    uint64_t nBytes = 0;
    double dPrevious = -1.0;
    for (const STapeBlock& block : log.Blocks()) {
        nBytes += block.m_nBytes;
        if (!(block.m_dEnd >= block.m_dStart) || block.m_dStart < dPrevious) {
            Finding("blocks out of order in the log");
        }
        dPrevious = block.m_dEnd;
    }
    if (nBytes != nWritten || log.TotalBytes() != nWritten) {
        Finding("the log's byte counts differ from test.dat");
    }
    for (const STapeFailure& failure : log.Failures()) {
        if (failure.m_nBlock >= log.Blocks().size()) {
            Finding("a lost byte outside every block");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strPath = RecordingPath();
    const std::vector<uint8_t> bytes(pData, pData + nSize);
    WriteBytes(strPath, bytes);

    CRobustDecoder decoder;
    CPieceSource source(bytes, {1, 5, 4096, 700});
    decoder.SetStream(&source);
    ERunResult eStream = ERunResult::kDone;
    const std::vector<uint8_t> streamed = Run(decoder, strPath, eStream);
    decoder.SetStream(nullptr);
    if (eStream != ERunResult::kWavNotOpened) {
        CheckLog(decoder.GetLog(), streamed.size());
    }

    // The same decoder twice: the second run must not depend on the first.
    ERunResult eFirst = ERunResult::kDone;
    const std::vector<uint8_t> first = Run(decoder, strPath, eFirst);
    if (eFirst == ERunResult::kWavNotOpened) {
        return 0;
    }
    CheckLog(decoder.GetLog(), first.size());
    ERunResult eSecond = ERunResult::kDone;
    if (Run(decoder, strPath, eSecond) != first || eSecond != eFirst) {
        Finding("a second run on the same file decodes other bytes");
    }
    return 0;
}
