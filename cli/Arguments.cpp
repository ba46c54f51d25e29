#include "Arguments.h"

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

CCliRequest ParseArguments(const std::vector<std::string>& args) {
    CCliRequest request;
    std::vector<std::string> paths;
    bool bOptions = true;
    for (const std::string& strArg : args) {
        if (bOptions && strArg == "--") {
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
    request.eAction = ECliAction::kRun;
    request.strPath = paths.front();
    return request;
}
