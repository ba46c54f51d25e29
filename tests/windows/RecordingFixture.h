// A recording made by the encoder, for the dialog to convert.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct CRecordingFixture {
    std::filesystem::path m_folder;   // a folder whose name needs Unicode
    std::wstring m_strWavPath;        // the recording in it
    std::vector<uint8_t> m_expected;  // what "test.dat" holds after a run on it
    std::wstring m_strInitialFolder;  // the file dialog's start folder, when prepared
};

// Writes the recording into a new folder under parent; false on failure.
bool MakeRecordingFixture(const std::filesystem::path& parent, CRecordingFixture& fixture);
