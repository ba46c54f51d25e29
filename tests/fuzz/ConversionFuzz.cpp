// Fuzz target: any file at all goes through a whole conversion run of the
// command-line driver. The run must end with one of its final messages,
// every text it shows must be valid UTF-8 without a control character (no
// recording may move a terminal's cursor), and "test.dat" must hold exactly
// the bytes that a reader of its own decodes from the same file.
#include <cstdint>
#include <string>
#include <vector>

#include "CliOwner.h"
#include "ConversionRun.h"
#include "FuzzChecks.h"
#include "FuzzInput.h"
#include "Messages.h"
#include "support/ReaderPair.h"
#include "support/TestFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strPath = RecordingPath();
    WriteRecording(pData, nSize);

    CKeptTexts texts;
    CCliOwner owner(strPath, texts);
    const ERunResult eResult = RunConversion(owner);

    CheckTexts(texts, eResult);
    if (eResult == ERunResult::kWavNotOpened) {
        return 0;
    }
    // A plain file in a temporary folder: nothing may fail to read or write.
    if (eResult != ERunResult::kDone) {
        Finding(std::string("a plain file ended with: ") + FinalMessage(eResult));
    }
    // What a reader of its own decodes from the file is what the run kept.
    // (That the block path decodes what the per-tick operations do is the
    // other target's question.)
    if (ReadBytes(FuzzFolder() + "/" + Messages::kOutputName) != DecodeFile(strPath)) {
        Finding("test.dat differs from the bytes the reader decodes");
    }
    return 0;
}
