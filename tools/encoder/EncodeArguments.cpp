#include "EncodeArguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "RecordHeader.h"

namespace {

template <typename T>
std::optional<T> ParseNumber(std::string_view str) {
    T value{};
    const char* pEnd = str.data() + str.size();
    const auto [p, error] = std::from_chars(str.data(), pEnd, value);
    if (str.empty() || error != std::errc() || p != pEnd) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseReal(std::string_view str) {
    // from_chars takes no leading '+', and "inf" or "nan" are no settings.
    const std::optional<double> d = ParseNumber<double>(str);
    if (!d || !std::isfinite(*d)) {
        return std::nullopt;
    }
    return d;
}

constexpr std::string_view kTickOptions[] = {"--rate", "--bits", "--channels", "--leader",
                                             "--name"};
constexpr std::string_view kAnalogFlags[] = {"--float",  "--extensible", "--list-chunk",
                                             "--invert", "--mulaw",      "--alaw"};
constexpr std::string_view kAnalogOptions[] = {"--other",      "--level",          "--speed",
                                               "--wow",        "--wow-hz",         "--hiss",
                                               "--hum",        "--hum-hz",         "--dc",
                                               "--lowpass",    "--highpass",       "--dropouts",
                                               "--dropout-ms", "--dropout-depth",  "--seed",
                                               "--gap",        "--highpass-order", "--band",
                                               "--overdrive",  "--allpass",        "--agc-attack",
                                               "--agc-release"};

template <size_t n>
bool OneOf(std::string_view str, const std::string_view (&list)[n]) {
    return std::find(std::begin(list), std::end(list), str) != std::end(list);
}

void ApplyFlag(std::string_view strFlag, CEncodeRequest& request) {
    if (strFlag == "--float") {
        request.analog.m_bFloat = true;
    } else if (strFlag == "--extensible") {
        request.analog.m_bExtensible = true;
    } else if (strFlag == "--list-chunk") {
        request.analog.m_bListChunk = true;
    } else if (strFlag == "--mulaw") {
        request.analog.m_eCompanding = ECompanding::kMuLaw;
    } else if (strFlag == "--alaw") {
        request.analog.m_eCompanding = ECompanding::kALaw;
    } else {
        request.impairments.m_bInvert = true;
    }
}

// The options that take a real number, and where it goes.
double* RealTarget(std::string_view strOption, CEncodeRequest& request) {
    CImpairments& imp = request.impairments;
    const std::pair<std::string_view, double*> targets[] = {
        {"--level", &imp.m_dLevelDb},
        {"--speed", &imp.m_dSpeed},
        {"--wow", &imp.m_dWowPercent},
        {"--wow-hz", &imp.m_dWowHz},
        {"--hiss", &imp.m_dHissDb},
        {"--hum", &imp.m_dHumDb},
        {"--hum-hz", &imp.m_dHumHz},
        {"--dc", &imp.m_dDc},
        {"--lowpass", &imp.m_dLowpassHz},
        {"--highpass", &imp.m_dHighpassHz},
        {"--dropout-ms", &imp.m_dDropoutMs},
        {"--dropout-depth", &imp.m_dDropoutDepthDb},
        {"--gap", &request.dGapSeconds},
        {"--overdrive", &imp.m_dOverdriveDb},
        {"--allpass", &imp.m_dAllpassHz},
        {"--agc-attack", &imp.m_dAgcAttackMs},
        {"--agc-release", &imp.m_dAgcReleaseMs},
    };
    for (const auto& [strName, pTarget] : targets) {
        if (strName == strOption) {
            return pTarget;
        }
    }
    return nullptr;
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
        request.names.push_back(strValue);
        return {};
    }
    if (strOption == "--other") {
        const std::pair<std::string_view, EOtherChannel> kinds[] = {
            {"copy", EOtherChannel::kCopy},
            {"silence", EOtherChannel::kSilence},
            {"noise", EOtherChannel::kNoise}};
        for (const auto& [strKind, eKind] : kinds) {
            if (strValue == strKind) {
                request.analog.m_eOther = eKind;
                return {};
            }
        }
        return "--other must be copy, silence or noise, not \"" + strValue + "\"";
    }
    if (strOption == "--seed") {
        const std::optional<uint64_t> nSeed = ParseNumber<uint64_t>(strValue);
        if (!nSeed) {
            return "--seed needs a whole number from 0 to 2^64 - 1, not \"" + strValue + "\"";
        }
        request.impairments.m_nSeed = *nSeed;
        return {};
    }
    if (strOption == "--band") {
        // LOW-HIGH in Hz, as "300-3400".
        const size_t nDash = strValue.find('-');
        const std::optional<double> dLow =
            nDash == std::string::npos ? std::nullopt : ParseReal(strValue.substr(0, nDash));
        const std::optional<double> dHigh =
            nDash == std::string::npos ? std::nullopt : ParseReal(strValue.substr(nDash + 1));
        if (!dLow || !dHigh || *dLow <= 0.0 || *dHigh <= *dLow) {
            return "--band needs two frequencies, the lower first, as 300-3400, not \"" + strValue +
                   "\"";
        }
        request.impairments.m_dBandLowHz = *dLow;
        request.impairments.m_dBandHighHz = *dHigh;
        return {};
    }
    if (double* pTarget = RealTarget(strOption, request)) {
        const std::optional<double> dValue = ParseReal(strValue);
        if (!dValue) {
            return std::string(strOption) + " needs a number, not \"" + strValue + "\"";
        }
        *pTarget = *dValue;
        return {};
    }
    const std::optional<int32_t> nValue = ParseNumber<int32_t>(strValue);
    if (!nValue) {
        return std::string(strOption) + " needs a whole number, not \"" + strValue + "\"";
    }
    if (strOption == "--rate") {
        request.format.m_nRate = *nValue;
    } else if (strOption == "--bits") {
        request.format.m_nBits = *nValue;
    } else if (strOption == "--channels") {
        request.format.m_nChannels = *nValue;
    } else if (strOption == "--dropouts") {
        request.impairments.m_nDropouts = *nValue;
    } else if (strOption == "--highpass-order") {
        request.impairments.m_nHighpassOrder = *nValue;
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
            return "--bits must be 8, 16, 24 or 32";
        case EFormatCheck::kBadChannels:
            return "--channels must be 1 or 2";
        case EFormatCheck::kRateTooLow:
        case EFormatCheck::kRateTooHigh:
            return "--rate must be from " + std::to_string(kMinEncodeRate) + " to " +
                   std::to_string(kMaxAnalogRate) + " (from " + std::to_string(kMinAnalogRate) +
                   " for an analog recording)";
    }
    return {};
}

bool EndsInWav(std::string_view strPath) {
    if (strPath.size() < 4) {
        return false;
    }
    std::string strEnd(strPath.substr(strPath.size() - 4));
    for (char& c : strEnd) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return strEnd == ".wav";
}

// The analog settings from the options: the shared format fields, and 32
// bits for --float unless --bits says 64.
std::string CompleteAnalog(CEncodeRequest& request, bool bBitsGiven) {
    CAnalogFormat& analog = request.analog;
    analog.m_nRate = request.format.m_nRate;
    analog.m_nChannels = request.format.m_nChannels;
    analog.m_nBits = analog.m_bFloat && !bBitsGiven ? 32 : request.format.m_nBits;
    if (analog.m_eCompanding != ECompanding::kNone) {
        if (analog.m_bFloat || (bBitsGiven && analog.m_nBits != 8)) {
            return "--mulaw and --alaw write 8-bit samples";
        }
        analog.m_nBits = 8;
    }
    if (analog.m_nChannels == 1) {
        analog.m_nSignalChannel = 0;
    }
    return AnalogSettingsError(analog, request.impairments, request.options.m_nLeader,
                               request.dGapSeconds);
}

}  // namespace

