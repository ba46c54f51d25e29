#include "ByteSink.h"

#include <algorithm>
#include <limits>

bool CFileSink::Write(std::span<const uint8_t> bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), m_pFile) == bytes.size();
}

bool CFileSink::Rewrite(uint64_t nOffset, std::span<const uint8_t> bytes) {
    if (nOffset > static_cast<uint64_t>(std::numeric_limits<long>::max())) {
        return false;
    }
    if (std::fseek(m_pFile, static_cast<long>(nOffset), SEEK_SET) != 0) {
        return false;
    }
    const bool bWritten = Write(bytes);
    return std::fseek(m_pFile, 0, SEEK_END) == 0 && bWritten;
}

bool CVectorSink::Write(std::span<const uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return true;
}

bool CVectorSink::Rewrite(uint64_t nOffset, std::span<const uint8_t> bytes) {
    if (nOffset > m_bytes.size() || bytes.size() > m_bytes.size() - nOffset) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(nOffset));
    return true;
}
