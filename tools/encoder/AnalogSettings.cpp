#include "AnalogSettings.h"

#include <cmath>
#include <string_view>
#include <utility>

namespace {

std::string Number(double d) {
    std::string str = std::to_string(d);
    str.erase(str.find_last_not_of('0') + 1);
    if (!str.empty() && str.back() == '.') {
        str.pop_back();
    }
    return str;
}

bool Within(double d, double dMin, double dMax) {
    return std::isfinite(d) && d >= dMin && d <= dMax;
}

std::string RangeError(std::string_view strOption, double dMin, double dMax) {
    return std::string(strOption) + " must be from " + Number(dMin) + " to " + Number(dMax);
}

std::string FormatError(const CAnalogFormat& format) {
    if (format.m_nRate < kMinAnalogRate || format.m_nRate > kMaxAnalogRate) {
        return RangeError("--rate", kMinAnalogRate, kMaxAnalogRate) + " for an analog recording";
    }
    if (format.m_bFloat && format.m_nBits != 32 && format.m_nBits != 64) {
        return "--bits must be 32 or 64 with --float";
    }
    if (!format.m_bFloat && format.m_nBits != 8 && format.m_nBits != 16 && format.m_nBits != 24 &&
        format.m_nBits != 32) {
        return "--bits must be 8, 16, 24 or 32";
    }
    if (format.m_nChannels != 1 && format.m_nChannels != 2) {
        return "--channels must be 1 or 2";
    }
    if (format.m_nChannels == 2 && format.m_nSignalChannel != 0 && format.m_nSignalChannel != 1) {
        return "the signal channel must be 0 or 1";
    }
    return {};
}

// A filter corner: 0 (none) or above 0 and below half the rate.
std::string CornerError(std::string_view strOption, double dHz, int32_t nRate) {
    if (dHz == 0.0 || (std::isfinite(dHz) && dHz > 0.0 && dHz < nRate / 2.0)) {
        return {};
    }
    return std::string(strOption) + " must be 0 (none) or above 0 and below half the rate (" +
           std::to_string(nRate / 2) + " Hz)";
}

}  // namespace

std::string AnalogSettingsError(const CAnalogFormat& format, const CImpairments& imp,
                                int32_t nLeader, double dGapSeconds) {
    if (std::string strError = FormatError(format); !strError.empty()) {
        return strError;
    }
    struct SRange {
        std::string_view m_strOption;
        double m_dValue;
        double m_dMin;
        double m_dMax;
    };
    const SRange ranges[] = {
        {"--level", imp.m_dLevelDb, -120.0, 0.0},
        {"--speed", imp.m_dSpeed, 0.5, 2.0},
        {"--wow", imp.m_dWowPercent, 0.0, 20.0},
        {"--wow-hz", imp.m_dWowHz, 0.01, 100.0},
        {"--hiss", imp.m_dHissDb, 0.0, 120.0},
        {"--hum", imp.m_dHumDb, 0.0, 120.0},
        {"--hum-hz", imp.m_dHumHz, 1.0, 1000.0},
        {"--dc", imp.m_dDc, -1.0, 1.0},
        {"--dropouts", static_cast<double>(imp.m_nDropouts), 0.0, 10000.0},
        {"--dropout-ms", imp.m_dDropoutMs, 0.1, 10000.0},
        {"--dropout-depth", imp.m_dDropoutDepthDb, 0.0, 200.0},
        {"--leader", static_cast<double>(nLeader), 0.0, 1000000.0},
        {"--gap", dGapSeconds, 0.0, kMaxAnalogGapSeconds},
        {"--highpass-order", static_cast<double>(imp.m_nHighpassOrder), 1.0, 4.0},
        {"--overdrive", imp.m_dOverdriveDb, 0.0, 60.0},
        {"--agc-attack", imp.m_dAgcAttackMs, 0.0, 10000.0},
        {"--agc-release", imp.m_dAgcReleaseMs, 0.1, 100000.0},
    };
    for (const SRange& range : ranges) {
        if (!Within(range.m_dValue, range.m_dMin, range.m_dMax)) {
            return RangeError(range.m_strOption, range.m_dMin, range.m_dMax);
        }
    }
    if (std::string strError = CornerError("--lowpass", imp.m_dLowpassHz, format.m_nRate);
        !strError.empty()) {
        return strError;
    }
    const std::pair<std::string_view, double> corners[] = {{"--highpass", imp.m_dHighpassHz},
                                                           {"--band", imp.m_dBandLowHz},
                                                           {"--band", imp.m_dBandHighHz},
                                                           {"--allpass", imp.m_dAllpassHz}};
    for (const auto& [strOption, dHz] : corners) {
        if (std::string strError = CornerError(strOption, dHz, format.m_nRate); !strError.empty()) {
            return strError;
        }
    }
    if (format.m_eCompanding != ECompanding::kNone && format.m_nBits != 8) {
        return "--mulaw and --alaw write 8-bit samples";
    }
    return {};
}
