#include "Arguments.h"

#include <charconv>
#include <utility>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

std::vector<std::string> GetUtf8Arguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int nArgs = 0;
    LPWSTR* pArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    if (pArgs != nullptr) {
        for (int k = 1; k < nArgs; ++k) {
            const int nBytes =
                WideCharToMultiByte(CP_UTF8, 0, pArgs[k], -1, nullptr, 0, nullptr, nullptr);
            std::string str(static_cast<size_t>(nBytes > 0 ? nBytes - 1 : 0), '\0');
            if (nBytes > 1) {
                WideCharToMultiByte(CP_UTF8, 0, pArgs[k], -1, str.data(), nBytes, nullptr, nullptr);
            }
            args.push_back(std::move(str));
        }
        LocalFree(pArgs);
    }
#else
    for (int k = 1; k < argc; ++k) {
        args.emplace_back(argv[k]);
    }
#endif
    return args;
}

namespace {

// A channel number: 1 to 65,535.
bool ParseChannel(const std::string& str, int32_t& nChannel) {
    int32_t n = 0;
    const auto [p, error] = std::from_chars(str.data(), str.data() + str.size(), n);
    if (str.empty() || error != std::errc() || p != str.data() + str.size() || n < 1 || n > 65535) {
        return false;
    }
    nChannel = n;
    return true;
}

// A whole number from nLow to nHigh.
bool ParseWhole(const std::string& str, int32_t nLow, int32_t nHigh, int32_t& nValue) {
    int32_t n = 0;
    const auto [p, error] = std::from_chars(str.data(), str.data() + str.size(), n);
    if (str.empty() || error != std::errc() || p != str.data() + str.size() || n < nLow ||
        n > nHigh) {
        return false;
    }
    nValue = n;
    return true;
}

// Seconds: more than 0, at most a week.
bool ParseSeconds(const std::string& str, double& dValue) {
    double d = 0.0;
    const auto [p, error] = std::from_chars(str.data(), str.data() + str.size(), d);
    if (str.empty() || error != std::errc() || p != str.data() + str.size() || !(d > 0.0) ||
        d > 7.0 * 24 * 3600) {
        return false;
    }
    dValue = d;
    return true;
}

// The options of --record: what each one needs of its value, and the usage
// error otherwise.
struct SRecordOption {
    const char* m_szName;
    const char* m_szError;
};

constexpr SRecordOption kRecordOptions[] = {
    {"--keep", "--keep needs a file name ending in .flac or .wav"},
    {"--device", "--device needs a device name or number (see --list-devices)"},
    {"--rate", "--rate needs a rate from 8000 to 384000"},
    {"--channels", "--channels needs a channel count from 1 to 32"},
    {"--seconds", "--seconds needs a number of seconds above 0"},
    {"--stop-after-silence", "--stop-after-silence needs a number of seconds above 0"},
};

// Takes strValue into the request for the option strName; false when it
// does not fit.
bool TakeRecordValue(const std::string& strName, const std::string& strValue,
                     CCliRequest& request) {
    if (strName == "--keep") {
        request.strKeep = strValue;
        return !strValue.empty();
    }
    if (strName == "--device") {
        request.strDevice = strValue;
        return !strValue.empty();
    }
    if (strName == "--rate") {
        return ParseWhole(strValue, 8000, 384000, request.nRate);
    }
    if (strName == "--channels") {
        return ParseWhole(strValue, 1, 32, request.nChannels);
    }
    if (strName == "--seconds") {
        return ParseSeconds(strValue, request.dSeconds);
    }
    return ParseSeconds(strValue, request.dSilence);
}

// The checks of a --record call once its arguments are read.
CCliRequest FinishRecordRequest(CCliRequest request, const std::vector<std::string>& paths,
                                bool bChannel) {
    if (!paths.empty()) {
        request.strError = "--record takes no recording: it records one (see --keep)";
    } else if (request.bMerge) {
        request.strError = "--merge cannot record";
    } else if (!request.strReport.empty()) {
        request.strError =
            "--report is not made while recording: give the kept recording to --robust --report "
            "afterwards";
    } else if (bChannel && request.nChannels != 0 && request.nChannel > request.nChannels) {
        request.strError = "--channel is above the --channels recorded";
    } else {
        request.bRobust = true;
        request.eAction = ECliAction::kRecord;
    }
    return request;
}

}  // namespace

