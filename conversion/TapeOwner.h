// What a conversion run needs of whoever starts it: the dialog, the
// command-line driver or a test.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "TapeReader.h"

// Entries in the header buffer; a run writes entries 0-65 of it.
inline constexpr size_t kHeaderEntries = 80;

class CTapeOwner {
public:
    virtual ~CTapeOwner() = default;

    // The chosen WAV path, UTF-8 on Windows, the platform's bytes elsewhere;
    // may be empty. The browse action may change it.
    virtual std::string& GetPath() = 0;
    // The reader, living as long as the owner and reopened by every run.
    virtual CTapeReader& GetReader() = 0;
    // The first decoded bytes of the current block.
    virtual std::span<int32_t, kHeaderEntries> GetHeader() = 0;
    // Replace the whole text of the file line (upper) or status line (lower).
    virtual void SetFileText(const std::string& strUtf8) = 0;
    virtual void SetStatusText(const std::string& strUtf8) = 0;
    // Let the user choose a file; on success set the path and the file line.
    virtual void Browse() = 0;

    // How the raw bytes of a record name appear in the status line: by
    // default decoded from Windows-1250 up to the first zero byte.
    virtual std::string PresentRecordName(std::string_view strRawName) const;
    // Where the decoded bytes go (UTF-8): by default "test.dat" in the
    // current directory.
    virtual std::string GetOutputPath() const;
};
