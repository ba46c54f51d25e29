#include "FuzzChecks.h"

#include <iconv.h>

#include <cstdint>

#include "FuzzInput.h"
#include "Messages.h"

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

void CheckTexts(const CKeptTexts& texts, ERunResult eResult) {
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
}
