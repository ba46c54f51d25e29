// Temporary folders and hand-made WAV files for the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its
// contents on destruction.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The UTF-8 path of strName (UTF-8) in this folder.
    std::string File(const std::string& strName) const;

private:
    std::filesystem::path m_path;
};

// Makes the given folder current for its lifetime, then goes back.
class CCurrentDir {
public:
    explicit CCurrentDir(const std::filesystem::path& path);
    ~CCurrentDir();
    CCurrentDir(const CCurrentDir&) = delete;
    CCurrentDir& operator=(const CCurrentDir&) = delete;

private:
    std::filesystem::path m_previous;
};

// A 46-byte header as the reader takes it: only the rate (offset 24) and the
// frame size (offset 32) matter, the rest is a plausible RIFF/WAVE layout.
std::vector<uint8_t> MakeWavHeader(int32_t nRate, uint8_t nFrameSize, uint32_t nDataBytes = 0);

// The header followed by the data.
std::vector<uint8_t> MakeWav(int32_t nRate, uint8_t nFrameSize, std::span<const uint8_t> data);

// Paths in the tests are UTF-8 strings, as the core takes them.
std::filesystem::path Utf8Path(const std::string& strPath);
std::string PathUtf8(const std::filesystem::path& path);

void WriteBytes(const std::string& strPath, std::span<const uint8_t> bytes);
std::vector<uint8_t> ReadBytes(const std::string& strPath);
