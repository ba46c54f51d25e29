#include "EncodeArguments.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "RecordHeader.h"

namespace {

std::optional<int32_t> ParseInt(std::string_view str) {
    int32_t n = 0;
    const char* pEnd = str.data() + str.size();
    const auto [p, error] = std::from_chars(str.data(), pEnd, n);
    if (str.empty() || error != std::errc() || p != pEnd) {
        return std::nullopt;
    }
    return n;
}

// Applies one option with its value; returns the error text, empty if fine.
std::string ApplyOption(std::string_view strOption, const std::string& strValue,
                        CEncodeRequest& request) {
    if (strOption == "--name") {
        if (strValue.size() > kRecordNameSize) {
            return "a record name has at most 8 bytes: " + strValue;
        }
        request.options.m_bRecordHeader = true;
        request.options.m_strName = strValue;
        return {};
    }
    const std::optional<int32_t> nValue = ParseInt(strValue);
    if (!nValue) {
        return std::string(strOption) + " needs a whole number, not \"" + strValue + "\"";
    }
    if (strOption == "--rate") {
        request.format.m_nRate = *nValue;
    } else if (strOption == "--bits") {
        request.format.m_nBits = *nValue;
    } else if (strOption == "--channels") {
        request.format.m_nChannels = *nValue;
    } else if (*nValue < 0) {
        return "--leader cannot be negative";
    } else {
        request.options.m_nLeader = *nValue;
    }
    return {};
}

std::string FormatError(const CWavFormat& format) {
    switch (CheckFormat(format)) {
        case EFormatCheck::kOk:
            break;
        case EFormatCheck::kBadBits:
            return "--bits must be 8, 16 or 24";
        case EFormatCheck::kBadChannels:
            return "--channels must be 1 or 2";
        case EFormatCheck::kRateTooLow:
        case EFormatCheck::kRateTooHigh:
            return "--rate must be from " + std::to_string(kMinEncodeRate) + " to " +
                   std::to_string(kMaxEncodeRate);
    }
    return {};
}

}  // namespace

CEncodeRequest ParseEncodeArguments(const std::vector<std::string>& args) {
    static constexpr std::string_view kValued[] = {"--rate", "--bits", "--channels", "--leader",
                                                   "--name"};
    CEncodeRequest request;
    std::vector<std::string> paths;
    bool bOptions = true;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& strArg = args[k];
        if (!bOptions || strArg == "-" || strArg.empty() || strArg[0] != '-') {
            paths.push_back(strArg);
            continue;
        }
        if (strArg == "--") {
            bOptions = false;
            continue;
        }
        if (strArg == "--help") {
            request.eAction = EEncodeAction::kHelp;
            return request;
        }
        const size_t nEquals = strArg.find('=');
        const std::string_view strOption = std::string_view(strArg).substr(0, nEquals);
        bool bKnown = false;
        for (const std::string_view strValued : kValued) {
            bKnown = bKnown || strOption == strValued;
        }
        if (!bKnown) {
            request.strError = "unknown option: " + strArg;
            return request;
        }
        std::string strValue;
        if (nEquals != std::string::npos) {
            strValue = strArg.substr(nEquals + 1);
        } else if (k + 1 < args.size()) {
            strValue = args[++k];
        } else {
            request.strError = std::string(strOption) + " needs a value";
            return request;
        }
        request.strError = ApplyOption(strOption, strValue, request);
        if (!request.strError.empty()) {
            return request;
        }
    }
    request.strError = FormatError(request.format);
    if (!request.strError.empty()) {
        return request;
    }
    if (paths.size() != 2) {
        request.strError = paths.size() < 2 ? "an input and an output path are needed"
                                            : "more than two paths given";
        return request;
    }
    request.strInput = paths[0];
    request.strOutput = paths[1];
    request.eAction = EEncodeAction::kRun;
    return request;
}
