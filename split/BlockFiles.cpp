#include "BlockFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "FileOpen.h"
#include "SafeFileName.h"

namespace {

std::filesystem::path PathOfUtf8(const std::string& strPath) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(strPath.begin(), strPath.end()));
#else
    return std::filesystem::path(strPath);
#endif
}

std::string InFolder(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty()) {
        return strName;
    }
    const char chLast = strFolder.back();
    return chLast == '/' || chLast == '\\' ? strFolder + strName : strFolder + "/" + strName;
}

bool WriteFile(const std::string& strPath, const std::vector<uint8_t>& bytes,
               std::string& strError) {
    errno = 0;
    std::FILE* pFile = OpenFileUtf8(strPath, "wb");
    if (pFile == nullptr) {
        strError = strPath + ": " + (errno != 0 ? std::strerror(errno) : "cannot be created");
        return false;
    }
    const bool bWritten = std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size();
    const int nWriteErrno = errno;
    if (std::fclose(pFile) != 0 || !bWritten) {
        strError = strPath + ": " +
                   (nWriteErrno != 0 ? std::strerror(nWriteErrno)
                    : errno != 0     ? std::strerror(errno)
                                     : "cannot be written");
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> BlockFileNames(const std::vector<SNamedBlock>& blocks) {
    size_t nFiles = 0;
    for (const SNamedBlock& block : blocks) {
        nFiles += block.m_bytes.empty() ? 0u : 1u;
    }
    const size_t nDigits = std::max<size_t>(2, std::to_string(nFiles).size());
    std::vector<std::string> names;
    size_t nNumber = 0;
    for (const SNamedBlock& block : blocks) {
        if (block.m_bytes.empty()) {
            continue;
        }
        std::string strNumber = std::to_string(++nNumber);
        strNumber.insert(0, nDigits - strNumber.size(), '0');
        // Spaces and dots around the name would stand beside "-" and ".bin".
        std::string_view strRecord = block.m_strName;
        while (!strRecord.empty() && (strRecord.back() == ' ' || strRecord.back() == '.')) {
            strRecord.remove_suffix(1);
        }
        while (!strRecord.empty() && strRecord.front() == ' ') {
            strRecord.remove_prefix(1);
        }
        const std::string strName =
            strRecord.empty() ? strNumber : strNumber + "-" + std::string(strRecord);
        names.push_back(SafeFileName(strName + ".bin"));
    }
    return names;
}

bool WriteBlockFiles(const std::string& strFolder, const std::vector<SNamedBlock>& blocks,
                     std::string& strError) {
    std::error_code error;
    std::filesystem::create_directories(PathOfUtf8(strFolder), error);
    if (error) {
        strError = strFolder + ": " + error.message();
        return false;
    }
    const std::vector<std::string> names = BlockFileNames(blocks);
    size_t nName = 0;
    for (const SNamedBlock& block : blocks) {
        if (!block.m_bytes.empty() &&
            !WriteFile(InFolder(strFolder, names[nName++]), block.m_bytes, strError)) {
            return false;
        }
    }
    return true;
}
