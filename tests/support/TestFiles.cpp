#include "TestFiles.h"

#include <atomic>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

CTempDir::CTempDir() {
    static std::atomic<unsigned> nSerial{0};
    std::random_device random;
    for (;;) {
        const std::string strName =
            "tavro-test-" + std::to_string(random()) + "-" + std::to_string(nSerial.fetch_add(1));
        m_path = fs::temp_directory_path() / strName;
        std::error_code error;
        if (fs::create_directory(m_path, error)) {
            break;
        }
    }
}

CTempDir::~CTempDir() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

std::string CTempDir::File(const std::string& strName) const {
    return PathUtf8(m_path / Utf8Path(strName));
}

fs::path Utf8Path(const std::string& strPath) {
    return fs::path(std::u8string(strPath.begin(), strPath.end()));
}

std::string PathUtf8(const fs::path& path) {
    const std::u8string str = path.u8string();
    return std::string(str.begin(), str.end());
}

CCurrentDir::CCurrentDir(const fs::path& path) : m_previous(fs::current_path()) {
    fs::current_path(path);
}

CCurrentDir::~CCurrentDir() {
    std::error_code error;
    fs::current_path(m_previous, error);
}

namespace {

void PutLe(std::vector<uint8_t>& bytes, size_t nAt, uint32_t nValue, int nBytes) {
    for (int k = 0; k < nBytes; ++k) {
        bytes[nAt + static_cast<size_t>(k)] = static_cast<uint8_t>(nValue >> (8 * k));
    }
}

}  // namespace

std::vector<uint8_t> MakeWavHeader(int32_t nRate, uint8_t nFrameSize, uint32_t nDataBytes) {
    std::vector<uint8_t> header(46, 0);
    const std::string strTags = "RIFF....WAVEfmt ";
    std::copy(strTags.begin(), strTags.end(), header.begin());
    PutLe(header, 4, 38 + nDataBytes, 4);
    PutLe(header, 16, 18, 4);  // fmt chunk size
    PutLe(header, 20, 1, 2);   // PCM
    PutLe(header, 22, 1, 2);   // channels
    PutLe(header, 24, static_cast<uint32_t>(nRate), 4);
    PutLe(header, 28, static_cast<uint32_t>(nRate) * nFrameSize, 4);
    header[32] = nFrameSize;
    PutLe(header, 34, 8, 2);  // bits per sample
    const std::string strData = "data";
    std::copy(strData.begin(), strData.end(), header.begin() + 38);
    PutLe(header, 42, nDataBytes, 4);
    return header;
}

std::vector<uint8_t> MakeWav(int32_t nRate, uint8_t nFrameSize, std::span<const uint8_t> data) {
    std::vector<uint8_t> bytes =
        MakeWavHeader(nRate, nFrameSize, static_cast<uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

void WriteBytes(const std::string& strPath, std::span<const uint8_t> bytes) {
    std::ofstream file(Utf8Path(strPath), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& strPath) {
    std::ifstream file(Utf8Path(strPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
