// CStdioSource: a CByteSource over a stdio stream: standard input, or a
// FIFO or other file that cannot seek. Closes the stream when it owns it.
// Except on Windows it reads the stream's descriptor directly, so that a
// read takes what a pipe holds and no more: nothing may have been read
// through the stream before.
#pragma once

#include <cstdio>

#include "ByteSource.h"

class CStdioSource : public CByteSource {
public:
    CStdioSource(std::FILE* pFile, bool bOwned);
    ~CStdioSource() override;
    CStdioSource(const CStdioSource&) = delete;
    CStdioSource& operator=(const CStdioSource&) = delete;

    // What has arrived, without waiting for more (on Windows, as much as asked).
    int64_t Read(void* pOut, int64_t nBytes) override;
    int64_t Ready() const override;  // the bytes waiting in a pipe

    // Standard input, switched to binary where the system tells the two apart.
    static std::FILE* BinaryStdin();
    enum class EKind { kRegular, kFolder, kOther };
    // A regular file can seek; another kind (a FIFO, a terminal) cannot. A
    // stream without a descriptor counts as a file when it can seek.
    static EKind KindOf(std::FILE* pFile);

private:
    std::FILE* m_pFile;
    bool m_bOwned;
};
