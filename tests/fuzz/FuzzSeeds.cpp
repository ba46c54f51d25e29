// tavro-fuzz-seeds FOLDER: writes the fuzz targets' starting corpus, small
// recordings from the encoder in every format and the odd files that the
// tests use, one file each.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "FuzzInput.h"
#include "Recording.h"
#include "TapeReader.h"
#include "support/TestFiles.h"

namespace {

// Every seed stays below the targets' largest input.
constexpr size_t kMaxSeed = 16384;

class CSeedWriter {
public:
    explicit CSeedWriter(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

    void Add(const std::string& strName, const std::vector<uint8_t>& bytes) {
        if (bytes.size() > kMaxSeed) {
            Finding("seed " + strName + " is larger than the fuzzers take");
        }
        WriteBytes(m_strFolder + "/" + strName, bytes);
    }

    void AddRecording(const std::string& strName, int32_t nRate, int32_t nBits, int32_t nChannels,
                      const std::vector<uint8_t>& data, const std::string& strRecordName = {}) {
        CEncodeOptions options;
        options.m_nLeader = 90;  // a few more than the reader needs
        options.m_bRecordHeader = !strRecordName.empty();
        options.m_strName = strRecordName;
        const std::vector<uint8_t> bytes =
            EncodeRecording(CWavFormat{nRate, nBits, nChannels}, data, options);
        if (bytes.empty()) {
            Finding("the encoder refused seed " + strName);
        }
        Add(strName, bytes);
    }

private:
    std::string m_strFolder;
};

std::vector<uint8_t> Pattern(size_t nSize, uint8_t nSeed) {
    std::vector<uint8_t> bytes(nSize);
    for (size_t k = 0; k < nSize; ++k) {
        bytes[k] = static_cast<uint8_t>(nSeed + k * 37);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tavro-fuzz-seeds FOLDER\n", stderr);
        return 2;
    }
    CSeedWriter seeds(argv[1]);
    const std::vector<uint8_t> data = Pattern(8, 0x5A);

    // Recordings in every format the encoder writes.
    seeds.AddRecording("name-8bit-mono-11025.wav", 11025, 8, 1, data, "SEED\x1B[2J");
    seeds.AddRecording("8bit-mono-44100.wav", 44100, 8, 1, data);
    seeds.AddRecording("8bit-stereo-2205.wav", 2205, 8, 2, data);
    seeds.AddRecording("16bit-mono-22050.wav", 22050, 16, 1, data);
    seeds.AddRecording("16bit-stereo-11025.wav", 11025, 16, 2, data);
    seeds.AddRecording("24bit-mono-8000.wav", 8000, 24, 1, data);
    seeds.AddRecording("24bit-stereo-3001.wav", 3001, 24, 2, data);
    {
        // Two blocks, and one cut in the middle of a byte.
        std::vector<uint8_t> twice =
            EncodeRecording(CWavFormat{11025, 8, 1}, data, {90, false, {}});
        const std::vector<uint8_t> second =
            EncodeRecording(CWavFormat{11025, 8, 1}, Pattern(4, 1), {90, false, {}});
        twice.insert(twice.end(), second.begin() + CTapeReader::kHeaderSize, second.end());
        seeds.Add("two-blocks.wav", twice);
        twice.resize(twice.size() - 300);
        seeds.Add("cut-in-a-byte.wav", twice);
    }

    // Odd files: short, empty, impossible and extreme headers.
    seeds.Add("empty.wav", {});
    seeds.Add("short-header.wav", Pattern(30, 3));
    seeds.Add("header-only.wav", MakeWavHeader(44100, 1));
    seeds.Add("rate-0.wav", MakeWav(0, 1, Pattern(64, 9)));
    seeds.Add("rate-negative.wav", MakeWav(-1, 1, Pattern(64, 9)));
    seeds.Add("rate-1.wav", MakeWav(1, 1, Pattern(64, 9)));
    seeds.Add("rate-44101.wav", MakeWav(44101, 1, Pattern(2000, 9)));
    seeds.Add("rate-max.wav", MakeWav(std::numeric_limits<int32_t>::max(), 1, Pattern(2000, 9)));
    for (const uint8_t nFrameSize : {uint8_t{0}, uint8_t{3}, uint8_t{5}, uint8_t{255}}) {
        seeds.Add("frame-size-" + std::to_string(nFrameSize) + ".wav",
                  MakeWav(44100, nFrameSize, Pattern(999, nFrameSize)));
    }
    seeds.Add("noise.wav", MakeWav(22050, 2, Pattern(4001, 77)));

    // Recordings as sound cards make them, for the robust decoder: other
    // headers and sample formats, and the faults of real decks.
    const std::vector<CAnalogBlock> blocks = {{"SEED", Pattern(6, 0x21)}};
    const auto analog = [&](const std::string& strName, int32_t nBits, bool bFloat,
                            bool bExtensible, const CImpairments& impairments) {
        CAnalogFormat format;
        format.m_nRate = kMinAnalogRate;
        format.m_nBits = nBits;
        format.m_bFloat = bFloat;
        format.m_bExtensible = bExtensible;
        format.m_bListChunk = bExtensible;
        const std::vector<uint8_t> bytes =
            RenderAnalogRecording(format, impairments, blocks, 70, 0.02);
        if (bytes.empty()) {
            Finding("the analog renderer refused seed " + strName);
        }
        seeds.Add(strName, bytes);
    };
    CImpairments worn;
    worn.m_dHissDb = 18.0;
    worn.m_dHumDb = 10.0;
    worn.m_dSpeed = 0.9;
    worn.m_nDropouts = 1;
    analog("analog-8bit.wav", 8, false, false, {});
    analog("analog-float-extensible.wav", 32, true, true, {});
    analog("analog-16bit-worn.wav", 16, false, false, worn);
    return 0;
}