CCliRequest ParseArguments(const std::vector<std::string>& args) {
    CCliRequest request;
    std::vector<std::string> paths;
    bool bOptions = true;
    bool bChannel = false;
    bool bRecord = false;
    bool bListDevices = false;
    const char* szRecordOption = nullptr;  // the first option that needs --record
    // The value of an option that takes one, from "--name=VALUE" or the next
    // argument; false when there is none.
    const auto TakeValue = [&args](size_t& k, const std::string& strName, std::string& strValue) {
        const std::string& strArg = args[k];
        if (strArg.size() > strName.size()) {
            strValue = strArg.substr(strName.size() + 1);
            return true;
        }
        if (k + 1 < args.size()) {
            strValue = args[++k];
            return true;
        }
        return false;
    };
    const auto IsOption = [&bOptions](const std::string& strArg, const std::string& strName) {
        return bOptions && (strArg == strName || strArg.starts_with(strName + "="));
    };
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& strArg = args[k];
        const SRecordOption* pRecordOption = nullptr;
        for (const SRecordOption& option : kRecordOptions) {
            if (IsOption(strArg, option.m_szName)) {
                pRecordOption = &option;
            }
        }
        if (pRecordOption != nullptr) {
            std::string strValue;
            if (!TakeValue(k, pRecordOption->m_szName, strValue) ||
                !TakeRecordValue(pRecordOption->m_szName, strValue, request)) {
                request.strError = pRecordOption->m_szError;
                return request;
            }
            if (szRecordOption == nullptr) {
                szRecordOption = pRecordOption->m_szName;
            }
        } else if (bOptions && strArg == "--record") {
            bRecord = true;
        } else if (bOptions && strArg == "--list-devices") {
            bListDevices = true;
        } else if (bOptions && (strArg == "--robust" || strArg == "-r")) {
            request.bRobust = true;
        } else if (bOptions && strArg == "--json") {
            request.bJson = true;
        } else if (bOptions && strArg == "--merge") {
            request.bMerge = true;
        } else if (IsOption(strArg, "--channel")) {
            std::string strValue;
            if (!TakeValue(k, "--channel", strValue) || !ParseChannel(strValue, request.nChannel)) {
                request.strError = "--channel needs a channel number from 1 up";
                return request;
            }
            bChannel = true;
        } else if (IsOption(strArg, "--report")) {
            if (!TakeValue(k, "--report", request.strReport) || request.strReport.empty()) {
                request.strError = "--report needs a file name (a folder with several recordings)";
                return request;
            }
        } else if (IsOption(strArg, "--split")) {
            if (!TakeValue(k, "--split", request.strSplit) || request.strSplit.empty()) {
                request.strError = "--split needs a folder";
                return request;
            }
        } else if (IsOption(strArg, "--output") || (bOptions && strArg == "-o")) {
            const std::string strName = strArg == "-o" ? "-o" : "--output";
            if (!TakeValue(k, strName, request.strOutput) || request.strOutput.empty()) {
                request.strError = "-o needs a file name (a folder with several recordings)";
                return request;
            }
        } else if (bOptions && strArg == "--") {
            bOptions = false;
        } else if (bOptions && strArg == "--help") {
            request.eAction = ECliAction::kHelp;
            return request;
        } else if (bOptions && strArg == "--version") {
            request.eAction = ECliAction::kVersion;
            return request;
        } else if (bOptions && strArg.size() > 1 && strArg[0] == '-') {
            request.strError = "unknown option: " + strArg;
            return request;
        } else {
            paths.push_back(strArg);
        }
    }
    if (bListDevices) {
        request.eAction = ECliAction::kListDevices;
        return request;
    }
    if (bRecord) {
        return FinishRecordRequest(std::move(request), paths, bChannel);
    }
    if (szRecordOption != nullptr) {
        request.strError = std::string(szRecordOption) + " needs --record";
        return request;
    }
    if (paths.empty()) {
        request.strError = "no recording given";
        return request;
    }
    if (request.bMerge) {
        if (paths.size() < 2) {
            request.strError = "--merge needs two takes or more";
            return request;
        }
        request.bRobust = true;  // takes are merged from the robust decoder's evidence
    }
    if (bChannel && !request.bRobust) {
        request.strError = "--channel needs --robust";
        return request;
    }
    request.eAction = ECliAction::kRun;
    request.strPath = paths.front();
    request.paths = std::move(paths);
    return request;
}
