// A tape played on the capture device "tapein" that an ALSA configuration of
// the test's own defines: the file plugin over the null device, whose
// capture reads the encoder's recording from its "infile" as fast as it is
// read, and after its end the last period again and again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "support/TestFiles.h"

constexpr int32_t kTapeDeviceRate = 44100;

// The 16-bit mono samples of the encoder's recording of the blocks, without
// the WAV header, then dSilence seconds of digital silence.
inline std::vector<uint8_t> TapePcm(const std::vector<CAnalogBlock>& blocks, double dSilence) {
    const std::vector<uint8_t> wav =
        RenderAnalogRecording(CAnalogFormat{}, CImpairments{}, blocks, 400, 0.5);
    std::vector<uint8_t> pcm;
    for (size_t k = 12; k + 8 <= wav.size();) {
        const uint32_t nSize =
            static_cast<uint32_t>(wav[k + 4] | wav[k + 5] << 8 | wav[k + 6] << 16) |
            static_cast<uint32_t>(wav[k + 7]) << 24;
        if (std::memcmp(wav.data() + k, "data", 4) == 0) {
            pcm.assign(wav.begin() + static_cast<std::ptrdiff_t>(k + 8),
                       wav.begin() + static_cast<std::ptrdiff_t>(k + 8 + nSize));
            break;
        }
        k += 8 + nSize + (nSize & 1);
    }
    pcm.resize(pcm.size() + static_cast<size_t>(dSilence * kTapeDeviceRate) * 2, 0);
    return pcm;
}

// Writes the configuration with "tapein" reading strInfile and returns its
// path, for ALSA_CONFIG_PATH. PortAudio 19.6 lists devices wrongly unless
// there is a "default" beside them.
inline std::string WriteAlsaConfig(const CTempDir& dir, const std::string& strInfile) {
    std::ofstream(dir.File("asoundrc")) << "pcm.tapein {\n"
                                           "  type file\n"
                                           "  slave.pcm { type null }\n"
                                           "  file \"/dev/null\"\n"
                                           "  infile \""
                                        << strInfile
                                        << "\"\n"
                                           "  format \"raw\"\n"
                                           "}\n"
                                           "pcm.default { type plug slave.pcm \"tapein\" }\n";
    return dir.File("asoundrc");
}
