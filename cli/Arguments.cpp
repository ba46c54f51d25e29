#include "Arguments.h"

#include <charconv>

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
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& strArg = args[k];
        if (bOptions && (strArg == "--robust" || strArg == "-r")) {
            request.bRobust = true;
        } else if (bOptions && (strArg == "--channel" || strArg.starts_with("--channel="))) {
            std::string strValue;
            if (strArg.size() > 9) {
                strValue = strArg.substr(10);
            } else if (k + 1 < args.size()) {
                strValue = args[++k];
            }
            if (!ParseChannel(strValue, request.nChannel)) {
                request.strError = "--channel needs a channel number from 1 up";
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
    if (paths.size() != 1) {
        request.strError = paths.empty() ? "no recording given" : "more than one recording given";
        return request;
    }
    if (request.nChannel > 0 && !request.bRobust) {
        request.strError = "--channel needs --robust";
        return request;
    }
    request.eAction = ECliAction::kRun;
    request.strPath = paths.front();
    return request;
}
