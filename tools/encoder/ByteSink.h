// Where an encoded recording goes: a stream of bytes written in order, plus
// one rewrite of bytes near the start (the header sizes) once all is known.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

class CByteSink {
public:
    virtual ~CByteSink() = default;
    // Appends the bytes; false when they could not all be written.
    virtual bool Write(std::span<const uint8_t> bytes) = 0;
    // Overwrites bytes already written, starting nOffset bytes from the first
    // one, and leaves the sink ready to append again. False when the sink
    // cannot go back (a pipe) or the write failed.
    virtual bool Rewrite(uint64_t nOffset, std::span<const uint8_t> bytes) = 0;
};

// Appends to a stdio stream opened for binary writing at its start; the
// caller keeps the stream and closes it.
class CFileSink : public CByteSink {
public:
    explicit CFileSink(std::FILE* pFile) : m_pFile(pFile) {}
    bool Write(std::span<const uint8_t> bytes) override;
    bool Rewrite(uint64_t nOffset, std::span<const uint8_t> bytes) override;

private:
    std::FILE* m_pFile;
};

// Collects everything in memory.
class CVectorSink : public CByteSink {
public:
    bool Write(std::span<const uint8_t> bytes) override;
    bool Rewrite(uint64_t nOffset, std::span<const uint8_t> bytes) override;

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    std::vector<uint8_t> TakeBytes() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};
