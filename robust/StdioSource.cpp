#include "StdioSource.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

constexpr int kPipeBytes = 1 << 20;

}  // namespace

CStdioSource::CStdioSource(std::FILE* pFile, bool bOwned) : m_pFile(pFile), m_bOwned(bOwned) {
    // A larger pipe: fewer turns with its writer. (Reads larger than the
    // stream's buffer go straight into the caller's.)
#ifdef F_SETPIPE_SZ
    fcntl(fileno(m_pFile), F_SETPIPE_SZ, kPipeBytes);  // where allowed; it is only faster
#endif
}

CStdioSource::~CStdioSource() {
    if (m_bOwned) {
        std::fclose(m_pFile);
    }
}

int64_t CStdioSource::Read(void* pOut, int64_t nBytes) {
    if (nBytes <= 0) {
        return 0;
    }
#ifdef _WIN32
    const size_t nRead = std::fread(pOut, 1, static_cast<size_t>(nBytes), m_pFile);
    if (nRead == 0 && std::ferror(m_pFile) != 0) {
        return -1;
    }
    return static_cast<int64_t>(nRead);
#else
    for (;;) {
        const ssize_t nRead = ::read(fileno(m_pFile), pOut, static_cast<size_t>(nBytes));
        if (nRead >= 0 || errno != EINTR) {
            return nRead < 0 ? -1 : static_cast<int64_t>(nRead);
        }
    }
#endif
}

int64_t CStdioSource::Ready() const {
#ifdef _WIN32
    // A pipe's waiting bytes; those in the stream's buffer are read too.
    const auto hPipe = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(m_pFile)));
    DWORD nBytes = 0;
    return GetFileType(hPipe) == FILE_TYPE_PIPE &&
                   PeekNamedPipe(hPipe, nullptr, 0, nullptr, &nBytes, nullptr) != 0
               ? static_cast<int64_t>(nBytes)
               : 0;
#elif !defined(FIONREAD)
    return 0;
#else
    int nBytes = 0;
    return ioctl(fileno(m_pFile), FIONREAD, &nBytes) == 0 && nBytes > 0 ? nBytes : 0;
#endif
}

std::FILE* CStdioSource::BinaryStdin() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return stdin;
}

CStdioSource::EKind CStdioSource::KindOf(std::FILE* pFile) {
#ifdef _WIN32
    struct _stat64 info {};
    if (_fstat64(_fileno(pFile), &info) != 0) {
        return EKind::kOther;
    }
    const auto nType = info.st_mode & _S_IFMT;
    return nType == _S_IFREG ? EKind::kRegular : nType == _S_IFDIR ? EKind::kFolder : EKind::kOther;
#else
    struct stat info {};
    const int nFd = fileno(pFile);
    if (nFd < 0 || fstat(nFd, &info) != 0) {
        // A stream of the C library's own making: a file if it can seek.
        return fseeko(pFile, 0, SEEK_CUR) == 0 ? EKind::kRegular : EKind::kOther;
    }
    return S_ISREG(info.st_mode)   ? EKind::kRegular
           : S_ISDIR(info.st_mode) ? EKind::kFolder
                                   : EKind::kOther;
#endif
}
