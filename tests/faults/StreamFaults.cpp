// A fault injector for the driver tests, loaded into the program under test
// with LD_PRELOAD. It stands in for fopen and fopen64: one chosen file, when
// opened for reading, comes back as a stream whose reads go through to the
// file until a given number of bytes has been read, and then meet a fault.
// Every other open goes to the real function untouched.
//
// The environment chooses the file and the fault:
//   TAVRO_FAULT_PATH    the path, compared byte for byte with fopen's
//   TAVRO_FAULT_AFTER   bytes read before the fault (decimal)
//   TAVRO_FAULT         "read-error": every read from then on fails with EIO;
//                       "shrink": the file is cut on disk to TAVRO_FAULT_SIZE
//                       bytes, then reads go on and see the new end;
//                       "grow": the contents of the file TAVRO_FAULT_APPEND
//                       are appended on disk, then reads go on into them.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class EFault { kReadError, kShrink, kGrow };

// One faulty stream: the real file's descriptor and how far reads have got.
struct SFaultyFile {
    int nFd = -1;
    EFault eFault = EFault::kReadError;
    uint64_t nAfter = 0;             // bytes passed through before the fault
    uint64_t nRead = 0;              // bytes passed through so far
    uint64_t nShrinkSize = 0;        // for kShrink
    const char* szAppend = nullptr;  // for kGrow
    bool bFaulted = false;
};

using FOpen = FILE* (*)(const char*, const char*);

uint64_t EnvNumber(const char* szName) {
    const char* sz = std::getenv(szName);
    return sz != nullptr ? std::strtoull(sz, nullptr, 10) : 0;
}

// Appends the whole file szFrom to szTo through a descriptor of its own, so
// that the one being read keeps its position.
bool AppendFile(const char* szFrom, const char* szTo) {
    const int nFrom = open(szFrom, O_RDONLY | O_CLOEXEC);
    const int nTo = open(szTo, O_WRONLY | O_APPEND | O_CLOEXEC);
    bool bOk = nFrom >= 0 && nTo >= 0;
    char buf[65536];
    while (bOk) {
        const ssize_t nGot = read(nFrom, buf, sizeof buf);
        if (nGot <= 0) {
            bOk = nGot == 0;
            break;
        }
        bOk = write(nTo, buf, static_cast<size_t>(nGot)) == nGot;
    }
    if (nFrom >= 0) {
        close(nFrom);
    }
    if (nTo >= 0) {
        close(nTo);
    }
    return bOk;
}

// The path of the file, kept for the shrink and grow faults.
const char* FaultPath() {
    return std::getenv("TAVRO_FAULT_PATH");
}

// Applies the fault once nAfter bytes have been read. Shrink and grow change
// the file on disk once and let reads go on; a read error stays.
bool ApplyFault(SFaultyFile& file) {
    if (file.bFaulted) {
        return file.eFault != EFault::kReadError;
    }
    file.bFaulted = true;
    switch (file.eFault) {
        case EFault::kShrink:
            return truncate(FaultPath(), static_cast<off_t>(file.nShrinkSize)) == 0;
        case EFault::kGrow:
            return file.szAppend != nullptr && AppendFile(file.szAppend, FaultPath());
        case EFault::kReadError:
            break;
    }
    return false;
}

ssize_t FaultyRead(void* pCookie, char* pBuf, size_t nSize) {
    auto& file = *static_cast<SFaultyFile*>(pCookie);
    if (file.nRead < file.nAfter) {
        // Before the fault: never read past the byte where it strikes.
        const uint64_t nLeft = file.nAfter - file.nRead;
        if (nSize > nLeft) {
            nSize = static_cast<size_t>(nLeft);
        }
    } else if (!ApplyFault(file)) {
        errno = EIO;
        return -1;
    }
    const ssize_t nGot = read(file.nFd, pBuf, nSize);
    if (nGot > 0) {
        file.nRead += static_cast<uint64_t>(nGot);
    }
    return nGot;
}

int FaultySeek(void* pCookie, off64_t* pOffset, int nWhence) {
    auto& file = *static_cast<SFaultyFile*>(pCookie);
    const off64_t nAt = lseek64(file.nFd, *pOffset, nWhence);
    if (nAt < 0) {
        return -1;
    }
    *pOffset = nAt;
    return 0;
}

int FaultyClose(void* pCookie) {
    auto* pFile = static_cast<SFaultyFile*>(pCookie);
    const int nResult = close(pFile->nFd);
    delete pFile;
    return nResult;
}

// Reading modes only ("r", "rb", not "r+"): the stream has no write side.
bool IsChosenRead(const char* szPath, const char* szMode) {
    const char* szChosen = FaultPath();
    return szChosen != nullptr && szPath != nullptr && szMode != nullptr &&
           std::strcmp(szPath, szChosen) == 0 && szMode[0] == 'r' &&
           std::strchr(szMode, '+') == nullptr;
}

FILE* OpenFaulty(const char* szPath) {
    const int nFd = open(szPath, O_RDONLY | O_CLOEXEC);
    if (nFd < 0) {
        return nullptr;  // errno as open left it
    }
    auto* pFile = new SFaultyFile;
    pFile->nFd = nFd;
    pFile->nAfter = EnvNumber("TAVRO_FAULT_AFTER");
    pFile->nShrinkSize = EnvNumber("TAVRO_FAULT_SIZE");
    pFile->szAppend = std::getenv("TAVRO_FAULT_APPEND");
    const char* szFault = std::getenv("TAVRO_FAULT");
    if (szFault != nullptr && std::strcmp(szFault, "shrink") == 0) {
        pFile->eFault = EFault::kShrink;
    } else if (szFault != nullptr && std::strcmp(szFault, "grow") == 0) {
        pFile->eFault = EFault::kGrow;
    }
    const cookie_io_functions_t functions = {FaultyRead, nullptr, FaultySeek, FaultyClose};
    FILE* pStream = fopencookie(pFile, "r", functions);
    if (pStream == nullptr) {
        FaultyClose(pFile);
    }
    return pStream;
}

FOpen NextFOpen(const char* szName) {
    return reinterpret_cast<FOpen>(dlsym(RTLD_NEXT, szName));
}

}  // namespace

extern "C" {

FILE* fopen(const char* szPath, const char* szMode) {
    if (IsChosenRead(szPath, szMode)) {
        return OpenFaulty(szPath);
    }
    static const FOpen pNext = NextFOpen("fopen");
    return pNext(szPath, szMode);
}

FILE* fopen64(const char* szPath, const char* szMode) {
    if (IsChosenRead(szPath, szMode)) {
        return OpenFaulty(szPath);
    }
    static const FOpen pNext = NextFOpen("fopen64");
    return pNext(szPath, szMode);
}

}  // extern "C"
