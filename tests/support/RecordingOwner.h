// A conversion run's owner for tests: keeps every text it is given.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "TapeOwner.h"

class CRecordingOwner : public CTapeOwner {
public:
    std::string& GetPath() override { return m_strPath; }
    CTapeReader& GetReader() override { return m_reader; }
    std::span<int32_t, kHeaderEntries> GetHeader() override { return m_nHeader; }
    void SetFileText(const std::string& strUtf8) override {
        m_texts.push_back("file: " + strUtf8);
        if (m_onFileText) {
            m_onFileText();
        }
    }
    void SetStatusText(const std::string& strUtf8) override {
        m_texts.push_back("status: " + strUtf8);
    }
    void Browse() override {
        ++m_nBrowses;
        if (m_onBrowse) {
            m_onBrowse();
        }
    }

    std::string m_strPath;
    CTapeReader m_reader;
    int32_t m_nHeader[kHeaderEntries] = {};
    std::vector<std::string> m_texts;  // "file: ..." and "status: ..." in order
    int m_nBrowses = 0;
    std::function<void()> m_onBrowse;
    std::function<void()> m_onFileText;
};
