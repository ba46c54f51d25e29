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

}  // namespace

CCliRequest ParseArguments(const std::vector<std::string>& args) {
    CCliRequest request;
    std::vector<std::string> paths;
    bool bOptions = true;
    bool bChannel = false;
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
        if (bOptions && (strArg == "--robust" || strArg == "-r")) {
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
