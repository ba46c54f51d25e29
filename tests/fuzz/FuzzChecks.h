// Checks that the conversion fuzz targets share: what a run shows must be
// safe to print, and it must end with the message of its result.
#pragma once

#include <string>
#include <vector>

#include "ConversionRun.h"
#include "TextSink.h"

// Well-formed UTF-8, as glibc's strict converter sees it.
bool IsUtf8(const std::string& str);
// C0 controls, DEL and the C1 controls U+0080-U+009F (C2 80-C2 9F).
bool HasControl(const std::string& str);
// The status text that ends a run with this result.
const char* FinalMessage(ERunResult eResult);

// Keeps every text as the driver would print it on a pipe.
class CKeptTexts : public CTextSink {
public:
    void ShowFile(const std::string& strText) override { m_texts.push_back("file: " + strText); }
    void ShowStatus(const std::string& strText) override {
        m_texts.push_back("status: " + strText);
    }

    std::vector<std::string> m_texts;
};

// Reports a finding unless the texts end with the result's message and are
// all UTF-8 without control characters.
void CheckTexts(const CKeptTexts& texts, ERunResult eResult);
