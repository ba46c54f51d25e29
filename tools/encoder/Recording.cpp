#include "Recording.h"

#include <cstdio>
#include <filesystem>

#include "FileOpen.h"
#include "RecordHeader.h"

bool EncodeToSink(const CWavFormat& format, std::span<const uint8_t> data,
                  const CEncodeOptions& options, CByteSink& sink) {
    CTapeEncoder encoder(format, sink);
    encoder.AddLeader(options.m_nLeader);
    if (options.m_bRecordHeader) {
        encoder.AddBytes(MakeRecordHeader(options.m_strName));
    }
    encoder.AddBytes(data);
    encoder.AddTail();
    return encoder.Finish();
}

std::vector<uint8_t> EncodeRecording(const CWavFormat& format, std::span<const uint8_t> data,
                                     const CEncodeOptions& options) {
    CVectorSink sink;
    if (!EncodeToSink(format, data, options, sink)) {
        return {};
    }
    return sink.TakeBytes();
}

bool WriteRecordingFile(const std::string& strPath, const CWavFormat& format,
                        std::span<const uint8_t> data, const CEncodeOptions& options) {
    std::FILE* pFile = OpenFileUtf8(strPath, "wb");
    if (pFile == nullptr) {
        return false;
    }
    CFileSink sink(pFile);
    bool bOk = EncodeToSink(format, data, options, sink);
    bOk = std::fclose(pFile) == 0 && bOk;
    if (!bOk) {
        std::error_code error;
        std::filesystem::remove(std::u8string(strPath.begin(), strPath.end()), error);
    }
    return bOk;
}