CEncodeRequest ParseEncodeArguments(const std::vector<std::string>& args) {
    CEncodeRequest request;
    std::vector<std::string> paths;
    bool bOptions = true;
    bool bBitsGiven = false;
    bool bOtherGiven = false;
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
        if (strArg == "--version") {
            request.eAction = EEncodeAction::kVersion;
            return request;
        }
        if (strArg == "--help") {
            request.eAction = EEncodeAction::kHelp;
            return request;
        }
        const size_t nEquals = strArg.find('=');
        const std::string_view strOption = std::string_view(strArg).substr(0, nEquals);
        if (OneOf(strOption, kAnalogFlags)) {
            if (nEquals != std::string::npos) {
                request.strError = std::string(strOption) + " takes no value";
                return request;
            }
            ApplyFlag(strOption, request);
            request.bAnalog = true;
            continue;
        }
        const bool bAnalogOption = OneOf(strOption, kAnalogOptions);
        if (!bAnalogOption && !OneOf(strOption, kTickOptions)) {
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
        request.bAnalog = request.bAnalog || bAnalogOption;
        bBitsGiven = bBitsGiven || strOption == "--bits";
        bOtherGiven = bOtherGiven || strOption == "--other";
    }
    if (paths.size() < 2) {
        request.strError = "an input and an output path are needed";
        return request;
    }
    request.strOutput = paths.back();
    paths.pop_back();
    request.inputs = paths;
    request.strInput = paths.front();
    request.bAnalog = request.bAnalog || request.format.m_nRate > kMaxEncodeRate ||
                      request.format.m_nBits == 32 || request.inputs.size() > 1;
    if (request.names.size() > request.inputs.size()) {
        request.strError = "more --name options than inputs";
    } else if (!request.bAnalog) {
        request.strError = FormatError(request.format);
    } else if (request.inputs.size() > 1 && !EndsInWav(request.strOutput)) {
        request.strError =
            "with several inputs the last path is the output, and it must end in "
            "\".wav\": " +
            request.strOutput;
    } else if (std::count(request.inputs.begin(), request.inputs.end(), "-") > 1) {
        request.strError = "standard input (\"-\") can be only one of the inputs";
    } else if (bOtherGiven && request.format.m_nChannels != 2) {
        request.strError = "--other needs --channels 2";
    } else {
        request.strError = CompleteAnalog(request, bBitsGiven);
    }
    if (request.strError.empty()) {
        request.eAction = EEncodeAction::kRun;
    }
    return request;
}
