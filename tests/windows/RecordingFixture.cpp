#include "RecordingFixture.h"

#include "RecordHeader.h"
#include "Recording.h"
#include "support/TestFiles.h"

namespace {

constexpr const char* kRecordName = "KAZETA01";

}  // namespace

// One block that starts with a record header, at 44,100 Hz, 16 bits, mono,
// in a folder whose name has Czech letters and one from outside every 8-bit
// code page.
bool MakeRecordingFixture(const std::filesystem::path& parent, CRecordingFixture& fixture) {
    fixture.m_folder = parent / L"Nahrávky žluťoučký kůň \u03a9";
    std::error_code error;
    if (!std::filesystem::create_directory(fixture.m_folder, error)) {
        return false;
    }
    const std::filesystem::path wav = fixture.m_folder / L"záznam č. 1.wav";
    fixture.m_strWavPath = wav.wstring();

    std::vector<uint8_t> data(700);
    for (size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<uint8_t>(k * 37 + 11);
    }
    CEncodeOptions options;
    options.m_bRecordHeader = true;
    options.m_strName = kRecordName;
    fixture.m_expected = MakeRecordHeader(kRecordName);
    fixture.m_expected.insert(fixture.m_expected.end(), data.begin(), data.end());
    return WriteRecordingFile(PathUtf8(wav), CWavFormat{44100, 16, 1}, data, options);
}
