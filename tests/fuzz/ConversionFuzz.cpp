// Fuzz target: any file at all goes through a whole conversion run of the
// command-line driver. The run must end with one of its final messages,
// every text it shows must be valid UTF-8 without a control character (no
// recording may move a terminal's cursor), and "test.dat" must hold exactly
// the bytes that a reader of its own decodes from the same file.
#include <iconv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CliOwner.h"
#include "ConversionRun.h"
#include "FuzzInput.h"
#include "Messages.h"
#include "support/ReaderPair.h"
#include "support/TestFiles.h"

namespace {

// Well-formed UTF-8, as glibc's strict converter sees it.
bool IsUtf8(const std::string& str) {
    static const iconv_t hConverter = iconv_open("UTF-32LE", "UTF-8");
    if (hConverter == reinterpret_cast<iconv_t>(-1)) {
        Finding("no UTF-8 converter");
    }
    iconv(hConverter, nullptr, nullptr, nullptr, nullptr);
    std::string strIn = str;
    std::vector<char> out(4 * str.size() + 4);
    char* pIn = strIn.data();
    size_t nIn = strIn.size();
    char* pOut = out.data();
    size_t nOut = out.size();
    return iconv(hConverter, &pIn, &nIn, &pOut, &nOut) != static_cast<size_t>(-1) && nIn == 0;
}

// C0 controls, DEL and the C1 controls U+0080-U+009F (C2 80-C2 9F).
bool HasControl(const std::string& str) {
    for (size_t k = 0; k < str.size(); ++k) {
        const auto b = static_cast<uint8_t>(str[k]);
        if (b < 0x20 || b == 0x7F ||
            (b == 0xC2 && k + 1 < str.size() && static_cast<uint8_t>(str[k + 1]) < 0xA0)) {
            return true;
        }
    }
    return false;
}

// Keeps every text as the driver would print it on a pipe.
class CKeptTexts : public CTextSink {
public:
    void ShowFile(const std::string& strText) override { m_texts.push_back("file: " + strText); }
    void ShowStatus(const std::string& strText) override {
        m_texts.push_back("status: " + strText);
    }

    std::vector<std::string> m_texts;
};

const char* FinalMessage(ERunResult eResult) {
    switch (eResult) {
        case ERunResult::kDone:
            return Messages::kDone;
        case ERunResult::kWavNotOpened:
            return Messages::kWavNotOpened;
        case ERunResult::kOutputNotOpened:
            return Messages::kOutputNotOpened;
        case ERunResult::kReadError:
            return Messages::kReadError;
        case ERunResult::kWriteError:
            return Messages::kWriteError;
    }
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strPath = RecordingPath();
    WriteRecording(pData, nSize);

    CKeptTexts texts;
    CCliOwner owner(strPath, texts);
    const ERunResult eResult = RunConversion(owner);

    const char* szFinal = FinalMessage(eResult);
    if (szFinal == nullptr || texts.m_texts.empty() ||
        texts.m_texts.back() != std::string("status: ") + szFinal) {
        Finding("the run did not end with the message of its result");
    }
    for (const std::string& strText : texts.m_texts) {
        if (!IsUtf8(strText)) {
            Finding("a text is not UTF-8: " + strText);
        }
        if (HasControl(strText)) {
            Finding("a text holds a control character: " + strText);
        }
    }
    if (eResult == ERunResult::kWavNotOpened) {
        return 0;
    }
    // A plain file in a temporary folder: nothing may fail to read or write.
    if (eResult != ERunResult::kDone) {
        Finding(std::string("a plain file ended with: ") + szFinal);
    }
    // What a reader of its own decodes from the file is what the run kept.
    // (That the block path decodes what the per-tick operations do is the
    // other target's question.)
    if (ReadBytes(FuzzFolder() + "/" + Messages::kOutputName) != DecodeFile(strPath)) {
        Finding("test.dat differs from the bytes the reader decodes");
    }
    return 0;
}
