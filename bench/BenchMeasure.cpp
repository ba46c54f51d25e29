#include "BenchMeasure.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "FileOpen.h"
#include "RobustDecoder.h"
#include "TapeReader.h"

extern char** environ;

namespace {

SDecodeResult DecodeRobust(const std::string& strPath) {
    SDecodeResult result;
    CRobustDecoder decoder;
    if (!decoder.Open(strPath)) {
        return result;
    }
    result.m_bOpened = true;
    decoder.FindLeader();
    while (!decoder.IsAtEnd()) {
        const int32_t c = decoder.ReadDataByte();
        if (c < 0) {
            decoder.FindLeader();
            continue;
        }
        ++result.m_nBytes;
        result.m_nChecksum =
            result.m_nChecksum * uint64_t{0x100000001B3} + static_cast<uint32_t>(c);
    }
    result.m_nFailures = static_cast<int64_t>(decoder.GetLog().Failures().size());
    return result;
}

}  // namespace

SDecodeResult DecodeFile(const std::string& strPath, EDecodePath ePath) {
    if (ePath == EDecodePath::kRobust) {
        return DecodeRobust(strPath);
    }
    SDecodeResult result;
    // The reader holds its buffers inline; keep it off the stack.
    auto pReader = std::make_unique<CTapeReader>();
    CTapeReader& reader = *pReader;
    if (!reader.Open(strPath)) {
        return result;
    }
    result.m_bOpened = true;
    const bool bBlock = ePath == EDecodePath::kBlock;
    if (bBlock) {
        reader.FindLeader();
    } else {
        reader.FindLeaderPerTick();
    }
    while (reader.m_bEnd == 0) {
        const int32_t c = bBlock ? reader.ReadDataByte() : reader.ReadDataBytePerTick();
        if (c < 0) {
            ++result.m_nFailures;
            if (bBlock) {
                reader.FindLeader();
            } else {
                reader.FindLeaderPerTick();
            }
            continue;
        }
        ++result.m_nBytes;
        result.m_nChecksum =
            result.m_nChecksum * uint64_t{0x100000001B3} + static_cast<uint32_t>(c);
    }
    return result;
}

uint64_t ReadWholeFile(const std::string& strPath) {
    static std::vector<uint8_t> buffer(64 * 1024);
    std::FILE* pFile = OpenFileUtf8(strPath, "rb");
    if (pFile == nullptr) {
        return 0;
    }
    uint64_t nTotal = 0;
    size_t nRead = 0;
    while ((nRead = std::fread(buffer.data(), 1, buffer.size(), pFile)) > 0) {
        nTotal += nRead;
    }
    std::fclose(pFile);
    return nTotal;
}

namespace {

bool Spawn(const std::vector<std::string>& args, int nOutFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (nOutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, nOutFd, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv;
    for (const std::string& str : args) {
        argv.push_back(const_cast<char*>(str.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0) {
        return false;
    }
    int nStatus = 0;
    if (waitpid(pid, &nStatus, 0) != pid) {
        return false;
    }
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

const char* PathName(EDecodePath ePath) {
    switch (ePath) {
        case EDecodePath::kBlock:
            return "block";
        case EDecodePath::kRobust:
            return "robust";
        case EDecodePath::kPerTick:
            break;
    }
    return "per-tick";
}

}  // namespace

bool RunCat(const std::string& strPath) {
    return Spawn({"cat", strPath}, -1);
}

int64_t ChildPeakKiB(const std::string& strProgram, const std::string& strPath, EDecodePath ePath) {
    std::FILE* pOut = std::tmpfile();
    if (pOut == nullptr) {
        return -1;
    }
    int64_t nPeak = -1;
    if (Spawn({strProgram, "--decode", strPath, PathName(ePath)}, fileno(pOut))) {
        std::rewind(pOut);
        long long nKiB = 0;
        if (std::fscanf(pOut, "peak-kib %lld", &nKiB) == 1) {
            nPeak = nKiB;
        }
    }
    std::fclose(pOut);
    return nPeak;
}

EDecodePath PathOfName(const std::string& strName) {
    return strName == "block"    ? EDecodePath::kBlock
           : strName == "robust" ? EDecodePath::kRobust
                                 : EDecodePath::kPerTick;
}

int DecodeAndReportPeak(const std::string& strPath, EDecodePath ePath) {
    const SDecodeResult result = DecodeFile(strPath, ePath);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak-kib %ld bytes %lld\n", usage.ru_maxrss,
                static_cast<long long>(result.m_nBytes));
    return result.m_bOpened ? 0 : 1;
}
